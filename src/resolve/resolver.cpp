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

void ResolveAll(IniFile& ini_file) {
  for (std::string& domain : ini_file.ip) {
    std::string address;
    int error = 0;
    if (!LookUpAddress(domain, &address, &error)) {
      FatalError(kErrorResolve, kCannotResolve, {error});
    }
    domain = address;
  }
}

std::string ResolveInDns(const std::string& domain) {
  std::string address;
  int error = 0;
  if (!LookUpInDns(domain, &address, &error)) {
    FatalError(kErrorResolve, kCannotResolve, {error});
  }
  return address;
}

}  // namespace quorvane
