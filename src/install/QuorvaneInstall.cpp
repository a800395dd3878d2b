// QuorvaneInstall.exe, the helper of install.cmd and uninstall.cmd: the
// steps a batch file cannot take without following links or leaving a
// moment in which another account may act.
//   QuorvaneInstall.exe prepare FOLDER      PrepareStateFolder
//   QuorvaneInstall.exe remove FOLDER       RemoveStateFolder
//   QuorvaneInstall.exe register FOLDER     Register (Apps & Features, PATH)
//   QuorvaneInstall.exe unregister FOLDER   Unregister
// It says what it kept, made, repaired or moved aside (and where a list
// that went aside is now). Exit status 0 when done, 1 with a line on
// standard error otherwise. Its
// texts are the install scripts' (English), not the program's.
#include <windows.h>
// windows.h first: shellapi.h needs its types.
#include <shellapi.h>

#include <cstdio>
#include <string>

#include "install/registration_win32.h"
#include "install/state_folder_win32.h"

namespace {

constexpr char kUsage[] =
    "usage: QuorvaneInstall.exe prepare|remove|register|unregister FOLDER\n";
constexpr char kMovedAside[] =
    "Moved aside, as another account owns or may change it (never used):\n";
constexpr char kMade[] =
    "Made %ls for SYSTEM and the Administrators (read for Users)\n";
constexpr char kRepaired[] =
    "Kept %ls, as only administrators could change it; its permissions are "
    "now the install's: SYSTEM and the Administrators, read for Users\n";
constexpr char kKept[] = "Kept %ls, as an earlier install left it\n";
constexpr char kListAside[] =
    "The list that was there is now %ls\\Quorvane.list: the task does not "
    "read it; copy what is yours into the new list.\n";
constexpr char kRegistered[] =
    "Quorvane is in Apps & Features, and %ls on the system PATH\n";
constexpr char kUnregistered[] =
    "Quorvane is out of Apps & Features, and %ls off the system PATH\n";
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
      // The whole folder went aside: say where its list is now.
      const std::wstring from = folder + L" -> ";
      if (prepared.moved.rfind(from, 0) == 0) {
        std::wstring to = prepared.moved.substr(from.size());
        to = to.substr(0, to.find(L'\n'));
        if (GetFileAttributesW((to + L"\\Quorvane.list").c_str()) !=
            INVALID_FILE_ATTRIBUTES) {
          printf(kListAside, to.c_str());
        }
      }
    }
    if (prepared.error.empty()) {
      printf(prepared.made       ? kMade
             : prepared.repaired ? kRepaired
                                 : kKept,
             folder.c_str());
    }
    error = prepared.error;
  } else if (verb == L"remove") {
    std::wstring moved;
    quorvane::RemoveStateFolder(folder, &moved, &error);
    if (!moved.empty()) printf("%s%ls", kMovedAside, moved.c_str());
  } else if (verb == L"register" || verb == L"unregister") {
    const bool adding = verb == L"register";
    error = adding ? quorvane::Register(folder) : quorvane::Unregister(folder);
    if (error.empty())
      printf(adding ? kRegistered : kUnregistered, folder.c_str());
  } else {
    fputs(kUsage, stderr);
    return 1;
  }
  if (!error.empty()) fprintf(stderr, kFailed, error.c_str());
  return error.empty() ? 0 : 1;
}
