#include "hosts/line_owner.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

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
      {"# old\tnas\t##Quorvane##\n", "nas", false},
      {"#10.0.0.8\tbox nas\t##Quorvane##\n", "nas", false},
      {"#10.0.0.8\tnas\t##Quorvane## x\n", "nas", false},
      {"#nas.home\tnas\t##Quorvane##\n", "nas", false},
      {"#10.0.0.8\tnas\t##Quorvane##\r", "nas", true},
      {"10.0.0.8\tbox nas\t##Quorvane##\n", "nas", true},
      {"192.0.2.7\tnas2\t##Quorvane##\r\n", "nas", false},
      {"x nas\t##Quorvane##\r\n", "nas", false},
      // Hand-written entries, with aliases, any address family; a '#'
      // anywhere ends the entry, as every reader cuts the line there.
      {"192.168.1.5 nas", "nas", true},
      {"192.168.1.5 box nas nas.local\r\n", "nas", true},
      {"10.0.0.5 nas#old\n", "nas", true},
      {"10.0.0.5 box#nas\n", "nas", false},
      {"10.0.0.5#x nas\n", "nas", false},
      {"2001:db8::5 nas\n", "nas", true},
      // Readers skip white space before the address and split fields at
      // any of it; a line commented out maps nothing.
      {" \v10.0.0.5\fnas\n", "nas", true},
      {"10.0.0.7 box\rnas\n", "nas", true},
      {"#192.168.1.5 nas\r\n", "nas", false},
      {"  # 192.168.1.5 nas\n", "nas", false},
      // Letters in either case, as resolvers compare; no other byte folds.
      {"10.0.0.1 NAS\n", "nas", true},
      {"192.0.2.7\tNas\t##Quorvane##\r\n", "nAS", true},
      {"10.0.0.1 n\xc1s\n", "n\xe1s", false},
      {"192.0.2.7\tn\xc1s\t##Quorvane##\r\n", "n\xe1s", false},
      {"10.0.0.1 n@s\n", "n`s", false},
      // Other names' lines, prose and trailing comments.
      {"192.168.1.10 nas-backup # old backup box\n", "nas", false},
      {"127.0.0.1 localhost\n", "host", false},
      {"10.0.0.7 printer # next to the nas\n", "nas", false},
      // The first field must be an address.
      {"nas.home nas\n", "nas", false},
      {"1.2.3.4x nas\n", "nas", false},
      {"::1 localhost ip6-localhost ip6-loopback\n", "ip6-loopback", true},
      {"fe80::1%eth0 nas\n", "nas", true},
      {"fe80::1% nas\n", "nas", false},
      // A name that is an address names nothing in the address field.
      {"192.0.2.1 box\n", "192.0.2.1", false},
      {"10.0.0.1 192.0.2.1\n", "192.0.2.1", true},
      // Where glibc reads a C string, a NUL ends the entry.
      {"10.0.0.1 nas\0x\n"s, "nas", true},
      {"10.0.0.1 box\0nas\n"s, "nas", false},
      {"1\0.0.0.1 nas\n"s, "nas", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LineBelongsTo(c.line, c.name), c.belongs)
        << testing::PrintToString(c.line) << " for "
        << testing::PrintToString(c.name);
  }
}

TEST(LineOwnerTest, ASharedLineKeepsItsOtherNames) {
  struct Case {
    std::string line;
    std::vector<std::string_view> names;
    std::string left;
  };
  const Case cases[] = {
      // The name as first, middle and last field, twice, in another case.
      {"192.168.1.5 nas box\r\n", {"nas"}, "192.168.1.5 box\r\n"},
      {"192.168.1.5 box nas nas.local # the nas\n",
       {"nas"},
       "192.168.1.5 box nas.local # the nas\n"},
      {"192.168.1.5\tbox \t nas", {"nas"}, "192.168.1.5\tbox"},
      {"192.168.1.5 NAS box nas\tx\n", {"nas"}, "192.168.1.5 box\tx\n"},
      // A '#' word, or one glued to the name, ends the names.
      {"192.168.1.5  box\tnas #nas\r\n", {"nas"}, "192.168.1.5  box #nas\r\n"},
      {"10.0.0.5 box\vnas#old\n", {"nas"}, "10.0.0.5 box#old\n"},
      // Two names at once.
      {"192.0.2.1 nas router\tgw # lan\n",
       {"router", "nas"},
       "192.0.2.1\tgw # lan\n"},
      // Taken whole: the names alone (once or twice), a managed line.
      {"192.168.1.5 nas\n", {"nas"}, "whole"},
      {"192.168.1.5 nas Nas # box\r\n", {"nas"}, "whole"},
      {"192.168.1.5 nas gw\n", {"nas", "GW"}, "whole"},
      {"192.0.2.7\tnas\t##Quorvane##\r\n", {"nas"}, "whole"},
      // What is left never has a managed line's shape.
      {"10.0.0.8\tnas2 nas\t##Quorvane##\n",
       {"nas"},
       "10.0.0.8\tnas2 \t##Quorvane##\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LineWithoutNames(c.line, c.names).value_or("whole"), c.left)
        << testing::PrintToString(c.line);
  }
}

TEST(LineOwnerTest, EachSpellingOfANameIsFound) {
  using Spellings = std::vector<std::string_view>;
  EXPECT_EQ(MappedSpellings("10.0.0.5 NAS box nas Nas#x nas\n", "nAs"),
            (Spellings{"NAS", "nas", "Nas"}));
  EXPECT_EQ(MappedSpellings("#10.0.0.5 NAS\n", "nas"), Spellings{});
  EXPECT_EQ(ManagedTailName("#1.2.3.4\tNaS\t##Quorvane##\r\n", "nas"), "NaS");
  EXPECT_EQ(ManagedTailName("1.2.3.4 nas ##Quorvane##\r\n", "nas"),
            std::nullopt);
}

}  // namespace
}  // namespace quorvane
