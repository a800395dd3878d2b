#include "names/list_open.h"

namespace quorvane {

FILE* OpenListFile(const std::string& path) {
  return fopen(path.c_str(), "rb");
}

}  // namespace quorvane
