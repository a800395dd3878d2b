// The one line format the program writes into the hosts file: the dotted
// address, TAB, the host name as the user gave it, and the marker tail
// "\t##Quorvane##\r\n". A disabled managed line is the same with one "#" in
// front. The marker without its line break is how a restore recognises the
// program's own lines.
#ifndef QUORVANE_HOSTS_MANAGED_LINE_H_
#define QUORVANE_HOSTS_MANAGED_LINE_H_

#include <string>
#include <string_view>
#include <unordered_set>

namespace quorvane {

inline constexpr std::string_view kMarker = "\t##Quorvane##";

// The active managed line for `address` and `host_name`, CR LF included.
std::string ManagedLine(std::string_view address, std::string_view host_name);

// The host names of the active managed lines in a hosts file's `bytes`
// (lines that do not start with '#' and hold TAB, a name, then the marker),
// folded as FoldedName folds them: the names this program itself pinned.
std::unordered_set<std::string> PinnedNames(std::string_view bytes);

}  // namespace quorvane

#endif  // QUORVANE_HOSTS_MANAGED_LINE_H_
