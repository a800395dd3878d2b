// The steps of the update (UpdateLines, update_hosts.h), each of which can
// be run and looked at on its own:
//  1. ListedNames: the pins grouped by host name;
//  2. FindNameLines: the search pass, each listed name's lines in the file;
//  3. GivePairs: one name's pairs given to its lines, in each family;
//  4. WriteLines: the managed and kept lines put into the file, and the
//     lines left over appended.
// UpdateLines runs them in that order, GivePairs once per name in the order
// the names were met. Each step holds views into the pins and into the file
// as loaded, which must outlive it.
#ifndef QUORVANE_HOSTS_UPDATE_STEPS_H_
#define QUORVANE_HOSTS_UPDATE_STEPS_H_

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "hosts/change_hosts.h"
#include "hosts/hosts_file.h"
#include "hosts/update_hosts.h"
#include "names/ini_file.h"

namespace quorvane {

// A pin's family: IPv6 when its address holds a ':'.
Family FamilyOf(std::string_view address);

// One value for each family.
template <typename T>
struct ByFamily {
  T ipv4{};
  T ipv6{};
  T& operator[](Family family) { return family == Family::kIPv4 ? ipv4 : ipv6; }
  const T& operator[](Family family) const {
    return family == Family::kIPv4 ? ipv4 : ipv6;
  }
};

// The pins grouped by host name, names that compare equal (NAS and nas) in
// one group; a name's id is its place among the distinct names in the order
// met. Each name gives up its pending pairs from the back: the IPv4 ones
// first, the pair listed last first, then the IPv6 ones the same way; so the
// name's first line maps the IPv4 address of the pair listed last, and every
// family's first line that of its pair listed last.
struct ListedNames {
  explicit ListedNames(const std::vector<Pin>& pins);

  std::unordered_map<std::string, size_t> ids;           // by folded name
  std::vector<std::string_view> names;                   // first spelling met
  std::vector<std::vector<size_t>> pending;              // pairs, as given up
  std::vector<std::vector<std::string_view>> spellings;  // the pairs'
  // The address of the pair listed last, or empty when the name follows no
  // address of the family.
  std::vector<ByFamily<std::string_view>> address;
  // The line break of every managed line written: the file's own.
  std::string_view line_break = "\r\n";
};

// A line of the file that holds a listed name, and what the update does
// with it.
struct NameLine {
  size_t start = 0;       // in the file as loaded
  std::string_view line;  // as loaded
  // The names whose managed-line tail it holds, with the spelling there.
  std::vector<std::pair<size_t, std::string_view>> tails;
  // When it holds none, the names it maps as an active entry: its names
  // taken, in the order the names were met.
  std::vector<size_t> mapped;
  // A line of ours, once one name decided on it: what it becomes (nothing:
  // it stays as it is).
  bool decided = false;
  std::optional<std::string> result;
  // Managed lines put in before the line (by the pair's place in the list)
  // and, after them, those of a name's other family and other spellings.
  std::vector<std::pair<size_t, std::string>> placed;
  std::vector<std::string> spelled;
};

// What the search pass found.
struct FoundLines {
  std::vector<NameLine> lines;  // in file order
  // Per name: its lines (places in `lines`), in file order.
  std::vector<std::vector<size_t>> of_name;
  // Per name: the spellings musl would lose (it compares names exactly):
  // those of the entries taken now and of the lines kept before, but the
  // pairs' own, in the order found.
  std::vector<std::vector<std::string_view>> other_spellings;
};

// Every line of `hosts` as loaded that belongs to a listed name, searched
// for all names at once; kept lines belong to none, but give the spellings
// they were taken from. A line that holds a listed name's managed-line tail
// belongs to the names whose tail it holds, not to the names it maps.
FoundLines FindNameLines(const HostsFile& hosts, const ListedNames& names);

// What no line took: appended, the pairs first.
struct LeftOver {
  std::vector<size_t> pairs;         // in the order they would take lines
  std::vector<std::string> spelled;  // managed lines of other spellings
};

// Gives the pending pairs of name `id` to its lines in file order, by the
// rules of UpdateLines: decides each line of ours the name has, puts managed
// lines before or after its entries, and leaves the rest in `left`.
void GivePairs(size_t id, const std::vector<Pin>& pins, ListedNames* names,
               FoundLines* found, LeftOver* left);

// Puts what the pairs were given into `hosts`: each found line becomes its
// managed lines, then its kept line and what is left of it; then `left` is
// appended. Every line put in, changed or appended counts and is printed.
LinesChanged WriteLines(const std::vector<Pin>& pins, const ListedNames& names,
                        FoundLines* found, const LeftOver& left,
                        HostsFile* hosts);

}  // namespace quorvane

#endif  // QUORVANE_HOSTS_UPDATE_STEPS_H_
