// What the end-to-end table cannot make under Wine: another program holding
// the hosts file open for longer than the save keeps retrying, and a journal
// left by a killed in-place save (run as root, Wine never refuses a
// temporary file, so a save under Wine goes in place only by a bind mount).
#include <gtest/gtest.h>
#include <windows.h>
// windows.h first: these need its types.
#include <aclapi.h>
#include <sddl.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "hosts/file_store.h"
#include "hosts/journal.h"

namespace quorvane {
namespace {

namespace fs = std::filesystem;

class FileStoreTest : public testing::Test {
 protected:
  void SetUp() override { fs::create_directories(dir_); }
  void TearDown() override { fs::remove_all(dir_); }
  void Write(const std::string& name, const std::string& bytes) {
    std::ofstream(dir_ + "\\" + name, std::ios::binary) << bytes;
  }
  std::string Read(const std::string& name) {
    std::string bytes;
    EXPECT_TRUE(ReadFileBytes(dir_ + "\\" + name, &bytes));
    return bytes;
  }
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }
  std::string dir_ = (fs::temp_directory_path() / "quorvane-store").string();
};

TEST_F(FileStoreTest, HeldFileIsRetriedThenFailsWithTheOldBytesKept) {
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

TEST_F(FileStoreTest, KilledInPlaceSaveIsPutBackFromItsJournal) {
  const std::string old =
      "127.0.0.1 localhost\r\n192.0.2.1\tnas\t##Quorvane##\r\n# end\r\n";
  // A restore killed part way: its first bytes written, the rest not yet
  // moved along by the "#" put in front.
  const std::string fresh = old.substr(0, 21) + "#" + old.substr(21);
  const std::string torn = fresh.substr(0, 35) + old.substr(35);
  const struct {
    const char* what;
    size_t cut;         // bytes cut from the journal's end
    uint64_t shift;     // another file's index
    bool others_write;  // in a folder anyone may write
    std::string after;
  } cases[] = {
      {"whole journal: the old bytes are put back", 0, 0, false, old},
      {"journal cut short: the file was never touched", 1, 0, false, torn},
      {"journal of another file", 0, 1, false, torn},
      {"journal anyone could have planted", 0, 0, true, torn},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Write("hosts", torn);
    HANDLE file =
        CreateFileA((dir_ + "\\hosts").c_str(), GENERIC_READ, FILE_SHARE_READ,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    BY_HANDLE_FILE_INFORMATION info;
    EXPECT_TRUE(GetFileInformationByHandle(file, &info));
    CloseHandle(file);
    Journal journal;
    journal.volume = info.dwVolumeSerialNumber;
    journal.file =
        ((uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow) + c.shift;
    journal.old_size = old.size();
    journal.offset = 21;
    journal.old_bytes = std::string_view(old).substr(21);
    std::string bytes = JournalHead(journal) + std::string(journal.old_bytes);
    Write(".hosts.Quorvane-journal", bytes.substr(0, bytes.size() - c.cut));
    if (c.others_write) {
      PSECURITY_DESCRIPTOR open = nullptr;
      BOOL present, defaulted;
      PACL dacl = nullptr;
      ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(
          "D:(A;OICI;FA;;;WD)", SDDL_REVISION_1, &open, nullptr));
      GetSecurityDescriptorDacl(open, &present, &dacl, &defaulted);
      ASSERT_EQ(SetNamedSecurityInfoA(&dir_[0], SE_FILE_OBJECT,
                                      DACL_SECURITY_INFORMATION, nullptr,
                                      nullptr, dacl, nullptr),
                ERROR_SUCCESS);
      LocalFree(open);
    }
    EXPECT_TRUE(RecoverInterruptedSave(dir_ + "\\hosts"));
    EXPECT_EQ(Read("hosts"), c.after);
    // Only a journal that was not ours to judge stays.
    EXPECT_EQ(Names().size(), c.others_write ? 2u : 1u);
    DeleteFileA((dir_ + "\\.hosts.Quorvane-journal").c_str());
  }
  EXPECT_TRUE(RecoverInterruptedSave(dir_ + "\\hosts"));  // none: nothing
}

}  // namespace
}  // namespace quorvane
