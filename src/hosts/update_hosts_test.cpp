#include "hosts/update_hosts.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace quorvane {
namespace {

using namespace std::string_literals;
using Pairs = std::vector<std::pair<std::string, std::string>>;

std::string Line(const std::string& address, const std::string& name) {
  return address + "\t" + name + "\t##Quorvane##\r\n";
}

// Each case: the file, the resolved (address, name) pairs in list order,
// the file after, the lines printed and their count.
struct Case {
  const char* what;
  std::string before;
  Pairs pairs;
  std::string after;
  std::string printed;
  int count;
};

TEST(UpdateTest, Cases) {
  const std::string nas = Line("192.0.2.7", "nas");
  const std::string local = "127.0.0.1 localhost\r\n";
  const std::string others =
      "# nas is my file server\r\n10.0.0.2 nas2 # by the nas\r\n";
  const Pairs one = {{"192.0.2.7", "nas"}};
  const Pairs same_name = {{"192.0.2.1", "nas"}, {"192.0.2.2", "nas"}};
  const std::string n1 = Line("192.0.2.1", "nas"),
                    n2 = Line("192.0.2.2", "nas");
  const Case cases[] = {
      {"no line mentions the name: appended", local, one, local + nas, nas, 1},
      {"empty file", "", one, nas, nas, 1},
      {"the line is right already: not counted", local + nas, one, local + nas,
       "", 0},
      {"an LF copy of the line is rewritten", "192.0.2.7\tnas\t##Quorvane##\n",
       one, nas, nas, 1},
      {"a disabled line comes back", "#" + n1 + "# end\r\n", one,
       nas + "# end\r\n", nas, 1},
      {"only the first own line is taken; lines that mention it stay",
       others + "10.0.0.1 nas\r\n" + n1, one, others + nas + n1, nas, 1},
      {"a longer name, other case, a comment: none is its line",
       others + "10.0.0.1 NAS\n", one, others + "10.0.0.1 NAS\n" + nas, nas, 1},
      {"a megabyte of the name in no line of its own: one check each",
       std::string(1 << 20, 'n'),
       {{"1.0.0.1", "n"}},
       std::string(1 << 20, 'n') + "\r\n" + Line("1.0.0.1", "n"),
       Line("1.0.0.1", "n"),
       1},
      {"same name twice, no line: both appended", local, same_name,
       local + n1 + n2, n1 + n2, 2},
      {"same name twice, one line: it gets the later pair", "1.1.1.1 nas\r\n",
       same_name, n2 + n1, n2 + n1, 2},
      {"same name twice, two lines: later pair first",
       "1.1.1.1 nas\r\nmid\r\n#1.1.1.2 nas\r\n", same_name, n2 + "mid\r\n" + n1,
       n2 + n1, 2},
      {"two names in one line: the later pair takes it",
       "1.1.1.1 nas pc\r\n2.2.2.2 nas\r\n",
       {{"192.0.2.1", "nas"}, {"192.0.2.2", "pc"}},
       Line("192.0.2.2", "pc") + n1,
       Line("192.0.2.2", "pc") + n1,
       2},
      {"one line, owned as entry by one name, by managed tail by the other",
       "1.1.1.1 nas # was\tpc\t##Quorvane##\r\n2.2.2.2 nas pc\r\n",
       {{"192.0.2.2", "pc"}, {"192.0.2.1", "nas"}},
       n1 + Line("192.0.2.2", "pc"),
       n1 + Line("192.0.2.2", "pc"),
       2},
      {"a pair spent on an equal line is gone",
       Line("192.0.2.2", "pc") + "1.1.1.1 nas\r\n",
       {{"192.0.2.1", "nas"}, {"192.0.2.2", "pc"}},
       Line("192.0.2.2", "pc") + n1,
       n1,
       1},
      {"printed in file order, then list order",
       "9.9.9.9 b\r\nkeep\r\n9.9.9.9 a\r\n",
       {{"1.0.0.1", "a"},
        {"1.0.0.2", "new1"},
        {"1.0.0.3", "b"},
        {"1.0.0.4", "new2"}},
       Line("1.0.0.3", "b") + "keep\r\n" + Line("1.0.0.1", "a") +
           Line("1.0.0.2", "new1") + Line("1.0.0.4", "new2"),
       Line("1.0.0.3", "b") + Line("1.0.0.1", "a") + Line("1.0.0.2", "new1") +
           Line("1.0.0.4", "new2"),
       4},
      {"a name after a partial match of another",
       "1.1.1.1 nanas x nas\r\n",
       {{"192.0.2.1", "nana"}, {"192.0.2.2", "nas"}},
       Line("192.0.2.2", "nas") + Line("192.0.2.1", "nana"),
       Line("192.0.2.2", "nas") + Line("192.0.2.1", "nana"),
       2},
      {"foreign bytes around the change; the added break is no change",
       "\xef\xbb\xbf# \x82\xa0\0x\n"s + std::string(3000, 'z') +
           "\n1.1.1.1 nas\ntail",
       {{"192.0.2.7", "nas"}, {"192.0.2.8", "pc"}},
       "\xef\xbb\xbf# \x82\xa0\0x\n"s + std::string(3000, 'z') + "\n" + nas +
           "tail\n" + Line("192.0.2.8", "pc"),
       nas + Line("192.0.2.8", "pc"),
       2},
  };
  for (const Case& c : cases) {
    HostsFile hosts;
    hosts.SetBytes(c.before);
    IniFile list;
    for (const auto& [address, name] : c.pairs) list.Add(address, name);
    LinesChanged changed = UpdateLines(&hosts, &list);
    EXPECT_EQ(hosts.Content(), c.after) << c.what;
    EXPECT_EQ(changed.printed, c.printed) << c.what;
    EXPECT_EQ(changed.count, c.count) << c.what;
    EXPECT_EQ(hosts.Original(), c.before) << c.what;
  }
}

}  // namespace
}  // namespace quorvane
