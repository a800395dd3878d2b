// The two scans over a hosts file in memory: which lines each changes, how
// the file's bytes come out, and what is printed. No file is touched.
#include "hosts/update_hosts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "hosts/kept_line.h"
#include "hosts/restore_hosts.h"

namespace quorvane {
namespace {

std::string M(const std::string& address, const std::string& name) {
  return address + "\t" + name + "\t##Quorvane##\r\n";
}

// The kept form of an entry the name `name` was taken from.
std::string K(const std::string& entry, const std::string& name = "nas") {
  return KeptLine(entry, {name});
}

TEST(ScanTest, LinesChangedAndBytesKept) {
  const std::string nas = M("192.0.2.7", "nas"), nab = M("192.0.2.8", "nab");
  const std::vector<Pin> to_nas = {{"192.0.2.7", "nas"}}, none;
  const std::string nas6 = M("2001:db8::7", "nas");
  const std::string two = "10.0.0.8\tnas2 nas\t##Quorvane##\n";
  const std::vector<Pin> to6 = {{"2001:db8::7", "nas"}},
                         both = {to_nas[0], to6[0]};
  const std::string kAll = "(all of after)";  // printed: every line after
  const struct {
    std::string before;
    std::vector<Pin> pins;       // none: the restore
    std::string after, printed;  // printed: each changed line, once
  } cases[] = {
      // Appended; its managed line as it is; moved, disabled, in capitals.
      {"", to_nas, nas, nas},
      {"a b\n" + nas, to_nas, "a b\n" + nas, ""},
      {"#" + M("1.1.1.1", "NAS") + "x y\n", to_nas, nas + "x y\n", nas},
      // A shared line (kept for the restore); a line of another name.
      {"1.1.1.1 box nas\r\n", to_nas,
       nas + K("1.1.1.1 box nas\r\n") + "1.1.1.1 box\r\n",
       nas + K("1.1.1.1 box nas\r\n")},
      {"1.1.1.1 nas2\n", to_nas, "1.1.1.1 nas2\n" + nas, nas},
      // Names that share a prefix each take their own line.
      {"1.1.1.1 nas\n1.1.1.2 nab\n",
       {{"192.0.2.7", "nas"}, {"192.0.2.8", "nab"}},
       nas + K("1.1.1.1 nas\n") + nab + K("1.1.1.2 nab\n", "nab"),
       kAll},
      // The pair listed last takes the line; the other is appended.
      {"1.1.1.1 nas\n",
       {{"192.0.2.8", "nas"}, {"192.0.2.7", "NAS"}},
       M("192.0.2.7", "NAS") + K("1.1.1.1 nas\n") + M("192.0.2.8", "nas"),
       kAll},
      // IPv6 alone takes the name's lines of either family; both families
      // give one line each, IPv4 first, the second beside the first.
      {"10.0.0.5 nas\n" + M("10.0.0.6", "nas"), to6,
       nas6 + K("10.0.0.5 nas\n") + "#" + M("10.0.0.6", "nas"), kAll},
      {"a b\n", both, "a b\n" + nas + nas6, nas + nas6},
      {nas6 + "a b\n" + nas, both, nas + "a b\n" + nas6, nas + nas6},
      {nas + "a b\n", both, nas + nas6 + "a b\n", nas6},
      // A hand entry ahead of our IPv4 line takes the IPv4 pair; pairs left
      // over are appended in the order a later run would give them lines.
      {"::5 nas\n" + M("192.0.2.6", "nas"), both, nas + K("::5 nas\n") + nas6,
       kAll},
      {"",
       {to6[0], to_nas[0], {"192.0.2.8", "nas"}},
       M("192.0.2.8", "nas") + nas + nas6,
       kAll},
      // After a restore, each family's line of ours is enabled again.
      {"#" + nas + "10.0.0.5 nas\n#" + nas6 + "::5 nas\n", both,
       nas + K("10.0.0.5 nas\n") + nas6 + K("::5 nas\n"), kAll},
      // Each other spelling is served in both families.
      {"::5 NAS\n", both,
       nas + nas6 + M("192.0.2.7", "NAS") + M("2001:db8::7", "NAS") +
           K("::5 NAS\n"),
       kAll},
      // A name given twice leaves the line of another spelling to it, so
      // that a second run changes nothing.
      {"1.1.1.1 NAS\n",
       {{"192.0.2.7", "nas"}, {"192.0.2.8", "nas"}},
       M("192.0.2.8", "nas") + M("192.0.2.8", "NAS") + K("1.1.1.1 NAS\n") +
           M("192.0.2.7", "nas"),
       kAll},
      // A last line without its break gets the file's; a bare CR, the LF.
      {"a b\nc d", to_nas, "a b\nc d\n" + nas, nas},
      {"a b\r", to_nas, "a b\r\n" + nas, nas},
      // The restore: active managed lines become comments; disabled ones,
      // and lines that hold the marker in another shape (the
      // administrator's), stay.
      {"a b\n" + nas + " \t1.1.1.1\tx\t##Quorvane##\n", none,
       "a b\n#" + nas + " \t1.1.1.1\tx\t##Quorvane##\n", "#" + nas},
      // The administrator's line with the marker and two names is an entry:
      // what is left of it never takes a managed line's shape.
      {two, to_nas, nas + K(two) + "10.0.0.8\tnas2 \t##Quorvane##\n",
       nas + K(two)},
      {"#" + nas + "a b # ##Quorvane##\n", none,
       "#" + nas + "a b # ##Quorvane##\n", ""},
  };
  for (const auto& row : cases) {
    // The table writes managed lines with CR LF; in a file whose lines end
    // in LF, every line of ours does.
    auto c = row;
    size_t lf = c.before.find('\n');
    if (lf != std::string::npos && (lf == 0 || c.before[lf - 1] != '\r')) {
      for (std::string* text : {&c.before, &c.after, &c.printed}) {
        for (size_t at; (at = text->find("##Quorvane##\r\n")) != text->npos;) {
          text->erase(at + 12, 1);
        }
      }
    }
    SCOPED_TRACE(testing::PrintToString(c.before));
    HostsFile hosts(c.before);
    LinesChanged changed =
        c.pins.empty() ? RestoreLines(&hosts) : UpdateLines(&hosts, c.pins);
    std::string after;
    for (std::string_view piece : hosts.Pieces()) after += piece;
    EXPECT_EQ(after, c.after);
    const std::string& printed = c.printed == kAll ? c.after : c.printed;
    EXPECT_EQ(changed.printed, printed);
    EXPECT_EQ(changed.count, std::count(printed.begin(), printed.end(), '\n'));
    // A second run finds every line as it should be.
    HostsFile again(after);
    EXPECT_EQ(c.pins.empty() ? 0 : UpdateLines(&again, c.pins).count, 0);
  }
}

// Lines end as the file's lines end: LF in an LF file, CR LF in a CR LF one,
// the new file's own in an empty one; a line of ours that differs only in
// its line break is current, and stays as it is.
TEST(ScanTest, LinesEndAsTheFilesLinesEnd) {
  const std::vector<Pin> to_nas = {{"192.0.2.7", "nas"}};
  const std::string nas = "192.0.2.7\tnas\t##Quorvane##";
  const struct {
    std::string before, after;
  } cases[] = {
      {"a b\n", "a b\n" + nas + "\n"},
      {"a b\r\nc d\n", "a b\r\nc d\n" + nas + "\r\n"},
      {"a b", "a b\n" + nas + "\n"},
      {"", nas + "\n"},
      {"a b\n" + nas + "\r\n", "a b\n" + nas + "\r\n"},
      {"a b\n" + nas, "a b\n" + nas},
  };
  for (const auto& c : cases) {
    HostsFile hosts(c.before, "\n");
    UpdateLines(&hosts, to_nas);
    std::string after;
    for (std::string_view piece : hosts.Pieces()) after += piece;
    EXPECT_EQ(after, c.after) << testing::PrintToString(c.before);
  }
}

}  // namespace
}  // namespace quorvane
