#include "hosts/hosts_file.h"

#include <gtest/gtest.h>

#include <string>

namespace quorvane {
namespace {

using namespace std::string_literals;

TEST(HostsFileTest, LinesByPlaceKeepEveryByte) {
  const std::string bytes =
      "a\r\n\nnul\0in\n"s + std::string(5000, 'x') + "\r\nlone\rcr\r\nlast";
  HostsFile hosts;
  hosts.SetBytes(bytes);
  // Any byte of a line, its line break included, finds the whole line.
  EXPECT_EQ(hosts.LoadedLine(0), "a\r\n");
  EXPECT_EQ(hosts.LoadedLine(2), "a\r\n");
  EXPECT_EQ(hosts.LoadedLine(3), "\n");
  EXPECT_EQ(hosts.LoadedLine(6), "nul\0in\n"s);
  EXPECT_EQ(hosts.LoadedLine(12), std::string(5000, 'x') + "\r\n");
  EXPECT_EQ(hosts.LoadedLine(bytes.size() - 5), "lone\rcr\r\n");
  EXPECT_EQ(hosts.LoadedLine(bytes.size() - 1), "last");
  EXPECT_EQ(hosts.Content(), bytes);

  hosts.ReplaceLoaded(3, "B\n");
  hosts.ReplaceLoaded(0, "A\r\n");
  hosts.Append("new\r\n");  // "last" first gets the first line's CR LF
  EXPECT_EQ(hosts.Content(), "A\r\nB\nnul\0in\n"s + std::string(5000, 'x') +
                                 "\r\nlone\rcr\r\nlast\r\nnew\r\n");
  EXPECT_EQ(hosts.LoadedLine(3), "\n");  // as loaded, whatever changed
  EXPECT_EQ(hosts.Original(), bytes);
}

TEST(HostsFileTest, AppendEndsAnUnterminatedLastLineFirst) {
  struct Case {
    std::string before;
    std::string after;
  } cases[] = {
      {"a\r\nb", "a\r\nb\r\nNEW\r\n"},
      {"a\nb", "a\nb\nNEW\r\n"},
      {"a\nb\r\nc", "a\nb\r\nc\nNEW\r\n"},  // the first line break counts
      {"only", "only\r\nNEW\r\n"},          // none at all: CR LF
      {"a\r\nb\r", "a\r\nb\r\nNEW\r\n"},    // a bare CR needs just the LF
      {"a\n", "a\nNEW\r\n"},
      {"", "NEW\r\n"},
  };
  for (const Case& c : cases) {
    HostsFile hosts;
    hosts.SetBytes(c.before);
    hosts.Append("NEW\r\n");
    hosts.Append("TWO");
    EXPECT_EQ(hosts.Content(), c.after + "TWO") << c.before;
  }
  // The line break is the first line's as it now stands.
  HostsFile hosts;
  hosts.SetBytes("a\nb");
  hosts.ReplaceLoaded(0, "A\r\n");
  hosts.Append("new\r\n");
  EXPECT_EQ(hosts.Content(), "A\r\nb\r\nnew\r\n");
}

}  // namespace
}  // namespace quorvane
