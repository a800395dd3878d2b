// End-to-end tests of the real program, run inside the sandbox made by
// sandbox.sh: the hosts file, the list files and the DNS answers are all
// private to the sandbox. Each case checks the exit status, the exact bytes
// of standard output and standard error, the hosts file's bytes afterwards
// and whether it was rewritten at all.
//
// Usage: quorvane_e2e PROGRAM [ARGS...]   (the command that runs Quorvane)
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/run.h"

namespace quorvane {
namespace {

std::vector<std::string> g_program;

const std::string kLine1 = "192.0.2.7\tnas\t##Quorvane##\r\n";  // one.test nas

std::string Scratch() {
  const char* dir = getenv("QUORVANE_SANDBOX");
  return dir ? dir : "";
}

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

void Sh(const std::string& command) {
  ASSERT_EQ(system(command.c_str()), 0) << command;
}

class EndToEnd : public testing::Test {
 protected:
  const std::string hosts_ = "/etc/hosts";

  void SetUp() override {
    ASSERT_FALSE(Scratch().empty()) << "run me through sandbox.sh";
    SetHosts("127.0.0.1\tlocalhost\n");
  }

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
    std::vector<std::string> argv = g_program;
    argv.insert(argv.end(), args.begin(), args.end());
    return quorvane::Run(argv, env, input, Scratch());
  }

  // What the program prints around a run, in the C locale (UTF-8).
  std::string Reading(const std::string& path) {
    return "読み込み中... " + path + "\n";
  }
  std::string Writing() { return "書き込み中... " + hosts_ + "\n"; }
  std::string Added(int n) { return std::to_string(n) + " 行追加しました.\n"; }
  std::string Deleted(int n) {
    return std::to_string(n) + " 行削除しました.\n";
  }
  std::string Fatal(int code, const std::string& text) {
    return "Quorvane (" + std::to_string(code) + ")\n" + text + "\n";
  }

  // Files in /etc that a save may have left behind.
  std::vector<std::string> TemporaryFiles() {
    std::vector<std::string> found;
    DIR* dir = opendir("/etc");
    while (dirent* e = readdir(dir)) {
      std::string name = e->d_name;
      if (name.find("Quorvane") != std::string::npos) found.push_back(name);
    }
    closedir(dir);
    return found;
  }

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
  EXPECT_EQ(r.out, Reading(hosts_) + kLine1 + Added(1) + Writing());
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.stdin_consumed, 0);
  EXPECT_EQ(Hosts(), "127.0.0.1\tlocalhost\n" + kLine1);
  EXPECT_TRUE(Rewritten());

  // The same again: nothing to change, and the file is not written.
  stamp_ = StampOf(hosts_);
  r = Quorvane({"one.test", "nas"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, Reading(hosts_) + Added(0));
  EXPECT_FALSE(Rewritten());

  r = Quorvane({});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, Reading(hosts_) + "#" + kLine1 + Deleted(1) + Writing());
  EXPECT_EQ(Hosts(), "127.0.0.1\tlocalhost\n#" + kLine1);

  stamp_ = StampOf(hosts_);
  r = Quorvane({});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, Reading(hosts_) + Deleted(0));
  EXPECT_FALSE(Rewritten());

  r = Quorvane({"one.test", "nas"});
  EXPECT_EQ(r.out, Reading(hosts_) + kLine1 + Added(1) + Writing());
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
  EXPECT_EQ(r.stdin_consumed, 1);
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
    EXPECT_EQ(r.err, kUsageUtf8);
    EXPECT_EQ(r.stdin_consumed, 1);
  }
  // No input at all: the wait ends at once.
  RunResult r = Quorvane({"-?"}, "");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, kUsageUtf8);
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
            Reading(list) + Reading(hosts_) + lines + Added(3) + Writing());
  EXPECT_EQ(Hosts(), "127.0.0.1\tlocalhost\n" + lines);

  stamp_ = StampOf(hosts_);
  std::string comments = Scratch() + "/comments.list";
  WriteFile(comments, "# nothing\n\n");
  r = Quorvane({"@" + comments}, "\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, Reading(comments));
  EXPECT_EQ(r.err, kUsageUtf8);

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
  EXPECT_EQ(r.out, Reading(hosts_) + kLine1 +
                       "198.51.100.20\tpc\t##Quorvane##\r\n" + Added(2) +
                       Writing());
  // The unterminated last line gets the file's own line break (CR LF, from
  // its first line) before the appended line.
  EXPECT_EQ(Hosts(), head + kLine1 + tail + "\r\n" +
                         "198.51.100.20\tpc\t##Quorvane##\r\n");
}

