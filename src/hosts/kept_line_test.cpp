#include "hosts/kept_line.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "hosts/hosts_file.h"
#include "hosts/restore_hosts.h"
#include "hosts/update_hosts.h"
#include "names/ini_file.h"

namespace quorvane {
namespace {

using Names = std::vector<std::string_view>;

TEST(KeptLineTest, TheBytesArePinned) {
  // Hashes worked out apart from this code (FNV-1a 64, its low 32 bits).
  EXPECT_EQ(
      KeptLine("192.168.1.50 NAS nas.local backup # old box\r\n", {"nas"}),
      "#Quorvane-kept eb442e1f nas\t192.168.1.50 NAS nas.local backup # "
      "old box\r\n");
  EXPECT_EQ(KeptLine("1.1.1.1 nas", {"nas"}),
            "#Quorvane-kept 03f475d4 nas\t1.1.1.1 nas");
}

TEST(KeptLineTest, OnlyAnUneditedKeptLineParses) {
  const std::string kept = KeptLine("10.0.0.5 nas gw\tx\r\n", {"nas", "gw"});
  struct Case {
    std::string line;
    bool parses;
  };
  const Case cases[] = {
      {kept, true},
      {kept.substr(0, kept.size() - 2), true},  // its line break goes
      {kept.substr(0, kept.size() - 2) + "\n", true},
      {"#Quorvane-kept 03f475d4 nas\t1.1.1.1 nas\n", true},
      // Edited: the entry, the names, the hash; re-enabled.
      {"#Quorvane-kept 03f475d4 nas\t1.1.1.2 nas\n", false},
      {"#Quorvane-kept 03f475d4 nas\t1.1.1.1 nas \n", false},
      {"#Quorvane-kept 03f475d4 NAS\t1.1.1.1 nas\n", false},
      {"#Quorvane-kept 03F475D4 nas\t1.1.1.1 nas\n", false},
      {"#Quorvane-kept  03f475d4 nas\t1.1.1.1 nas\n", false},
      {"1.1.1.1 nas\n", false},
      // No names, an empty one, no TAB.
      {KeptLine("1.1.1.1 nas\n", {}), false},
      {KeptLine("1.1.1.1 nas\n", {"nas", ""}), false},
      {"#Quorvane-kept 03f475d4 nas 1.1.1.1 nas\n", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseKeptLine(c.line).has_value(), c.parses)
        << testing::PrintToString(c.line);
  }
  std::optional<Kept> parts = ParseKeptLine(kept);
  ASSERT_TRUE(parts);
  EXPECT_EQ(parts->names, (Names{"nas", "gw"}));
  EXPECT_EQ(parts->original, "10.0.0.5 nas gw\tx");
  EXPECT_EQ(parts->ending, "\r\n");
}

// The scans over whole files: what an update leaves, what a restore after it
// leaves, three times over; an update of an updated file changes nothing.
std::string Update(std::string bytes,
                   const std::vector<std::pair<std::string, std::string>>& list,
                   int* count = nullptr) {
  HostsFile hosts(std::move(bytes));
  IniFile pairs;
  for (const auto& [address, name] : list) pairs.Add(address, name);
  LinesChanged changed = UpdateLines(&hosts, &pairs);
  if (count) *count = changed.count;
  std::string saved;
  for (std::string_view piece : hosts.Pieces()) saved += piece;
  return saved;
}

std::string Restore(std::string bytes) {
  HostsFile hosts(std::move(bytes));
  DisableManagedLines(&hosts);
  std::string saved;
  for (std::string_view piece : hosts.Pieces()) saved += piece;
  return saved;
}

std::string M(std::string_view address, std::string_view name) {
  return std::string(address) + "\t" + std::string(name) + "\t##Quorvane##\r\n";
}

const std::pair<std::string, std::string> kNas = {"192.0.2.7", "nas"};
const std::pair<std::string, std::string> kRouter = {"192.0.2.9", "router"};

TEST(KeptLineTest, RestoreGivesBackWhatAnUpdateTook) {
  const std::string nas = M("192.0.2.7", "nas");
  const std::string off = "#" + nas;  // what a restore leaves of it
  const std::string shared = "192.168.1.50 NAS nas.local backup # old box\n";
  const std::string debian =
      "127.0.0.1\tlocalhost\n127.0.1.1\tdebian\n\n"
      "::1     localhost ip6-localhost ip6-loopback\n";
  const std::string lo = M("192.0.2.7", "localhost");
  struct Case {
    std::string hosts;
    std::vector<std::pair<std::string, std::string>> pairs;
    std::string updated;
    std::string restored;
  };
  const Case cases[] = {
      // Every line of the name: two, one glued to a '#', IPv6 first.
      {"10.0.0.5 nas\nx\n10.0.0.6 nas\n",
       {kNas},
       nas + KeptLine("10.0.0.5 nas\n", {"nas"}) + "x\n" +
           KeptLine("10.0.0.6 nas\n", {"nas"}),
       off + "10.0.0.5 nas\nx\n10.0.0.6 nas\n"},
      {"10.0.0.5 nas#old\n",
       {kNas},
       nas + KeptLine("10.0.0.5 nas#old\n", {"nas"}),
       off + "10.0.0.5 nas#old\n"},
      {"2001:db8::5 nas\n10.0.0.5 nas\n",
       {kNas},
       nas + KeptLine("2001:db8::5 nas\n", {"nas"}) +
           KeptLine("10.0.0.5 nas\n", {"nas"}),
       off + "2001:db8::5 nas\n10.0.0.5 nas\n"},
      // Another spelling gets a line of its own, for musl.
      {"10.0.0.5 NAS\n",
       {kNas},
       nas + M("192.0.2.7", "NAS") + KeptLine("10.0.0.5 NAS\n", {"nas"}),
       off + "#" + M("192.0.2.7", "NAS") + "10.0.0.5 NAS\n"},
      // Shared lines: the rest stays, and goes again on restore.
      {shared,
       {kNas},
       nas + M("192.0.2.7", "NAS") + KeptLine(shared, {"nas"}) +
           "192.168.1.50 nas.local backup # old box\n",
       off + "#" + M("192.0.2.7", "NAS") + shared},
      {debian,
       {{"192.0.2.7", "localhost"}},
       lo + KeptLine("127.0.0.1\tlocalhost\n", {"localhost"}) +
           "127.0.1.1\tdebian\n\n" +
           KeptLine("::1     localhost ip6-localhost ip6-loopback\n",
                    {"localhost"}) +
           "::1 ip6-localhost ip6-loopback\n",
       "#" + lo + debian},
      {"192.0.2.1 nas router\tgw # lan\n",
       {kNas, kRouter},
       M("192.0.2.9", "router") + nas +
           KeptLine("192.0.2.1 nas router\tgw # lan\n", {"nas", "router"}) +
           "192.0.2.1\tgw # lan\n",
       "#" + M("192.0.2.9", "router") + off +
           "192.0.2.1 nas router\tgw # lan\n"},
      // A last line without a line break: given back without one, unless a
      // line was appended after it.
      {"x\n10.0.0.5 nas box",
       {kNas},
       "x\n" + nas + KeptLine("10.0.0.5 nas box\n", {"nas"}) + "10.0.0.5 box",
       "x\n" + off + "10.0.0.5 nas box"},
      {"10.0.0.5 nas",
       {kNas, {"192.0.2.8", "pc"}},
       nas + KeptLine("10.0.0.5 nas\r\n", {"nas"}) + M("192.0.2.8", "pc"),
       off + "10.0.0.5 nas\r\n#" + M("192.0.2.8", "pc")},
      // Lines of ours: a disabled one comes back in place, one more active
      // one is disabled; a line commented out is not taken.
      {"#" + M("10.1.1.1", "nas") + "10.0.0.5 nas\n",
       {kNas},
       nas + KeptLine("10.0.0.5 nas\n", {"nas"}),
       off + "10.0.0.5 nas\n"},
      {M("10.1.1.1", "nas") + M("10.1.1.2", "nas"),
       {kNas},
       nas + "#" + M("10.1.1.2", "nas"),
       off + "#" + M("10.1.1.2", "nas")},
      {"#10.0.0.5 nas\n",
       {kNas},
       "#10.0.0.5 nas\n" + nas,
       "#10.0.0.5 nas\n" + off},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.hosts));
    std::string file = c.hosts;
    for (int cycle = 0; cycle < 3; ++cycle) {
      file = Update(file, c.pairs);
      EXPECT_EQ(file, c.updated) << "cycle " << cycle;
      int count = -1;
      EXPECT_EQ(Update(file, c.pairs, &count), file);
      EXPECT_EQ(count, 0);
      file = Restore(file);
      EXPECT_EQ(file, c.restored) << "cycle " << cycle;
    }
  }
}

