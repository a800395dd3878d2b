// The two scans over a hosts file in memory: which lines each changes, how
// the file's bytes come out, and what is printed. No file is touched.
#include "hosts/update_hosts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hosts/restore_hosts.h"

namespace quorvane {
namespace {

std::string M(const std::string& address, const std::string& name) {
  return address + "\t" + name + "\t##Quorvane##\r\n";
}

std::string Saved(const HostsFile& hosts) {
  std::string bytes;
  for (std::string_view piece : hosts.Pieces()) bytes += piece;
  return bytes;
}

struct Case {
  const char* what;
  std::string before;
  std::vector<Pin> pins;  // none: the restore
  std::string after;
  std::string printed;  // every changed line, in order; their count below
  int count;
};

TEST(ScanTest, LinesChangedAndBytesKept) {
  const std::string nas = M("192.0.2.7", "nas");
  const Case cases[] = {
      {"appended to an empty file", "", {{"192.0.2.7", "nas"}}, nas, nas, 1},
      {"its managed line as it is: nothing",
       "a b\n" + nas,
       {{"192.0.2.7", "nas"}},
       "a b\n" + nas,
       "",
       0},
      {"its managed line moved, disabled, another case",
       "#" + M("1.1.1.1", "NAS") + "x y\n",
       {{"192.0.2.7", "nas"}},
       nas + "x y\n",
       nas,
       1},
      {"a hand-written line of the name alone",
       "1.1.1.1 nas # box\nx y\n",
       {{"192.0.2.7", "nas"}},
       nas + "x y\n",
       nas,
       1},
      {"a shared line keeps its other names",
       "1.1.1.1 box nas\r\n",
       {{"192.0.2.7", "nas"}},
       nas + "1.1.1.1 box\r\n",
       nas,
       1},
      {"another name's lines are not taken",
       "1.1.1.1 nas2\n",
       {{"192.0.2.7", "nas"}},
       "1.1.1.1 nas2\n" + nas,
       nas,
       1},
      {"names sharing a prefix each take their line",
       "1.1.1.1 nas\n1.1.1.2 nab\n",
       {{"192.0.2.7", "nas"}, {"192.0.2.8", "nab"}},
       nas + M("192.0.2.8", "nab"),
       nas + M("192.0.2.8", "nab"),
       2},
      {"the pair listed last takes the line, the other is appended",
       "1.1.1.1 nas\n",
       {{"192.0.2.1", "nas"}, {"192.0.2.7", "NAS"}},
       M("192.0.2.7", "NAS") + M("192.0.2.1", "nas"),
       M("192.0.2.7", "NAS") + M("192.0.2.1", "nas"),
       2},
      {"a last line without its break gets the file's",
       "a b\nc d",
       {{"192.0.2.7", "nas"}},
       "a b\nc d\n" + nas,
       nas,
       1},
      {"a last line ending in a bare CR gets only the LF",
       "a b\r",
       {{"192.0.2.7", "nas"}},
       "a b\r\n" + nas,
       nas,
       1},
      {"restore: active managed lines become comments",
       "a b\n" + nas + " \t1.1.1.1\tx\t##Quorvane##",
       {},
       "a b\n#" + nas + "# \t1.1.1.1\tx\t##Quorvane##",
       "#" + nas + "# \t1.1.1.1\tx\t##Quorvane##",
       2},
      {"restore: disabled lines and others stay",
       "#" + nas + "a b # ##Quorvane##\n",
       {},
       "#" + nas + "a b # ##Quorvane##\n",
       "",
       0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    HostsFile hosts(c.before);
    LinesChanged changed = c.pins.empty() ? DisableManagedLines(&hosts)
                                          : UpdateLines(&hosts, c.pins);
    EXPECT_EQ(Saved(hosts), c.after);
    EXPECT_EQ(changed.printed, c.printed);
    EXPECT_EQ(changed.count, c.count);
  }
}

}  // namespace
}  // namespace quorvane
