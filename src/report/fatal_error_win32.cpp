// The Windows report: a modal warning box with no owner, brought to the
// foreground, for a person at a console. Title and text are cut at 1024
// bytes as the window-text formatter cuts them. A run whose standard error
// is redirected to a file or pipe (a script's, a task's log) and a check
// (--check: a script's question) report on standard error alone: a box
// there would stop the script until someone happened to dismiss it. Where
// no one could see a box (a process without an interactive desktop, as a
// task run as SYSTEM), the report goes to standard error too, so an
// unattended run ends rather than waiting forever on an invisible box.
#include <windows.h>

#include "report/console.h"
#include "report/fatal_error.h"
#include "report/windows_text.h"

namespace quorvane {

namespace {

constexpr size_t kFormatterLimit = 1023;  // 1024 with the terminating NUL

bool HasVisibleDesktop() {
  HWINSTA station = GetProcessWindowStation();
  USEROBJECTFLAGS flags;
  DWORD needed;
  if (station == nullptr ||
      !GetUserObjectInformationA(station, UOI_FLAGS, &flags, sizeof flags,
                                 &needed)) {
    return false;
  }
  return (flags.dwFlags & WSF_VISIBLE) != 0;
}

}  // namespace

void ShowFatalError(const Message& title, const Message& text) {
  auto to_stderr = [&] {
    WriteErr(title);
    WriteErr(Raw("\n"));
    WriteErr(text);
    WriteErr(Raw("\n"));
  };
  HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
  bool redirected = err != nullptr && err != INVALID_HANDLE_VALUE &&
                    GetFileType(err) != FILE_TYPE_CHAR &&
                    GetFileType(err) != FILE_TYPE_UNKNOWN;
  bool checking = FailureStatus() == 2;  // what the front sets for --check
  if (redirected || checking || !HasVisibleDesktop()) {
    to_stderr();
    return;
  }

  const UINT style = MB_OK | MB_ICONWARNING | MB_SETFOREGROUND;
  Message caption = Cut(title, kFormatterLimit);
  Message body = Cut(text, kFormatterLimit);
  // Each piece is decoded from its own code page, so that the Japanese
  // reads correctly whatever the system's, and a path in any script.
  int shown = MessageBoxW(nullptr, WideText(body).c_str(),
                          WideText(caption).c_str(), style);
  if (shown <= 0) to_stderr();  // 0 (or -1 from some dialog layers): not shown
}

}  // namespace quorvane
