// Where the system keeps its hosts file. Each platform has hosts_path_*.cpp.
#ifndef QUORVANE_STORE_HOSTS_PATH_H_
#define QUORVANE_STORE_HOSTS_PATH_H_

#include <string>
#include <string_view>

namespace quorvane {

// The hosts file's path.
std::string HostsPath();

// The line break of the lines written into a hosts file that has none yet:
// the platform's own, LF on POSIX and CR LF on Windows.
std::string_view NewFileLineBreak();

}  // namespace quorvane

#endif  // QUORVANE_STORE_HOSTS_PATH_H_
