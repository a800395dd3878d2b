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

#include "front/report/fatal_error.h"
#include "front/report/messages.h"
#include "hosts/kept_line.h"
#include "hosts/line_owner.h"
#include "hosts/managed_line.h"
#include "hosts/update_steps.h"
#include "resolve/resolver.h"

namespace quorvane {

namespace {

// The pins of the pairs whose domain answered (`found`, in list order: a
// pair that PairFailure fails was reported before and gives no pin), each
// pair's IPv4 pin first. A domain that a managed line of ours maps was
// answered from that very line, since the system's lookup reads the hosts
// file first: its address would never move again. Such domains are asked
// of DNS alone, in every family that answered, all at once. `bytes` is the
// file as loaded under the lock (no second read of a file that may be
// large), so only a run that pins a domain holds the lock through a DNS
// query. A literal address is no name to ask DNS for, whatever the file
// says. A pinned domain that then fails (PairFailure) is added to
// `failed`, and its pair gives no pin.
std::vector<Pin> PinsOf(const std::vector<Pair>& pairs,
                        const std::vector<PairLookups>& found,
                        std::string_view bytes,
                        std::vector<FailedLookup>* failed) {
  std::unordered_set<std::string> pinned = PinnedNames(bytes);
  std::vector<PairLookups> answers = found;
  std::vector<std::pair<size_t, size_t>> asked;  // pair, family lookup
  std::vector<Query> queries;
  for (size_t i = 0; i < pairs.size() && !pinned.empty(); ++i) {
    const std::string& domain = pairs[i].domain;
    if (PairFailure(found[i]) || LiteralFamily(domain) ||
        pinned.count(FoldedName(domain)) == 0) {
      continue;
    }
    for (size_t k = 0; k < found[i].size(); ++k) {
      if (!found[i][k].lookup.ok) continue;
      asked.emplace_back(i, k);
      queries.push_back({domain, found[i][k].family});
    }
  }
  std::vector<Lookup> in_dns = LookUpAll(queries, LookUpInDns);
  for (size_t q = 0; q < asked.size(); ++q) {
    answers[asked[q].first][asked[q].second].lookup = std::move(in_dns[q]);
  }
  std::vector<Pin> pins;
  for (size_t i = 0; i < pairs.size(); ++i) {
    if (PairFailure(found[i])) continue;
    if (std::optional<int> error = PairFailure(answers[i])) {
      failed->push_back({i, pairs[i].domain, *error, FamiliesAsked(pairs[i])});
      continue;
    }
    for (const FamilyLookup& answer : answers[i]) {
      if (answer.lookup.ok)
        pins.push_back({answer.lookup.address, pairs[i].name});
    }
  }
  return pins;
}

}  // namespace

LinesChanged UpdateLines(HostsFile* hosts, const std::vector<Pin>& pins) {
  ListedNames names(pins);
  FoundLines found = FindNameLines(*hosts, names);
  LeftOver left;
  for (size_t id = 0; id < names.names.size(); ++id) {
    GivePairs(id, pins, &names, &found, &left);
  }
  return WriteLines(pins, names, &found, left, hosts);
}

int UpdateHosts(const IniFile& ini_file, Writing writing) {
  const std::vector<Pair>& pairs = ini_file.pairs;
  StartNetwork();
  // Every name is resolved before the lock, so a slow lookup never holds it.
  const std::vector<PairLookups> found = ResolveAll(pairs);
  std::vector<FailedLookup> failed;
  for (size_t i = 0; i < pairs.size(); ++i) {
    if (std::optional<int> error = PairFailure(found[i])) {
      failed.push_back({i, pairs[i].domain, *error, FamiliesAsked(pairs[i])});
    }
  }
  int changed = 0;
  if (failed.size() < pairs.size()) {
    changed = ChangeHostsFile(
        [&](HostsFile* hosts) {
          return UpdateLines(hosts,
                             PinsOf(pairs, found, hosts->Original(), &failed));
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
