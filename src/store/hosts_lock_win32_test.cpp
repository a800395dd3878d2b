// The Windows lock: its security, a mutex made with any other refused, a
// lock abandoned by a killed run taken. Wine has no private namespaces: there
// the lock is a Global mutex, which this opens (skipped on Windows).
#include <gtest/gtest.h>
#include <windows.h>
// windows.h first: these need its types.
#include <aclapi.h>
#include <sddl.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <thread>

#include "store/hash.h"
#include "store/hosts_lock.h"

namespace quorvane {
namespace {

using std::chrono::milliseconds;

TEST(WindowsLockTest, OnlyAMutexForSystemAndAdministratorsIsUsed) {
  if (GetProcAddress(GetModuleHandleA("kernel32.dll"),
                     "CreatePrivateNamespaceW") != nullptr) {
    GTEST_SKIP() << "the lock lives in a private namespace here";
  }
  const std::string dir = "C:\\quorvane-lock-test", hosts = dir + "\\hosts";
  CreateDirectoryA(dir.c_str(), nullptr);
  char name[64];  // the hash's values are pinned in hash_test.cpp
  snprintf(name, sizeof name, "Global\\Quorvane-hosts-%016llx",
           static_cast<unsigned long long>(
               Fnv1a(hosts, kFnvBasis, Spelling::kWindowsPath)));

  {
    HostsLock lock;
    ASSERT_TRUE(lock.Acquire(hosts, milliseconds(0)));
    HANDLE mutex = OpenMutexA(READ_CONTROL, FALSE, name);
    ASSERT_NE(mutex, nullptr);
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_EQ(
        GetSecurityInfo(mutex, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION,
                        nullptr, nullptr, nullptr, nullptr, &descriptor),
        ERROR_SUCCESS);
    CloseHandle(mutex);
    char* text = nullptr;
    ConvertSecurityDescriptorToStringSecurityDescriptorA(
        descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr);
    EXPECT_STREQ(text, "D:P(A;;GA;;;SY)(A;;GA;;;BA)");
    LocalFree(text);
    LocalFree(descriptor);
  }

  // What an account could do before: make the lock first, open to all.
  SECURITY_ATTRIBUTES security = {sizeof security, nullptr, FALSE};
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(
      "D:(A;;GA;;;WD)(A;;GA;;;SY)(A;;GA;;;BA)", SDDL_REVISION_1,
      &security.lpSecurityDescriptor, nullptr));
  HANDLE planted = CreateMutexA(&security, FALSE, name);
  LocalFree(security.lpSecurityDescriptor);
  ASSERT_NE(planted, nullptr);
  HostsLock refused;
  EXPECT_FALSE(refused.Acquire(hosts, milliseconds(0)));
  CloseHandle(planted);

  // A run whose thread ends holding the lock, as a killed run would.
  HostsLock killed, next;
  std::thread([&] {
    ASSERT_TRUE(killed.Acquire(hosts, milliseconds(0)));
  }).join();
  EXPECT_TRUE(next.Acquire(hosts, milliseconds(0)));
  // One file's lock however spelt; another file in the folder has its own.
  // (A mutex is its owner thread's again: ask from another thread.)
  auto free_elsewhere = [](const std::string& path) {
    bool got = false;
    std::thread([&] {
      HostsLock lock;
      got = lock.Acquire(path, milliseconds(0));
    }).join();
    return got;
  };
  EXPECT_FALSE(free_elsewhere(dir + "\\.\\HOSTS"));
  EXPECT_TRUE(free_elsewhere(dir + "\\dns-hosts"));
  RemoveDirectoryA(dir.c_str());
}

}  // namespace
}  // namespace quorvane
