#include "front/usage.h"

#include <cstdlib>

#include "front/report/console.h"
#include "front/report/messages.h"

namespace quorvane {

void Usage() {
  WriteErr(Message{{{std::string(kUsage), Message::Source::kOwnText}}});
  WaitForKey();
  std::exit(1);
}

}  // namespace quorvane
