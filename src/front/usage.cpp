#include "front/usage.h"

#include <cstdlib>

#include "front/console.h"
#include "front/messages.h"

namespace quorvane {

void Usage() {
  WriteErr(Message{{{std::string(kUsage), true}}});
  WaitForKey();
  std::exit(1);
}

}  // namespace quorvane
