// The Windows command line, read in UTF-16 (GetCommandLineW, split by
// CommandLineToArgvW) and held as UTF-8: the narrow argv main gets has
// every character outside the ANSI code page as "?", which would name no
// file.
#include <windows.h>
// windows.h first: shellapi.h needs its types.
#include <shellapi.h>

#include "front/arguments.h"
#include "report/windows_text.h"

namespace quorvane {

std::vector<std::string_view> Arguments(int argc, char** argv) {
  static std::vector<std::string> held;
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) {  // out of memory: the narrow ones, alike in ASCII
    return std::vector<std::string_view>(argv + 1, argv + argc);
  }
  for (int i = 1; i < count; ++i) held.push_back(Utf8(wide[i]));
  LocalFree(wide);
  return std::vector<std::string_view>(held.begin(), held.end());
}

std::optional<std::string> PairWord(std::string_view word) {
  return CodePageBytes(word);
}

}  // namespace quorvane
