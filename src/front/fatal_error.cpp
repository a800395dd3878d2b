#include "front/fatal_error.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

#include "front/messages.h"

namespace quorvane {

namespace {

FatalErrorRelease* g_latest_release = nullptr;

}  // namespace

// Walks the live releases, newest first.
class FatalErrorReleases {
 public:
  static void CallAll() {
    for (FatalErrorRelease* r = g_latest_release; r != nullptr;
         r = r->previous_) {
      r->release_();
    }
  }
};

FatalErrorRelease::FatalErrorRelease(std::function<void()> release)
    : release_(std::move(release)), previous_(g_latest_release) {
  g_latest_release = this;
}

FatalErrorRelease::~FatalErrorRelease() { g_latest_release = previous_; }

void FatalError(int code, std::string_view format,
                std::initializer_list<FormatArg> args) {
  FatalErrorReleases::CallAll();
  // What the run printed so far goes out before the report, whatever
  // becomes of the process while the report is shown.
  std::fflush(stdout);
  Message title = Format(kTitle, {kProgramName, code});
  ShowFatalError(title, Format(format, args));
  std::exit(1);
}

}  // namespace quorvane
