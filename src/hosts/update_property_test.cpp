// The update scan against a reference on random files and lists. The reference
// works on a file cut into lines by hand, one search per line and pair: the
// rules as a user reads them, nothing of the scans' own machinery. Lines and
// host names are drawn from a few letters, so that names inside other names,
// lines that hold several names, names given in several pairs and lines that
// already are the managed line come up all the time.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "hosts/update_hosts.h"

namespace quorvane {
namespace {

struct Outcome {
  std::string content;
  std::string printed;
  int count = 0;
  bool operator==(const Outcome&) const = default;
};

void PrintTo(const Outcome& o, std::ostream* os) {
  *os << "count " << o.count << "\ncontent "
      << testing::PrintToString(o.content) << "\nprinted "
      << testing::PrintToString(o.printed);
}

std::vector<std::string> Lines(const std::string& file) {
  std::vector<std::string> lines;
  for (size_t at = 0; at < file.size();) {
    size_t end = file.find('\n', at);
    end = end == std::string::npos ? file.size() : end + 1;
    lines.push_back(file.substr(at, end - at));
    at = end;
  }
  return lines;
}

std::string Managed(const std::string& address, const std::string& name) {
  return address + "\t" + name + "\t##Quorvane##\r\n";
}

// Each line, in order, goes to the pending pair listed last among those
// whose names it holds; pairs left over are appended in list order, after a
// line break for an unterminated last line (LF after a bare CR, else the
// first line break of the file as it stands, else CR LF).
Outcome ReferenceUpdate(const std::string& file, const IniFile& list) {
  std::vector<std::string> lines = Lines(file);
  std::vector<size_t> pending;
  for (size_t i = 0; i < list.ip.size(); ++i) pending.push_back(i);
  Outcome o;
  for (std::string& line : lines) {
    for (size_t p = pending.size(); p-- > 0;) {
      size_t i = pending[p];
      if (line.find(list.name[i]) == std::string::npos) continue;
      pending.erase(pending.begin() + p);
      std::string managed = Managed(list.ip[i], list.name[i]);
      if (line != managed) {
        line = managed;
        o.printed += managed;
        ++o.count;
      }
      break;
    }
  }
  for (size_t i : pending) {
    if (!lines.empty() && lines.back().back() != '\n') {
      std::string brk = "\r\n";
      for (const std::string& l : lines) {
        if (l.back() == '\n') {
          brk = l.size() > 1 && l[l.size() - 2] == '\r' ? "\r\n" : "\n";
          break;
        }
      }
      lines.back() += lines.back().back() == '\r' ? "\n" : brk;
    }
    lines.push_back(Managed(list.ip[i], list.name[i]));
    o.printed += lines.back();
    ++o.count;
  }
  for (const std::string& line : lines) o.content += line;
  return o;
}

class RandomInput {
 public:
  explicit RandomInput(unsigned seed) : random_(seed) {}
  size_t Below(size_t n) { return random_() % n; }

  std::string Name() {
    switch (Below(20)) {
      case 0:
        return "";  // occurs in every line
      case 1:
        return Letters(2) + "\n";  // can end a line
      case 2:
        return "a\nb";  // can never lie inside one line
      default:
        return Letters(3);
    }
  }
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
          line = Managed(Address(), Name());
          line.resize(line.size() - 2);
          break;
        case 1:
          line = (Below(2) ? "#" : "  ") + Managed(Address(), Letters(2));
          line.resize(line.size() - 2);
          break;
        case 2:
          line = "10.0.0.1 " + Letters(4) + (Below(3) ? "" : "\t##Quorvane##");
          break;
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
  std::string Letters(size_t max) {
    static const char kLetters[] = "ababab#\t \r";
    std::string s;
    for (size_t n = 1 + Below(max); n > 0; --n) s += kLetters[Below(10)];
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
    Outcome want = ReferenceUpdate(file, list);
    HostsFile hosts;
    hosts.SetBytes(file);
    LinesChanged changed = UpdateLines(&hosts, &list);
    ASSERT_EQ((Outcome{hosts.Content(), changed.printed, changed.count}), want)
        << "file " << testing::PrintToString(file);
  }
}

}  // namespace
}  // namespace quorvane
