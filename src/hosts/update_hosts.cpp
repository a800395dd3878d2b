#include "hosts/update_hosts.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "front/report/messages.h"
#include "hosts/line_owner.h"
#include "hosts/managed_line.h"
#include "hosts/name_search.h"
#include "resolve/resolver.h"

namespace quorvane {

namespace {

// The pending pins grouped by host name, names that compare equal (NAS and
// nas) in one group. The scan needs, for a line, the pending pin listed
// last among those it belongs to: that is the last pending pin of one of
// those names, so each name keeps its pending pins in list order and gives
// up the last one first.
struct PendingNames {
  explicit PendingNames(const std::vector<Pin>& pins) {
    std::unordered_map<std::string, size_t> ids;
    for (size_t i = 0; i < pins.size(); ++i) {
      auto [it, added] = ids.emplace(FoldedName(pins[i].name), names.size());
      if (added) {
        names.push_back(pins[i].name);
        pending.emplace_back();
      }
      pending[it->second].push_back(i);
    }
    count = pins.size();
  }

  std::vector<std::string_view> names;       // distinct, in order met
  std::vector<std::vector<size_t>> pending;  // per name, pins in list order
  size_t count;                              // pending pins in all
};

// The pins of `pairs`, whose domains have the addresses `addresses`. A
// domain that a managed line of ours maps was answered from that very line,
// since the system's lookup reads the hosts file first: its address would
// never move again. Such a domain is asked of DNS alone. `bytes` is the file
// as loaded under the lock (no second read of a file that may be large), so
// only a run that pins a domain holds the lock through a DNS query. A
// literal address is no name to ask DNS for, whatever the file says.
std::vector<Pin> PinsOf(const std::vector<Pair>& pairs,
                        const std::vector<std::string>& addresses,
                        std::string_view bytes) {
  std::unordered_set<std::string> pinned = PinnedNames(bytes);
  std::vector<Pin> pins;
  pins.reserve(pairs.size());
  for (size_t i = 0; i < pairs.size(); ++i) {
    const std::string& domain = pairs[i].domain;
    bool literal = domain.find_first_not_of("0123456789.") == std::string::npos;
    bool in_dns =
        !pinned.empty() && !literal && pinned.count(FoldedName(domain)) != 0;
    pins.push_back(
        {in_dns ? ResolveInDns(domain) : addresses[i], pairs[i].name});
  }
  return pins;
}

}  // namespace

LinesChanged UpdateLines(HostsFile* hosts, const std::vector<Pin>& pins) {
  LinesChanged changed;
  PendingNames names(pins);
  std::vector<bool> used(pins.size(), false);
  NameSearch search(names.names);

  // A line can belong to a name only if it holds the name's bytes, so the
  // search over the whole file skips the lines that hold no name; the line
  // where it stops is searched again on its own, for every name it holds,
  // and the ownership rule decides which of those count. (A name across a
  // line break, which no line holds, can stop the first search but never
  // counts in the second.)
  std::string_view bytes = hosts->Original();
  // Per name, the loaded line (by its start) whose ownership check it failed
  // last: a long line that holds a name many times costs one check, not one
  // per occurrence.
  std::vector<size_t> rejected_at(names.names.size(), SIZE_MAX);
  size_t next_line = 0;
  while (names.count > 0 && next_line < bytes.size()) {
    size_t end = search.FindEnd(bytes, next_line);
    if (end == std::string_view::npos) break;
    std::string_view loaded = hosts->LoadedLine(end - 1);
    size_t start = loaded.data() - bytes.data();
    next_line = start + loaded.size();

    // A pin that takes a name off a line shared with other names leaves
    // the rest of the line, which the other pins are offered again; what
    // the pins took goes in the line's place, in the order taken.
    std::string_view entry = loaded;
    std::string rest;    // what is left of the line, once shortened
    std::string placed;  // the managed lines put in the line's place
    bool taken_whole = false;
    for (;;) {
      size_t best = SIZE_MAX;  // the pin that takes the line
      size_t best_id = 0;      // and its name
      // The rule is checked last, only for a pin that would win.
      auto consider = [&](size_t id) {
        const std::vector<size_t>& list = names.pending[id];
        bool shortened = entry.data() != loaded.data();
        if (list.empty() || (best != SIZE_MAX && list.back() <= best) ||
            (!shortened && rejected_at[id] == start)) {
          return;
        }
        if (!LineBelongsTo(entry, names.names[id])) {
          if (!shortened) rejected_at[id] = start;
          return;
        }
        best = list.back();
        best_id = id;
      };
      search.ForEach(entry, consider);
      if (best == SIZE_MAX) break;  // no pending name owns the line

      names.pending[best_id].pop_back();
      --names.count;
      used[best] = true;
      std::string line = ManagedLine(pins[best].address, pins[best].name);
      std::optional<std::string> left = LineWithoutName(entry, pins[best].name);
      if (!left) {
        taken_whole = true;
        if (entry != line) {
          changed.printed += line;
          ++changed.count;
          placed += line;
        } else {
          placed += entry;
        }
        break;
      }
      changed.printed += line;
      ++changed.count;
      placed += line;
      rest = std::move(*left);
      entry = rest;
    }
    if (placed.empty()) continue;
    if (!taken_whole) placed += entry;
    if (placed != loaded) hosts->ReplaceLoaded(start, std::move(placed));
  }

  for (size_t i = 0; i < pins.size(); ++i) {
    if (used[i]) continue;
    std::string line = ManagedLine(pins[i].address, pins[i].name);
    changed.printed += line;
    ++changed.count;
    hosts->Append(std::move(line));
  }
  return changed;
}

void UpdateHosts(const IniFile& ini_file) {
  StartNetwork();
  // Every name is resolved before the lock, so a slow lookup never holds it.
  const std::vector<std::string> addresses = ResolveAll(ini_file.pairs);
  ChangeHostsFile(
      [&ini_file, &addresses](HostsFile* hosts) {
        return UpdateLines(
            hosts, PinsOf(ini_file.pairs, addresses, hosts->Original()));
      },
      kLinesAdded);
}

}  // namespace quorvane
