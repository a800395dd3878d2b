// The save when another program holds the hosts file open and shares
// nothing, for longer than the save keeps retrying (about two seconds): a
// case the end-to-end table cannot make under Wine.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "hosts/file_store.h"

namespace quorvane {
namespace {

TEST(FileStoreTest, HeldFileIsRetriedThenFailsWithTheOldBytesKept) {
  char base[MAX_PATH];
  ASSERT_NE(GetTempPathA(sizeof base, base), 0u);
  std::string dir = std::string(base) + "quorvane-store-" +
                    std::to_string(GetCurrentProcessId());
  std::string path = dir + "\\hosts";
  ASSERT_TRUE(CreateDirectoryA(dir.c_str(), nullptr));
  HANDLE held = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                            nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  DWORD written;
  WriteFile(held, "old\r\n", 5, &written, nullptr);
  DWORD start = GetTickCount();
  EXPECT_FALSE(ReplaceFileBytes(path, {"new"}, "old\r\n"));
  DWORD waited = GetTickCount() - start;
  CloseHandle(held);
  EXPECT_GE(waited, 1500u);
  std::string bytes;
  EXPECT_TRUE(ReadFileBytes(path, &bytes));
  EXPECT_EQ(bytes, "old\r\n");
  // None of our temporary files is left. (Wine's own ReplaceFile leaves
  // "rf*.tmp" files of its own on each failure; Windows does not.)
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((dir + "\\*").c_str(), &found);
  do {
    std::string name = found.cFileName;
    EXPECT_EQ(name.find(".Quorvane-"), std::string::npos) << name;
    DeleteFileA((dir + "\\" + name).c_str());
  } while (FindNextFileA(search, &found));
  FindClose(search);
  RemoveDirectoryA(dir.c_str());
}

}  // namespace
}  // namespace quorvane
