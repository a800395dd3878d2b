#include "front/usage.h"

#include <cstdlib>

#include "front/report/console.h"
#include "front/report/event_log.h"
#include "front/report/fatal_error.h"
#include "front/report/messages.h"

namespace quorvane {

void Usage() {
  WriteErr(Format(kUsage, {}));
  ReportRun(kEventUsage);
  WaitIfOwnConsole();
  std::exit(FailureStatus());
}

void Help() {
  Message text = Format(kUsage, {});
  text += Format(kOptions, {});
  WriteOut(text);
}

void Version() { WriteOut(Raw(kVersion)); }

}  // namespace quorvane
