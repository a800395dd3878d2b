// End-to-end tests of the real program, run inside the sandbox made by
// sandbox.sh: the hosts file, the list files and the DNS answers are all
// private to the sandbox. Each case checks the exit status, the exact bytes
// of standard output and standard error, the hosts file's bytes afterwards
// and whether it was rewritten at all.
//
// The same cases serve the Linux program and the Windows one under Wine;
// where the two systems legitimately differ, the case says so.
//
// Usage: quorvane_e2e PROGRAM [ARGS...]   (the command that runs Quorvane)
// With QUORVANE_TARGET=windows, PROGRAM runs the Windows executable under
// Wine and the hosts file is the one in WINEPREFIX.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <iconv.h>
#include <pty.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/run.h"
#include "support/sandbox_case.h"
#include "support/spawn.h"

namespace quorvane {
namespace {

// What differs between the systems under test.
struct Target {
  bool windows = false;
  std::string hosts = "/etc/hosts";  // the hosts file, as seen from here
  std::string shown = "/etc/hosts";  // its path, as the program prints it
};
Target g_target;

// The program's own text as it reaches a file: converted to the locale's
// character set on Linux (UTF-8 here), the stored Shift_JIS on Windows.
std::string Own(const std::string& utf8) {
  if (!g_target.windows) return utf8;
  iconv_t cd = iconv_open("CP932", "UTF-8");
  std::string out(utf8.size() * 2 + 8, '\0');
  char* in = const_cast<char*>(utf8.data());
  size_t in_left = utf8.size();
  char* next = out.data();
  size_t room = out.size();
  iconv(cd, &in, &in_left, &next, &room);
  iconv_close(cd);
  out.resize(next - out.data());
  return out;
}

const std::string kLine1 = "192.0.2.7\tnas\t##Quorvane##\r\n";  // one.test nas

struct Stamp {
  ino_t ino = 0;
  long mtime = 0, mtime_ns = 0, ctime = 0, ctime_ns = 0;
  bool operator==(const Stamp& o) const {
    return ino == o.ino && mtime == o.mtime && mtime_ns == o.mtime_ns &&
           ctime == o.ctime && ctime_ns == o.ctime_ns;
  }
};

Stamp StampOf(const std::string& path) {
  struct stat st;
  Stamp s;
  if (stat(path.c_str(), &st) != 0) return s;
  s.ino = st.st_ino;
  s.mtime = st.st_mtim.tv_sec;
  s.mtime_ns = st.st_mtim.tv_nsec;
  s.ctime = st.st_ctim.tv_sec;
  s.ctime_ns = st.st_ctim.tv_nsec;
  return s;
}

class EndToEnd : public testing::Test {
 protected:
  const std::string hosts_ = g_target.hosts;
  const std::string dir_ = hosts_.substr(0, hosts_.rfind('/'));

  void SetUp() override { SetHosts("127.0.0.1\tlocalhost\n"); }

  void SetHosts(const std::string& bytes) {
    unlink(hosts_.c_str());
    WriteFile(hosts_, bytes);
    stamp_ = StampOf(hosts_);
  }
  std::string Hosts() { return ReadFile(hosts_); }
  bool Rewritten() { return !(StampOf(hosts_) == stamp_); }

  RunResult Quorvane(std::vector<std::string> args,
                     const std::string& input = "\n",
                     std::vector<std::string> env = {"LC_ALL=C"}) {
    return quorvane::Run(ProgramArgv(args), env, input, Scratch());
  }

  // What the program prints around a run.
  std::string Reading(const std::string& path) {
    return Own("読み込み中... ") + path + "\n";
  }
  std::string ReadingHosts() { return Reading(g_target.shown); }
  std::string Writing() {
    return Own("書き込み中... ") + g_target.shown + "\n";
  }
  std::string Added(int n) {
    return std::to_string(n) + Own(" 行追加しました.\n");
  }
  std::string Deleted(int n) {
    return std::to_string(n) + Own(" 行削除しました.\n");
  }
  // A fatal error on standard error. On Windows this is where the report
  // goes when no box can be shown, as under Wine without a display (the box
  // has a test of its own).
  std::string Fatal(int code, const std::string& text) {
    return "Quorvane (" + std::to_string(code) + ")\n" + Own(text) + "\n";
  }
  // Linux waits for a key after a fatal error; a report that could not be
  // shown as a box has no one to wait for.
  long FatalKey() { return g_target.windows ? 0 : 1; }

