// The POSIX console: own text converted to the locale's character set.
#include <langinfo.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <string>

#include "front/console.h"
#include "front/console_text.h"

namespace quorvane {

namespace {

std::string& Charset() {
  static std::string charset = "UTF-8";
  return charset;
}

void Write(FILE* stream, const Message& message) {
  for (const Message::Piece& piece : message.pieces) {
    if (piece.own) {
      std::string text = ConvertOwnText(piece.bytes, Charset());
      fwrite(text.data(), 1, text.size(), stream);
    } else {
      fwrite(piece.bytes.data(), 1, piece.bytes.size(), stream);
    }
  }
}

}  // namespace

void InitConsole() {
  const char* name = setlocale(LC_CTYPE, "");
  Charset() = ConsoleCharset(name ? name : "", nl_langinfo(CODESET));
}

void WriteOut(const Message& message) { Write(stdout, message); }

void WriteErr(const Message& message) {
  Write(stderr, message);
  fflush(stderr);
}

void WaitForKey() {
  fflush(stdout);
  // One byte straight from the descriptor: stdio would take a whole buffer
  // from a pipe that other commands of a script may still be reading.
  char key;
  while (read(STDIN_FILENO, &key, 1) < 0 && errno == EINTR) {
  }
}

}  // namespace quorvane
