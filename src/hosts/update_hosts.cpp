#include "hosts/update_hosts.h"

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "front/report/fatal_error.h"
#include "front/report/messages.h"
#include "hosts/line_owner.h"
#include "hosts/managed_line.h"
#include "hosts/name_search.h"
#include "resolve/resolver.h"

namespace quorvane {

namespace {

// The pending pairs grouped by host name, names that compare equal (NAS and
// nas) in one group. The scan needs, for a line, the pending pair listed
// last among those it belongs to: that is the last pending pair of one of
// those names, so each name keeps its pending pairs in list order and gives
// up the last one first.
struct PendingNames {
  explicit PendingNames(const IniFile& pairs) {
    std::unordered_map<std::string, size_t> ids;
    for (size_t i = 0; i < pairs.Count(); ++i) {
      auto [it, added] = ids.emplace(FoldedName(pairs.name[i]), names.size());
      if (added) {
        names.push_back(pairs.name[i]);
        pending.emplace_back();
      }
      pending[it->second].push_back(i);
    }
    count = pairs.Count();
  }

  std::vector<std::string_view> names;       // distinct, in order met
  std::vector<std::vector<size_t>> pending;  // per name, pairs in list order
  size_t count;                              // pending pairs in all
};

// A domain that a managed line of ours maps was answered from that very
// line, since the system's lookup reads the hosts file first: its address
// would never move again. Such a domain (of `domains`, the list's domains in
// the order of `pairs->ip`, whose places in the list as given are `places`)
// is asked of DNS alone, all such domains at once. `bytes` is the file as
// loaded under the lock (no second read of a file that may be large), so
// only a run that pins a domain holds the lock through a DNS query. A
// literal address is no name to ask DNS for, whatever the file says. The
// pairs whose domain DNS does not answer are taken out of `pairs` and added
// to `failed`.
void AskDnsForPinned(const std::vector<std::string>& domains,
                     const std::vector<size_t>& places, std::string_view bytes,
                     IniFile* pairs, std::vector<FailedLookup>* failed) {
  std::unordered_set<std::string> pinned = PinnedNames(bytes);
  if (pinned.empty()) return;
  std::vector<size_t> asked;
  std::vector<std::string> asked_domains;
  for (size_t i = 0; i < domains.size(); ++i) {
    const std::string& domain = domains[i];
    bool literal = domain.find_first_not_of("0123456789.") == std::string::npos;
    if (!literal && pinned.count(FoldedName(domain)) != 0) {
      asked.push_back(i);
      asked_domains.push_back(domain);
    }
  }
  std::vector<Lookup> found = LookUpAll(asked_domains, LookUpInDns);
  std::vector<bool> drop(domains.size(), false);
  for (size_t k = 0; k < asked.size(); ++k) {
    if (found[k].ok) {
      pairs->ip[asked[k]] = found[k].address;
    } else {
      drop[asked[k]] = true;
      failed->push_back({places[asked[k]], domains[asked[k]], found[k].error});
    }
  }
  IniFile kept;
  for (size_t i = 0; i < domains.size(); ++i) {
    if (!drop[i]) kept.Add(pairs->ip[i], pairs->name[i]);
  }
  *pairs = std::move(kept);
}

}  // namespace

LinesChanged UpdateLines(HostsFile* hosts, IniFile* pairs) {
  LinesChanged changed;
  PendingNames names(*pairs);
  std::vector<bool> used(pairs->Count(), false);
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

    // A pair that takes a name off a line shared with other names leaves
    // the rest of the line, which the other pairs are offered again; what
    // the pairs took goes in the line's place, in the order taken.
    std::string_view entry = loaded;
    std::string rest;    // what is left of the line, once shortened
    std::string placed;  // the managed lines put in the line's place
    bool taken_whole = false;
    for (;;) {
      size_t best = SIZE_MAX;  // the pair that takes the line
      size_t best_id = 0;      // and its name
      // The rule is checked last, only for a pair that would win.
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
      std::string line = ManagedLine(pairs->ip[best], pairs->name[best]);
      std::optional<std::string> left =
          LineWithoutName(entry, pairs->name[best]);
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

  for (size_t i = 0; i < pairs->Count(); ++i) {
    if (used[i]) continue;
    std::string line = ManagedLine(pairs->ip[i], pairs->name[i]);
    changed.printed += line;
    ++changed.count;
    hosts->Append(std::move(line));
  }
  pairs->ip.clear();
  pairs->name.clear();
  return changed;
}

int UpdateHosts(IniFile& ini_file, Writing writing) {
  assert(ini_file.ip.size() == ini_file.name.size());
  StartNetwork();
  // The pinned domains below are found by name, the lookup having put the
  // addresses in place of the domains.
  std::vector<std::string> domains = ini_file.ip;
  // Every name is resolved before the lock, so a slow lookup never holds it.
  std::vector<FailedLookup> failed = ResolveAll(ini_file);
  int changed = 0;
  if (ini_file.Count() != 0) {
    // The domains of the pairs that answered, and their places in the list.
    std::vector<std::string> answered;
    std::vector<size_t> places;
    for (size_t i = 0, f = 0; i < domains.size(); ++i) {
      if (f < failed.size() && failed[f].place == i) {
        ++f;
      } else {
        answered.push_back(domains[i]);
        places.push_back(i);
      }
    }
    changed = ChangeHostsFile(
        [&](HostsFile* hosts) {
          AskDnsForPinned(answered, places, hosts->Original(), &ini_file,
                          &failed);
          return UpdateLines(hosts, &ini_file);
        },
        writing == Writing::kSave ? kLinesAdded : kLinesWouldChange, writing);
  }
  // The pairs that answered are applied; the others end the run, each
  // named in list order, with their lines untouched.
  if (!failed.empty()) {
    std::sort(failed.begin(), failed.end(),
              [](const FailedLookup& a, const FailedLookup& b) {
                return a.place < b.place;
              });
    FatalError(kErrorResolve, FailedLookupsText(failed));
  }
  return changed;
}

}  // namespace quorvane