  Stamp stamp_;
};

const char kUsageUtf8[] =
    "Quorvane Ver2.0  ※使用は [自己責任] で！\n\nUsage:\n"
    "    Quorvane ダイナミックDNSドメイン名 ホスト名\n"
    "             HOSTS を書き換えます.\n"
    "    Quorvane   (パラメータ無し)\n"
    "             HOSTS を元に戻します.\n";

TEST_F(EndToEnd, UpdateThenRestoreThenUpdateAgain) {
  RunResult r = Quorvane({"one.test", "nas"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, ReadingHosts() + kLine1 + Added(1) + Writing());
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.stdin_consumed, 0);
  EXPECT_EQ(Hosts(), "127.0.0.1\tlocalhost\n" + kLine1);
  EXPECT_TRUE(Rewritten());

  // The same again: nothing to change, and the file is not written.
  stamp_ = StampOf(hosts_);
  r = Quorvane({"one.test", "nas"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, ReadingHosts() + Added(0));
  EXPECT_FALSE(Rewritten());

  r = Quorvane({});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, ReadingHosts() + "#" + kLine1 + Deleted(1) + Writing());
  EXPECT_EQ(Hosts(), "127.0.0.1\tlocalhost\n#" + kLine1);

  stamp_ = StampOf(hosts_);
  r = Quorvane({});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, ReadingHosts() + Deleted(0));
  EXPECT_FALSE(Rewritten());