TEST(KeptLineTest, TheAdministratorsEditsWin) {
  const std::string line = "10.0.0.5 nas box\n";
  const std::string kept = KeptLine(line, {"nas"});
  const std::string updated = Update(line, {kNas});
  ASSERT_EQ(updated, M("192.0.2.7", "nas") + kept + "10.0.0.5 box\n");
  const std::string off = "#" + M("192.0.2.7", "nas");
  const std::pair<std::string, std::string> cases[] = {
      // A line added anywhere, even between.
      {updated + "10.0.0.9 pc\n", off + line + "10.0.0.9 pc\n"},
      {"1.1.1.1 a\n" + updated, "1.1.1.1 a\n" + off + line},
      // The kept line enabled again or changed, the rest changed or moved
      // away: theirs, left as they are.
      {M("192.0.2.7", "nas") + line + "10.0.0.5 box\n",
       off + line + "10.0.0.5 box\n"},
      {M("192.0.2.7", "nas") + "#" + kept + "10.0.0.5 box\n",
       off + "#" + kept + "10.0.0.5 box\n"},
      {M("192.0.2.7", "nas") + kept + "10.0.0.6 box\n",
       off + kept + "10.0.0.6 box\n"},
      {M("192.0.2.7", "nas") + kept + "x\n10.0.0.5 box\n",
       off + kept + "x\n10.0.0.5 box\n"},
  };
  for (const auto& [edited, restored] : cases) {
    EXPECT_EQ(Restore(edited), restored) << testing::PrintToString(edited);
  }
  // A later update that takes another name from what was left: lines of
  // ours between a kept line and its rest are passed over.
  std::string twice =
      Update(Update("192.0.2.1 nas router gw\n", {kNas}), {kNas, kRouter});
  EXPECT_EQ(Restore(twice), "#" + M("192.0.2.7", "nas") +
                                "192.0.2.1 nas router gw\n#" +
                                M("192.0.2.9", "router"));
}

}  // namespace
}  // namespace quorvane
