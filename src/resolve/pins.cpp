#include "resolve/pins.h"

#include <optional>

namespace quorvane {

bool PinnedAnswers::AnyToAsk() const {
  for (size_t i = 0; i < pairs_.size(); ++i) {
    if (!LiteralFamily(pairs_[i].domain) && !PairFailure(found_[i])) {
      return true;
    }
  }
  return false;
}

void PinnedAnswers::Ask(const IsPinned& pinned, Deadline deadline) {
  std::vector<Query> queries;
  for (size_t i = 0; i < pairs_.size(); ++i) {
    const std::string& domain = pairs_[i].domain;
    // A literal address is no name to ask DNS for, whatever the file says.
    if (PairFailure(found_[i]) || LiteralFamily(domain) || !pinned(domain)) {
      continue;
    }
    for (const FamilyLookup& answer : found_[i]) {
      if (answer.lookup.ok && !in_dns_.count({domain, answer.family})) {
        queries.push_back({domain, answer.family});
        in_dns_[{domain, answer.family}];  // asked once, if listed twice
      }
    }
  }
  if (queries.empty()) return;
  std::vector<Lookup> answers = LookUpAll(queries, LookUpInDns, deadline);
  for (size_t q = 0; q < queries.size(); ++q) {
    in_dns_[{queries[q].domain, queries[q].family}] = std::move(answers[q]);
  }
}

std::vector<Pin> PinnedAnswers::PinsOf(
    const IsPinned& pinned, std::vector<FailedLookup>* failed) const {
  std::vector<Pin> pins;
  pins.reserve(pairs_.size());
  for (size_t i = 0; i < pairs_.size(); ++i) {
    if (PairFailure(found_[i])) continue;
    const std::string& domain = pairs_[i].domain;
    const PairLookups* answers = &found_[i];
    PairLookups from_dns;  // a pinned domain's, asked of DNS itself
    if (!LiteralFamily(domain) && pinned(domain)) {
      from_dns = found_[i];
      for (FamilyLookup& answer : from_dns) {
        auto it = in_dns_.find({domain, answer.family});
        if (answer.lookup.ok && it != in_dns_.end()) answer.lookup = it->second;
      }
      answers = &from_dns;
    }
    if (std::optional<int> error = PairFailure(*answers)) {
      failed->push_back({i, domain, *error, FamiliesAsked(pairs_[i])});
      continue;
    }
    for (const FamilyLookup& answer : *answers) {
      if (answer.lookup.ok)
        pins.push_back({answer.lookup.address, pairs_[i].name, i});
    }
  }
  return pins;
}

}  // namespace quorvane
