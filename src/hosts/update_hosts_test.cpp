#include "hosts/update_hosts.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace quorvane {
namespace {

struct Result {
  std::string content;
  std::string printed;
  int count;
};

// Runs the update rules over `bytes` with resolved (address, name) pairs.
Result Update(std::string bytes,
              std::vector<std::pair<std::string, std::string>> pairs) {
  HostsFile hosts;
  hosts.SetBytes(std::move(bytes));
  IniFile list;
  for (const auto& [address, name] : pairs) list.Add(address, name);
  LinesChanged changed = UpdateLines(&hosts, &list);
  EXPECT_EQ(list.Count(), 0u);
  return {hosts.Content(), changed.printed, changed.count};
}

const char kLocal[] = "127.0.0.1 localhost\r\n";

TEST(UpdateTest, AppendsWhenNoLineMentionsTheName) {
  Result r = Update(kLocal, {{"192.0.2.7", "nas"}});
  EXPECT_EQ(r.content,
            std::string(kLocal) + "192.0.2.7\tnas\t##Quorvane##\r\n");
  EXPECT_EQ(r.printed, "192.0.2.7\tnas\t##Quorvane##\r\n");
  EXPECT_EQ(r.count, 1);

  r = Update("", {{"192.0.2.7", "nas"}});
  EXPECT_EQ(r.content, "192.0.2.7\tnas\t##Quorvane##\r\n");
}

TEST(UpdateTest, EqualLineCostsThePairWithoutCounting) {
  std::string file = std::string(kLocal) + "192.0.2.7\tnas\t##Quorvane##\r\n";
  Result r = Update(file, {{"192.0.2.7", "nas"}});
  EXPECT_EQ(r.count, 0);
  EXPECT_EQ(r.printed, "");
  EXPECT_EQ(r.content, file);

  // An LF-only copy of the line is not equal: it is rewritten with CR LF.
  r = Update("192.0.2.7\tnas\t##Quorvane##\n", {{"192.0.2.7", "nas"}});
  EXPECT_EQ(r.count, 1);
  EXPECT_EQ(r.content, "192.0.2.7\tnas\t##Quorvane##\r\n");
}

TEST(UpdateTest, DisabledLineComesBackWithTheNewAddress) {
  Result r =
      Update(std::string(kLocal) + "#192.0.2.1\tnas\t##Quorvane##\r\n# end\r\n",
             {{"192.0.2.7", "nas"}});
  EXPECT_EQ(r.content,
            std::string(kLocal) + "192.0.2.7\tnas\t##Quorvane##\r\n# end\r\n");
  EXPECT_EQ(r.count, 1);
}

TEST(UpdateTest, OnlyTheFirstOwnLineIsRewritten) {
  // Lines that only mention the name are not its own: they stay.
  const std::string others =
      "# nas is my file server\r\n10.0.0.2 nas2 # by the nas\r\n";
  Result r = Update(others + "10.0.0.1 nas\r\n192.0.2.1\tnas\t##Quorvane##\r\n",
                    {{"192.0.2.7", "nas"}});
  EXPECT_EQ(r.content, others +
                           "192.0.2.7\tnas\t##Quorvane##\r\n"
                           "192.0.2.1\tnas\t##Quorvane##\r\n");
  r = Update(others, {{"192.0.2.7", "nas"}});
  EXPECT_EQ(r.content, others + "192.0.2.7\tnas\t##Quorvane##\r\n");
  // A megabyte of the name that is not its line: one check, not one per
  // occurrence (which would take hours).
  r = Update(std::string(1 << 20, 'a'), {{"192.0.2.7", "a"}});
  EXPECT_EQ(r.count, 1);
}

TEST(UpdateTest, SameNameInSeveralPairs) {
  std::vector<std::pair<std::string, std::string>> pairs = {
      {"192.0.2.1", "nas"}, {"192.0.2.2", "nas"}};
  // No matching line: both appended in list order.
  Result r = Update(kLocal, pairs);
  EXPECT_EQ(r.content, std::string(kLocal) +
                           "192.0.2.1\tnas\t##Quorvane##\r\n" +
                           "192.0.2.2\tnas\t##Quorvane##\r\n");
  EXPECT_EQ(r.count, 2);
  // One matching line: it gets the later pair; the earlier one is appended.
  r = Update("10.0.0.1 nas\r\n", pairs);
  EXPECT_EQ(r.content,
            "192.0.2.2\tnas\t##Quorvane##\r\n192.0.2.1\tnas\t##Quorvane##\r\n");
  EXPECT_EQ(r.printed, r.content);
  // Two matching lines: first gets the later pair, second the earlier one.
  r = Update("10.0.0.1 nas\r\nmid\r\n#10.0.0.2 nas\r\n", pairs);
  EXPECT_EQ(r.content,
            "192.0.2.2\tnas\t##Quorvane##\r\nmid\r\n"
            "192.0.2.1\tnas\t##Quorvane##\r\n");
  EXPECT_EQ(r.count, 2);
}

TEST(UpdateTest, LaterPairWinsASharedLine) {
  // The first line belongs to both names: the later pair takes it, the
  // other goes on to its next line. Each way round, and with the line owned
  // by the entry rule for one name and by the managed tail for the other.
  for (const char* shared :
       {"1.1.1.1 nas pc\r\n", "1.1.1.1 nas # was\tpc\t##Quorvane##\r\n"}) {
    const std::string rest = "2.2.2.2 nas pc\r\n";
    Result r =
        Update(shared + rest, {{"192.0.2.1", "nas"}, {"192.0.2.2", "pc"}});
    EXPECT_EQ(r.content,
              "192.0.2.2\tpc\t##Quorvane##\r\n"
              "192.0.2.1\tnas\t##Quorvane##\r\n");
    r = Update(shared + rest, {{"192.0.2.2", "pc"}, {"192.0.2.1", "nas"}});
    EXPECT_EQ(r.content,
              "192.0.2.1\tnas\t##Quorvane##\r\n"
              "192.0.2.2\tpc\t##Quorvane##\r\n");
  }
  // A pair consumed on an equal line is gone: the other still finds its own.
  Result r = Update("192.0.2.2\tpc\t##Quorvane##\r\n10.0.0.1 nas\r\n",
                    {{"192.0.2.1", "nas"}, {"192.0.2.2", "pc"}});
  EXPECT_EQ(r.count, 1);
  EXPECT_EQ(r.printed, "192.0.2.1\tnas\t##Quorvane##\r\n");
}

TEST(UpdateTest, ReportOrderIsFileOrderThenListOrder) {
  Result r =
      Update("9.9.9.9 b\r\nkeep\r\n9.9.9.9 a\r\n", {{"1.0.0.1", "a"},
                                                    {"1.0.0.2", "new1"},
                                                    {"1.0.0.3", "b"},
                                                    {"1.0.0.4", "new2"}});
  EXPECT_EQ(r.printed,
            "1.0.0.3\tb\t##Quorvane##\r\n1.0.0.1\ta\t##Quorvane##\r\n"
            "1.0.0.2\tnew1\t##Quorvane##\r\n1.0.0.4\tnew2\t##Quorvane##\r\n");
  EXPECT_EQ(r.count, 4);
  EXPECT_EQ(r.content,
            "1.0.0.3\tb\t##Quorvane##\r\nkeep\r\n1.0.0.1\ta\t##Quorvane##\r\n"
            "1.0.0.2\tnew1\t##Quorvane##\r\n1.0.0.4\tnew2\t##Quorvane##\r\n");
}

TEST(UpdateTest, ForeignBytesAroundTheChangeSurvive) {
  using namespace std::string_literals;
  std::string before = "\xef\xbb\xbf# \x82\xa0\0x\n"s + std::string(3000, 'z') +
                       "\n1.1.1.1 nas\n" + "tail without end";
  Result r = Update(before, {{"192.0.2.7", "nas"}, {"192.0.2.8", "pc"}});
  EXPECT_EQ(r.content, "\xef\xbb\xbf# \x82\xa0\0x\n"s + std::string(3000, 'z') +
                           "\n192.0.2.7\tnas\t##Quorvane##\r\n" +
                           "tail without end\n192.0.2.8\tpc\t##Quorvane##\r\n");
  EXPECT_EQ(r.count, 2);  // the added line break is not a changed line
}

}  // namespace
}  // namespace quorvane
