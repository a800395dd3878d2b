#include "hosts/line_owner.h"

#include <gtest/gtest.h>

#include <string>

namespace quorvane {
namespace {

using namespace std::string_literals;

TEST(LineOwnerTest, ALineBelongsOnlyToTheNamesItMaps) {
  struct Case {
    std::string line;
    std::string name;
    bool belongs;
  };
  const Case cases[] = {
      // Managed lines: active, disabled, indented, anywhere in the line.
      {"192.0.2.7\tnas\t##Quorvane##\r\n", "nas", true},
      {"#192.0.2.7\tnas\t##Quorvane##\r\n", "nas", true},
      {" \t192.0.2.7\tnas\t##Quorvane##", "nas", true},
      {"# old\tnas\t##Quorvane##\n", "nas", true},
      {"192.0.2.7\tnas2\t##Quorvane##\r\n", "nas", false},
      {"x nas\t##Quorvane##\r\n", "nas", false},
      // Hand-written entries, plain, commented out, with aliases.
      {"192.168.1.5 nas", "nas", true},
      {"192.168.1.5\tnas\n", "nas", true},
      {"192.168.1.5 box nas nas.local\r\n", "nas", true},
      {"# \t##192.168.1.5 nas\r\n", "nas", true},
      {"192.168.1.5 nas # my box\n", "nas", true},
      {"10.0.0.1 NAS\n", "nas", false},
      // Other names' lines, prose and trailing comments.
      {"192.168.1.10 nas-backup # old backup box\n", "nas", false},
      {"192.168.1.11 nas2\n", "nas", false},
      {"127.0.0.1 localhost\n", "host", false},
      {"# my nas box\r\n", "nas", false},
      {"10.0.0.7 printer # next to the nas\n", "nas", false},
      {"10.0.0.7 printer\t#nas\n", "nas", false},
      {"10.0.0.7 box\rnas\n", "nas", false},
      // The first field must be an address.
      {"nas.home nas\n", "nas", false},
      {"abc nas\n", "nas", false},
      {"1.2.3.4x nas\n", "nas", false},
      {"::1 localhost ip6-localhost ip6-loopback\n", "ip6-loopback", true},
      {"fe80::1%eth0 nas\n", "nas", true},
      {"fe80::1% nas\n", "nas", false},
      {"ff02::1 ip6-allnodes\n", "ip6-all", false},
      // Names with blanks or '#' only ever own their managed lines.
      {"192.0.2.7\tmy nas\t##Quorvane##\r\n", "my nas", true},
      {"10.0.0.1 my nas\n", "my nas", false},
      {"192.0.2.7\t#nas\t##Quorvane##\r\n", "#nas", true},
      {"10.0.0.1 #nas\n", "#nas", false},
      {"10.0.0.1 a#b\n", "a#b", true},
      // A name that is an address names nothing in the address field.
      {"192.0.2.1 box\n", "192.0.2.1", false},
      {"10.0.0.1 192.0.2.1\n", "192.0.2.1", true},
      // NUL is a byte like any other.
      {"10.0.0.1 n\0as\n"s, "n\0as"s, true},
      {"10.0.0.1 nas\0\n"s, "nas", false},
      {"1\0.0.0.1 nas\n"s, "nas", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LineBelongsTo(c.line, c.name), c.belongs)
        << testing::PrintToString(c.line) << " for "
        << testing::PrintToString(c.name);
  }
}

}  // namespace
}  // namespace quorvane
