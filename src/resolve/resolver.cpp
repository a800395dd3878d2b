#include "resolve/resolver.h"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>

#include "front/report/fatal_error.h"
#include "front/report/messages.h"

namespace quorvane {

std::vector<Lookup> LookUpAll(const std::vector<std::string>& domains,
                              LookupFunction lookup) {
  std::vector<Lookup> results(domains.size());
  // Each worker takes the next domain not yet taken; every result has a
  // slot of its own, so the workers share nothing else.
  std::atomic<size_t> next{0};
  auto work = [&] {
    for (size_t i; (i = next.fetch_add(1)) < domains.size();) {
      Lookup& result = results[i];
      result.ok = lookup(domains[i], &result.address, &result.error);
    }
  };
  std::vector<std::thread> workers;
  size_t wanted =
      std::min(domains.size(), kLookupsInFlight) - (domains.empty() ? 0 : 1);
  for (size_t n = 0; n < wanted; ++n) {
    try {
      workers.emplace_back(work);
    } catch (const std::system_error&) {
      break;  // fewer threads: the lookups still all happen, more slowly
    }
  }
  work();  // this thread is one of the workers
  for (std::thread& worker : workers) worker.join();
  return results;
}

void StartNetwork() {
  int result = StartSockets();
  if (result != 0) {
    FatalError(kErrorNetworkStart, kCannotStartNetwork, {result});
  }
}

std::vector<Lookup> ResolveAll(const std::vector<Pair>& pairs) {
  std::vector<std::string> domains;
  domains.reserve(pairs.size());
  for (const Pair& pair : pairs) domains.push_back(pair.domain);
  return LookUpAll(domains, LookUpAddress);
}

Message FailedLookupsText(const std::vector<FailedLookup>& failed) {
  Message text;
  for (const FailedLookup& lookup : failed) {
    if (!text.pieces.empty()) text += Raw("\n");
    const Text& reason = lookup.error == 11001   ? kNoSuchDomain
                         : lookup.error == 11002 ? kNoAnswerInTime
                         : lookup.error == 11004 ? kNoAddress
                                                 : kLookupFailed;
    text += Raw(lookup.domain);
    text += Raw(": ");
    text += Format(kCannotResolve, {lookup.error});
    text += Raw(" ");
    text += Format(reason, {});
  }
  return text;
}

}  // namespace quorvane
