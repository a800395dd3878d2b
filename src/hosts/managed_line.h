// The one line format the program writes into the hosts file: the dotted
// address, TAB, the host name as the user gave it, and the marker tail
// "\t##Quorvane##\r\n". A disabled managed line is the same with one "#" in
// front. The marker without its line break is how a restore recognises the
// program's own lines.
#ifndef QUORVANE_HOSTS_MANAGED_LINE_H_
#define QUORVANE_HOSTS_MANAGED_LINE_H_

#include <string>
#include <string_view>

namespace quorvane {

inline constexpr std::string_view kMarker = "\t##Quorvane##";

// The active managed line for `address` and `host_name`, CR LF included.
std::string ManagedLine(std::string_view address, std::string_view host_name);

}  // namespace quorvane

#endif  // QUORVANE_HOSTS_MANAGED_LINE_H_
