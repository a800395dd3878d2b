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

TEST(KeptLineTest, TheBytesArePinned) {
  // Hashes worked out apart from this code (FNV-1a 64, its low 32 bits).
  EXPECT_EQ(
      KeptLine("192.168.1.50 NAS nas.local backup # old box\r\n", {"nas"}),
      "#Quorvane-kept eb442e1f nas\t192.168.1.50 NAS nas.local backup # "
      "old box\r\n");
}

TEST(KeptLineTest, OnlyAnUneditedKeptLineParses) {
  const std::string kept = KeptLine("10.0.0.5 nas gw\tx\r\n", {"nas", "gw"});
  const std::pair<std::string, bool> cases[] = {
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
  for (const auto& [line, parses] : cases) {
    EXPECT_EQ(ParseKeptLine(line).has_value(), parses)
        << testing::PrintToString(line);
  }
  std::optional<Kept> parts = ParseKeptLine(kept);
  ASSERT_TRUE(parts);
  EXPECT_EQ(parts->names, (std::vector<std::string_view>{"nas", "gw"}));
  EXPECT_EQ(parts->original, "10.0.0.5 nas gw\tx");
  EXPECT_EQ(parts->ending, "\r\n");
}

// Update and restore cycles over whole files (those whose answers readers
// give are end-to-end cycles): each cycle leaves the same bytes, and an
// update of an updated file changes nothing.
using Pairs = std::vector<Pin>;

std::string Saved(const HostsFile& hosts) {
  std::string saved;
  for (std::string_view piece : hosts.Pieces()) saved += piece;
  return saved;
}

std::string Update(std::string bytes, const Pairs& pins, int* count = nullptr) {
  HostsFile hosts(std::move(bytes));
  int changed = UpdateLines(&hosts, pins).count;
  if (count) *count = changed;
  return Saved(hosts);
}

std::string Restore(std::string bytes) {
  HostsFile hosts(std::move(bytes));
  RestoreLines(&hosts);
  return Saved(hosts);
}

// A managed line, ending as the file's lines end.
std::string M(std::string_view address, std::string_view name,
              std::string_view line_break = "\n") {
  return std::string(address) + "\t" + std::string(name) + "\t##Quorvane##" +
         std::string(line_break);
}

const Pairs kNas = {{"192.0.2.7", "nas"}};
const std::string kM = M("192.0.2.7", "nas"), kOff = "#" + kM;

TEST(KeptLineTest, RestoreGivesBackWhatAnUpdateTook) {
  struct Case {
    std::string hosts;
    Pairs pairs;
    std::string updated, restored;
  };
  const Case cases[] = {
      // Another spelling gets a line of its own, for musl.
      {"10.0.0.5 NAS\n", kNas,
       kM + M("192.0.2.7", "NAS") + KeptLine("10.0.0.5 NAS\n", {"nas"}),
       kOff + "#" + M("192.0.2.7", "NAS") + "10.0.0.5 NAS\n"},
      // A last line without a line break: given back without one, unless a
      // line was appended after it.
      {"x\n10.0.0.5 nas box", kNas,
       "x\n" + kM + KeptLine("10.0.0.5 nas box\n", {"nas"}) + "10.0.0.5 box",
       "x\n" + kOff + "10.0.0.5 nas box"},
      {"10.0.0.5 nas",
       {{"192.0.2.7", "nas"}, {"192.0.2.8", "pc"}},
       M("192.0.2.7", "nas", "\r\n") + KeptLine("10.0.0.5 nas\r\n", {"nas"}) +
           M("192.0.2.8", "pc", "\r\n"),
       "#" + M("192.0.2.7", "nas", "\r\n") + "10.0.0.5 nas\r\n#" +
           M("192.0.2.8", "pc", "\r\n")},
      // Lines of ours: a disabled one comes back in place, one more active
      // one is disabled; a line commented out is not taken.
      {"#" + M("10.1.1.1", "nas") + "10.0.0.5 nas\n", kNas,
       kM + KeptLine("10.0.0.5 nas\n", {"nas"}), kOff + "10.0.0.5 nas\n"},
      {M("10.1.1.1", "nas") + M("10.1.1.2", "nas"), kNas,
       kM + "#" + M("10.1.1.2", "nas"), kOff + "#" + M("10.1.1.2", "nas")},
      {"#10.0.0.5 nas\n", kNas, "#10.0.0.5 nas\n" + kM,
       "#10.0.0.5 nas\n" + kOff},
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
  const std::string line = "10.0.0.5 nas box\n", kept = KeptLine(line, {"nas"});
  const std::string updated = Update(line, kNas);
  ASSERT_EQ(updated, kM + kept + "10.0.0.5 box\n");
  std::string edited = KeptLine("10.0.0.5 nas\n", {"nas"});
  edited.replace(edited.find("10.0.0.5"), 8, "10.0.0.6");
  const std::pair<std::string, std::string> cases[] = {
      {kM + edited, kOff + edited},
      // The kept line changed, the rest changed or moved away: theirs, left
      // as they are.
      {kM + "#" + kept + "10.0.0.5 box\n",
       kOff + "#" + kept + "10.0.0.5 box\n"},
      {kM + kept + "10.0.0.6 box\n", kOff + kept + "10.0.0.6 box\n"},
      {kM + kept + "x\n10.0.0.5 box\n", kOff + kept + "x\n10.0.0.5 box\n"},
  };
  for (const auto& [edited, restored] : cases) {
    EXPECT_EQ(Restore(edited), restored) << testing::PrintToString(edited);
  }
  // A later update that takes another name from what was left: lines of
  // ours between a kept line and its rest are passed over.
  std::string twice = Update(Update("192.0.2.1 nas router gw\n", kNas),
                             {{"192.0.2.7", "nas"}, {"192.0.2.9", "router"}});
  EXPECT_EQ(Restore(twice),
            kOff + "192.0.2.1 nas router gw\n#" + M("192.0.2.9", "router"));
}

}  // namespace
}  // namespace quorvane
