// Failure: what a run that cannot go on returns to the entry, which alone
// reports it (FatalError) and ends the process. The layers below return it,
// so the order of a run can be tested without ending the test.
#ifndef QUORVANE_REPORT_FAILURE_H_
#define QUORVANE_REPORT_FAILURE_H_

#include <initializer_list>
#include <optional>

#include "report/message.h"
#include "report/texts.h"

namespace quorvane {

struct Failure {
  int code = 0;  // the fixed error code the report names
  Message text;  // in the run's language, every line of it
};

inline Failure Fail(int code, const Text& text,
                    std::initializer_list<FormatArg> args = {}) {
  return {code, Format(text, args)};
}

// What a whole run (an update or a restore) did.
struct RunOutcome {
  int changed = 0;  // lines changed, or that a check says would change
  std::optional<Failure> failure;
  bool saved = false;  // the file was written: changed lines are on disk
};

}  // namespace quorvane

#endif  // QUORVANE_REPORT_FAILURE_H_
