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

void ResolveAll(IniFile& ini_file,
                const std::function<bool(std::string_view)>& pinned) {
  for (std::string& domain : ini_file.ip) {
    std::string address;
    int error = 0;
    bool found = pinned(domain) ? LookUpInDns(domain, &address, &error)
                                : LookUpAddress(domain, &address, &error);
    if (!found) {
      FatalError(kErrorResolve, kCannotResolve, {error});
    }
    domain = address;
  }
}

}  // namespace quorvane
