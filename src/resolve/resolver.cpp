#include "resolve/resolver.h"

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "report/texts.h"

namespace quorvane {

std::optional<Family> LiteralFamily(std::string_view domain) {
  if (domain.empty()) return std::nullopt;
  if (domain.find_first_not_of("0123456789.") == std::string_view::npos) {
    return Family::kIPv4;
  }
  if (domain.find(':') != std::string_view::npos &&
      domain.find_first_not_of("0123456789abcdefABCDEF:.") ==
          std::string_view::npos) {
    return Family::kIPv6;
  }
  return std::nullopt;
}

Families FamiliesAsked(const Pair& pair) {
  std::optional<Family> literal = LiteralFamily(pair.domain);
  if (!literal) return pair.families;
  return {*literal == Family::kIPv4, *literal == Family::kIPv6};
}

std::optional<int> PairFailure(const PairLookups& lookups) {
  bool answered = false;
  std::optional<int> failure;
  for (const FamilyLookup& asked : lookups) {
    const Lookup& lookup = asked.lookup;
    answered = answered || lookup.ok;
    if (!lookup.ok && (!failure || *failure == kNoData)) failure = lookup.error;
  }
  // A family that says "no such host" while another answered has no
  // address either: the name exists (the hosts file or another source
  // may know it in one family alone).
  if (answered && (failure == kNoData || failure == kHostNotFound)) {
    return std::nullopt;
  }
  return failure;
}

std::string Ipv6Text(const unsigned char bytes[16]) {
  unsigned words[8];
  for (int i = 0; i < 8; ++i) words[i] = bytes[2 * i] << 8 | bytes[2 * i + 1];
  // The longest run of zero words, the first of equal ones; a single zero
  // word is written as "0".
  int best = -1, best_length = 0;
  for (int i = 0; i < 8;) {
    int end = i;
    while (end < 8 && words[end] == 0) ++end;
    if (end - i > best_length) {
      best = i;
      best_length = end - i;
    }
    i = end == i ? i + 1 : end;
  }
  if (best_length < 2) best = -1;
  std::string text;
  char piece[16];
  for (int i = 0; i < 8; ++i) {
    if (best >= 0 && i >= best && i < best + best_length) {
      if (i == best) text += ':';
      continue;
    }
    if (i != 0) text += ':';
    // An IPv4 address carried in IPv6 (mapped, or the old compatible form)
    // ends in dotted text, as inet_ntop writes it.
    if (i == 6 && best == 0 &&
        (best_length == 6 || (best_length == 5 && words[5] == 0xffff))) {
      snprintf(piece, sizeof piece, "%u.%u.%u.%u", bytes[12], bytes[13],
               bytes[14], bytes[15]);
      return text + piece;
    }
    snprintf(piece, sizeof piece, "%x", words[i]);
    text += piece;
  }
  if (best >= 0 && best + best_length == 8) text += ':';
  return text;
}

std::vector<Lookup> LookUpAll(const std::vector<Query>& queries,
                              LookupFunction lookup, Deadline deadline) {
  // Shared with the workers, which outlive this call when a lookup hangs:
  // the system's lookup cannot be called off, so it is left to the end of
  // the process while the run goes on without it.
  struct Work {
    std::vector<Query> queries;
    std::vector<Lookup> results;
    std::vector<bool> done;
    size_t next = 0;
    size_t finished = 0;
    std::mutex mutex;
    std::condition_variable all_done;
  };
  auto work = std::make_shared<Work>();
  const size_t count = queries.size();
  work->queries = queries;
  work->results.resize(count);
  work->done.resize(count);
  auto worker = [work, lookup, count] {
    for (;;) {
      size_t i;
      {
        std::lock_guard<std::mutex> hold(work->mutex);
        if (work->next >= count) return;
        i = work->next++;
      }
      Lookup result;
      const Query& query = work->queries[i];
      result.ok =
          lookup(query.domain, query.family, &result.address, &result.error);
      std::lock_guard<std::mutex> hold(work->mutex);
      work->results[i] = std::move(result);
      work->done[i] = true;
      if (++work->finished == count) work->all_done.notify_all();
    }
  };
  size_t started = 0;
  for (; started < std::min(count, kLookupsInFlight); ++started) {
    try {
      std::thread(worker).detach();
    } catch (const std::system_error&) {
      break;  // fewer threads: the lookups still all happen, more slowly
    }
  }
  if (started == 0) worker();  // no thread at all: one after another
  std::unique_lock<std::mutex> hold(work->mutex);
  work->all_done.wait_until(hold, deadline,
                            [&] { return work->finished == count; });
  work->next = count;  // nothing new starts after the deadline
  std::vector<Lookup> results = work->results;
  for (size_t i = 0; i < count; ++i) {
    if (!work->done[i]) results[i] = {false, "", kTimedOut};
  }
  return results;
}

std::optional<Failure> StartNetwork() {
  int result = StartSockets();
  if (result == 0) return std::nullopt;
  return Fail(kErrorNetworkStart, kCannotStartNetwork, {result});
}

std::vector<PairLookups> ResolveAll(const std::vector<Pair>& pairs,
                                    Deadline deadline) {
  std::vector<PairLookups> answers(pairs.size());
  // A literal address is read here, as the system's lookup would read it:
  // no thread and no resolver for it. The others are looked up together.
  std::vector<Query> queries;
  std::vector<Lookup*> places;  // where each query's answer goes
  for (size_t i = 0; i < pairs.size(); ++i) {
    Families asked = FamiliesAsked(pairs[i]);
    for (Family family : {Family::kIPv4, Family::kIPv6}) {
      if (!asked.Has(family)) continue;
      answers[i].push_back({family, Lookup{}});
      if (std::optional<std::string> literal =
              LiteralAddress(pairs[i].domain, family)) {
        answers[i].back().lookup = {true, std::move(*literal), 0};
      } else {
        queries.push_back({pairs[i].domain, family});
      }
    }
  }
  for (PairLookups& pair : answers) {
    for (FamilyLookup& asked : pair) {
      if (!asked.lookup.ok) places.push_back(&asked.lookup);
    }
  }
  std::vector<Lookup> found = LookUpAll(queries, LookUpAddress, deadline);
  for (size_t q = 0; q < queries.size(); ++q) *places[q] = std::move(found[q]);
  return answers;
}

namespace {

const Text& ReasonText(const FailedLookup& lookup) {
  return lookup.error == kHostNotFound ? kNoSuchDomain
         : lookup.error == kTryAgain   ? kNoAnswerInTime
         : lookup.error == kTimedOut   ? kTimedOutText
         : lookup.error != kNoData     ? kLookupFailed
         : !lookup.asked.ipv6          ? kNoAddress
         : lookup.asked.ipv4           ? kNoIpAddress
                                       : kNoIpv6Address;
}

}  // namespace

Message LookupReason(const FailedLookup& lookup) {
  Message text = Format("[%d] ", {lookup.error});
  text += Format(ReasonText(lookup), {});
  return text;
}

Message FailedLookupsText(const std::vector<FailedLookup>& failed) {
  Message text;
  for (const FailedLookup& lookup : failed) {
    if (!text.pieces.empty()) text += Raw("\n");
    text += Raw(lookup.domain);
    text += Raw(": ");
    text += Format(kCannotResolve, {lookup.error});
    text += Raw(" ");
    text += Format(ReasonText(lookup), {});
  }
  return text;
}

}  // namespace quorvane