  r = Quorvane({"one.test", "nas"});
  EXPECT_EQ(r.out, ReadingHosts() + kLine1 + Added(1) + Writing());
  EXPECT_EQ(Hosts(), "127.0.0.1\tlocalhost\n" + kLine1);
}

TEST_F(EndToEnd, TheFirstAddressOfTheAnswerIsWritten) {
  // The resolver answers 198.51.100.20 first; a sorting lookup would put the
  // reachable 127.0.0.5 first.
  RunResult r = Quorvane({"two.test", "pc", "192.0.2.99", "lit"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(Hosts(),
            "127.0.0.1\tlocalhost\n"
            "198.51.100.20\tpc\t##Quorvane##\r\n"
            "192.0.2.99\tlit\t##Quorvane##\r\n");
}

TEST_F(EndToEnd, UnresolvableDomainStopsBeforeTheHostsFile) {
  RunResult r = Quorvane({"one.test", "a", "nope.test", "b"}, "\n\n\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, Fatal(238, "ipアドレスを取得できません. [11001]"));
  EXPECT_EQ(r.stdin_consumed, FatalKey());
  EXPECT_FALSE(Rewritten());
}

TEST_F(EndToEnd, MalformedCommandLinesShowTheUsage) {
  std::vector<std::vector<std::string>> cases = {
      {"one.test"},
      {"-h"},
      {"one.test", "nas", "--help"},
      {"@"},
      {"a", "b", "c"},
      {"one.test", ""},
      {"one.test", "nas\r\n10.0.0.1\tevil"},
  };
  for (const auto& args : cases) {
    RunResult r = Quorvane(args, "xyz");
    EXPECT_EQ(r.status, 1) << args[0];
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, Own(kUsageUtf8));
    EXPECT_EQ(r.stdin_consumed, 1);
  }
  // From a pipe, too, exactly one byte is taken: the rest is left for
  // whatever reads the pipe next.
  int in[2];
  ASSERT_EQ(pipe(in), 0);
  ASSERT_EQ(write(in[1], "xyz", 3), 3);
  close(in[1]);
  SpawnOptions options;
  options.stdin_fd = in[0];
  EXPECT_EQ(WaitFor(Spawn(ProgramArgv({"-h"}), options)), 1);
  char rest[8];
  ssize_t got = read(in[0], rest, sizeof rest);
  close(in[0]);
  EXPECT_EQ(std::string(rest, got > 0 ? got : 0), "yz");

  // At a terminal the whole typed line is taken: nothing is left for the
  // shell to run. (Wine's console is not a terminal.)
  if (!g_target.windows) {
    std::vector<std::string> argv = ProgramArgv({"-h"});
    int terminal;
    pid_t pid = forkpty(&terminal, nullptr, nullptr, nullptr);
    if (pid == 0) {  // the program, then what the next reader would get
      options.stdin_fd = 0;
      WaitFor(Spawn(argv, options));
      fcntl(0, F_SETFL, O_NONBLOCK);
      got = read(0, rest, sizeof rest);
      std::string left = "[left:" + std::string(rest, got > 0 ? got : 0) + "]";
      _exit(write(1, left.data(), left.size()) > 0 ? 0 : 1);
    }
    ASSERT_EQ(write(terminal, "ls\n", 3), 3);
    std::string seen;
    while ((got = read(terminal, rest, sizeof rest)) > 0)
      seen.append(rest, got);
    close(terminal);
    EXPECT_EQ(WaitFor(pid), 0);
    EXPECT_NE(seen.find("[left:]"), std::string::npos) << seen;
  }

  // No input at all: the wait ends at once.
  RunResult r = Quorvane({"-?"}, "");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, Own(kUsageUtf8));
  EXPECT_FALSE(Rewritten());
}

TEST_F(EndToEnd, ListFiles) {
  std::string list = Scratch() + "/names.list";
  WriteFile(list,
            "# my names\r\none.test nas\r\n\r\n  indented.test skipped\r\n"
            "two.test pc trailing words\r\n");
  RunResult r = Quorvane({"@" + list, "192.0.2.1", "router"});
  EXPECT_EQ(r.status, 0);
  std::string lines = kLine1 + "198.51.100.20\tpc\t##Quorvane##\r\n" +
                      "192.0.2.1\trouter\t##Quorvane##\r\n";
  EXPECT_EQ(r.out,
            Reading(list) + ReadingHosts() + lines + Added(3) + Writing());
  EXPECT_EQ(Hosts(), "127.0.0.1\tlocalhost\n" + lines);

  stamp_ = StampOf(hosts_);
  std::string comments = Scratch() + "/comments.list";
  WriteFile(comments, "# nothing\n\n");
  r = Quorvane({"@" + comments}, "\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, Reading(comments));
  EXPECT_EQ(r.err, Own(kUsageUtf8));

  std::string missing = Scratch() + "/missing.list";
  r = Quorvane({"@" + missing});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, Reading(missing));
  EXPECT_EQ(r.err, Fatal(147, missing + "が開けません."));

  r = Quorvane({"@" + Scratch()});  // a directory reads as an error
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, Fatal(147, Scratch() + "が開けません."));

  std::string bad = Scratch() + "/bad.list";
  WriteFile(bad, "# first\r\none.test nas\r\nlonely\r\ntwo.test pc\r\n");
  r = Quorvane({"one.test", "x", "@" + bad, "two.test", "y"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, Reading(bad));
  EXPECT_EQ(r.err, Fatal(159, "lonely\r\n\nファイル=" + bad +
                                  ", 行＝3, 書式が間違っています."));
  EXPECT_FALSE(Rewritten());
}

TEST_F(EndToEnd, ANameTakesOnlyItsOwnLines) {
  const std::string debian =
      "127.0.0.1\tlocalhost\n127.0.1.1\tdebian\n\n"
      "# The following lines are desirable for IPv6 capable hosts\n"
      "::1     localhost ip6-localhost ip6-loopback\n"
      "ff02::1 ip6-allnodes\nff02::2 ip6-allrouters\n";
  const std::string others =
      "192.168.1.10 nas-backup # old backup box\r\n192.168.1.11 nas2\r\n"
      "# my nas box\r\n10.0.0.7 printer # next to the nas\r\n";
  const std::string known = "192.0.2.7\tnas.home\t##Quorvane##\r\n" + kLine1;
  struct Case {
    std::string before;
    std::vector<std::string> args;
    std::string printed;  // the lines rewritten or appended
    std::string after;
  };
  const Case cases[] = {
      {debian,
       {"one.test", "host"},
       "192.0.2.7\thost\t##Quorvane##\r\n",
       debian + "192.0.2.7\thost\t##Quorvane##\r\n"},
      {others, {"one.test", "nas"}, kLine1, others + kLine1},
      {"#192.0.2.1\tnas\t##Quorvane##\r\n" + others + "10.0.0.5 box pc\n",
       {"one.test", "nas", "192.0.2.9", "pc"},
       kLine1 + "192.0.2.9\tpc\t##Quorvane##\r\n",
       kLine1 + others + "192.0.2.9\tpc\t##Quorvane##\r\n"},
      {known, {"one.test", "nas.home", "one.test", "nas"}, "", known},
  };
  for (const Case& c : cases) {
    SetHosts(c.before);
    RunResult r = Quorvane(c.args);
    int count = std::count(c.printed.begin(), c.printed.end(), '\n');
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, ReadingHosts() + c.printed + Added(count) +
                         (count > 0 ? Writing() : ""));
    EXPECT_EQ(Hosts(), c.after);
    EXPECT_EQ(Rewritten(), count > 0) << c.args[1];
  }
}

TEST_F(EndToEnd, AnOutputPipeWithoutAReaderStopsNothing) {
  std::string list = Scratch() + "/many.list";
  std::string pairs, lines;
  for (int i = 0; i < 600; ++i) {
    std::string address = "192.0.2." + std::to_string(i % 250);
    std::string name = "host" + std::to_string(i);
    pairs += address + " " + name + "\n";
    lines += address + "\t" + name + "\t##Quorvane##\r\n";
  }
  WriteFile(list, pairs);
  int out[2];
  ASSERT_EQ(pipe(out), 0);
  close(out[0]);
  SpawnOptions options;
  options.stdout_fd = out[1];
  int status = WaitFor(Spawn(ProgramArgv({"@" + list}), options));
  close(out[1]);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(Hosts(), "127.0.0.1\tlocalhost\n" + lines);
}

TEST_F(EndToEnd, EveryByteTheRunDoesNotOwnSurvives) {
  using namespace std::string_literals;
  std::string head = "\xef\xbb\xbf# \x82\xb1\x82\xf1 UTF-8 \xe3\x81\x82\r\n"s +
                     "bin\0ary\0\n"s + "lf only\n" + std::string(2 << 20, 'L') +
                     "\r\n" + "lone\rcr\r\n";
  std::string tail =
      "10.0.0.9 other\r\n\n\n" + std::string(5000, ' ') + "\nno line break";
  SetHosts(head + "10.0.0.1 old nas entry\n" + tail);
  RunResult r = Quorvane({"one.test", "nas", "two.test", "pc"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, ReadingHosts() + kLine1 +
                       "198.51.100.20\tpc\t##Quorvane##\r\n" + Added(2) +
                       Writing());
  // The unterminated last line gets the file's own line break (CR LF, from
  // its first line) before the appended line.
  EXPECT_EQ(Hosts(), head + kLine1 + tail + "\r\n" +
                         "198.51.100.20\tpc\t##Quorvane##\r\n");
}

TEST_F(EndToEnd, SaveKeepsModeAndOwnerAndLeavesNoTemporaryFile) {
  if (g_target.windows) {
    GTEST_SKIP() << "Linux only: on Windows the replace keeps the ACL";
  }
  ASSERT_EQ(chmod(hosts_.c_str(), 0604), 0);
  ASSERT_EQ(chown(hosts_.c_str(), 1234, 5678), 0);
  RunResult r = Quorvane({"one.test", "nas"});
  EXPECT_EQ(r.status, 0);
  struct stat st;
  ASSERT_EQ(stat(hosts_.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0604u);
  EXPECT_EQ(st.st_uid, 1234u);
  EXPECT_EQ(st.st_gid, 5678u);
  EXPECT_NE(st.st_ino, stamp_.ino);  // replaced whole, not rewritten in place
  EXPECT_TRUE(SaveLeftovers(dir_).empty());
}

TEST_F(EndToEnd, SingleBindMountedHostsFileIsWrittenInPlace) {
  if (g_target.windows) GTEST_SKIP() << "Linux only: a container's hosts file";
  // As in a container: /etc/hosts is a mount point and cannot be renamed over.
  std::string outside = Scratch() + "/container-hosts";
  WriteFile(outside, "127.0.0.1 localhost\r\n");
  Sh("mount --bind " + outside + " /etc/hosts");
  stamp_ = StampOf(hosts_);
  RunResult r = Quorvane({"one.test", "nas"});
  Sh("umount /etc/hosts");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(ReadFile(outside), "127.0.0.1 localhost\r\n" + kLine1);
  EXPECT_EQ(StampOf(outside).ino, stamp_.ino);
  EXPECT_TRUE(SaveLeftovers(dir_).empty());
}

TEST_F(EndToEnd, ReadOnlyEtcIsError208WithNothingChanged) {
  Sh("mount --bind " + dir_ + " " + dir_ + " && mount -o remount,bind,ro " +
     dir_);
  RunResult r = Quorvane({"one.test", "nas"});
  Sh("umount " + dir_);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, ReadingHosts() + kLine1 + Added(1) + Writing());
  EXPECT_EQ(r.err, Fatal(208, "HOSTS に書き込めません."));
  EXPECT_EQ(r.stdin_consumed, FatalKey());
  EXPECT_EQ(Hosts(), "127.0.0.1\tlocalhost\n");
  EXPECT_FALSE(Rewritten());
}

TEST_F(EndToEnd, ReadOnlyFolderWritableHostsFileIsWrittenInPlaceOnWindows) {
  if (!g_target.windows) GTEST_SKIP() << "Windows: in place under a journal";
  // The folder refuses a temporary file, the hosts file takes writes: the
  // save goes in place, its journal in ProgramData, gone once it is done.
  std::string outside = Scratch() + "/hosts";
  WriteFile(outside, "127.0.0.1 localhost\r\n");
  Sh("mount --bind " + dir_ + " " + dir_ + " && mount -o remount,bind,ro " +
     dir_ + " && mount --bind " + outside + " " + hosts_);
  RunResult r = Quorvane({"one.test", "nas"});
  Sh("umount " + hosts_ + " && umount " + dir_);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(ReadFile(outside), "127.0.0.1 localhost\r\n" + kLine1);
  std::string journals = dir_ + "/../../../../ProgramData/Quorvane";
  // The folder is shared with the scheduled task's log and list.
  Sh("test -d " + journals + " && ! ls " + journals + "/journal-* 2>/dev/null");
}

TEST_F(EndToEnd, FullFileSystemIsError208WithTheOriginalIntact) {
  Sh("mount -t tmpfs -o size=256k quorvane-full " + dir_);
  std::string bytes;
  for (int i = 0; i < 2000; ++i) {
    bytes += "192.0.2." + std::to_string(i % 250) + "\thost" +
             std::to_string(i) + "\t##Quorvane##\r\n";
  }
  SetHosts(bytes);
  // Fill what is left, so the new copy cannot be written.
  int fd = open((dir_ + "/filler").c_str(), O_WRONLY | O_CREAT, 0644);
  std::string block(4096, 'f');
  while (write(fd, block.data(), block.size()) > 0) {
  }
  close(fd);
  RunResult r = Quorvane({});
  std::vector<std::string> left = SaveLeftovers(dir_);
  std::string after = Hosts();
  Sh("umount " + dir_);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, Fatal(208, "HOSTS に書き込めません."));
  EXPECT_EQ(after, bytes);
  EXPECT_TRUE(left.empty());
}

TEST_F(EndToEnd, UnreadableHostsFileIsError198) {
  unlink(hosts_.c_str());
  RunResult r = Quorvane({});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, ReadingHosts());
  EXPECT_EQ(r.err, Fatal(198, "HOSTS が開けません."));

