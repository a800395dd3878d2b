// The POSIX console: own text converted to the locale's character set.
#include <langinfo.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <string>

#include "front/report/console.h"
#include "front/report/console_text.h"

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
  Write(stderr, message);
  fflush(stderr);
}

void WaitForKey() {
  fflush(stdout);
  // Straight from the descriptor: stdio would take a whole buffer from a
  // pipe that other commands of a script may still be reading, so a pipe or
  // file gives up one byte. A terminal gives up the whole typed line, so
  // that nothing typed at the prompt runs in the shell afterwards.
  bool line = isatty(STDIN_FILENO);
  char key;
  ssize_t got;
  do {
    got = read(STDIN_FILENO, &key, 1);
  } while ((got < 0 && errno == EINTR) || (got > 0 && line && key != '\n'));
}

}  // namespace quorvane
