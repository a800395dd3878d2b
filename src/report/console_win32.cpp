// The Windows console. Redirected to a file or pipe, the program's bytes go
// out exactly as they are (in binary mode: no LF to CR LF translation, which
// would turn a managed line's CR LF into CR CR LF), a path's in the ANSI code
// page. On a console whose code page is not 932, or for a text that holds a
// path, the text is converted and written as UTF-16 so that the Japanese,
// and a path in any script, read correctly. A write that fails (a pipe whose
// reader went away gives an error, never a signal, here) is dropped.
// Everything written is also offered to the run's event (event_log.h), which
// keeps it only when the run was asked to report to the event log.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>

#include "report/console.h"
#include "report/event_log.h"
#include "report/windows_text.h"

namespace quorvane {

namespace {

void Write(DWORD which, FILE* stream, const Message& message) {
  HANDLE handle = GetStdHandle(which);
  DWORD mode;
  bool path = std::any_of(message.pieces.begin(), message.pieces.end(),
                          [](const Message::Piece& p) {
                            return p.source == Message::Source::kPath;
                          });
  if (handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) &&
      (GetConsoleOutputCP() != 932 || path)) {
    fflush(stream);
    std::wstring wide = WideText(message);
    // In pieces: older consoles refuse or cut very long writes.
    for (size_t done = 0; done < wide.size();) {
      DWORD chunk =
          static_cast<DWORD>(std::min<size_t>(wide.size() - done, 8192));
      DWORD written = 0;
      if (!WriteConsoleW(handle, wide.data() + done, chunk, &written,
                         nullptr) ||
          written == 0) {
        break;
      }
      done += written;
    }
    return;
  }
  for (const Message::Piece& piece : message.pieces) {
    std::string bytes = PieceBytes(piece);
    fwrite(bytes.data(), 1, bytes.size(), stream);
  }
}

}  // namespace

void InitConsole() {
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
}

void WriteOut(const Message& message) {
  GatherForEvent(message);
  Write(STD_OUTPUT_HANDLE, stdout, message);
}

void WriteErr(const Message& message) {
  GatherForEvent(message);
  // What went to standard output before comes out before it.
  fflush(stdout);
  Write(STD_ERROR_HANDLE, stderr, message);
  fflush(stderr);
}

void WaitIfOwnConsole() {
  fflush(stdout);
  // The console's process list holds this program alone only when Windows
  // made the console for it (a double-click): cmd, PowerShell and a
  // parent's console list their own process too, and a run without a
  // console lists none.
  DWORD processes[2];
  if (GetConsoleProcessList(processes, 2) != 1) return;
  // A console in line mode hands over the typed line one byte per read and
  // keeps the rest for the next program (cmd.exe would run it), so the wait
  // reads through the line's end there; a pipe or file gives up one byte.
  DWORD mode;
  bool line = GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode);
  char key;
  while (_read(0, &key, 1) == 1 && line && key != '\n') {
  }
}

}  // namespace quorvane
