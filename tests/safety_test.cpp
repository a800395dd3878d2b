// End-to-end tests of the program under faults and hostile input, run inside
// the sandbox made by sandbox.sh (its /etc and its DNS answers are private).
// Each case checks that a run gives the fitting error or the correct result,
// and that no byte of the hosts file that the run did not own has changed.
//
// Usage: quorvane_safety PROGRAM [ARGS...]   (the command that runs Quorvane)
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "names/ini_file.h"
#include "support/run.h"
#include "support/sandbox_case.h"
#include "support/spawn.h"

namespace quorvane {
namespace {

using namespace std::string_literals;
using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

const std::string kHosts = "/etc/hosts";
const std::string kBase = "127.0.0.1\tlocalhost\n";
const std::string kNas = "192.0.2.7\tnas\t##Quorvane##\r\n";
const char kCannotOpenHosts[] = "HOSTS が開けません.";
const char kCannotWriteHosts[] = "HOSTS に書き込めません.";

bool Exists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

class SafetyTest : public testing::Test {
 protected:
  void SetUp() override { SetHosts(kBase); }

  void SetHosts(const std::string& bytes) {
    unlink(kHosts.c_str());
    WriteFile(kHosts, bytes);
  }
  std::string Hosts() { return ReadFile(kHosts); }

