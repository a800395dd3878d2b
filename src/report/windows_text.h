// Windows text helpers shared by the console, the warning box, the event
// log and every call that passes a path to the system: the program's own
// text is code page 932; outside bytes are in the system's ANSI code page;
// paths and command-line words are held as UTF-8, taken from and given to
// the system's UTF-16 (W) calls, so a path may hold any character.
#ifndef QUORVANE_REPORT_WINDOWS_TEXT_H_
#define QUORVANE_REPORT_WINDOWS_TEXT_H_

#include <optional>
#include <string>
#include <string_view>

#include "report/message.h"

namespace quorvane {

// The message as UTF-16, each piece decoded from its own code page.
std::wstring WideText(const Message& message);

// The message cut to at most `limit` bytes, as the window-text formatter
// cuts its output, but never through a character of two bytes (or, in a
// path, of several).
Message Cut(const Message& message, size_t limit);

// The bytes of `piece` as they go to a file or pipe: a path's in the ANSI
// code page (a character that has none there as "?"), any other piece's as
// they are.
std::string PieceBytes(const Message::Piece& piece);

// The ANSI code page's bytes of `utf8`; nullopt when a character has none
// there.
std::optional<std::string> CodePageBytes(std::string_view utf8);

// A path or word held as UTF-8 in UTF-16, for the system's W calls, and a
// UTF-16 name the system gave back as UTF-8.
std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view wide);

}  // namespace quorvane

#endif  // QUORVANE_REPORT_WINDOWS_TEXT_H_
