#include "report/fatal_error.h"

#include <cstdio>
#include <cstdlib>

#include "report/event_log.h"
#include "report/texts.h"

namespace quorvane {

namespace {

int g_failure_status = 1;

}  // namespace

void SetFailureStatus(int status) { g_failure_status = status; }

int FailureStatus() { return g_failure_status; }

void FatalError(int code, const Text& text,
                std::initializer_list<FormatArg> args) {
  FatalError(code, Format(text, args));
}

void FatalError(int code, const Message& text) {
  // What the run printed so far goes out before the report, whatever
  // becomes of the process while the report is shown.
  std::fflush(stdout);
  Message title = Format(kTitle, {kProgramName, code});
  // Sent before the report is shown: what the box or standard error shows
  // is not part of what the run printed.
  ReportRun(code, title, text);
  ShowFatalError(title, text);
  std::exit(g_failure_status);
}

}  // namespace quorvane
