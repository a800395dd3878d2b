#include "store/hosts_path.h"

namespace quorvane {

std::string HostsPath() { return "/etc/hosts"; }

std::string_view NewFileLineBreak() { return "\n"; }

}  // namespace quorvane
