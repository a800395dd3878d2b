// Windows text helpers shared by the console and the warning box: the
// program's own text is code page 932; outside bytes are in the system's
// ANSI code page.
#ifndef QUORVANE_REPORT_WINDOWS_TEXT_H_
#define QUORVANE_REPORT_WINDOWS_TEXT_H_

#include <string>

#include "report/message.h"

namespace quorvane {

// The message as UTF-16, each piece decoded from its own code page.
std::wstring WideText(const Message& message);

// The message cut to at most `limit` bytes, as the window-text formatter
// cuts its output, but never through a double-byte character.
Message Cut(const Message& message, size_t limit);

}  // namespace quorvane

#endif  // QUORVANE_REPORT_WINDOWS_TEXT_H_
