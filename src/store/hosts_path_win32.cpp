#include <windows.h>

#include "store/hosts_path.h"

namespace quorvane {

std::string HostsPath() {
  char dir[260];
  UINT length = GetSystemDirectoryA(dir, sizeof dir);
  // A failed query (0, or a size that did not fit) leaves a path that cannot
  // be opened, which the load reports as error 198.
  if (length >= sizeof dir) length = 0;
  return std::string(dir, length) + "\\drivers\\etc\\hosts";
}

std::string_view NewFileLineBreak() { return "\r\n"; }

}  // namespace quorvane
