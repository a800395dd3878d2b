#include "hosts/update_hosts.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "front/report/messages.h"
#include "hosts/kept_line.h"
#include "hosts/line_owner.h"
#include "hosts/managed_line.h"
#include "hosts/name_search.h"
#include "resolve/pins.h"
#include "resolve/resolver.h"

namespace quorvane {

namespace {

// The domains that the active managed lines of `bytes` pin.
IsPinned PinnedIn(std::string_view bytes) {
  return [names = PinnedNames(bytes)](std::string_view domain) {
    return names.count(FoldedName(domain)) != 0;
  };
}

bool IsIpv6(std::string_view address) {
  return address.find(':') != std::string_view::npos;
}

// The pending pairs grouped by host name, names that compare equal (NAS and
// nas) in one group. Each name gives up its pending pairs from the back:
// the IPv4 ones first, the pair listed last first, then the IPv6 ones the
// same way; so the name's first line maps the IPv4 address of the pair
// listed last, and every family's first line that of its pair listed last.
struct PendingNames {
  explicit PendingNames(const std::vector<Pin>& pins) {
    std::vector<std::vector<size_t>> ipv6;
    for (size_t i = 0; i < pins.size(); ++i) {
      auto [it, added] = ids.emplace(FoldedName(pins[i].name), names.size());
      if (added) {
        names.push_back(pins[i].name);
        pending.emplace_back();
        ipv6.emplace_back();
        spellings.emplace_back();
        address.emplace_back();
      }
      bool v6 = IsIpv6(pins[i].address);
      (v6 ? ipv6 : pending)[it->second].push_back(i);
      address[it->second][v6] = pins[i].address;
      AddOnce(&spellings[it->second], pins[i].name);
    }
    for (size_t id = 0; id < names.size(); ++id) {
      pending[id].insert(pending[id].begin(), ipv6[id].begin(), ipv6[id].end());
    }
  }

  static void AddOnce(std::vector<std::string_view>* list,
                      std::string_view spelling) {
    if (std::find(list->begin(), list->end(), spelling) == list->end()) {
      list->push_back(spelling);
    }
  }

