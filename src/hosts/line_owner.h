// Which lines of the hosts file belong to a host name: the only lines an
// update may take for it. Everything else (a line for a longer name, a
// comment that mentions the name, another entry's trailing comment) belongs
// to someone else and is never taken.
//
// A line belongs to the name N when either
//  1. it holds N's managed-line tail, TAB N TAB "##Quorvane##": every line
//     this program ever wrote for N, active or disabled, indented or not,
//     whatever bytes N holds; or
//  2. it is a hosts entry that names N: after any leading '#' bytes, blanks
//     and TABs, its first field is an address (hex digits, '.' and ':' only,
//     at least one '.' or ':', optionally an IPv6 zone "%name") and N equals
//     one of the fields after it. Fields are separated by blanks and TABs;
//     the entry ends at CR, at LF, or at a field that starts with '#'.
// Bytes are compared as they are: no case folding, NUL is a byte like any.
#ifndef QUORVANE_HOSTS_LINE_OWNER_H_
#define QUORVANE_HOSTS_LINE_OWNER_H_

#include <string_view>

namespace quorvane {

// True when `line` (one hosts file entry, terminator included or not)
// belongs to `name` as described above.
bool LineBelongsTo(std::string_view line, std::string_view name);

}  // namespace quorvane

#endif  // QUORVANE_HOSTS_LINE_OWNER_H_
