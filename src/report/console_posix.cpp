// The POSIX console: own text converted to the locale's character set.
#include <langinfo.h>
#include <signal.h>

#include <clocale>
#include <cstdio>
#include <string>

#include "report/console.h"
#include "report/console_text.h"

namespace quorvane {

namespace {

std::string& Charset() {
  static std::string charset = "UTF-8";
  return charset;
}

void Write(FILE* stream, const Message& message) {
  for (const Message::Piece& piece : message.pieces) {
    if (piece.source == Message::Source::kOwnText) {
      std::string text = ConvertOwnText(piece.bytes, Charset());
      fwrite(text.data(), 1, text.size(), stream);
    } else {
      fwrite(piece.bytes.data(), 1, piece.bytes.size(), stream);
    }
  }
}

}  // namespace

void InitConsole() {
  // A reader that went away (`Quorvane @list | head -1`, a dead log pipe)
  // must not kill a run before its save: the write fails instead, and the
  // output is dropped.
  signal(SIGPIPE, SIG_IGN);
  const char* name = setlocale(LC_CTYPE, "");
  Charset() = ConsoleCharset(name ? name : "", nl_langinfo(CODESET));
}

void WriteOut(const Message& message) { Write(stdout, message); }

void WriteErr(const Message& message) {
  // What went to standard output before comes out before it, into a pipe
  // or a log as at a terminal.
  fflush(stdout);
  Write(stderr, message);
  fflush(stderr);
}

// A terminal stays open after the program ends, so nothing is awaited.
void WaitIfOwnConsole() { fflush(stdout); }

}  // namespace quorvane