  std::unordered_map<std::string, size_t> ids;  // by folded name
  std::vector<std::string_view> names;          // distinct, in order met
  std::vector<std::vector<size_t>> pending;     // per name, as given up
  std::vector<std::vector<std::string_view>> spellings;  // per name, pairs'
  // Per name, IPv4 and IPv6: the address of the pair listed last, or empty
  // when the name follows no address of the family.
  std::vector<std::array<std::string_view, 2>> address;
};

// A line of the file that holds a name of the list, and what the update
// does with it.
struct Touched {
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

}  // namespace

LinesChanged UpdateLines(HostsFile* hosts, const std::vector<Pin>& pins) {
  LinesChanged changed;
  PendingNames names(pins);
  const size_t count = names.names.size();
  // Per name: the spellings musl would lose (it compares names exactly):
  // those of the lines taken now and of the lines kept before, but the
  // pairs' own; and the touched lines that are the name's, in file order.
  std::vector<std::vector<std::string_view>> other_spellings(count);
  std::vector<std::vector<size_t>> lines_of(count);
  auto note_spellings = [&](size_t id,
                            const std::vector<std::string_view>& found) {
    for (std::string_view spelling : found) {
      const auto& own = names.spellings[id];
      if (std::find(own.begin(), own.end(), spelling) == own.end()) {
        PendingNames::AddOnce(&other_spellings[id], spelling);
      }
    }
  };

  // A line can belong to a name only if it holds the name's bytes, so the
  // search over the whole file skips the lines that hold no name; the line
  // where it stops is searched again on its own, for every name it holds,
  // and the ownership rule decides which of those count. (A name across a
  // line break, which no line holds, can stop the first search but never
  // counts in the second.)
  NameSearch search(names.names);
  std::string_view bytes = hosts->Original();
  std::vector<Touched> touched;
  std::vector<size_t> seen_at(count, SIZE_MAX);  // one check per line
  for (size_t next_line = 0; next_line < bytes.size();) {
    size_t end = search.FindEnd(bytes, next_line);
    if (end == std::string_view::npos) break;
    std::string_view loaded = hosts->LoadedLine(end - 1);
    size_t start = loaded.data() - bytes.data();
    next_line = start + loaded.size();

    if (std::optional<Kept> kept = ParseKeptLine(loaded)) {
      for (std::string_view name : kept->names) {
        auto id = names.ids.find(FoldedName(name));
        if (id == names.ids.end()) continue;
        note_spellings(id->second, MappedSpellings(kept->original, name));
      }
      continue;
    }
    Touched line;
    line.start = start;
    line.line = loaded;
    std::vector<std::pair<size_t, std::vector<std::string_view>>> found;
    search.ForEach(loaded, [&](size_t id) {
      if (seen_at[id] == start) return;
      seen_at[id] = start;
      if (auto tail = ManagedTailName(loaded, names.names[id])) {
        line.tails.emplace_back(id, *tail);
      } else if (auto spellings = MappedSpellings(loaded, names.names[id]);
                 !spellings.empty()) {
        found.emplace_back(id, std::move(spellings));
      }
    });
    // A line of ours is taken whole, for its tail; the names it maps as an
    // entry do not count.
    if (line.tails.empty()) {
      std::sort(found.begin(), found.end());
      for (auto& [id, spellings] : found) {
        line.mapped.push_back(id);
        note_spellings(id, spellings);
      }
    }
    if (line.tails.empty() && line.mapped.empty()) continue;
    for (auto [id, tail] : line.tails) lines_of[id].push_back(touched.size());
    for (size_t id : line.mapped) lines_of[id].push_back(touched.size());
    touched.push_back(std::move(line));
  }

  // Each name's lines, in file order: its pairs, the last listed first, take
  // the first ones; lines of ours left over serve the other spellings or
  // are disabled, entries left over are only taken.
  std::vector<std::string> spelled_appended;
  std::vector<size_t> left_over;  // pairs to append
  for (size_t id = 0; id < count; ++id) {
    std::vector<size_t>& pending = names.pending[id];
    const std::array<std::string_view, 2>& address = names.address[id];
    // A name that follows both families keeps each line of ours in its
    // family, so that an update after a restore enables the very lines the
    // restore disabled; a hosts entry takes a pair only of a family that
    // the lines of ours further on leave over (spare).
    auto managed = [&pins](size_t pair) {
      return ManagedLine(pins[pair].address, pins[pair].name);
    };
    const bool both = !address[0].empty() && !address[1].empty();
    auto tail_of = [id](const Touched& line) {
      std::string_view tail;
      for (auto [tail_id, spelling] : line.tails) {
        if (tail_id == id) tail = spelling;
      }
      return tail;
    };
    auto holds_v6 = [](const Touched& line, std::string_view tail) {
      return IsIpv6(line.line.substr(0, tail.data() - line.line.data()));
    };
    // Lines of ours that a pair may take: those in a spelling of a pair
    // (the others serve their spelling).
    auto counted = [&](const Touched& line, std::string_view tail) {
      const auto& others = other_spellings[id];
      return both && !line.tails.empty() &&
             std::find(others.begin(), others.end(), tail) == others.end();
    };
    long ours_left[2] = {0, 0};
    for (size_t t : lines_of[id]) {
      const Touched& line = touched[t];
      if (!line.decided && counted(line, tail_of(line))) {
        ++ours_left[holds_v6(line, tail_of(line))];
      }
    }
    auto left = [&](bool v6) {
      return std::count_if(pending.begin(), pending.end(), [&](size_t pair) {
        return IsIpv6(pins[pair].address) == v6;
      });
    };
    // The pairs of a family that no line of ours further on will take (a
    // line of ours takes one of the other family when its own has none).
    auto spare = [&](bool v6) {
      return left(v6) - ours_left[v6] -
             std::max(0L, ours_left[!v6] - static_cast<long>(left(!v6)));
    };
    // The next pair of the family: the one listed last.
    auto take = [&](bool v6) -> std::optional<size_t> {
      for (size_t k = pending.size(); k-- > 0;) {
        if (IsIpv6(pins[pending[k]].address) != v6) continue;
        size_t pair = pending[k];
        pending.erase(pending.begin() + k);
        return pair;
      }
      return std::nullopt;
    };
    // The other spellings, each in every family the name follows.
    std::vector<std::pair<std::string_view, bool>> unserved;
    for (std::string_view spelling : other_spellings[id]) {
      for (bool v6 : {false, true}) {
        if (!address[v6].empty()) unserved.emplace_back(spelling, v6);
      }
    }
    // Serves `spelling`, in the family of the line that serves it when
    // that one is wanted, so that lines of ours keep their family.
    auto serve = [&unserved](std::string_view spelling,
                             bool v6) -> std::optional<bool> {
      auto it = std::find(unserved.begin(), unserved.end(),
                          std::make_pair(spelling, v6));
      if (it == unserved.end())
        it = std::find(unserved.begin(), unserved.end(),
                       std::make_pair(spelling, !v6));
      if (it == unserved.end()) return std::nullopt;
      bool family = it->second;
      unserved.erase(it);
      return family;
    };
    Touched* first = nullptr;  // where the pair given up first went
    for (size_t t : lines_of[id]) {
      Touched& line = touched[t];
      bool ours = !line.tails.empty();
      if (ours && line.decided) continue;  // taken for another name's tail
      std::string_view tail = tail_of(line);
      // After the first, a pair passes over a line of ours that serves
      // another spelling: were it taken, that spelling would get a new line
      // beside the first and the next run would take that one, adding a
      // disabled line on every run.
      bool serves =
          ours && first &&
          std::any_of(unserved.begin(), unserved.end(),
                      [tail](const auto& u) { return u.first == tail; });
      std::optional<size_t> pair;
      if (counted(line, tail)) --ours_left[holds_v6(line, tail)];
      if (pending.empty() || serves) {
        // nothing to take, or the line is another spelling's
      } else if (!both) {
        pair = pending.back();
        pending.pop_back();
      } else if (ours) {
        // The IPv4 line comes first: the name's first line takes it. Else
        // a line takes a pair of its family, or one of the other family
        // that has no line of ours left for it.
        bool v6 = first ? holds_v6(line, tail) : left(false) == 0;
        pair = take(v6);
        if (!pair && spare(!v6) > 0) pair = take(!v6);
      } else if (!first && left(false) > 0) {
        pair = take(false);  // the IPv4 line first, as for a line of ours
      } else {
        for (bool v6 : {false, true}) {
          if (!pair && spare(v6) > 0) pair = take(v6);
        }
      }
      if (pair && !first) {
        first = &line;
        // The IPv6 pairs no line of ours will take stand right after the
        // first line, before any later line can take them out of order.
        while (both && spare(true) > 0) {
          line.spelled.push_back(managed(*take(true)));
        }
      }
      if (!ours) {
        if (pair) line.placed.emplace_back(*pair, managed(*pair));
        continue;
      }
      line.decided = true;
      if (pair) {
        line.result = managed(*pair);
      } else if (auto v6 = serve(tail, holds_v6(line, tail))) {
        line.result = ManagedLine(address[*v6], tail);
      } else if (line.line[0] != '#') {
        line.result = "#" + std::string(line.line);  // a stale line of ours
      }
    }
    // A name that follows both families but has fewer lines than pairs
    // gets its IPv6 lines beside its first one, not at the end of the file.
    for (std::optional<size_t> pair; first && both && (pair = take(true));) {
      first->spelled.push_back(managed(*pair));
    }
    for (auto [spelling, v6] : unserved) {
      (first ? first->spelled : spelled_appended)
          .push_back(ManagedLine(address[v6], spelling));
    }
    // The pairs left over, in the order they take lines, so that the next
    // run finds each where it would have put it.
    for (; !pending.empty(); pending.pop_back()) {
      left_over.push_back(pending.back());
    }
  }

  auto report = [&changed](std::string_view line) {
    changed.printed += line;
    ++changed.count;
  };
  for (Touched& line : touched) {
    std::string lines;
    if (line.decided) {
      if (!line.result) continue;
      if (*line.result != line.line) report(*line.result);
      lines = std::move(*line.result);
    } else {
      // The pair listed last first, as if each took the line in turn.
      std::sort(line.placed.begin(), line.placed.end(),
                [](const auto& a, const auto& b) { return a.first > b.first; });
      for (const auto& [pair, managed] : line.placed) {
        report(managed);
        lines += managed;
      }
    }
    for (const std::string& managed : line.spelled) {
      report(managed);
      lines += managed;
    }
    if (!line.decided) {
      std::vector<std::string_view> taken;
      for (size_t id : line.mapped) taken.push_back(names.names[id]);
      std::optional<std::string> rest = LineWithoutNames(line.line, taken);
      std::string kept = KeptLine(line.line, taken);
      if (rest && kept.back() != '\n') kept += '\n';
      report(kept);
      lines += kept;
      if (rest) lines += *rest;
    }
    if (lines != line.line) hosts->ReplaceLoaded(line.start, std::move(lines));
  }

  for (size_t i : left_over) {
    std::string line = ManagedLine(pins[i].address, pins[i].name);
    report(line);
    hosts->Append(std::move(line));
  }
  for (std::string& line : spelled_appended) {
    report(line);
    hosts->Append(std::move(line));
  }
  return changed;
}

RunOutcome UpdateHosts(const IniFile& ini_file, const std::string& path,
                       Writing writing, Deadline deadline) {
  const std::vector<Pair>& pairs = ini_file.pairs;
  if (std::optional<Failure> failure = StartNetwork()) return {0, failure};
  // Every name is resolved before the lock, so a slow lookup never holds it.
  const std::vector<PairLookups> found = ResolveAll(pairs, deadline);
  std::vector<FailedLookup> failed;
  for (size_t i = 0; i < pairs.size(); ++i) {
    if (std::optional<int> error = PairFailure(found[i])) {
      failed.push_back({i, pairs[i].domain, *error, FamiliesAsked(pairs[i])});
    }
  }
  RunOutcome outcome;
  if (failed.size() < pairs.size()) {
    PinnedAnswers pinned(pairs, found);
    const bool any_pinned = pinned.AnyToAsk();
    // The DNS queries for pinned domains, from the file as it stands now,
    // before the lock; under it, only what the file pins since.
    if (any_pinned) pinned.Ask(PinnedIn(PeekHostsFile(path)), deadline);
    outcome = ChangeHostsFile(
        path,
        [&](HostsFile* hosts) {
          IsPinned is_pinned = any_pinned
                                   ? PinnedIn(hosts->Original())
                                   : [](std::string_view) { return false; };
          pinned.Ask(is_pinned, deadline);
          return UpdateLines(hosts, pinned.PinsOf(is_pinned, &failed));
        },
        writing == Writing::kSave ? kLinesAdded : kLinesWouldChange, writing);
  }
  // The pairs that answered are applied; the others fail the run, each
  // named in list order, with their lines untouched.
  if (!outcome.failure && !failed.empty()) {
    std::sort(failed.begin(), failed.end(),
              [](const FailedLookup& a, const FailedLookup& b) {
                return a.place < b.place;
              });
    outcome.failure = Failure{kErrorResolve, FailedLookupsText(failed)};
  }
  return outcome;
}

}  // namespace quorvane
