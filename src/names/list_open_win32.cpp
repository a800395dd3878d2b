#include "hosts/admin_write.h"
#include "names/list_open.h"

namespace quorvane {

FILE* OpenListFile(const std::string& path) {
  return RunsAsSystem() ? OpenAdministratorsFile(path)
                        : fopen(path.c_str(), "rb");
}

}  // namespace quorvane
