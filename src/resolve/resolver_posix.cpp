// POSIX resolver: glibc's host-by-name lookup, which keeps the answer's
// order (getaddrinfo would sort the addresses and so change which is first),
// and the resolver library's DNS query for the lookup past the hosts file.
#include <arpa/inet.h>
#include <arpa/nameser.h>
#include <netdb.h>
#include <netinet/in.h>
#include <resolv.h>

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
    case NO_DATA:
      return 11004;  // WSANO_DATA
    default:
      return 11003;  // WSANO_RECOVERY
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

bool LookUpInDns(const std::string& domain, std::string* address, int* error) {
  struct __res_state state {};
  if (res_ninit(&state) != 0) {
    *error = WinsockError(NO_RECOVERY);
    return false;
  }
  std::vector<unsigned char> answer(65536);
  int length = res_nquery(&state, domain.c_str(), ns_c_in, ns_t_a,
                          answer.data(), answer.size());
  int h_error = state.res_h_errno;
  res_nclose(&state);
  ns_msg message;
  if (length < 0 || ns_initparse(answer.data(), length, &message) < 0) {
    *error = WinsockError(length < 0 ? h_error : NO_RECOVERY);
    return false;
  }
  for (int i = 0; i < ns_msg_count(message, ns_s_an); ++i) {
    ns_rr record;
    if (ns_parserr(&message, ns_s_an, i, &record) < 0) break;
    if (ns_rr_type(record) == ns_t_a && ns_rr_class(record) == ns_c_in &&
        ns_rr_rdlen(record) == 4) {
      char text[INET_ADDRSTRLEN];
      inet_ntop(AF_INET, ns_rr_rdata(record), text, sizeof text);
      *address = text;
      return true;
    }
  }
  *error = WinsockError(NO_DATA);
  return false;
}

}  // namespace quorvane
