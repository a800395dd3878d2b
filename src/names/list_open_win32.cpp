#include <cstdio>

#include "names/list_open.h"
#include "report/windows_text.h"
#include "store/admin_write_win32.h"

namespace quorvane {

FILE* OpenListFile(const std::string& path, bool* others_may_read) {
  // A Windows run has its caller's rights or SYSTEM's from a task that
  // only the administrators set up: no caller with fewer rights sees it.
  *others_may_read = true;
  return RunsAsSystem() ? OpenAdministratorsFile(path)
                        : _wfopen(Wide(path).c_str(), L"rb");
}

}  // namespace quorvane
