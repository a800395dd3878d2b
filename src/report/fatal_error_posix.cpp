// Without a window system the report goes to standard error: the title, a
// line break, the whole text, a line break. Nothing is awaited: the
// terminal keeps the report, and a timer's run must end.
#include "report/console.h"
#include "report/fatal_error.h"

namespace quorvane {

void ShowFatalError(const Message& title, const Message& text) {
  WriteErr(title);
  WriteErr(Raw("\n"));
  WriteErr(text);
  WriteErr(Raw("\n"));
}

}  // namespace quorvane