TEST_F(EndToEnd, SaveKeepsModeAndOwnerAndLeavesNoTemporaryFile) {
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
  EXPECT_TRUE(TemporaryFiles().empty());
}

TEST_F(EndToEnd, SingleBindMountedHostsFileIsWrittenInPlace) {
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
  EXPECT_TRUE(TemporaryFiles().empty());
}

TEST_F(EndToEnd, ReadOnlyEtcIsError208WithNothingChanged) {
  Sh("mount --bind /etc /etc && mount -o remount,bind,ro /etc");
  RunResult r = Quorvane({"one.test", "nas"});
  Sh("umount /etc");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, Reading(hosts_) + kLine1 + Added(1) + Writing());
  EXPECT_EQ(r.err, Fatal(208, "HOSTS に書き込めません."));
  EXPECT_EQ(r.stdin_consumed, 1);
  EXPECT_EQ(Hosts(), "127.0.0.1\tlocalhost\n");
  EXPECT_FALSE(Rewritten());
}

TEST_F(EndToEnd, FullFileSystemIsError208WithTheOriginalIntact) {
  Sh("mount -t tmpfs -o size=256k quorvane-full /etc");
  std::string bytes;
  for (int i = 0; i < 2000; ++i) {
    bytes += "192.0.2." + std::to_string(i % 250) + "\thost" +
             std::to_string(i) + "\t##Quorvane##\r\n";
  }
  SetHosts(bytes);
  // Fill what is left, so the new copy cannot be written.
  int fd = open("/etc/filler", O_WRONLY | O_CREAT, 0644);
  std::string block(4096, 'f');
  while (write(fd, block.data(), block.size()) > 0) {
  }
  close(fd);
  RunResult r = Quorvane({});
  std::vector<std::string> left = TemporaryFiles();
  std::string after = Hosts();
  Sh("umount /etc");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, Fatal(208, "HOSTS に書き込めません."));
  EXPECT_EQ(after, bytes);
  EXPECT_TRUE(left.empty());
}

TEST_F(EndToEnd, UnreadableHostsFileIsError198) {
  unlink(hosts_.c_str());
  RunResult r = Quorvane({});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, Reading(hosts_));
  EXPECT_EQ(r.err, Fatal(198, "HOSTS が開けません."));

  ASSERT_EQ(mkdir(hosts_.c_str(), 0755), 0);  // opens, but cannot be read
  r = Quorvane({"one.test", "nas"});
  rmdir(hosts_.c_str());
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, Fatal(198, "HOSTS が開けません."));
}

TEST_F(EndToEnd, OwnTextFollowsTheLocaleAndOutsideBytesDoNot) {
  // A Shift_JIS host name is outside bytes: written as given, whatever the
  // console's character set.
  std::string name = "\x83z\x83X\x83g";
  for (const char* locale : {"LC_ALL=C.UTF-8", "LC_ALL=POSIX"}) {
    SetHosts("");
    RunResult r = Quorvane({"one.test", name}, "\n", {locale});
    EXPECT_EQ(r.status, 0);
    std::string line = "192.0.2.7\t" + name + "\t##Quorvane##\r\n";
    EXPECT_EQ(r.out, Reading(hosts_) + line + Added(1) + Writing()) << locale;
    EXPECT_EQ(Hosts(), line);
  }
}

}  // namespace
}  // namespace quorvane

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  for (int i = 1; i < argc; ++i) quorvane::g_program.push_back(argv[i]);
  if (quorvane::g_program.empty()) {
    fprintf(stderr, "usage: quorvane_e2e PROGRAM [ARGS...]\n");
    return 2;
  }
  return RUN_ALL_TESTS();
}
