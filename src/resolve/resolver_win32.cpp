// Windows resolver: Winsock 2.2 and its host-by-name lookup.
#include <winsock2.h>

#include <cstring>

#include "resolve/resolver.h"

namespace quorvane {

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

}  // namespace quorvane
