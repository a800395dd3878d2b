// The one line format the program writes into the hosts file: the dotted
// address, TAB, the host name as the user gave it, and the marker tail
// "\t##Quorvane##\r\n". A disabled managed line is the same with one "#" in
// front. A line is the program's own only when it has exactly that shape
// (ManagedLineName): a line that merely holds the marker, say one the
// administrator gave two names, is the administrator's entry.
#ifndef QUORVANE_HOSTS_MANAGED_LINE_H_
#define QUORVANE_HOSTS_MANAGED_LINE_H_

#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "hosts/hosts_file.h"

namespace quorvane {

inline constexpr std::string_view kMarker = "\t##Quorvane##";

// The active managed line for `address` and `host_name`, ending in
// `line_break` (the hosts file's own, HostsFile::FileLineBreak).
std::string ManagedLine(std::string_view address, std::string_view host_name,
                        std::string_view line_break = "\r\n");

// The host name of `line` (one line, its line break LF or CR LF included or
// not) when it is exactly a managed line, active or disabled: an optional
// "#", an address (hex digits, '.' and ':', at least one of those two), TAB,
// one host name (no byte at or below 0x20, no 0x7F, no '#'), the marker,
// then the line break (LF, CR LF, or a last line's bare CR) or nothing;
// otherwise nullopt.
std::optional<std::string_view> ManagedLineName(std::string_view line);

// The parts of a managed line (ManagedLineName), as views into it.
struct ManagedParts {
  bool active = true;  // no "#" before it
  std::string_view address;
  std::string_view name;
};
std::optional<ManagedParts> ParseManagedLine(std::string_view line);

// What the file holds of one host name it manages: its managed lines and
// the kept lines of entries taken from it.
struct ManagedName {
  std::string name;  // as first met
  struct Line {
    std::string address;
    bool active = true;
  };
  std::vector<Line> lines;  // in file order
  int kept = 0;
};

// Every host name of a managed line or a kept line in `bytes`, names that
// readers take for one (FoldedName) together, in the order first met.
std::vector<ManagedName> ManagedNames(const HostsFile& hosts);

// The host names of the active managed lines in a hosts file's `bytes`
// (ManagedLineName, not starting with '#'),
// folded as FoldedName folds them: the names this program itself pinned.
std::unordered_set<std::string> PinnedNames(const HostsFile& hosts);

}  // namespace quorvane

#endif  // QUORVANE_HOSTS_MANAGED_LINE_H_
