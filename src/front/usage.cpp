#include "front/usage.h"

#include <cstdlib>

#include "report/console.h"
#include "report/event_log.h"
#include "report/fatal_error.h"
#include "report/texts.h"

namespace quorvane {

void Usage(const Message& why) {
  Message text = why;
  text += Format(kUsage, {});
  WriteErr(text);
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
