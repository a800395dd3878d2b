#include "front/report/fatal_error.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

#include "front/report/messages.h"

namespace quorvane {

namespace {

ReleaseOnFatalError* g_latest_release = nullptr;

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

void FatalError(int code, std::string_view format,
                std::initializer_list<FormatArg> args) {
  ReleaseOnFatalError::ReleaseAll();
  // What the run printed so far goes out before the report, whatever
  // becomes of the process while the report is shown.
  std::fflush(stdout);
  Message title = Format(kTitle, {kProgramName, code});
  ShowFatalError(title, Format(format, args));
  std::exit(1);
}

}  // namespace quorvane
