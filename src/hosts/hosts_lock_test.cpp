#include "hosts/hosts_lock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

namespace quorvane {
namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

// Each lock below is taken as another run would take it: a separate
// HostsLock, from a thread of its own.
class HostsLockTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("quorvane-lock-" + std::to_string(std::random_device()()));
    std::filesystem::create_directories(dir_);
    hosts_ = (dir_ / "hosts").string();
    std::ofstream(hosts_) << "127.0.0.1 localhost\n";
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  // Tries the lock from another thread; true when it was had within `wait`.
  bool OtherRunGets(milliseconds wait) {
    bool got = false;
    std::thread([&] {
      HostsLock other;
      got = other.Acquire(hosts_, wait);
    }).join();
    return got;
  }

  std::filesystem::path dir_;
  std::string hosts_;
};

TEST_F(HostsLockTest, SecondRunWaitsUntilTheFirstLetsGo) {
  HostsLock first;
  ASSERT_TRUE(first.Acquire(hosts_, milliseconds(0)));
  std::atomic<bool> released = false;
  bool got = false;
  bool got_after_release = false;
  std::thread second([&] {
    HostsLock lock;
    got = lock.Acquire(hosts_, milliseconds(10000));
    got_after_release = released;
  });
  std::this_thread::sleep_for(milliseconds(150));
  released = true;
  first.Release();
  second.join();
  EXPECT_TRUE(got);
  EXPECT_TRUE(got_after_release);
}

TEST_F(HostsLockTest, WaitIsBoundedAndAFailedWaitHoldsNothing) {
  auto first = std::make_unique<HostsLock>();
  ASSERT_TRUE(first->Acquire(hosts_, milliseconds(0)));
  Clock::time_point start = Clock::now();
  EXPECT_FALSE(OtherRunGets(milliseconds(120)));
  milliseconds waited =
      std::chrono::duration_cast<milliseconds>(Clock::now() - start);
  EXPECT_GE(waited.count(), 120);
  EXPECT_LT(waited.count(), 3000);
  // The lock ends with its object; the run that gave up took nothing.
  first.reset();
  EXPECT_TRUE(OtherRunGets(milliseconds(0)));
}

TEST_F(HostsLockTest, HeldAcrossTheFileBeingReplacedOrRemoved) {
  // A save renames a new file over the hosts file: the lock must stay.
  HostsLock first;
  ASSERT_TRUE(first.Acquire(hosts_, milliseconds(0)));
  std::string next = (dir_ / "next").string();
  std::ofstream(next) << "new\n";
  std::filesystem::rename(next, hosts_);
  EXPECT_FALSE(OtherRunGets(milliseconds(30)));
  std::filesystem::remove(hosts_);
  EXPECT_FALSE(OtherRunGets(milliseconds(30)));
  first.Release();
  EXPECT_TRUE(OtherRunGets(milliseconds(0)));
}

TEST_F(HostsLockTest, NoDirectoryNoLock) {
  HostsLock lock;
  EXPECT_FALSE(
      lock.Acquire((dir_ / "missing" / "hosts").string(), milliseconds(1000)));
}

}  // namespace
}  // namespace quorvane
