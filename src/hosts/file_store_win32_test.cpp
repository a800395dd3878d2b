// The save when another program holds the hosts file open and shares
// nothing: a case the end-to-end table cannot make under Wine.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "hosts/file_store.h"

namespace quorvane {
namespace {

class FileStoreTest : public testing::Test {
 protected:
  void SetUp() override {
    char base[MAX_PATH];
    ASSERT_NE(GetTempPathA(sizeof base, base), 0u);
    dir_ = std::string(base) + "quorvane-store-" +
           std::to_string(GetCurrentProcessId());
    ASSERT_TRUE(CreateDirectoryA(dir_.c_str(), nullptr));
  }
  void TearDown() override {
    for (const std::string& name : Names()) {
      std::string path = dir_ + "\\" + name;
      if (!DeleteFileA(path.c_str())) RemoveDirectoryA(path.c_str());
    }
    RemoveDirectoryA(dir_.c_str());
  }
  void Write(const std::string& name, const std::string& bytes) {
    HANDLE file = CreateFileA((dir_ + "\\" + name).c_str(), GENERIC_WRITE, 0,
                              nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
              nullptr);
    CloseHandle(file);
  }
  std::string Read(const std::string& name) {
    std::string bytes;
    EXPECT_TRUE(ReadFileBytes(dir_ + "\\" + name, &bytes));
    return bytes;
  }
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((dir_ + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
      std::string name = found.cFileName;
      if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
  }
  std::string dir_;
};

TEST_F(FileStoreTest, HeldFileIsRetriedThenFailsWithTheOldBytesKept) {
  // Another program holds the hosts file open and shares nothing, for
  // longer than the save keeps retrying (about two seconds).
  Write("hosts", "old\r\n");
  HANDLE held = CreateFileA((dir_ + "\\hosts").c_str(), GENERIC_READ, 0,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  DWORD start = GetTickCount();
  EXPECT_FALSE(ReplaceFileBytes(dir_ + "\\hosts", {"new"}, "old\r\n"));
  DWORD waited = GetTickCount() - start;
  CloseHandle(held);
  EXPECT_GE(waited, 1500u);
  EXPECT_EQ(Read("hosts"), "old\r\n");
  // None of our temporary files is left. (Wine's own ReplaceFile leaves
  // "rf*.tmp" files of its own on each failure; Windows does not.)
  for (const std::string& name : Names()) {
    EXPECT_EQ(name.find(".Quorvane-"), std::string::npos) << name;
  }
}

}  // namespace
}  // namespace quorvane
