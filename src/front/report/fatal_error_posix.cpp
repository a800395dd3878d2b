// Without a window system the report goes to standard error: the title, a
// line break, the whole text, a line break; then one key is awaited.
#include "front/report/console.h"
#include "front/report/fatal_error.h"

namespace quorvane {

void ShowFatalError(const Message& title, const Message& text) {
  WriteErr(title);
  WriteErr(Raw("\n"));
  WriteErr(text);
  WriteErr(Raw("\n"));
  WaitForKey();
}

}  // namespace quorvane
