// Where the system keeps its hosts file. Each platform has hosts_path_*.cpp.
#ifndef QUORVANE_STORE_HOSTS_PATH_H_
#define QUORVANE_STORE_HOSTS_PATH_H_

#include <string>

namespace quorvane {

// The hosts file's path.
std::string HostsPath();

}  // namespace quorvane

#endif  // QUORVANE_STORE_HOSTS_PATH_H_
