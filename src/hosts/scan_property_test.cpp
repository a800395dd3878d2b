// The update and restore scans against their plain forms (one search per
// line, and per pair) on random files and lists. Lines and host names are
// drawn from a few letters, so that names inside other names, lines that
// hold several names, names given in several pairs, lines that already
// are the managed line, and lines that hold a name without belonging to it
// come up all the time.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "hosts/managed_line.h"
#include "hosts/restore_hosts.h"
#include "hosts/update_hosts.h"
#include "support/plain_scans.h"

namespace quorvane {
namespace {

class RandomInput {
 public:
  explicit RandomInput(unsigned seed) : random_(seed) {}

  size_t Below(size_t n) { return random_() % n; }

  std::string Name() {
    switch (Below(20)) {
      case 0:
        return "";  // inside every line, owns hardly any
      case 1:
        return Letters(2) + "\n";  // can end a line
      case 2:
        return "a\nb";  // can never lie inside one line
      default:
        return Letters(3);
    }
  }

  std::string Address() { return Below(2) ? "192.0.2.1" : "192.0.2.22"; }

  // A file of up to `max_lines` lines: managed lines (active, disabled,
  // indented), lines that mention names, and noise; CR LF or bare LF, and
  // now and then a last line without its line break or with a bare CR.
  std::string File(size_t max_lines) {
    std::string file;
    size_t lines = Below(max_lines + 1);
    for (size_t i = 0; i < lines; ++i) {
      std::string line;
      switch (Below(6)) {
        case 0:
          line = ManagedLine(Address(), Name());
          line.resize(line.size() - 2);  // the line break comes below
          break;
        case 1:
          line = (Below(2) ? "#" : "  ") + ManagedLine(Address(), Letters(2));
          line.resize(line.size() - 2);
          break;
        case 2: {
          // Entries, commented out or not, and lines that only look like one.
          static const char* const kFirst[] = {"10.0.0.1", "# fe80::1%a", "b.a",
                                               "#::1"};
          line = kFirst[Below(4)] + std::string(Below(2) ? " " : "\t") +
                 Letters(4) + (Below(3) ? "" : "\t##Quorvane##");
          break;
        }
        default:
          line = Letters(6);
      }
      size_t end = i + 1 == lines ? Below(4) : Below(2);
      line += end == 0 ? "\n" : end == 1 ? "\r\n" : end == 2 ? "\r" : "";
      file += line;
    }
    return file;
  }

 private:
  // One to `max` letters from a, b, #, TAB, blank and CR.
  std::string Letters(size_t max) {
    static const char kLetters[] = "ababab#\t \r";
    std::string s;
    for (size_t n = 1 + Below(max); n > 0; --n) s += kLetters[Below(10)];
    return s;
  }

  std::mt19937 random_;
};

struct Outcome {
  std::string content;
  std::string printed;
  int count;
  size_t pairs_left;
  bool operator==(const Outcome&) const = default;
};

void PrintTo(const Outcome& o, std::ostream* os) {
  *os << "count " << o.count << " left " << o.pairs_left << "\ncontent "
      << testing::PrintToString(o.content) << "\nprinted "
      << testing::PrintToString(o.printed);
}

template <typename Scan>
Outcome RunScan(Scan scan, const std::string& file, const IniFile& pairs) {
  HostsFile hosts;
  hosts.SetBytes(file);
  IniFile list = pairs;
  LinesChanged changed = scan(&hosts, &list);
  return {hosts.Content(), changed.printed, changed.count, list.Count()};
}

TEST(ScanPropertyTest, UpdateAgreesWithThePlainScan) {
  RandomInput input(2024);
  for (int round = 0; round < 20000; ++round) {
    // Mostly small cases; every tenth a longer file with many pairs.
    bool large = round % 10 == 0;
    std::string file = input.File(large ? 80 : 12);
    IniFile pairs;
    for (size_t n = input.Below(large ? 40 : 7); n > 0; --n) {
      pairs.Add(input.Address(), input.Name());
    }
    Outcome fast = RunScan(UpdateLines, file, pairs);
    Outcome plain = RunScan(PlainUpdateLines, file, pairs);
    ASSERT_EQ(fast, plain) << "file " << testing::PrintToString(file)
                           << "\nnames " << testing::PrintToString(pairs.name)
                           << "\naddresses "
                           << testing::PrintToString(pairs.ip);
  }
}

TEST(ScanPropertyTest, RestoreAgreesWithThePlainScan) {
  RandomInput input(99);
  IniFile none;
  for (int round = 0; round < 20000; ++round) {
    std::string file = input.File(12);
    auto restore = [](HostsFile* hosts, IniFile*) {
      return DisableManagedLines(hosts);
    };
    auto plain = [](HostsFile* hosts, IniFile*) {
      return PlainDisableManagedLines(hosts);
    };
    ASSERT_EQ(RunScan(restore, file, none), RunScan(plain, file, none))
        << "file " << testing::PrintToString(file);
  }
}

}  // namespace
}  // namespace quorvane
