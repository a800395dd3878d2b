// The account of each pair and each managed name that --check and --status
// print, --json writes as one document and --metrics counts: what the
// hosts file holds of a name, and whether its pair is current, stale, dead
// or missing from the list. Plain functions over what a run reported
// (ScanReport), so that the rules are tested without a file or a resolver.
#ifndef QUORVANE_FRONT_PAIR_STATES_H_
#define QUORVANE_FRONT_PAIR_STATES_H_

#include <optional>
#include <string>
#include <vector>

#include "hosts/change_hosts.h"
#include "names/ini_file.h"
#include "report/message.h"

namespace quorvane {

struct StateRow {
  enum State {
    kNoPairs,    // no pairs given: what the file holds, nothing more
    kCurrent,    // the name's lines map what its domain answers
    kStale,      // a run changes a line of the name (in the pair's family)
    kDead,       // the domain did not answer
    kNotInList,  // pairs given, none for this managed name
  };
  std::string name;
  ManagedName held;            // what the file holds of the name
  std::optional<size_t> pair;  // the pair's index in the list
  State state = kNoPairs;
  std::vector<std::string> before;     // kStale: the active addresses now
  std::vector<std::string> after;      // the domain's answer
  std::optional<FailedLookup> failed;  // kDead: why
  bool changes = false;                // a run changes a line of the name
};

// One row per pair, in list order after the managed names: each managed
// name in file order with the rows of its pairs (or one row of its own),
// then the pairs whose names the file does not hold yet. `pairs_given`:
// pairs were asked for (a list without any, under --prune, is the state "no
// pins", where every managed name is not in the list).
std::vector<StateRow> StateRows(const std::vector<Pair>& pairs,
                                bool pairs_given, const ScanReport& report);

// The rows as lines that start with the host name, in the run's language:
// "nas: 192.0.2.7 IPv4 active, 1 kept line; one.test: current".
Message StateLines(const std::vector<Pair>& pairs,
                   const std::vector<StateRow>& rows);

// The same as one JSON document (ASCII; bytes outside it escaped), for
// scripts.
std::string StateJson(const std::string& hosts_path,
                      const std::vector<Pair>& pairs,
                      const std::vector<StateRow>& rows);

// A JSON string literal of `bytes`: quotes, backslashes and control bytes
// escaped; a well-formed UTF-8 character as it is, and every other byte
// outside ASCII as \u00XX (hosts files are bytes, not text).
std::string JsonString(std::string_view bytes);

}  // namespace quorvane

#endif  // QUORVANE_FRONT_PAIR_STATES_H_
