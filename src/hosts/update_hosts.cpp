#include "hosts/update_hosts.h"

#include <cassert>
#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "front/report/messages.h"
#include "hosts/line_owner.h"
#include "hosts/managed_line.h"
#include "hosts/name_search.h"
#include "resolve/resolver.h"

namespace quorvane {

namespace {

// The pending pairs grouped by host name. The scan needs, for a line, the
// pending pair listed last among those it belongs to: that is the
// last pending pair of one of those names, so each name keeps its pending
// pairs in list order and gives up the last one first.
struct PendingNames {
  explicit PendingNames(const IniFile& pairs) {
    std::unordered_map<std::string_view, size_t> ids;
    for (size_t i = 0; i < pairs.Count(); ++i) {
      auto [it, added] = ids.emplace(pairs.name[i], names.size());
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

}  // namespace

LinesChanged UpdateLines(HostsFile* hosts, IniFile* pairs) {
  LinesChanged changed;
  PendingNames names(*pairs);
  std::vector<bool> used(pairs->Count(), false);

  // An empty name is inside every line: no search finds it, and while it is
  // pending every line is a candidate (the command line never lets one
  // through, but the rules stay whole without that).
  std::vector<std::string_view> searched;
  std::vector<size_t> searched_id;
  size_t empty_id = SIZE_MAX;
  for (size_t id = 0; id < names.names.size(); ++id) {
    if (names.names[id].empty()) {
      empty_id = id;
    } else {
      searched.push_back(names.names[id]);
      searched_id.push_back(id);
    }
  }
  NameSearch search(searched);
  auto empty_pending = [&] {
    return empty_id != SIZE_MAX && !names.pending[empty_id].empty();
  };

  // A line can belong to a name only if it holds the name's bytes, so the
  // search over the whole file skips the lines that hold no name; the line
  // where it stops is searched again on its own, for every name it holds,
  // and the ownership rule decides which of those count. (A name across a
  // line break, which no line holds, can stop the first search but never
  // counts in the second.)
  std::string_view bytes = hosts->Original();
  // Per name, the line (by its start) whose ownership check it failed last:
  // a long line that holds a name many times costs one check, not one per
  // occurrence.
  std::vector<size_t> rejected_at(names.names.size(), SIZE_MAX);
  size_t next_line = 0;
  while (names.count > 0 && next_line < bytes.size()) {
    size_t at = next_line;
    if (!empty_pending()) {
      size_t end = search.FindEnd(bytes, next_line);
      if (end == std::string_view::npos) break;
      at = end - 1;
    }
    std::string_view entry = hosts->LoadedLine(at);
    size_t start = entry.data() - bytes.data();
    next_line = start + entry.size();

    size_t best = SIZE_MAX;  // the pair that takes the line
    size_t best_id = 0;      // and its name
    // The rule is checked last, only for a pair that would win.
    auto consider = [&](size_t id) {
      const std::vector<size_t>& list = names.pending[id];
      if (list.empty() || (best != SIZE_MAX && list.back() <= best) ||
          rejected_at[id] == start) {
        return;
      }
      if (!LineBelongsTo(entry, names.names[id])) {
        rejected_at[id] = start;
        return;
      }
      best = list.back();
      best_id = id;
    };
    if (empty_pending()) consider(empty_id);
    search.ForEach(entry, [&](size_t k) { consider(searched_id[k]); });
    if (best == SIZE_MAX) continue;  // no pending name owns the line

    names.pending[best_id].pop_back();
    --names.count;
    used[best] = true;
    std::string line = ManagedLine(pairs->ip[best], pairs->name[best]);
    if (entry == line) continue;
    changed.printed += line;
    ++changed.count;
    hosts->ReplaceLoaded(start, std::move(line));
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

void UpdateHosts(IniFile& ini_file) {
  assert(ini_file.ip.size() == ini_file.name.size());
  StartNetwork();
  ResolveAll(ini_file);
  // Only now, with every name resolved, so a slow lookup never holds the
  // hosts lock.
  ChangeHostsFile(
      [&ini_file](HostsFile* hosts) { return UpdateLines(hosts, &ini_file); },
      kLinesAdded);
}

}  // namespace quorvane
