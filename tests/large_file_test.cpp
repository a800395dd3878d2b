// End-to-end tests of the real program on a blocklist-sized hosts file (15
// MB, 450,000 lines), run inside the sandbox made by sandbox.sh. A file this
// large takes the paths a small one never does: the buffer prepared for a
// big read, reading in steps, and a scan that skips long stretches. Each
// case checks the exact bytes of the file and of standard output.
//
// Usage: quorvane_large_e2e PROGRAM [ARGS...]   (the command that runs it)
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/run.h"
#include "support/sandbox_case.h"

namespace quorvane {
namespace {

using namespace std::string_literals;

constexpr int kLines = 450000;
constexpr int kManaged = 300;  // one every 1,500 lines
const std::string kHosts = "/etc/hosts";

std::string Managed(const std::string& address, const std::string& name) {
  return address + "\t" + name + "\t##Quorvane##\r\n";
}

std::string Name(int i) {
  char name[16];
  snprintf(name, sizeof name, "host%04d", i);
  return name;
}

std::string OldAddress(int i) {
  return "172.16." + std::to_string(i / 256) + "." + std::to_string(i % 256);
}

std::string NewAddress(int i) {
  return "10.0." + std::to_string(i / 256) + "." + std::to_string(i % 256);
}

// The file as a list of lines: foreign lines (one with a NUL byte and bytes
// outside ASCII, one ending in a bare LF), a managed line for host0000,
// host0001, ... every 1,500 lines, and a last line without a line break.
std::vector<std::string> Lines() {
  std::vector<std::string> lines;
  lines.reserve(kLines);
  char line[64];
  for (int i = 0; i < kLines - 1; ++i) {
    if (i % 1500 == 1498) {
      lines.push_back(Managed(OldAddress(i / 1500), Name(i / 1500)));
    } else if (i == 200000) {
      lines.push_back("# \x82\xa0\0\xff odd bytes\r\n"s);
    } else if (i == 300000) {
      lines.push_back("0.0.0.0 lf-only.example\n");
    } else {
      snprintf(line, sizeof line, "0.0.0.0 ad%06d.tracker.example\r\n", i);
      lines.push_back(line);
    }
  }
  lines.push_back("# end");
  return lines;
}

std::string Join(const std::vector<std::string>& lines) {
  std::string bytes;
  for (const std::string& line : lines) bytes += line;
  return bytes;
}

class LargeFile : public testing::Test {
 protected:
  void SetUp() override {
    lines_ = Lines();
    unlink(kHosts.c_str());
    WriteFile(kHosts, Join(lines_));
  }

  RunResult Quorvane(std::vector<std::string> args) {
    return quorvane::Run(ProgramArgv(args), {"LC_ALL=C"}, "\n", Scratch());
  }

  // The pairs for every managed line, last line first, host0007 with the
  // address it already has, and one name that no line holds.
  std::string WriteList() {
    std::string list = "# every managed line\n";
    for (int i = kManaged - 1; i >= 0; --i) {
      list += (i == 7 ? OldAddress(i) : NewAddress(i)) + " " + Name(i) + "\n";
    }
    list += "10.9.9.9 brandnew\n";
    std::string path = Scratch() + "/all.list";
    WriteFile(path, list);
    return path;
  }

  // The update of WriteList's pairs: the lines it prints, in file order,
  // and the file it leaves.
  void ExpectedUpdate(std::string* printed, std::string* content) {
    std::vector<std::string> lines = lines_;
    for (int i = 0; i < kManaged; ++i) {
      if (i == 7) continue;
      lines[i * 1500 + 1498] = Managed(NewAddress(i), Name(i));
      *printed += lines[i * 1500 + 1498];
    }
    lines.back() += "\r\n";
    lines.push_back(Managed("10.9.9.9", "brandnew"));
    *printed += lines.back();
    *content = Join(lines);
  }

  std::vector<std::string> lines_;
};

TEST_F(LargeFile, UpdateRestoreAndNoChange) {
  std::string list = WriteList();
  std::string printed, content;
  ExpectedUpdate(&printed, &content);
  const std::string reading = "読み込み中... ";
  const std::string writing = "書き込み中... " + kHosts + "\n";

  RunResult r = Quorvane({"@" + list});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_TRUE(r.out == reading + list + "\n" + reading + kHosts + "\n" +
                           printed + "300 行追加しました.\n" + writing)
      << "the output differs; it begins " << r.out.substr(0, 200);
  EXPECT_TRUE(ReadFile(kHosts) == content) << "the file differs";

  // Everything is in place now: nothing is written.
  struct stat before, after;
  stat(kHosts.c_str(), &before);
  r = Quorvane({"@" + list});
  stat(kHosts.c_str(), &after);
  EXPECT_EQ(r.out, reading + list + "\n" + reading + kHosts + "\n" +
                       "0 行追加しました.\n");
  EXPECT_EQ(before.st_ino, after.st_ino);
  EXPECT_EQ(before.st_mtim.tv_nsec, after.st_mtim.tv_nsec);

  // The restore disables all 301 managed lines, host0007's included.
  std::string disabled;
  std::string restored;
  size_t start = 0;
  while (start < content.size()) {
    size_t end = content.find('\n', start) + 1;
    std::string line = content.substr(start, end - start);
    if (line.find("\t##Quorvane##") != std::string::npos) {
      line = "#" + line;
      disabled += line;
    }
    restored += line;
    start = end;
  }
  r = Quorvane({});
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(r.out == reading + kHosts + "\n" + disabled +
                           "301 行削除しました.\n" + writing)
      << "the output differs; it begins " << r.out.substr(0, 200);
  EXPECT_TRUE(ReadFile(kHosts) == restored) << "the file differs";
}

}  // namespace
}  // namespace quorvane

int main(int argc, char** argv) {
  return quorvane::SandboxedTestMain(argc, argv);
}