  ASSERT_EQ(mkdir(hosts_.c_str(), 0755), 0);  // opens, but cannot be read
  r = Quorvane({"one.test", "nas"});
  rmdir(hosts_.c_str());
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, Fatal(198, "HOSTS が開けません."));
}

TEST_F(EndToEnd, StrayTemporaryFileOfAKilledSaveIsRemovedByTheNextRun) {
  // Each system names its temporary files its own way.
  std::string stray = dir_ + (g_target.windows ? "/.hosts.Quorvane-4242-0"
                                               : "/.hosts.Quorvane-k1lled");
  std::string other = dir_ + "/hosts.Quorvane-notes";
  WriteFile(stray, "half a hosts file");
  WriteFile(other, "mine");
  RunResult r = Quorvane({});  // changes nothing, and still cleans up
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(access(stray.c_str(), F_OK), -1);
  EXPECT_EQ(ReadFile(other), "mine");
  unlink(other.c_str());
  EXPECT_FALSE(Rewritten());
}

TEST_F(EndToEnd, TwoRunsAtOnceBothKeepTheirLines) {
  std::string base;
  for (int i = 0; i < 20000; ++i) {
    base += "0.0.0.0 ads" + std::to_string(i) + ".example\r\n";
  }
  for (int round = 0; round < 5; ++round) {
    SetHosts(base);
    // Both start on the same byte from one pipe.
    int gate[2];
    ASSERT_EQ(pipe(gate), 0);
    std::vector<pid_t> runs;
    for (const char* name : {"nas", "pc"}) {
      std::vector<std::string> argv = ProgramArgv({"192.0.2.7", name});
      SpawnOptions options;
      options.gate_fd = gate[0];
      runs.push_back(Spawn(argv, options));
    }
    close(gate[0]);
    ASSERT_EQ(write(gate[1], "go", 2), 2);
    close(gate[1]);
    for (pid_t pid : runs) EXPECT_EQ(WaitFor(pid), 0);
    std::string after = Hosts();
    EXPECT_NE(after.find("192.0.2.7\tnas\t##Quorvane##\r\n"),
              std::string::npos);
    EXPECT_NE(after.find("192.0.2.7\tpc\t##Quorvane##\r\n"), std::string::npos);
    EXPECT_EQ(after.substr(0, base.size()), base);
  }
}

