#include "hosts/hosts_lock_posix.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

namespace quorvane {
namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

// The lock's directory is made in a private folder; each lock below is
// taken as another run would take it, by a descriptor of its own.
class HostsLockTest : public testing::Test {
 protected:
  void SetUp() override {
    // Only folders and files of root's are used.
    if (geteuid() != 0) GTEST_SKIP() << "needs root";
    char templ[] = "/tmp/quorvane-lock-XXXXXX";
    ASSERT_NE(mkdtemp(templ), nullptr);
    top_ = templ;
    dir_ = top_ + "/run";
  }
  void TearDown() override {
    ASSERT_EQ(system(("rm -rf '" + top_ + "'").c_str()), 0);
  }
  // Tries the lock from another thread; true when it was had within `wait`.
  bool OtherRunGets(milliseconds wait) {
    bool got = false;
    std::thread([&] {
      int fd = OpenLockFile(dir_);
      got = fd >= 0 && LockWithin(fd, wait);
      if (fd >= 0) close(fd);
    }).join();
    return got;
  }
  std::string top_, dir_;
};

TEST_F(HostsLockTest, SecondRunWaitsUntilTheFirstLetsGo) {
  int first = OpenLockFile(dir_);
  ASSERT_TRUE(LockWithin(first, milliseconds(0)));
  std::atomic<bool> released = false;
  bool got = false, got_after_release = false;
  std::thread second([&] {
    int fd = OpenLockFile(dir_);
    got = LockWithin(fd, milliseconds(10000));
    got_after_release = released;
    close(fd);
  });
  std::this_thread::sleep_for(milliseconds(150));
  released = true;
  close(first);
  second.join();
  EXPECT_TRUE(got);
  EXPECT_TRUE(got_after_release);
}

TEST_F(HostsLockTest, WaitIsBoundedAndAFailedWaitHoldsNothing) {
  int first = OpenLockFile(dir_);
  ASSERT_TRUE(LockWithin(first, milliseconds(0)));
  Clock::time_point start = Clock::now();
  EXPECT_FALSE(OtherRunGets(milliseconds(120)));
  milliseconds waited =
      std::chrono::duration_cast<milliseconds>(Clock::now() - start);
  EXPECT_GE(waited.count(), 120);
  EXPECT_LT(waited.count(), 3000);
  close(first);
  EXPECT_TRUE(OtherRunGets(milliseconds(0)));
}

TEST_F(HostsLockTest, OnlyALockOfRootsOwnIsUsed) {
  // Made when missing, closed to everyone else.
  int fd = OpenLockFile(dir_);
  ASSERT_GE(fd, 0);
  close(fd);
  struct stat st;
  ASSERT_EQ(stat(dir_.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0700u);
  ASSERT_EQ(stat((dir_ + "/hosts.lock").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);

  // A lock another user could hold or could have made is never used.
  const std::string file = dir_ + "/hosts.lock";
  const std::string other = top_ + "/other";
  struct Case {
    const char* what;
    std::function<int()> make;  // 0 when done
  };
  const Case cases[] = {
      {"directory of another user",
       [&] { return chown(dir_.c_str(), 65534, 0); }},
      {"directory open to others", [&] { return chmod(dir_.c_str(), 0701); }},
      {"directory open to the group",
       [&] { return chmod(dir_.c_str(), 0750); }},
      {"directory a link",
       [&] {
         return rename(dir_.c_str(), other.c_str()) ||
                symlink(other.c_str(), dir_.c_str());
       }},
      {"file of another user", [&] { return chown(file.c_str(), 65534, 0); }},
      {"file readable by others", [&] { return chmod(file.c_str(), 0604); }},
      {"file a link",
       [&] {
         return rename(file.c_str(), (dir_ + "/x").c_str()) ||
                symlink("x", file.c_str());
       }},
      {"file a FIFO",
       [&] { return unlink(file.c_str()) || mkfifo(file.c_str(), 0600); }},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(system(("rm -rf '" + dir_ + "' '" + other + "'").c_str()), 0);
    close(OpenLockFile(dir_));
    ASSERT_EQ(c.make(), 0) << c.what;
    EXPECT_EQ(OpenLockFile(dir_), -1) << c.what;
  }
}

}  // namespace
}  // namespace quorvane
