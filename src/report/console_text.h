// Conversion of the program's own Shift_JIS text into the character set of a
// POSIX console. The console (console_posix.cpp) asks the locale once and
// calls these with what it found; they read no global state themselves.
#ifndef QUORVANE_REPORT_CONSOLE_TEXT_H_
#define QUORVANE_REPORT_CONSOLE_TEXT_H_

#include <string>
#include <string_view>

namespace quorvane {

// The character set that the own text is converted to, given the locale's
// name and its codeset: UTF-8 for the plain C/POSIX locale, where ASCII
// could not show the text at all; otherwise the locale's codeset.
std::string ConsoleCharset(std::string_view locale_name,
                           std::string_view codeset);

// Converts Shift_JIS bytes to `charset`. Characters the charset lacks are
// transliterated. Where the conversion is not available at all, the bytes
// are returned unchanged (a Shift_JIS console still reads them).
std::string ConvertOwnText(std::string_view sjis, const std::string& charset);

}  // namespace quorvane

#endif  // QUORVANE_REPORT_CONSOLE_TEXT_H_
