// Which lines of the hosts file belong to a host name: the only lines an
// update may take for it. Everything else (a line for a longer name, a
// comment that mentions the name, another entry's trailing comment) belongs
// to someone else and is never taken.
//
// A line belongs to the name N when either
//  1. it is a managed line of N, active or disabled (ManagedLineName):
//     every line this program ever wrote for N; or
//  2. it is an active hosts entry that maps N, read as every reader of the
//     hosts file reads it (glibc, musl, dnsmasq): after any white space
//     (blank, TAB, CR, VT, FF) comes no '#' but an address (hex digits, '.'
//     and ':' only, at least one '.' or ':', optionally an IPv6 zone
//     "%name"), and N equals one of the fields after it, its names. Fields
//     are separated by white space; the entry ends at LF, NUL or a '#'
//     anywhere, so "10.0.0.5 nas#old" maps nas. A line commented out maps
//     nothing.
// Names compare as glibc and dnsmasq compare them: ASCII letters without
// regard to case ("NAS" is nas), every other byte exactly (no letter outside
// ASCII is folded). musl compares exactly; the update serves it each
// spelling it found (update_hosts.h).
#ifndef QUORVANE_HOSTS_LINE_OWNER_H_
#define QUORVANE_HOSTS_LINE_OWNER_H_

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

// True when `line` (one hosts file entry, terminator included or not)
// belongs to `name` as described above. It states the whole rule for the
// tests; the update applies the same rule in its two parts,
// ManagedTailName and MappedSpellings, since it treats a line of ours and
// an entry differently.
bool LineBelongsTo(std::string_view line, std::string_view name);

// The spelling of `name` when `line` is a managed line of it (2. above does
// not count), or nullopt.
std::optional<std::string_view> ManagedTailName(std::string_view line,
                                                std::string_view name);

// The name fields of the active entry `line` that equal `name`, in line
// order, as spelled there; empty when the line maps no such name.
std::vector<std::string_view> MappedSpellings(std::string_view line,
                                              std::string_view name);

// What is left of `line` once the names `names` (each of which it belongs
// to) move to lines of their own: nothing (nullopt) when the line holds the
// managed-line tail of one of them or maps no other name, so that it is
// taken whole; else the line without each name field equal to one of
// `names`, each taken together with the white space just before it, so
// that the other names keep their address.
//   "192.168.1.5 box nas nas.local # the nas" -> "192.168.1.5 box nas.local
//   # the nas"
std::optional<std::string> LineWithoutNames(
    std::string_view line, const std::vector<std::string_view>& names);

// Whether two names are one name to glibc and dnsmasq.
bool SameName(std::string_view a, std::string_view b);

// `name` with its ASCII capitals made small: names that compare equal
// have the same folded form.
std::string FoldedName(std::string_view name);

}  // namespace quorvane

#endif  // QUORVANE_HOSTS_LINE_OWNER_H_
