#include "resolve/resolver.h"

#include "front/report/fatal_error.h"
#include "front/report/messages.h"

namespace quorvane {

void StartNetwork() {
  int result = StartSockets();
  if (result != 0) {
    FatalError(kErrorNetworkStart, kCannotStartNetwork, {result});
  }
}

namespace {

// The address `lookup` gives for `domain`; no answer ends the run.
std::string AddressOf(const std::string& domain,
                      bool (*lookup)(const std::string&, std::string*, int*)) {
  std::string address;
  int error = 0;
  if (!lookup(domain, &address, &error)) {
    FatalError(kErrorResolve, kCannotResolve, {error});
  }
  return address;
}

}  // namespace

std::vector<std::string> ResolveAll(const std::vector<Pair>& pairs) {
  std::vector<std::string> addresses;
  addresses.reserve(pairs.size());
  for (const Pair& pair : pairs) {
    addresses.push_back(AddressOf(pair.domain, LookUpAddress));
  }
  return addresses;
}

std::string ResolveInDns(const std::string& domain) {
  return AddressOf(domain, LookUpInDns);
}

}  // namespace quorvane
