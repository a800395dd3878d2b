// Which lines of the hosts file belong to a host name: the only lines an
// update may take for it. Everything else (a line for a longer name, a
// comment that mentions the name, another entry's trailing comment) belongs
// to someone else and is never taken.
//
// A line belongs to the name N when either
//  1. it holds N's managed-line tail, TAB N TAB "##Quorvane##": every line
//     this program ever wrote for N, active or disabled, indented or not; or
//  2. it is a hosts entry that names N: after any leading '#' bytes, blanks
//     and TABs, its first field is an address (hex digits, '.' and ':' only,
//     at least one '.' or ':', optionally an IPv6 zone "%name") and N equals
//     one of the fields after it, its names. Fields are separated by blanks
//     and TABs; the entry ends at CR, at LF, or at a field that starts with
//     '#'.
// Names compare as resolvers compare them: ASCII letters without regard to
// case ("NAS" is nas), every other byte exactly (no letter outside ASCII is
// folded; NUL is a byte like any).
#ifndef QUORVANE_HOSTS_LINE_OWNER_H_
#define QUORVANE_HOSTS_LINE_OWNER_H_

#include <optional>
#include <string>
#include <string_view>

namespace quorvane {

// True when `line` (one hosts file entry, terminator included or not)
// belongs to `name` as described above.
bool LineBelongsTo(std::string_view line, std::string_view name);

// What is left of `line`, which belongs to `name`, once `name`'s mapping
// moves to a managed line put in its place: nothing (nullopt) when the line
// holds the name's managed-line tail or names no other name, so that it is
// taken whole; else the line without each name field equal to `name`, each
// taken together with the blanks and TABs just before it, so that the other
// names keep their address.
//   "192.168.1.5 box nas nas.local # the nas" -> "192.168.1.5 box nas.local
//   # the nas"
std::optional<std::string> LineWithoutName(std::string_view line,
                                           std::string_view name);

// `name` with its ASCII capitals made small: names that compare equal
// have the same folded form.
std::string FoldedName(std::string_view name);

}  // namespace quorvane

#endif  // QUORVANE_HOSTS_LINE_OWNER_H_
