#include "front/command_line.h"

#include <gtest/gtest.h>

#include <string>

namespace quorvane {
namespace {

// Renders the steps compactly: "+domain=name", "@path", "usage".
std::string Walk(std::vector<std::string_view> args) {
  std::string out;
  for (const CommandStep& step : WalkCommandLine(args)) {
    if (!out.empty()) out += ' ';
    switch (step.kind) {
      case CommandStep::kAddPair:
        out += "+" + std::string(step.first) + "=" + std::string(step.second);
        break;
      case CommandStep::kLoadList:
        out += "@" + std::string(step.first);
        break;
      case CommandStep::kUsage:
        out += "usage";
        break;
    }
  }
  return out;
}

TEST(CommandLineTest, PairsAndListFilesKeepTheirOrder) {
  EXPECT_EQ(Walk({"ddns.example.net", "nas"}), "+ddns.example.net=nas");
  EXPECT_EQ(Walk({"a", "x", "@l1", "b", "y", "@l1"}), "+a=x @l1 +b=y @l1");
  EXPECT_EQ(Walk({"@"}), "usage");
  EXPECT_EQ(Walk({"@@x"}), "@@x");
}

TEST(CommandLineTest, HostNamePositionIsNotExamined) {
  EXPECT_EQ(Walk({"a", "-h"}), "+a=-h");
  EXPECT_EQ(Walk({"a", "@x"}), "+a=@x");
  EXPECT_EQ(Walk({"a", "@"}), "+a=@");
}

TEST(CommandLineTest, MalformedLinesEndInUsage) {
  EXPECT_EQ(Walk({"a"}), "usage");
  EXPECT_EQ(Walk({"-h"}), "usage");
  EXPECT_EQ(Walk({"--help", "a", "b"}), "usage");
  // Everything up to the fault is kept; nothing after it is looked at.
  EXPECT_EQ(Walk({"a", "x", "@l", "-v", "b", "y"}), "+a=x @l usage");
  EXPECT_EQ(Walk({"a", "b", "c"}), "+a=b usage");
}

TEST(CommandLineTest, HostNamesThatWouldDamageTheFileAreRefused) {
  EXPECT_EQ(Walk({"a", ""}), "usage");
  EXPECT_EQ(Walk({"a", "nas\r\n1.2.3.4\tevil"}), "usage");
  EXPECT_EQ(Walk({"a", "nas\n"}), "usage");
  EXPECT_EQ(Walk({"a", "x", "b", "na\rs"}), "+a=x usage");
  // Other bytes, outside ASCII included, are a user's choice.
  EXPECT_EQ(Walk({"a", "n\xe3\x81\x82s"}), "+a=n\xe3\x81\x82s");
}

}  // namespace
}  // namespace quorvane
