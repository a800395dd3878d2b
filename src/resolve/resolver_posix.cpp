// POSIX resolver: glibc's host-by-name lookup, which keeps the answer's
// order (getaddrinfo would sort the addresses and so change which is first).
#include <arpa/inet.h>
#include <netdb.h>

#include <cerrno>
#include <vector>

#include "resolve/resolver.h"

namespace quorvane {

namespace {

// The Winsock number for a resolver's h_errno, so that the same failure
// shows the same number on both systems.
int WinsockError(int h_error) {
  switch (h_error) {
    case HOST_NOT_FOUND:
      return 11001;  // WSAHOST_NOT_FOUND
    case TRY_AGAIN:
      return 11002;  // WSATRY_AGAIN
    case NO_RECOVERY:
      return 11003;  // WSANO_RECOVERY
    default:
      return 11004;  // WSANO_DATA
  }
}

}  // namespace

int StartSockets() { return 0; }

bool LookUpAddress(const std::string& domain, std::string* address,
                   int* error) {
  std::vector<char> buffer(8192);
  hostent entry;
  hostent* result = nullptr;
  int h_error = 0;
  int status;
  while ((status = gethostbyname_r(domain.c_str(), &entry, buffer.data(),
                                   buffer.size(), &result, &h_error)) ==
         ERANGE) {
    buffer.resize(buffer.size() * 2);
  }
  if (status != 0 || result == nullptr || result->h_addrtype != AF_INET ||
      result->h_addr_list[0] == nullptr) {
    *error = WinsockError(status == 0 && result != nullptr ? NO_DATA : h_error);
    return false;
  }
  char text[INET_ADDRSTRLEN];
  inet_ntop(AF_INET, result->h_addr_list[0], text, sizeof text);
  *address = text;
  return true;
}

}  // namespace quorvane
