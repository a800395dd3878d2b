#include "front/fatal_error.h"

#include <cstdlib>

#include "front/messages.h"

namespace quorvane {

void FatalError(int code, std::string_view format,
                std::initializer_list<FormatArg> args) {
  Message title = Format(kTitle, {kProgramName, code});
  ShowFatalError(title, Format(format, args));
  std::exit(1);
}

}  // namespace quorvane
