// QuorvaneInstall.exe, the helper of install.cmd and uninstall.cmd: the
// steps a batch file cannot take without following links or leaving a
// moment in which another account may act.
//   QuorvaneInstall.exe prepare FOLDER   PrepareStateFolder
//   QuorvaneInstall.exe remove FOLDER    RemoveStateFolder
// Exit status 0 when done, 1 with a line on standard error otherwise. Its
// texts are the install scripts' (English), not the program's.
#include <windows.h>
// windows.h first: shellapi.h needs its types.
#include <shellapi.h>

#include <cstdio>
#include <string>

#include "install/state_folder.h"

namespace {

constexpr char kUsage[] = "usage: QuorvaneInstall.exe prepare|remove FOLDER\n";
constexpr char kMovedAside[] =
    "Moved aside, as not made by an administrator (never used):\n";
constexpr char kMade[] =
    "Made %ls for SYSTEM and the Administrators (read for Users)\n";
constexpr char kFailed[] = "QuorvaneInstall: %ls\n";

}  // namespace

int main() {
  int count = 0;
  wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
  if (args == nullptr || count != 3) {
    fputs(kUsage, stderr);
    return 1;
  }
  const std::wstring verb = args[1], folder = args[2];
  std::wstring error;
  if (verb == L"prepare") {
    quorvane::PreparedFolder prepared = quorvane::PrepareStateFolder(folder);
    if (!prepared.moved.empty()) {
      printf("%s%ls", kMovedAside, prepared.moved.c_str());
    }
    if (prepared.made) printf(kMade, folder.c_str());
    error = prepared.error;
  } else if (verb == L"remove") {
    quorvane::RemoveStateFolder(folder, &error);
  } else {
    fputs(kUsage, stderr);
    return 1;
  }
  if (!error.empty()) fprintf(stderr, kFailed, error.c_str());
  return error.empty() ? 0 : 1;
}
