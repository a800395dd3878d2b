// The Windows lock's own guarantees. A second account cannot be made under
// Wine, so no test here can show that another account is shut out; they
// check the security the lock is made with and that it refuses a mutex made
// with any other. Wine has no private namespaces (CreateBoundaryDescriptorW
// is a stub that returns null, CreatePrivateNamespaceW and
// OpenPrivateNamespaceW are not exported), so there the lock is the mutex of
// the same name and ACL in the Global namespace, which is what these tests
// open; on Windows they are skipped.
#include <gtest/gtest.h>
#include <windows.h>
// windows.h first: these need its types.
#include <aclapi.h>
#include <sddl.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>

#include "hosts/hosts_lock.h"

namespace quorvane {
namespace {

using std::chrono::milliseconds;

class WindowsLockTest : public testing::Test {
 protected:
  void SetUp() override {
    if (GetProcAddress(GetModuleHandleA("kernel32.dll"),
                       "CreatePrivateNamespaceW") != nullptr) {
      GTEST_SKIP() << "the lock lives in a private namespace here";
    }
    char base[MAX_PATH];
    ASSERT_NE(GetTempPathA(sizeof base, base), 0u);
    dir_ = std::string(base) + "quorvane-lock-" +
           std::to_string(GetCurrentProcessId());
    ASSERT_TRUE(CreateDirectoryA(dir_.c_str(), nullptr));
  }
  void TearDown() override { RemoveDirectoryA(dir_.c_str()); }

  // The lock's name for the folder: its path, case-folded, hashed.
  std::string Name() {
    uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (char c : dir_) hash = (hash ^ uint8_t(toupper(c))) * 1099511628211ull;
    char name[64];
    snprintf(name, sizeof name, "Global\\Quorvane-hosts-%016llx",
             static_cast<unsigned long long>(hash));
    return name;
  }

  std::string dir_;
};

TEST_F(WindowsLockTest, OnlySystemAndAdministratorsMayUseIt) {
  HostsLock lock;
  ASSERT_TRUE(lock.Acquire(dir_ + "\\hosts", milliseconds(0)));
  HANDLE mutex = OpenMutexA(READ_CONTROL, FALSE, Name().c_str());
  ASSERT_NE(mutex, nullptr);
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ASSERT_EQ(GetSecurityInfo(mutex, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION,
                            nullptr, nullptr, &dacl, nullptr, &descriptor),
            ERROR_SUCCESS);
  CloseHandle(mutex);
  char* text = nullptr;
  ConvertSecurityDescriptorToStringSecurityDescriptorA(
      descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr);
  // Protected, SYSTEM and Administrators, no Everyone, nothing inherited.
  EXPECT_STREQ(text, "D:P(A;;GA;;;SY)(A;;GA;;;BA)");
  LocalFree(text);
  LocalFree(descriptor);
}

TEST_F(WindowsLockTest, MutexMadeFirstWithAnotherAclIsRefused) {
  // What an account could do before: make the lock first, open to all.
  SECURITY_ATTRIBUTES security = {sizeof security, nullptr, FALSE};
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(
      "D:(A;;GA;;;WD)(A;;GA;;;SY)(A;;GA;;;BA)", SDDL_REVISION_1,
      &security.lpSecurityDescriptor, nullptr));
  HANDLE planted = CreateMutexA(&security, FALSE, Name().c_str());
  LocalFree(security.lpSecurityDescriptor);
  ASSERT_NE(planted, nullptr);
  HostsLock lock;
  EXPECT_FALSE(lock.Acquire(dir_ + "\\hosts", milliseconds(0)));
  CloseHandle(planted);
}

TEST_F(WindowsLockTest, AbandonedLockIsTaken) {
  // A run whose thread ends holding the lock, as a killed run would.
  auto killed = std::make_unique<HostsLock>();
  std::thread([&] {
    ASSERT_TRUE(killed->Acquire(dir_ + "\\hosts", milliseconds(0)));
  }).join();
  HostsLock next;
  EXPECT_TRUE(next.Acquire(dir_ + "\\hosts", milliseconds(0)));
}

}  // namespace
}  // namespace quorvane
