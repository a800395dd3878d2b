// Name resolution: start the platform's sockets library and turn every
// domain of the list into the first IPv4 address of its answer. Each
// platform has resolver_*.cpp for the two calls marked below.
#ifndef QUORVANE_RESOLVE_RESOLVER_H_
#define QUORVANE_RESOLVE_RESOLVER_H_

#include <string>
#include <vector>

#include "names/ini_file.h"

namespace quorvane {

// Starts the sockets library; a failure ends the run with error 224.
void StartNetwork();

// The dotted address of each pair's domain from LookUpAddress, in list
// order. A domain without an answer ends the run with error 238; the
// domains after it are not looked up.
std::vector<std::string> ResolveAll(const std::vector<Pair>& pairs);

// The dotted address of `domain` from LookUpInDns; no answer ends the run
// with error 238, as in ResolveAll.
std::string ResolveInDns(const std::string& domain);

// Platform: starts the sockets library; 0, or the start-up call's result.
int StartSockets();

// Platform: looks `domain` up with the host-by-name lookup and gives the
// first address of the answer, in answer order, as dotted text. On failure,
// false with `*error` set to the Winsock error number for the reason
// (11001 host not found, 11002 try again, 11003 no recovery, 11004 no data),
// so that a failure reads the same on every system.
bool LookUpAddress(const std::string& domain, std::string* address, int* error);

// Platform: the same, but asking DNS alone for the domain's A records, past
// the hosts file: the first A record of the answer, in answer order; the
// same error numbers (11001 no such name, 11004 no A record, 11002 server
// failure or time-out, 11003 any other failure). For a domain that the
// hosts file itself maps, where the host-by-name lookup would answer with
// that line.
bool LookUpInDns(const std::string& domain, std::string* address, int* error);

}  // namespace quorvane

#endif  // QUORVANE_RESOLVE_RESOLVER_H_
