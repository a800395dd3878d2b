#include "front/report/fatal_error.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

#include "front/report/event_log.h"
#include "front/report/messages.h"

namespace quorvane {

namespace {

ReleaseOnFatalError* g_latest_release = nullptr;
int g_failure_status = 1;

}  // namespace

ReleaseOnFatalError::ReleaseOnFatalError(std::function<void()> release)
    : release_(std::move(release)), previous_(g_latest_release) {
  g_latest_release = this;
}

ReleaseOnFatalError::~ReleaseOnFatalError() { g_latest_release = previous_; }

void ReleaseOnFatalError::ReleaseAll() {
  for (ReleaseOnFatalError* r = g_latest_release; r != nullptr;
       r = r->previous_) {
    r->release_();
  }
}

void SetFailureStatus(int status) { g_failure_status = status; }

int FailureStatus() { return g_failure_status; }

void FatalError(int code, const Text& text,
                std::initializer_list<FormatArg> args) {
  FatalError(code, Format(text, args));
}

void FatalError(int code, const Message& text) {
  ReleaseOnFatalError::ReleaseAll();
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
