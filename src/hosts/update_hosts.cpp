#include "hosts/update_hosts.h"

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "hosts/line_owner.h"
#include "hosts/managed_line.h"
#include "hosts/restore_hosts.h"
#include "hosts/update_steps.h"
#include "resolve/pins.h"
#include "resolve/resolver.h"

namespace quorvane {

namespace {

// The domains that the active managed lines of `bytes` pin.
IsPinned PinnedIn(const HostsFile& hosts) {
  return [names = PinnedNames(hosts)](std::string_view domain) {
    return names.count(FoldedName(domain)) != 0;
  };
}

// A name given twice in one spelling follows its pair listed last alone
// (the front warns of it): an earlier pair's line would be a second
// address that dnsmasq, which answers every line, would give too.
std::vector<Pin> LastOfEachName(const std::vector<Pin>& pins) {
  std::unordered_map<std::string, size_t> last;  // by family and name
  last.reserve(pins.size());
  for (size_t i = 0; i < pins.size(); ++i) {
    bool v6 = pins[i].address.find(':') != std::string::npos;
    last[(v6 ? "6" : "4") + pins[i].name] = i;
  }
  std::vector<Pin> kept;
  kept.reserve(pins.size());
  for (size_t i = 0; i < pins.size(); ++i) {
    bool v6 = pins[i].address.find(':') != std::string::npos;
    if (last[(v6 ? "6" : "4") + pins[i].name] == i) kept.push_back(pins[i]);
  }
  return kept;
}

}  // namespace

LinesChanged UpdateLines(HostsFile* hosts, const std::vector<Pin>& pins) {
  ListedNames names(pins);
  names.line_break = hosts->FileLineBreak();
  FoundLines found = FindNameLines(*hosts, names);
  LeftOver left;
  for (size_t id = 0; id < names.names.size(); ++id) {
    GivePairs(id, pins, &names, &found, &left);
  }
  return WriteLines(pins, names, &found, left, hosts);
}

RunOutcome UpdateHosts(const IniFile& ini_file, const std::string& path,
                       const UpdateOptions& options) {
  const Writing writing = options.writing;
  const Deadline deadline = options.deadline;
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
  // A check reads the file even when no domain answered, to tell what it
  // holds; a run has nothing to write then.
  if (failed.size() < pairs.size() || options.prune ||
      writing != Writing::kSave) {
    PinnedAnswers pinned(pairs, found);
    const bool any_pinned = pinned.AnyToAsk();
    // The DNS queries for pinned domains, from the file as it stands now,
    // before the lock; under it, only what the file pins since.
    if (any_pinned)
      pinned.Ask(PinnedIn(HostsFile(PeekHostsFile(path))), deadline);
    outcome = ChangeHostsFile(
        path,
        [&](HostsFile* hosts) {
          IsPinned is_pinned = any_pinned
                                   ? PinnedIn(*hosts)
                                   : [](std::string_view) { return false; };
          pinned.Ask(is_pinned, deadline);
          std::vector<Pin> pins = pinned.PinsOf(is_pinned, &failed);
          if (options.report) options.report->pins = pins;
          LinesChanged changed = UpdateLines(hosts, LastOfEachName(pins));
          if (options.prune) {
            changed.Add(PruneLines(hosts, pairs));
          }
          return changed;
        },
        kLinesAdded, writing, options.report);
  }
  // The pairs that answered are applied; the others fail the run, each
  // named in list order, with their lines untouched.
  std::sort(failed.begin(), failed.end(),
            [](const FailedLookup& a, const FailedLookup& b) {
              return a.place < b.place;
            });
  if (options.report) options.report->failed = failed;
  if (!outcome.failure && !failed.empty()) {
    outcome.failure = Failure{kErrorResolve, FailedLookupsText(failed)};
  }
  return outcome;
}

}  // namespace quorvane
