#include "names/list_open.h"
#include "store/admin_write_win32.h"

namespace quorvane {

FILE* OpenListFile(const std::string& path) {
  return RunsAsSystem() ? OpenAdministratorsFile(path)
                        : fopen(path.c_str(), "rb");
}

}  // namespace quorvane
