// POSIX resolver: glibc's host-by-name lookup for either family, which keeps
// the answer's order (getaddrinfo would sort the addresses and so change
// which is first), and the resolver library's DNS query for the lookup past
// the hosts file.
#include <arpa/inet.h>
#include <arpa/nameser.h>
#include <netdb.h>
#include <netinet/in.h>
#include <resolv.h>

#include <cerrno>
#include <optional>
#include <string>
#include <vector>

#include "resolve/resolver.h"

namespace quorvane {

namespace {

// The Winsock number for a resolver's h_errno, so that the same failure
// shows the same number on both systems.
int WinsockError(int h_error) {
  switch (h_error) {
    case HOST_NOT_FOUND:
      return kHostNotFound;
    case TRY_AGAIN:
      return kTryAgain;
    case NO_DATA:
      return kNoData;
    default:
      return kNoRecovery;
  }
}

int AddressFamily(Family family) {
  return family == Family::kIPv4 ? AF_INET : AF_INET6;
}

std::string AddressText(Family family, const void* bytes) {
  if (family == Family::kIPv6) {
    return Ipv6Text(static_cast<const unsigned char*>(bytes));
  }
  char text[INET_ADDRSTRLEN];
  inet_ntop(AF_INET, bytes, text, sizeof text);
  return text;
}

}  // namespace

int StartSockets() { return 0; }

bool LookUpAddress(const std::string& domain, Family family,
                   std::string* address, int* error) {
  std::vector<char> buffer(8192);
  hostent entry;
  hostent* result = nullptr;
  int h_error = 0;
  int status;
  while ((status = gethostbyname2_r(domain.c_str(), AddressFamily(family),
                                    &entry, buffer.data(), buffer.size(),
                                    &result, &h_error)) == ERANGE) {
    buffer.resize(buffer.size() * 2);
  }
  if (status != 0 || result == nullptr ||
      result->h_addrtype != AddressFamily(family) ||
      result->h_addr_list[0] == nullptr) {
    *error = WinsockError(status == 0 && result != nullptr ? NO_DATA : h_error);
    return false;
  }
  *address = AddressText(family, result->h_addr_list[0]);
  return true;
}

// glibc's lookup reads a literal before asking any source when the name
// starts with a digit and holds only digits and dots (inet_aton: short
// forms such as 1.2.3 and octal parts included), or holds a colon and only
// hex digits, colons and dots (inet_pton), and in either case does not end
// in a dot; such a name that does not parse fails there. Every other name is
// looked up.
std::optional<std::string> LiteralAddress(const std::string& domain,
                                          Family family) {
  if (domain.empty() || domain.back() == '.') return std::nullopt;
  unsigned char bytes[16];
  if (family == Family::kIPv4) {
    if (domain[0] < '0' || domain[0] > '9' ||
        domain.find_first_not_of("0123456789.") != std::string::npos ||
        inet_aton(domain.c_str(), reinterpret_cast<in_addr*>(bytes)) == 0) {
      return std::nullopt;
    }
  } else if (domain.find(':') == std::string::npos ||
             domain.find_first_not_of("0123456789abcdefABCDEF:.") !=
                 std::string::npos ||
             inet_pton(AF_INET6, domain.c_str(), bytes) != 1) {
    return std::nullopt;
  }
  return AddressText(family, bytes);
}

bool LookUpInDns(const std::string& domain, Family family, std::string* address,
                 int* error) {
  const ns_type type = family == Family::kIPv4 ? ns_t_a : ns_t_aaaa;
  const unsigned size = family == Family::kIPv4 ? 4 : 16;
  struct __res_state state {};
  if (res_ninit(&state) != 0) {
    *error = WinsockError(NO_RECOVERY);
    return false;
  }
  std::vector<unsigned char> answer(65536);
  int length = res_nquery(&state, domain.c_str(), ns_c_in, type, answer.data(),
                          answer.size());
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
    if (ns_rr_type(record) == type && ns_rr_class(record) == ns_c_in &&
        ns_rr_rdlen(record) == size) {
      *address = AddressText(family, ns_rr_rdata(record));
      return true;
    }
  }
  *error = WinsockError(NO_DATA);
  return false;
}

}  // namespace quorvane
