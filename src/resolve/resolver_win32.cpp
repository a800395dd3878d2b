// Windows resolver: Winsock 2.2, its host-by-name lookup for IPv4 and
// getaddrinfo for IPv6 (the host-by-name lookup knows IPv4 alone), and the
// DNS API for the lookup past the hosts file.
#include <winsock2.h>
// winsock2.h before windows.h, which would bring in the old winsock.h.
#include <windows.h>
#include <ws2tcpip.h>
// windows.h first: windns.h needs its types.
#include <windns.h>

#include <cstring>

#include "resolve/resolver.h"

namespace quorvane {

namespace {

// Winsock's own errors pass through as they are: they must be the numbers
// every system shows.
static_assert(kHostNotFound == WSAHOST_NOT_FOUND && kTryAgain == WSATRY_AGAIN &&
              kNoRecovery == WSANO_RECOVERY && kNoData == WSANO_DATA &&
              kTimedOut == WSAETIMEDOUT);

// The Winsock number for a DNS API status, so that a failure of the lookup
// past the hosts file reads as one of the host-by-name lookup.
int WinsockError(DNS_STATUS status) {
  switch (status) {
    case DNS_ERROR_RCODE_NAME_ERROR:
      return kHostNotFound;
    case DNS_INFO_NO_RECORDS:
      return kNoData;
    case DNS_ERROR_RCODE_SERVER_FAILURE:
    case ERROR_TIMEOUT:
      return kTryAgain;
    default:
      return kNoRecovery;
  }
}

}  // namespace

int StartSockets() {
  WSADATA data;
  return WSAStartup(0x0202, &data);
}

namespace {

// The first IPv6 address getaddrinfo gives for `domain` (in its order,
// which Windows sorts by the system's address policy).
bool LookUpIpv6(const std::string& domain, std::string* address, int* error) {
  addrinfo hints{};
  hints.ai_family = AF_INET6;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* answer = nullptr;
  int status = getaddrinfo(domain.c_str(), nullptr, &hints, &answer);
  if (status != 0 || answer == nullptr) {
    *error = status != 0 ? status : kNoData;
    // Some resolvers (Wine's among them) say "no such host" for a domain
    // that has IPv4 addresses but no IPv6 one; that domain exists, and
    // with both families asked it must not fail.
    if (*error == kHostNotFound && gethostbyname(domain.c_str())) {
      *error = kNoData;
    }
    return false;
  }
  const auto* first = reinterpret_cast<const sockaddr_in6*>(answer->ai_addr);
  *address = Ipv6Text(first->sin6_addr.s6_addr);
  freeaddrinfo(answer);
  return true;
}

}  // namespace

bool LookUpAddress(const std::string& domain, Family family,
                   std::string* address, int* error) {
  if (family == Family::kIPv6) return LookUpIpv6(domain, address, error);
  hostent* entry = gethostbyname(domain.c_str());
  if (entry == nullptr || entry->h_addrtype != AF_INET ||
      entry->h_addr_list[0] == nullptr) {
    *error = WSAGetLastError();
    if (*error == 0) *error = kNoData;
    return false;
  }
  in_addr first;
  memcpy(&first, entry->h_addr_list[0], sizeof first);
  *address = inet_ntoa(first);
  return true;
}

// Windows's lookup of a literal is left to it: its readings of short forms
// are its own.
std::optional<std::string> LiteralAddress(const std::string&, Family) {
  return std::nullopt;
}

bool LookUpInDns(const std::string& domain, Family family, std::string* address,
                 int* error) {
  const WORD type = family == Family::kIPv4 ? DNS_TYPE_A : DNS_TYPE_AAAA;
  DNS_RECORDA* records = nullptr;
  DNS_STATUS status =
      DnsQuery_A(domain.c_str(), type, DNS_QUERY_NO_HOSTS_FILE, nullptr,
                 reinterpret_cast<DNS_RECORD**>(&records), nullptr);
  if (status != 0) {
    *error = WinsockError(status);
    return false;
  }
  bool found = false;
  for (DNS_RECORDA* record = records; record != nullptr && !found;
       record = record->pNext) {
    if (record->wType != type || record->Flags.S.Section != DnsSectionAnswer) {
      continue;
    }
    if (type == DNS_TYPE_AAAA) {
      *address = Ipv6Text(record->Data.AAAA.Ip6Address.IP6Byte);
    } else {
      in_addr first;
      first.s_addr = record->Data.A.IpAddress;
      *address = inet_ntoa(first);
    }
    found = true;
  }
  DnsRecordListFree(reinterpret_cast<DNS_RECORD*>(records), DnsFreeRecordList);
  if (!found) *error = WinsockError(DNS_INFO_NO_RECORDS);
  return found;
}

}  // namespace quorvane
