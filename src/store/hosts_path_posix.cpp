#include "store/hosts_path.h"

namespace quorvane {

std::string HostsPath() { return "/etc/hosts"; }

}  // namespace quorvane
