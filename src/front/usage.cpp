#include "front/usage.h"

#include <cstdlib>

#include "report/console.h"
#include "report/fatal_error.h"
#include "report/texts.h"

namespace quorvane {

void Usage() {
  WriteErr(Format(kUsage, {}));
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