  RunResult Quorvane(const std::vector<std::string>& args,
                     const std::string& input = "\n") {
    return quorvane::Run(ProgramArgv(args), {"LC_ALL=C"}, input, Scratch());
  }
  pid_t Start(const std::vector<std::string>& args, SpawnOptions options) {
    return Spawn(ProgramArgv(args), options);
  }
};

// Waits until the file at `path` holds `text`, for at most 20 seconds.
bool WaitForText(const std::string& path, const std::string& text) {
  for (int i = 0; i < 2000; ++i) {
    if (ReadFile(path).find(text) != std::string::npos) return true;
    std::this_thread::sleep_for(milliseconds(10));
  }
  return false;
}

// --- Two runs and the lock ---------------------------------------------------

TEST_F(SafetyTest, RunWaitsForTheLockAndWorksOnTheFileItThenFinds) {
  pid_t pid;
  {
    RunLock other_run;
    ASSERT_TRUE(other_run.held());
    pid = Start({"192.0.2.7", "nas"}, {});
    std::this_thread::sleep_for(milliseconds(300));
    EXPECT_TRUE(StillRunning(pid));
    EXPECT_EQ(Hosts(), kBase);
    // The other run saves meanwhile, by renaming a new file over the old.
    WriteFile("/etc/hosts.new", "10.0.0.1 other\n");
    ASSERT_EQ(rename("/etc/hosts.new", kHosts.c_str()), 0);
  }
  EXPECT_EQ(WaitFor(pid), 0);
  EXPECT_EQ(Hosts(), "10.0.0.1 other\n" + kNas);
}

TEST_F(SafetyTest, HostsFileDeletedWhileTheRunWaitsIsError198) {
  std::string err = Scratch() + "/waiting.err";
  pid_t pid;
  {
    RunLock other_run;
    ASSERT_TRUE(other_run.held());
    SpawnOptions options;
    options.err_path = err;
    pid = Start({}, options);
    std::this_thread::sleep_for(milliseconds(200));
    unlink(kHosts.c_str());
  }
  EXPECT_EQ(WaitFor(pid), 1);
  EXPECT_EQ(ReadFile(err), FatalText(198, kCannotOpenHosts));
  EXPECT_FALSE(Exists(kHosts));  // not made up from nothing
}

TEST_F(SafetyTest, FailedRunLetsGoOfTheLockBeforeWaitingForAKey) {
  // Run A fails to write (read-only /etc) and then waits for a key on a
  // terminal that nobody answers; run B must not wait for it.
  Sh("mount --bind /etc /etc && mount -o remount,bind,ro /etc");
  int key[2];
  ASSERT_EQ(pipe2(key, O_CLOEXEC), 0);
  std::string err = Scratch() + "/a.err";
  SpawnOptions options;
  options.stdin_fd = key[0];
  options.err_path = err;
  pid_t a = Start({"192.0.2.7", "nas"}, options);
  close(key[0]);
  bool reported = WaitForText(err, "Quorvane (208)");
  bool a_waits = StillRunning(a);
  Clock::time_point start = Clock::now();
  RunResult b = Quorvane({});
  auto b_took = Clock::now() - start;
  EXPECT_EQ(write(key[1], "\n", 1), 1);
  close(key[1]);
  int a_status = WaitFor(a);
  Sh("umount /etc");
  EXPECT_TRUE(reported);
  EXPECT_TRUE(a_waits);
  EXPECT_EQ(b.status, 0);
  EXPECT_LT(b_took, std::chrono::seconds(10));  // the lock waits 60
  EXPECT_EQ(a_status, 1);
  EXPECT_EQ(Hosts(), kBase);
}

TEST_F(SafetyTest, StrayTemporaryFilesAreRemovedByTheNextRun) {
  // Left by a run killed during its save; only the save's own names go.
  WriteFile("/etc/.hosts.Quorvane-k1lled", "half a hosts file");
  const std::vector<std::string> kept = {".hosts.Quorvane-short",
                                         "notes.Quorvane-abcdef"};
  for (const std::string& name : kept) WriteFile("/etc/" + name, "mine");
  ASSERT_EQ(mkdir("/etc/.hosts.Quorvane-dir123", 0755), 0);
  // Even a run that changes nothing cleans up.
  RunResult r = Quorvane({});
  EXPECT_EQ(r.status, 0);
  EXPECT_FALSE(Exists("/etc/.hosts.Quorvane-k1lled"));
  EXPECT_TRUE(Exists("/etc/.hosts.Quorvane-dir123"));
  for (const std::string& name : kept) {
    EXPECT_EQ(ReadFile("/etc/" + name), "mine");
    unlink(("/etc/" + name).c_str());
  }
  rmdir("/etc/.hosts.Quorvane-dir123");
  EXPECT_EQ(Hosts(), kBase);
}

TEST_F(SafetyTest, LocksOfAnotherUserDoNotDelayARun) {
  // An unprivileged user holds flock on all it can open near the hosts file.
  const std::string marks = Scratch() + "/held";
  ASSERT_EQ(mkdir(marks.c_str(), 0777), 0);
  ASSERT_EQ(chmod(marks.c_str(), 0777), 0);
  std::vector<pid_t> holders;
  for (const char* path : {"/etc", "/etc/hosts", "/run", "/run/lock", "/tmp"}) {
    std::string mark = marks + "/" + std::to_string(holders.size());
    holders.push_back(
        Spawn({"/usr/bin/setpriv", "--reuid=65534", "--regid=65534",
               "--clear-groups", "/usr/bin/flock", "-o", "-x", path, "/bin/sh",
               "-c", ": >" + mark + "; exec sleep 30"},
              {}));
    for (int i = 0; i < 2000 && !Exists(mark); ++i) {
      std::this_thread::sleep_for(milliseconds(10));
    }
    ASSERT_TRUE(Exists(mark)) << path;
  }
  Clock::time_point start = Clock::now();
  RunResult r = Quorvane({"192.0.2.7", "nas"});
  auto took = Clock::now() - start;
  for (pid_t pid : holders) {
    kill(pid, SIGKILL);
    WaitFor(pid);
  }
  EXPECT_EQ(r.status, 0);
  EXPECT_LT(took, std::chrono::seconds(10));  // the lock waits 60
  EXPECT_EQ(Hosts(), kBase + kNas);
}

TEST_F(SafetyTest, LockThatAnotherUserCouldReachIsError198) {
  const char* kMade[] = {
      "mkdir -m 700 /run/quorvane && chown 65534 /run/quorvane",
      "mkdir -m 755 /run/quorvane",
      "mkdir -m 700 /run/q2 && ln -s q2 /run/quorvane",
      "mkdir -m 700 /run/quorvane && install -m 600 -o 65534 /dev/null "
      "/run/quorvane/hosts.lock",
      "mkdir -m 700 /run/quorvane && install -m 644 /dev/null "
      "/run/quorvane/hosts.lock",
      "mkdir -m 700 /run/quorvane && ln -s /etc/hosts /run/quorvane/hosts.lock",
  };
  for (const char* made : kMade) {
    Sh("rm -rf /run/quorvane /run/q2 && " + std::string(made));
    RunResult r = Quorvane({"192.0.2.7", "nas"});
    EXPECT_EQ(r.status, 1) << made;
    EXPECT_EQ(r.err, FatalText(198, kCannotOpenHosts)) << made;
    EXPECT_EQ(Hosts(), kBase) << made;
  }
  Sh("rm -rf /run/quorvane /run/q2");
}

// --- Paths and attributes ----------------------------------------------------

TEST_F(SafetyTest, HostsFileThroughAnotherUsersDirectoryIsError198) {
  // /etc/hosts links into a user's directory; the user may then point the
  // last hop at a file of root's.
  const std::string user = Scratch() + "/user";
  const std::string shadow = Scratch() + "/shadow";
  const std::string secret = "root:*:19000:0:99999:7:::\n";
  ASSERT_EQ(mkdir(user.c_str(), 0755), 0);
  ASSERT_EQ(chown(user.c_str(), 65534, 65534), 0);
  WriteFile(shadow, secret);
  for (bool repointed : {false, true}) {
    unlink((user + "/hosts").c_str());
    if (repointed) {
      ASSERT_EQ(symlink(shadow.c_str(), (user + "/hosts").c_str()), 0);
    } else {
      WriteFile(user + "/hosts", kBase);
    }
    ASSERT_EQ(lchown((user + "/hosts").c_str(), 65534, 65534), 0);
    unlink(kHosts.c_str());
    ASSERT_EQ(symlink((user + "/hosts").c_str(), kHosts.c_str()), 0);
    RunResult r = Quorvane({"192.0.2.7", "nas"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, FatalText(198, kCannotOpenHosts));
    EXPECT_EQ(ReadFile(shadow), secret);
    if (!repointed) {
      EXPECT_EQ(ReadFile(user + "/hosts"), kBase);
    }
    EXPECT_EQ(SaveLeftovers(user).size() + SaveLeftovers("/etc").size(), 0u);
  }
  SetHosts(kBase);
}

// The user.* and trusted.* attributes of `path`, name=value each.
std::string Attributes(const std::string& path) {
  std::string all;
  for (const char* name : {"user.q", "trusted.q"}) {
    char value[2048];
    ssize_t size = getxattr(path.c_str(), name, value, sizeof value);
    all += std::string(name) + "=" + std::string(value, size > 0 ? size : 0);
  }
  return all;
}

TEST_F(SafetyTest, ExtendedAttributesSurviveASave) {
  // First saved by rename, the attributes copied to the new file. Then on a
  // file system whose inode space holds the attributes once but not twice:
  // the copy fails, so the file is written in place and keeps them.
  const std::string big(900, 'a');
  for (bool room : {true, false}) {
    if (!room) Sh("mount -t tmpfs -o nr_inodes=4,mode=0755 quorvane-full /etc");
    SetHosts(kNas);
    ASSERT_EQ(setxattr(kHosts.c_str(), "user.q", big.data(), big.size(), 0), 0);
    ASSERT_EQ(setxattr(kHosts.c_str(), "trusted.q", "t", 1, 0), 0);
    struct stat before, after;
    stat(kHosts.c_str(), &before);
    RunResult r = Quorvane({});
    stat(kHosts.c_str(), &after);
    std::string attributes = Attributes(kHosts), bytes = Hosts();
    if (!room) Sh("umount /etc");
    EXPECT_EQ(r.status, 0) << room;
    EXPECT_EQ(bytes, "#" + kNas) << room;
    EXPECT_EQ(attributes, "user.q=" + big + "trusted.q=t") << room;
    EXPECT_EQ(after.st_ino == before.st_ino, !room);
  }
}

TEST_F(SafetyTest, InPlaceSaveWithNowhereForItsJournalIsError208) {
  // The service's layout, read-only /etc with a writable hosts file, and
  // the state directory cannot be made either.
  Sh("rm -rf /var/lib/quorvane && mount --bind /var/lib /var/lib && "
     "mount -o remount,bind,ro /var/lib && mount --bind /etc /etc && "
     "mount -o remount,bind,ro /etc && mount --bind /etc/hosts /etc/hosts && "
     "mount -o remount,bind,rw /etc/hosts");
  RunResult r = Quorvane({"192.0.2.7", "nas"});
  std::string after = Hosts();
  Sh("umount /etc/hosts && umount /etc && umount /var/lib");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, FatalText(208, kCannotWriteHosts));
  EXPECT_EQ(after, kBase);
}

// --- File system faults ------------------------------------------------------

TEST_F(SafetyTest, FullDiskDuringAnInPlaceWriteKeepsTheOldBytes) {
  // A single bind-mounted hosts file, as containers have, on a full file
  // system: the in-place write runs out of space part way.
  std::string small = Scratch() + "/small";
  ASSERT_EQ(mkdir(small.c_str(), 0755), 0);
  Sh("mount -t tmpfs -o size=64k quorvane-small " + small);
  // Just under one page, so the appended line needs a page that is not there.
  std::string old = kBase + std::string(4090 - kBase.size() - 1, '#') + "\n";
  WriteFile(small + "/hosts", old);
  int fd = open((small + "/filler").c_str(), O_WRONLY | O_CREAT, 0644);
  std::string block(4096, 'f');
  while (write(fd, block.data(), block.size()) > 0) {
  }
  close(fd);
  Sh("mount --bind " + small + "/hosts /etc/hosts");
  RunResult r = Quorvane({"192.0.2.7", "nas"});
  std::string after = ReadFile(small + "/hosts");
  std::vector<std::string> left = SaveLeftovers("/etc");
  Sh("umount /etc/hosts");
  Sh("umount " + small);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, FatalText(208, kCannotWriteHosts));
  EXPECT_EQ(after, old);
  EXPECT_TRUE(left.empty());
}

// --- Hostile input -----------------------------------------------------------

TEST_F(SafetyTest, OddHostsFilesKeepEveryByteTheRunDoesNotOwn) {
  struct Case {
    const char* what;
    std::string bytes;
    std::string line_break;  // what the update puts after the last line
  };
  const std::vector<Case> cases = {
      {"empty", "", ""},
      {"only line breaks", "\n\r\n\n\r\n\r\n", ""},
      {"NUL bytes", "127.0.0.1\0localhost\n\0\0\0\r\n"s, ""},
      {"mixed line ends", "a\r\nb\nc\rd", "\r\n"},  // from the first line
      {"bare CR at the end", "x\ny\r", "\n"},
      {"megabyte line", std::string(3 << 20, 'm') + "\nno end", "\n"},
      {"Shift_JIS", "# \x83z\x83X\x83g\r\n10.0.0.1 \x95\x5c\r\n", ""},
      {"UTF-8 and invalid UTF-8",
       "\xef\xbb\xbf# ホスト\n10.0.0.2 caf\xc3\xa9 \xc3\x28\xff\xfe\n", ""},
      {"UTF-16",
       "1\x00"
       "2\x00"
       "7\x00\r\x00\n\x00"s,
       "\n"},
  };
  for (const Case& c : cases) {
    SetHosts(c.bytes);
    RunResult r = Quorvane({"192.0.2.7", "nas"});
    EXPECT_EQ(r.status, 0) << c.what;
    EXPECT_EQ(Hosts(), c.bytes + c.line_break + kNas) << c.what;
    r = Quorvane({});
    EXPECT_EQ(r.status, 0) << c.what;
    EXPECT_EQ(Hosts(), c.bytes + c.line_break + "#" + kNas) << c.what;
  }
  // The name's own line is replaced where it stands.
  std::string head = "\0junk\r\n"s + std::string(1 << 20, '\xff') + "\n";
  std::string tail = "\xfe\xff\r\n\r\rlast"s;
  SetHosts(head + "10.0.0.1 nas \0x\n"s + tail);
  RunResult r = Quorvane({"192.0.2.7", "nas"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(Hosts(), head + kNas + tail);
}

TEST_F(SafetyTest, OverLongArguments) {
  std::string name(100000, 'h');
  RunResult r = Quorvane({"192.0.2.7", name});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(Hosts(), kBase + "192.0.2.7\t" + name + "\t##Quorvane##\r\n");

  SetHosts(kBase);
  r = Quorvane({std::string(100000, 'd'), "nas"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err.substr(0, 15), "Quorvane (238)\n");
  EXPECT_EQ(Hosts(), kBase);
}

TEST_F(SafetyTest, HostileListFiles) {
  std::string list = Scratch() + "/hostile.list";
  std::string name(2 << 20, 'n');
  WriteFile(list, "192.0.2.7 " + name + "\r\n" + "192.0.2.8 pc\0ignored\n"s +
                      "192.0.2.9 mixed\rtail words\n\n\r\n");
  RunResult r = Quorvane({"@" + list});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(Hosts(), kBase + "192.0.2.7\t" + name + "\t##Quorvane##\r\n" +
                         "192.0.2.8\tpc\t##Quorvane##\r\n" +
                         "192.0.2.9\tmixed\t##Quorvane##\r\n");

  SetHosts(kBase);
  WriteFile(list, "\n\r\n\n");  // only line breaks: no pair at all
  r = Quorvane({"@" + list});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err.substr(0, 16), "Quorvane Ver2.0 ");  // the usage text

  // Lists up to the bound are read whole; one byte more is refused, and so
  // is a device that never ends, before memory runs out.
  std::string line = "# " + std::string(1000, 'c') + "\n";
  std::string big;
  while (big.size() + line.size() < kMaxListFileBytes) big += line;
  std::string pair = "192.0.2.7 nas\n";
  big += std::string(kMaxListFileBytes - big.size() - pair.size(), '\n');
  WriteFile(list, big + pair);
  r = Quorvane({"@" + list});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(Hosts(), kBase + kNas);

  SetHosts(kBase);
  WriteFile(list, big + pair + "\n");
  r = Quorvane({"@" + list});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, FatalText(147, list + "が開けません."));
  r = Quorvane({"@/dev/zero"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, FatalText(147, "/dev/zeroが開けません."));
  EXPECT_EQ(Hosts(), kBase);
}

}  // namespace
}  // namespace quorvane

int main(int argc, char** argv) {
  return quorvane::SandboxedTestMain(argc, argv);
}
