#include "hosts/hosts_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quorvane {
namespace {

using namespace std::string_literals;

std::vector<std::string> Entries(const HostsFile& hosts) {
  std::vector<std::string> entries;
  for (size_t i = 0; i < hosts.Count(); ++i) {
    entries.emplace_back(hosts.Entry(i));
  }
  return entries;
}

TEST(HostsFileTest, EntriesAreWholeLinesWithEveryByte) {
  std::string bytes = "127.0.0.1 localhost\r\n"s + "\n" +
                      std::string(5000, 'x') + "\r\n" + "nul\0inside\n"s +
                      "\x82\xa0 sjis\xe3\x81\x82\n" + "lone\rcr\r\n" + "no end";
  HostsFile hosts;
  hosts.SetBytes(bytes);
  EXPECT_EQ(Entries(hosts),
            (std::vector<std::string>{
                "127.0.0.1 localhost\r\n", "\n",
                std::string(5000, 'x') + "\r\n", "nul\0inside\n"s,
                "\x82\xa0 sjis\xe3\x81\x82\n", "lone\rcr\r\n", "no end"}));
  EXPECT_EQ(hosts.Content(), bytes);
}

TEST(HostsFileTest, EmptyFileAndLineBreaksOnly) {
  HostsFile hosts;
  hosts.SetBytes("");
  EXPECT_EQ(hosts.Count(), 0u);
  EXPECT_EQ(hosts.Content(), "");
  hosts.SetBytes("\n\n\r\n");
  EXPECT_EQ(Entries(hosts), (std::vector<std::string>{"\n", "\n", "\r\n"}));
}

TEST(HostsFileTest, ReplaceAndAppendChangeOnlyTheirEntries) {
  HostsFile hosts;
  hosts.SetBytes("a\r\nb\r\nc\r\nd\r\n");
  hosts.Replace(1, "B\r\n");
  hosts.Replace(3, "D\r\n");
  hosts.Append("e\r\n");
  hosts.Replace(1, "BB\r\n");
  EXPECT_EQ(hosts.Content(), "a\r\nBB\r\nc\r\nD\r\ne\r\n");
  EXPECT_EQ(hosts.Original(), "a\r\nb\r\nc\r\nd\r\n");
  EXPECT_EQ(hosts.Count(), 5u);
  EXPECT_EQ(hosts.Entry(4), "e\r\n");
  // Unchanged runs are views of the loaded bytes, not copies per line.
  EXPECT_EQ(hosts.Pieces().size(), 5u);
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
      {"a\nb\r", "a\nb\r\nNEW\r\n"},        // a bare CR needs just the LF
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
}

TEST(HostsFileTest, LinesByPlaceAndByNumberAgree) {
  HostsFile hosts;
  hosts.SetBytes("a\r\nbb\n\nlast");
  // Any byte of a line, its line break included, finds the whole line.
  EXPECT_EQ(hosts.LoadedLine(0), "a\r\n");
  EXPECT_EQ(hosts.LoadedLine(2), "a\r\n");
  EXPECT_EQ(hosts.LoadedLine(3), "bb\n");
  EXPECT_EQ(hosts.LoadedLine(6), "\n");
  EXPECT_EQ(hosts.LoadedLine(10), "last");
  hosts.ReplaceLoaded(3, "BB\r\n");
  hosts.Append("new\r\n");  // "last" first gets the first line's CR LF
  EXPECT_EQ(Entries(hosts), (std::vector<std::string>{"a\r\n", "BB\r\n", "\n",
                                                      "last\r\n", "new\r\n"}));
  EXPECT_EQ(hosts.LoadedLine(4), "bb\n");  // as loaded, whatever changed
  hosts.Replace(2, "x\n");
  EXPECT_EQ(hosts.Content(), "a\r\nBB\r\nx\nlast\r\nnew\r\n");
  EXPECT_EQ(hosts.Original(), "a\r\nbb\n\nlast");

  // The line break an append adds is the first line's as it now stands.
  hosts.SetBytes("a\nb");
  hosts.ReplaceLoaded(0, "A\r\n");
  hosts.Append("new\r\n");
  EXPECT_EQ(hosts.Content(), "A\r\nb\r\nnew\r\n");
  EXPECT_EQ(hosts.Count(), 3u);
}

}  // namespace
}  // namespace quorvane
