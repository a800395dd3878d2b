// The part of the console that is the same on every platform: whether
// progress is shown.
#include "report/console.h"

namespace quorvane {

namespace {
bool g_quiet = false;
}  // namespace

void SetQuiet(bool quiet) { g_quiet = quiet; }

void WriteProgress(const Message& message) {
  if (!g_quiet) WriteOut(message);
}

}  // namespace quorvane
