// The pins of an update run: for each pair whose domain answered, the
// address its host name is to map to. A domain that an active managed line
// of ours maps is answered from that very line, since the system's lookup
// reads the hosts file first: its address would never move again. Such
// domains are asked of DNS alone (LookUpInDns). Those queries are made
// before the hosts lock is taken, from the file as it stood then, so that
// no DNS server can hold the lock; under the lock, only the domains the
// file pins since are asked, within the same deadline.
#ifndef QUORVANE_RESOLVE_PINS_H_
#define QUORVANE_RESOLVE_PINS_H_

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "names/ini_file.h"
#include "resolve/resolver.h"

namespace quorvane {

// A host name and the address its managed line is to map it to.
struct Pin {
  std::string address;
  std::string name;
  size_t pair = 0;  // the pair's index in the list as given
};

// Whether the hosts file pins a domain (an active managed line of ours maps
// it).
using IsPinned = std::function<bool(std::string_view domain)>;

class PinnedAnswers {
 public:
  // `found` holds each pair's answers from the system's lookup, in list
  // order (ResolveAll).
  PinnedAnswers(const std::vector<Pair>& pairs,
                const std::vector<PairLookups>& found)
      : pairs_(pairs), found_(found) {}

  // Whether any pair could be pinned: one whose domain is a name (not a
  // literal address) and answered. Otherwise the hosts file need not be
  // looked at for pins at all.
  bool AnyToAsk() const;

  // Asks DNS, all at once until `deadline`, for each domain `pinned` names
  // that answered and was not asked before, in each family that answered.
  void Ask(const IsPinned& pinned, Deadline deadline);

  // The pins of the pairs that answered, in list order, each pair's IPv4 pin
  // first; a pinned domain gives DNS's answer. A pair that PairFailure fails
  // with the system's answers was reported before and gives no pin; one
  // whose DNS answer then fails is added to `failed`.
  std::vector<Pin> PinsOf(const IsPinned& pinned,
                          std::vector<FailedLookup>* failed) const;

 private:
  const std::vector<Pair>& pairs_;
  const std::vector<PairLookups>& found_;
  // DNS's answers, by domain and family.
  std::map<std::pair<std::string, Family>, Lookup> in_dns_;
};

}  // namespace quorvane

#endif  // QUORVANE_RESOLVE_PINS_H_
