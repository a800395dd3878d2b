// Windows resolver: Winsock 2.2 and its host-by-name lookup, and the DNS
// API for the lookup past the hosts file.
#include <winsock2.h>
// winsock2.h before windows.h, which would bring in the old winsock.h.
#include <windows.h>
// windows.h first: windns.h needs its types.
#include <windns.h>

#include <cstring>

#include "resolve/resolver.h"

namespace quorvane {

namespace {

// The Winsock number for a DNS API status, so that a failure of the lookup
// past the hosts file reads as one of the host-by-name lookup.
int WinsockError(DNS_STATUS status) {
  switch (status) {
    case DNS_ERROR_RCODE_NAME_ERROR:
      return WSAHOST_NOT_FOUND;
    case DNS_INFO_NO_RECORDS:
      return WSANO_DATA;
    case DNS_ERROR_RCODE_SERVER_FAILURE:
    case ERROR_TIMEOUT:
      return WSATRY_AGAIN;
    default:
      return WSANO_RECOVERY;
  }
}

}  // namespace

int StartSockets() {
  WSADATA data;
  return WSAStartup(0x0202, &data);
}

bool LookUpAddress(const std::string& domain, std::string* address,
                   int* error) {
  hostent* entry = gethostbyname(domain.c_str());
  if (entry == nullptr || entry->h_addrtype != AF_INET ||
      entry->h_addr_list[0] == nullptr) {
    *error = WSAGetLastError();
    if (*error == 0) *error = WSANO_DATA;
    return false;
  }
  in_addr first;
  memcpy(&first, entry->h_addr_list[0], sizeof first);
  *address = inet_ntoa(first);
  return true;
}

bool LookUpInDns(const std::string& domain, std::string* address, int* error) {
  DNS_RECORDA* records = nullptr;
  DNS_STATUS status =
      DnsQuery_A(domain.c_str(), DNS_TYPE_A, DNS_QUERY_NO_HOSTS_FILE, nullptr,
                 reinterpret_cast<DNS_RECORD**>(&records), nullptr);
  if (status != 0) {
    *error = WinsockError(status);
    return false;
  }
  bool found = false;
  for (DNS_RECORDA* record = records; record != nullptr && !found;
       record = record->pNext) {
    if (record->wType == DNS_TYPE_A &&
        record->Flags.S.Section == DnsSectionAnswer) {
      in_addr first;
      first.s_addr = record->Data.A.IpAddress;
      *address = inet_ntoa(first);
      found = true;
    }
  }
  DnsRecordListFree(reinterpret_cast<DNS_RECORD*>(records), DnsFreeRecordList);
  if (!found) *error = WinsockError(DNS_INFO_NO_RECORDS);
  return found;
}

}  // namespace quorvane
