// Where the system keeps its hosts file. Each platform has hosts_path_*.cpp.
#ifndef QUORVANE_HOSTS_HOSTS_PATH_H_
#define QUORVANE_HOSTS_HOSTS_PATH_H_

#include <string>

namespace quorvane {

// The hosts file's path, built anew for every load and save.
std::string HostsPath();

}  // namespace quorvane

#endif  // QUORVANE_HOSTS_HOSTS_PATH_H_
