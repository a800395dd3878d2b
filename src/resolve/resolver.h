// Name resolution: start the platform's sockets library and turn the domains
// of the list into the first IPv4 address of each answer. All of a run's
// domains are looked up at once (a bounded number in flight), and the
// results are used in list order, so a run gives exactly what lookups one
// after another would, in about the time of the slowest. Each platform has
// resolver_*.cpp for the calls marked below.
#ifndef QUORVANE_RESOLVE_RESOLVER_H_
#define QUORVANE_RESOLVE_RESOLVER_H_

#include <string>
#include <string_view>
#include <vector>

#include "front/report/message.h"
#include "names/ini_file.h"

namespace quorvane {

// The answer for one domain: its dotted address, or the Winsock error
// number of the reason it has none.
struct Lookup {
  bool ok = false;
  std::string address;
  int error = 0;
};

// A domain that did not answer, and why (a Winsock error number).
struct FailedLookup {
  size_t place = 0;  // the pair's index in the list as given
  std::string domain;
  int error = 0;
};

// At most this many lookups are in flight at once: enough for a list of
// dozens of domains to take one answer's time, few enough not to flood the
// resolver or the system with threads.
inline constexpr size_t kLookupsInFlight = 32;

// A platform lookup: the address of `domain`, or false with `*error` set.
using LookupFunction = bool (*)(const std::string& domain, std::string* address,
                                int* error);

// Looks every domain up with `lookup`, up to kLookupsInFlight at once; the
// results stand in the order of `domains`. The same domain given twice is
// looked up twice.
std::vector<Lookup> LookUpAll(const std::vector<std::string>& domains,
                              LookupFunction lookup);

// Starts the sockets library; a failure ends the run with error 224.
void StartNetwork();

// Each pair's domain looked up with LookUpAddress, all at once; the answers
// stand in list order.
std::vector<Lookup> ResolveAll(const std::vector<Pair>& pairs);

// Error 238's text: one line per domain that did not answer, in the order
// of `failed`, with the number and the meaning of its reason.
Message FailedLookupsText(const std::vector<FailedLookup>& failed);

// Platform: starts the sockets library; 0, or the start-up call's result.
int StartSockets();

// Platform: looks `domain` up with the host-by-name lookup and gives the
// first address of the answer, in answer order, as dotted text. On failure,
// false with `*error` set to the Winsock error number for the reason
// (11001 host not found, 11002 try again, 11003 no recovery, 11004 no data),
// so that a failure reads the same on every system. Safe to call from
// several threads at once.
bool LookUpAddress(const std::string& domain, std::string* address, int* error);

// Platform: the same, but asking DNS alone for the domain's A records, past
// the hosts file: the first A record of the answer, in answer order; the
// same error numbers (11001 no such name, 11004 no A record, 11002 server
// failure or time-out, 11003 any other failure). For a domain that the
// hosts file itself maps, where the host-by-name lookup would answer with
// that line. Safe to call from several threads at once.
bool LookUpInDns(const std::string& domain, std::string* address, int* error);

}  // namespace quorvane

#endif  // QUORVANE_RESOLVE_RESOLVER_H_
