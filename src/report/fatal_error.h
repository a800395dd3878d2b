// The one way the program reports a failure it cannot go on from: a report
// that names the program and a fixed error code, shown until the user
// acknowledges it, then the end of the process with status 1. Nothing else in
// the program shows an error or ends the process after a failure.
#ifndef QUORVANE_REPORT_FATAL_ERROR_H_
#define QUORVANE_REPORT_FATAL_ERROR_H_

#include <initializer_list>
#include <string_view>

#include "report/failure.h"
#include "report/message.h"

namespace quorvane {

// Formats the title "Quorvane (code)" and the text from `text` (in the
// run's language) and `args`, shows them, and exits with FailureStatus().
// Never returns.
[[noreturn]] void FatalError(int code, const Text& text,
                             std::initializer_list<FormatArg> args = {});

// The same with a text already formatted (a message of several lines).
[[noreturn]] void FatalError(int code, const Message& text);

// The report of a failure a run returned.
[[noreturn]] inline void FatalError(const Failure& failure) {
  FatalError(failure.code, failure.text);
}

// The exit status of a failed run: 1, or what the front end chose for its
// mode (a check ends with 2 on any error).
void SetFailureStatus(int status);
int FailureStatus();

// The platform's way of showing a report and waiting for the user. It must
// return (or end the process) even when the report cannot be shown.
void ShowFatalError(const Message& title, const Message& text);

}  // namespace quorvane

#endif  // QUORVANE_REPORT_FATAL_ERROR_H_
