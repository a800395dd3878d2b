// Literal addresses read without a lookup, against the system's own
// readings: getaddrinfo with AI_NUMERICHOST, and for those it takes, the
// host-by-name lookup that a run would otherwise call.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netdb.h>

#include <optional>
#include <string>

#include "resolve/resolver.h"

namespace quorvane {
namespace {

std::optional<std::string> NumericHost(const std::string& domain,
                                       Family family) {
  addrinfo hints{};
  hints.ai_family = family == Family::kIPv4 ? AF_INET : AF_INET6;
  hints.ai_flags = AI_NUMERICHOST;
  addrinfo* found = nullptr;
  if (getaddrinfo(domain.c_str(), nullptr, &hints, &found) != 0) {
    return std::nullopt;
  }
  std::string text;
  if (family == Family::kIPv4) {
    char dotted[INET_ADDRSTRLEN];
    inet_ntop(AF_INET,
              &reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr, dotted,
              sizeof dotted);
    text = dotted;
  } else {
    text = Ipv6Text(
        reinterpret_cast<sockaddr_in6*>(found->ai_addr)->sin6_addr.s6_addr);
  }
  freeaddrinfo(found);
  return text;
}

TEST(LiteralAddressTest, ReadAsTheSystemReadsThem) {
  const Family v4 = Family::kIPv4, v6 = Family::kIPv6;
  const struct {
    std::string domain;
    Family family;
    std::optional<std::string> address;  // nullopt: left to the lookup
  } cases[] = {
      {"192.0.2.7", v4, "192.0.2.7"},
      // Short forms, octal parts and one number, as inet_aton reads them.
      {"1.2.3", v4, "1.2.0.3"},
      {"1", v4, "0.0.0.1"},
      {"010.0.0.1", v4, "8.0.0.1"},
      {"4294967295", v4, "255.255.255.255"},
      {"4294967296", v4, std::nullopt},
      {"08.0.0.1", v4, std::nullopt},
      {"256.0.0.1", v4, std::nullopt},
      {"1..2", v4, std::nullopt},
      // A trailing dot makes a name of it.
      {"1.2.3.4.", v4, std::nullopt},
      {"::1.", v6, std::nullopt},
      {"2001:DB8::0:1", v6, "2001:db8::1"},
      {"::ffff:1.2.3.4", v6, "::ffff:1.2.3.4"},
      {"1:2:3:4:5:6:7:8:9", v6, std::nullopt},
      // Each family reads its own literals only.
      {"1.2.3.4", v6, std::nullopt},
      {"::1", v4, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.domain);
    EXPECT_EQ(LiteralAddress(c.domain, c.family), c.address);
    EXPECT_EQ(NumericHost(c.domain, c.family), c.address);
    if (!c.address) continue;
    std::string looked_up;
    int error = 0;
    ASSERT_TRUE(LookUpAddress(c.domain, c.family, &looked_up, &error));
    EXPECT_EQ(looked_up, *c.address);
  }
}

}  // namespace
}  // namespace quorvane