TEST_F(EndToEnd, OwnTextFollowsTheLocaleAndOutsideBytesDoNot) {
  if (g_target.windows) {
    GTEST_SKIP() << "Linux only: Windows writes its stored bytes to a file";
  }
  // A Shift_JIS host name is outside bytes: written as given, whatever the
  // console's character set.
  std::string name = "\x83z\x83X\x83g";
  for (const char* locale : {"LC_ALL=C.UTF-8", "LC_ALL=POSIX"}) {
    SetHosts("");
    RunResult r = Quorvane({"one.test", name}, "\n", {locale});
    EXPECT_EQ(r.status, 0);
    std::string line = "192.0.2.7\t" + name + "\t##Quorvane##\r\n";
    EXPECT_EQ(r.out, ReadingHosts() + line + Added(1) + Writing()) << locale;
    EXPECT_EQ(Hosts(), line);
  }
}

}  // namespace
}  // namespace quorvane

int main(int argc, char** argv) {
  quorvane::Target& target = quorvane::g_target;
  const char* kind = getenv("QUORVANE_TARGET");
  if (kind != nullptr && std::string(kind) == "windows") {
    const char* prefix = getenv("WINEPREFIX");
    target.windows = true;
    target.hosts = std::string(prefix ? prefix : "") +
                   "/drive_c/windows/system32/drivers/etc/hosts";
    target.shown = "C:\\windows\\system32\\drivers\\etc\\hosts";
  }
  return quorvane::SandboxedTestMain(argc, argv);
}
