// Name resolution: start the platform's sockets library and turn the domains
// of the list into the first address of each answer, for each family a pair
// follows (IPv4, IPv6 or both). All of a run's
// domains are looked up at once (a bounded number in flight), and the
// results are used in list order, so a run gives exactly what lookups one
// after another would, in about the time of the slowest. Each platform has
// resolver_*.cpp for the calls marked below.
#ifndef QUORVANE_RESOLVE_RESOLVER_H_
#define QUORVANE_RESOLVE_RESOLVER_H_

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "names/ini_file.h"
#include "report/failure.h"
#include "report/message.h"

namespace quorvane {

// Why a lookup has no address, as Winsock numbers them on every system, so
// that a failure reads the same everywhere.
inline constexpr int kHostNotFound = 11001;  // WSAHOST_NOT_FOUND
inline constexpr int kTryAgain = 11002;      // WSATRY_AGAIN
inline constexpr int kNoRecovery = 11003;    // WSANO_RECOVERY
inline constexpr int kNoData = 11004;        // WSANO_DATA: not in this family
inline constexpr int kTimedOut = 10060;      // WSAETIMEDOUT: the run's bound

// The moment by which every lookup of a run has answered or is given up:
// a DNS server that never answers (or answers a byte at a time over TCP,
// where the system's resolver has no bound of its own) cannot hold a run.
using Deadline = std::chrono::steady_clock::time_point;

// The run's bound on all its lookups together, unless --timeout says.
inline constexpr int kDefaultTimeoutSeconds = 30;

// The answer for one domain in one family: its address (dotted, or IPv6
// text as Ipv6Text gives it), or the Winsock error number of the reason it
// has none.
struct Lookup {
  bool ok = false;
  std::string address;
  int error = 0;
};

// A domain to look up, and the family of the address wanted.
struct Query {
  std::string domain;
  Family family = Family::kIPv4;
};

// One pair's answers: one lookup per family asked, IPv4 first.
struct FamilyLookup {
  Family family;
  Lookup lookup;
};
using PairLookups = std::vector<FamilyLookup>;

// The family of `domain` when it is a literal address: digits and dots
// (IPv4, as the host-by-name lookup reads them), or hex digits, dots and
// at least one colon (IPv6: no domain holds a colon). nullopt for a name.
std::optional<Family> LiteralFamily(std::string_view domain);

// The families asked for `pair`: a literal address is looked up in its
// own family, whatever the choice, since it has no other address.
Families FamiliesAsked(const Pair& pair);

// Whether a pair's answers are applied: when at least one family answered
// and each other one has no address (kNoData, or kHostNotFound: the name
// exists, since a family answered), as a domain that has only one of two
// families asked. Otherwise the error number the pair fails with: the first
// that is not kNoData, else kNoData. A family that timed out or failed may
// still have an address, so its lines are not touched.
std::optional<int> PairFailure(const PairLookups& lookups);

// The text of an IPv6 address (16 bytes in network order) as RFC 5952
// writes it and inet_ntop gives it: lowercase hex without leading zeros,
// the longest run of two or more zero groups (the first of equal runs) as
// "::", and an IPv4-mapped address as ::ffff:a.b.c.d.
std::string Ipv6Text(const unsigned char bytes[16]);

// A domain that did not answer, and why (a Winsock error number).
struct FailedLookup {
  size_t place = 0;  // the pair's index in the list as given
  std::string domain;
  int error = 0;
  Families asked;  // which family kNoData says is missing
};

// At most this many lookups are in flight at once: enough for a list of
// dozens of domains to take one answer's time, few enough not to flood the
// resolver or the system with threads.
inline constexpr size_t kLookupsInFlight = 32;

// A platform lookup: the address of `domain` in `family`, or false with
// `*error` set.
using LookupFunction = bool (*)(const std::string& domain, Family family,
                                std::string* address, int* error);

// Looks every query up with `lookup`, up to kLookupsInFlight at once; the
// results stand in the order of `queries`. The same domain given twice is
// looked up twice. A query without an answer at `deadline` fails with
// kTimedOut; its thread is left behind (the system's lookup cannot be
// stopped) and ends with the process.
std::vector<Lookup> LookUpAll(const std::vector<Query>& queries,
                              LookupFunction lookup, Deadline deadline);

// Starts the sockets library; error 224 when it cannot be.
std::optional<Failure> StartNetwork();

// Each pair's domain looked up with LookUpAddress in each family asked
// (FamiliesAsked), all at once, until `deadline`; the answers stand in list
// order.
std::vector<PairLookups> ResolveAll(const std::vector<Pair>& pairs,
                                    Deadline deadline);

// Why `lookup` failed, in one line: "[11001] No such domain.".
Message LookupReason(const FailedLookup& lookup);

// Error 238's text: one line per domain that did not answer, in the order
// of `failed`, with the number and the meaning of its reason.
Message FailedLookupsText(const std::vector<FailedLookup>& failed);

// Platform: starts the sockets library; 0, or the start-up call's result.
int StartSockets();

// Platform: looks `domain` up with the system's lookup (which reads the
// hosts file, then DNS) for an address of `family` and gives the first of
// the answer as text (dotted; IPv6 as Ipv6Text). On failure, false with
// `*error` set to the Winsock error number for the reason (kHostNotFound,
// kTryAgain, kNoRecovery, kNoData: no address of the family), so that a failure
// reads the same on every system. Safe to call from several threads at once.
bool LookUpAddress(const std::string& domain, Family family,
                   std::string* address, int* error);

// Platform: the address LookUpAddress gives for `domain` in `family` when
// the system's lookup reads it as a literal address itself, before any
// source is asked; nullopt for anything it would look up (a name, a literal
// with a trailing dot) or fail, which then goes to LookUpAddress.
std::optional<std::string> LiteralAddress(const std::string& domain,
                                          Family family);

// Platform: the same, but asking DNS alone for the domain's A or AAAA
// records, past the hosts file: the first record of the answer, in answer
// order; the same error numbers (kHostNotFound: no such name; kNoData: no
// record of the type; kTryAgain: server failure or time-out; kNoRecovery:
// any other failure).
// For a domain that the hosts file itself maps, where the system's lookup
// would answer with that line. Safe to call from several threads at once.
bool LookUpInDns(const std::string& domain, Family family, std::string* address,
                 int* error);

}  // namespace quorvane

#endif  // QUORVANE_RESOLVE_RESOLVER_H_
