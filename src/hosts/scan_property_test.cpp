// The update and restore scans against the reference
// (support/reference_scans.h) on random files and lists. Lines and host names
// are drawn from a few letters in both cases, so that names inside other
// names, the same name in another case, lines that map several names, names
// given in several pairs, lines that already are the managed line, and lines
// that hold a name without belonging to it come up all the time.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "hosts/managed_line.h"
#include "hosts/restore_hosts.h"
#include "hosts/update_hosts.h"
#include "support/reference_scans.h"

namespace quorvane {
namespace {

class RandomInput {
 public:
  explicit RandomInput(unsigned seed) : random_(seed) {}
  size_t Below(size_t n) { return random_() % n; }

  // Host names as the command line and list files let them through.
  std::string Name() { return Letters(3, 6); }
  std::string Address() { return Below(2) ? "192.0.2.1" : "192.0.2.22"; }

  // Managed lines (active, disabled, indented), lines that mention names,
  // and noise; CR LF or LF, the last line also bare CR or unterminated.
  std::string File(size_t max_lines) {
    std::string file;
    size_t lines = Below(max_lines + 1);
    for (size_t i = 0; i < lines; ++i) {
      std::string line;
      switch (Below(6)) {
        case 0:
          line = ManagedLine(Address(), Name());
          line.resize(line.size() - 2);
          break;
        case 1:
          line = (Below(2) ? "#" : "  ") + ManagedLine(Address(), Letters(2));
          line.resize(line.size() - 2);
          break;
        case 2: {
          // Entries, commented out or not, and lines that only look like one.
          static const char* const kFirst[] = {"10.0.0.1", "# fe80::1%a", "b.a",
                                               "#::1"};
          line = kFirst[Below(4)];
          for (size_t n = 1 + Below(3); n > 0; --n) {
            line += (Below(2) ? " " : "\t") + (Below(3) ? Name() : Letters(3));
          }
          if (Below(3) == 0) line += "\t##Quorvane##";
          break;
        }
        default:
          line = Letters(6);
      }
      size_t end = i + 1 == lines ? Below(4) : Below(2);
      file += line + (end == 0   ? "\n"
                      : end == 1 ? "\r\n"
                      : end == 2 ? "\r"
                                 : "");
    }
    return file;
  }

 private:
  // Up to `max` bytes of the first `kinds` of these: letters in both cases,
  // and a byte above 0x7F with its Latin-1 capital, which must not fold.
  std::string Letters(size_t max, size_t kinds = 10) {
    static const char kLetters[] = "abAB\xe1\xc1#\t \r";
    std::string s;
    for (size_t n = 1 + Below(max); n > 0; --n) s += kLetters[Below(kinds)];
    return s;
  }
  std::mt19937 random_;
};

TEST(ScanPropertyTest, UpdateAgreesWithTheReference) {
  RandomInput input(2024);
  for (int round = 0; round < 20000; ++round) {
    bool large = round % 10 == 0;  // now and then a long file, many pairs
    std::string file = input.File(large ? 80 : 12);
    IniFile list;
    for (size_t n = input.Below(large ? 40 : 7); n > 0; --n) {
      list.Add(input.Address(), input.Name());
    }
    Outcome want = ReferenceUpdate(file, list.ip, list.name);
    HostsFile hosts(file);
    LinesChanged changed = UpdateLines(&hosts, &list);
    ASSERT_TRUE((Outcome{Saved(hosts), changed.printed, changed.count}) == want)
        << "file " << testing::PrintToString(file) << "\nnames "
        << testing::PrintToString(list.name);
  }
}

TEST(ScanPropertyTest, RestoreAgreesWithTheReference) {
  RandomInput input(2025);
  for (int round = 0; round < 5000; ++round) {
    std::string file = input.File(round % 10 == 0 ? 80 : 12);
    HostsFile hosts(file);
    LinesChanged changed = DisableManagedLines(&hosts);
    ASSERT_TRUE((Outcome{Saved(hosts), changed.printed, changed.count}) ==
                ReferenceRestore(file))
        << "file " << testing::PrintToString(file);
  }
}

}  // namespace
}  // namespace quorvane
