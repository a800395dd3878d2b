// A formatted text on its way to the user, kept as pieces that remember where
// their bytes came from: the program's own Shift_JIS text (which a console
// may show in another character set), bytes from outside the program (host
// names, file lines), which are always written unchanged, or a path or
// command-line word as the program holds it (the system's bytes on POSIX,
// UTF-8 on Windows, whose command line and file names are UTF-16).
#ifndef QUORVANE_REPORT_MESSAGE_H_
#define QUORVANE_REPORT_MESSAGE_H_

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "report/texts.h"

namespace quorvane {

struct Message {
  // Where a piece's bytes come from, which says how a console may show them.
  enum class Source {
    kOwnText,  // the program's own Shift_JIS text: may be converted
    kOutside,  // bytes from outside the program: always written unchanged
    kPath,     // a path or command-line word: written unchanged on POSIX;
               // on Windows UTF-8, shown as its characters, and in a file
               // or pipe in the ANSI code page as the outside bytes are
  };
  struct Piece {
    std::string bytes;
    Source source;
  };
  std::vector<Piece> pieces;

  // All bytes in order, exactly as the program stores them.
  std::string Bytes() const;

  // Adds `more` at the end, each piece keeping its source.
  Message& operator+=(const Message& more);
};

// One value for a placeholder: bytes for "%s", a number for "%d".
class FormatArg {
 public:
  FormatArg(std::string_view bytes) : bytes_(bytes), is_number_(false) {}
  FormatArg(const std::string& bytes) : FormatArg(std::string_view(bytes)) {}
  FormatArg(const char* bytes) : FormatArg(std::string_view(bytes)) {}
  FormatArg(int number) : number_(number), is_number_(true) {}

  std::string_view bytes() const { return bytes_; }
  int number() const { return number_; }
  bool is_number() const { return is_number_; }
  bool is_path() const { return is_path_; }

 private:
  friend FormatArg PathArg(std::string_view path);
  std::string_view bytes_;
  int number_ = 0;
  bool is_number_;
  bool is_path_ = false;
};

// A path or a word of the command line for "%s": a piece of kPath.
inline FormatArg PathArg(std::string_view path) {
  FormatArg arg(path);
  arg.is_path_ = true;
  return arg;
}

// Fills a format of the program's own text. "%s" takes outside bytes (or a
// path, given as PathArg), "%d" a number (written as the program's own text),
// "%%" is a percent sign. The arguments must match the placeholders in number
// and kind.
Message Format(std::string_view format, std::initializer_list<FormatArg> args);

// The same, with `text` in the run's language (CurrentLanguage).
Message Format(const Text& text, std::initializer_list<FormatArg> args);

// The whole text as outside bytes, for lines that are printed as they are.
Message Raw(std::string_view bytes);

}  // namespace quorvane

#endif  // QUORVANE_REPORT_MESSAGE_H_
