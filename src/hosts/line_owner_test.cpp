#include "hosts/line_owner.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

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
      // Letters in either case, as resolvers compare; no other byte folds.
      {"10.0.0.1 NAS\n", "nas", true},
      {"10.0.0.1 nas\n", "nAs", true},
      {"192.0.2.7\tNas\t##Quorvane##\r\n", "nAS", true},
      {"10.0.0.1 n\xc1s\n", "n\xe1s", false},
      {"192.0.2.7\tn\xc1s\t##Quorvane##\r\n", "n\xe1s", false},
      {"10.0.0.1 n@s\n", "n`s", false},
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
      // A name that is an address names nothing in the address field.
      {"192.0.2.1 box\n", "192.0.2.1", false},
      {"10.0.0.1 192.0.2.1\n", "192.0.2.1", true},
      // NUL is a byte like any other.
      {"10.0.0.1 nas\0\n"s, "nas", false},
      {"1\0.0.0.1 nas\n"s, "nas", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LineBelongsTo(c.line, c.name), c.belongs)
        << testing::PrintToString(c.line) << " for "
        << testing::PrintToString(c.name);
  }
}

TEST(LineOwnerTest, ASharedLineKeepsItsOtherNames) {
  const std::pair<std::string, std::string> cases[] = {
      // The name as first, middle and last field, twice, in another case.
      {"192.168.1.5 nas box\r\n", "192.168.1.5 box\r\n"},
      {"192.168.1.5 box nas nas.local # the nas\n",
       "192.168.1.5 box nas.local # the nas\n"},
      {"192.168.1.5\tbox \t nas", "192.168.1.5\tbox"},
      {"192.168.1.5 NAS box nas\tx\n", "192.168.1.5 box\tx\n"},
      // Commented out; a '#' word ends the names.
      {"# 192.168.1.5  box\tnas #nas\r\n", "# 192.168.1.5  box #nas\r\n"},
      // Taken whole: the name's alone (once or twice), its managed line.
      {"192.168.1.5 nas\n", "whole"},
      {"#192.168.1.5 nas Nas # box\r\n", "whole"},
      {"192.0.2.7\tnas\t##Quorvane##\r\n", "whole"},
      {"1.1.1.1 box # was\tnas\t##Quorvane##\r\n", "whole"},
  };
  for (const auto& [line, left] : cases) {
    EXPECT_EQ(LineWithoutName(line, "nas").value_or("whole"), left)
        << testing::PrintToString(line);
  }
}

}  // namespace
}  // namespace quorvane
