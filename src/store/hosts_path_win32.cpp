#include <windows.h>

#include "report/windows_text.h"
#include "store/hosts_path.h"

namespace quorvane {

std::string HostsPath() {
  wchar_t dir[MAX_PATH];
  UINT length = GetSystemDirectoryW(dir, MAX_PATH);
  // A failed query (0, or a size that did not fit) leaves a path that cannot
  // be opened, which the load reports as error 198.
  if (length >= MAX_PATH) length = 0;
  return Utf8(std::wstring_view(dir, length)) + "\\drivers\\etc\\hosts";
}

std::string_view NewFileLineBreak() { return "\r\n"; }

}  // namespace quorvane
