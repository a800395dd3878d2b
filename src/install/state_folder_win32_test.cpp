// The install's folder under Wine: which descriptors are an install's, what
// in a kept folder goes aside, when it is removed (made, kept or moved aside
// whole: windows_task_test.sh). No DACL at all makes Wine's mode 0777.
#include <gtest/gtest.h>
#include <windows.h>
// windows.h first: these need its types.
#include <aclapi.h>
#include <sddl.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "install/state_folder_win32.h"
#include "store/state_folder_win32.h"

namespace quorvane {
namespace {

namespace fs = std::filesystem;

TEST(InstalledFolderTest, OnlyTheInstallsOwnersAndEntriesPass) {
  const struct {
    const wchar_t* sddl;
    bool installed;
  } cases[] = {
      {kStateFolderSecurity, true},
      {L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)", true},  // no entry for Users
      {L"O:SYD:P(A;OICI;FA;;;BA)(A;OICI;FR;;;BU)", true},
      {L"O:S-1-5-21-1-2-3-1001D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)", false},
      {L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FR;;;S-1-5-21-1-2-3-1001)", false},
      {L"O:BAD:P(A;OICI;FA;;;SY)(A;OICIIO;FA;;;S-1-5-21-1-2-3-1001)", false},
      {L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;0x1201bf;;;BU)", false},
      {L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FR;;;WD)", false},
      {L"O:BAD:P(D;OICI;FA;;;SY)(A;OICI;FA;;;BA)", false},
      {L"O:BAD:(A;OICIID;FA;;;SY)(A;OICIID;FA;;;BA)", false},
      {L"O:BA", false},
  };
  for (const auto& c : cases) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(
        c.sddl, SDDL_REVISION_1, &descriptor, nullptr))
        << fs::path(c.sddl).string();
    EXPECT_EQ(IsStateFolderDescriptor(descriptor), c.installed)
        << fs::path(c.sddl).string();
    LocalFree(descriptor);
  }
}

class StateFolderTest : public testing::Test {
 protected:
  void SetUp() override {
    fs::remove_all(top_);
    fs::create_directories(top_);
  }
  void TearDown() override { fs::remove_all(top_); }
  // Opens `path` to everyone, as an ordinary account's own would be.
  static void OpenToEveryone(const fs::path& path) {
    ASSERT_EQ(SetNamedSecurityInfoW(const_cast<wchar_t*>(path.c_str()),
                                    SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                    nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
  }
  fs::path Aside(const fs::path& in, const std::string& prefix) {
    for (const auto& entry : fs::directory_iterator(in)) {
      if (entry.path().filename().string().rfind(prefix, 0) == 0) return entry;
    }
    return {};
  }
  fs::path top_ = fs::temp_directory_path() / "quorvane-install";
  fs::path folder_ = top_ / "Quorvane";
};

TEST_F(StateFolderTest, WhatAnotherAccountCouldChangeInAKeptFolderGoesAside) {
  ASSERT_TRUE(PrepareStateFolder(folder_.wstring()).made);
  std::ofstream(folder_ / "Quorvane.list") << "6.6.6.6 www.bank.example\r\n";
  std::ofstream(folder_ / "Quorvane.log") << "--- log\r\n";
  OpenToEveryone(folder_ / "Quorvane.list");
  fs::create_directories(folder_ / "sub");
  PreparedFolder prepared = PrepareStateFolder(folder_.wstring());
  EXPECT_TRUE(prepared.error.empty());
  EXPECT_FALSE(prepared.made);
  EXPECT_FALSE(fs::exists(folder_ / "Quorvane.list"));
  EXPECT_FALSE(fs::exists(folder_ / "sub"));
  EXPECT_TRUE(fs::exists(folder_ / "Quorvane.log"));
  EXPECT_FALSE(Aside(folder_, "Quorvane.list.untrusted-").empty());
  EXPECT_FALSE(Aside(folder_, "sub.untrusted-").empty());
}

TEST_F(StateFolderTest, AnAdministratorsFolderIsKeptWithItsListAndRepaired) {
  // This account's, others may read: what an administrator made by hand.
  fs::create_directories(folder_);
  std::ofstream(folder_ / "Quorvane.list") << "one.test nas\r\n";
  PreparedFolder prepared = PrepareStateFolder(folder_.wstring());
  EXPECT_TRUE(prepared.error.empty()) << fs::path(prepared.error).string();
  EXPECT_TRUE(prepared.repaired);
  EXPECT_TRUE(prepared.moved.empty());
  EXPECT_TRUE(fs::exists(folder_ / "Quorvane.list"));
  prepared = PrepareStateFolder(folder_.wstring());
  EXPECT_FALSE(prepared.repaired || prepared.made);
}

TEST_F(StateFolderTest, RemovedOnlyWhenAnInstallsFolder) {
  fs::create_directories(folder_);
  OpenToEveryone(folder_);
  std::wstring moved, error;
  EXPECT_FALSE(RemoveStateFolder(folder_.wstring(), &moved, &error));
  EXPECT_TRUE(fs::exists(folder_));
  fs::remove_all(folder_);
  EXPECT_TRUE(RemoveStateFolder(folder_.wstring(), &moved, &error));
}

TEST_F(StateFolderTest, RemovalEntersNoFolderAnotherAccountMayChange) {
  ASSERT_TRUE(PrepareStateFolder(folder_.wstring()).made);
  fs::create_directories(folder_ / "a" / "b");
  std::ofstream(folder_ / "a" / "b" / "Quorvane.list") << "one.test nas\r\n";
  std::ofstream(folder_ / "a" / "read-only") << "x";
  SetFileAttributesW((folder_ / "a" / "read-only").c_str(),
                     FILE_ATTRIBUTE_READONLY);
  // Left inside by an install that set it aside; a junction could be put
  // in it.
  fs::create_directories(folder_ / "theirs" / "in");
  std::ofstream(folder_ / "theirs" / "in" / "keep") << "theirs";
  OpenToEveryone(folder_ / "theirs");
  std::wstring moved, error;
  EXPECT_TRUE(RemoveStateFolder(folder_.wstring(), &moved, &error))
      << fs::path(error).string();
  EXPECT_FALSE(fs::exists(folder_));
  fs::path aside = Aside(top_, "Quorvane.untrusted-");
  EXPECT_TRUE(fs::exists(aside / "in" / "keep"));
  EXPECT_EQ(fs::path(moved).string(),
            (folder_ / "theirs").string() + " -> " + aside.string() + "\n");
}

}  // namespace
}  // namespace quorvane
