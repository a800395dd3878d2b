// The Windows primitives under Wine where the protocol's fake cannot speak
// for them: another program holding the hosts file open longer than the
// save keeps retrying; a Replace stopped between its steps (the old file
// under the backup name, the new one under its temporary name, no hosts
// file); the state folder made, or closed when found open to others.
#include <gtest/gtest.h>
#include <windows.h>
// windows.h first: these need its types.
#include <aclapi.h>
#include <sddl.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "store/admin_write_win32.h"
#include "store/file_system.h"
#include "store/save_protocol.h"

namespace quorvane {
namespace {

namespace fs = std::filesystem;

class FileSystemTest : public testing::Test {
 protected:
  void SetUp() override { fs::create_directories(dir_); }
  void TearDown() override { fs::remove_all(dir_); }
  void Write(const std::string& name, const std::string& bytes) {
    std::ofstream(dir_ + "\\" + name, std::ios::binary) << bytes;
  }
  std::string Read(const std::string& name) {
    std::string bytes;
    EXPECT_EQ(Files()->Read(Place::kHosts, name, Writer::kAnyone, &bytes),
              FsResult::kOk);
    return bytes;
  }
  std::unique_ptr<FileSystem> Files() {
    return OpenFileSystem(dir_ + "\\hosts");
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

TEST_F(FileSystemTest, HeldFileIsRetriedThenFailsWithTheOldBytesKept) {
  Write("hosts", "old\r\n");
  HANDLE held = CreateFileA((dir_ + "\\hosts").c_str(), GENERIC_READ, 0,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  DWORD start = GetTickCount();
  EXPECT_FALSE(SaveFile(Files().get(), {"new"}, "old\r\n"));
  DWORD waited = GetTickCount() - start;
  CloseHandle(held);
  EXPECT_GE(waited, 1500u);
  EXPECT_EQ(Read("hosts"), "old\r\n");
  // None of our temporary files is left. (Wine's own ReplaceFile leaves
  // "rf*.tmp" files of its own on each failure; Windows does not.)
  for (const std::string& name : Names()) {
    EXPECT_EQ(name.find(".Quorvane-"), std::string::npos) << name;
  }
  // Free again: replaced whole, no backup left.
  EXPECT_TRUE(SaveFile(Files().get(), {"ne", "w"}, "old\r\n"));
  EXPECT_EQ(Read("hosts"), "new");
  EXPECT_EQ(Names(), std::vector<std::string>{"hosts"});
}

TEST_F(FileSystemTest, ReplaceStoppedBetweenItsStepsLeavesTheOldFile) {
  // ReplaceFileA moved the original to the backup name, and the process
  // ended before the new file was moved in.
  Write(".hosts.Quorvane-backup", "old\r\n");
  Write(".hosts.Quorvane-k1lled", "new\r\n");
  std::unique_ptr<FileSystem> files = Files();
  std::vector<std::string> kept;
  // With no hosts file, no stray is the next run's to remove.
  RemoveStrays(files.get());
  EXPECT_EQ(Names().size(), 2u);
  EXPECT_TRUE(RepairFile(files.get(), &kept));
  RemoveStrays(files.get());
  EXPECT_EQ(Read("hosts"), "old\r\n");
  EXPECT_EQ(Names(), std::vector<std::string>{"hosts"});
}

TEST_F(FileSystemTest, StateFolderIsClosedToAllButTheAdministrators) {
  char data[MAX_PATH];
  ASSERT_GT(GetEnvironmentVariableA("ProgramData", data, sizeof data), 0u);
  const std::string folder = std::string(data) + "\\Quorvane";
  PSECURITY_DESCRIPTOR open = nullptr;
  BOOL present, defaulted;
  PACL everyone = nullptr;
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(
      "D:(A;OICI;FA;;;WD)", SDDL_REVISION_1, &open, nullptr));
  GetSecurityDescriptorDacl(open, &present, &everyone, &defaulted);
  for (bool made_open : {false, true}) {
    SCOPED_TRACE(made_open ? "made beforehand, open to everyone" : "missing");
    fs::remove_all(folder);
    if (made_open) {
      ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
      ASSERT_EQ(SetNamedSecurityInfoA(const_cast<char*>(folder.c_str()),
                                      SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                      nullptr, nullptr, everyone, nullptr),
                ERROR_SUCCESS);
      ASSERT_FALSE(OnlyAdministratorsWrite(folder));
    }
    std::unique_ptr<FileSystem> files = Files();
    std::unique_ptr<WritableFile> journal;
    ASSERT_EQ(files->Create(Place::kState, "journal", &journal), FsResult::kOk);
    journal.reset();
    EXPECT_TRUE(OnlyAdministratorsWrite(folder));
    EXPECT_TRUE(files->Trusted(Place::kState));
    EXPECT_TRUE(files->Remove(Place::kState, "journal"));
  }
  LocalFree(open);
  fs::remove_all(folder);
}

TEST_F(FileSystemTest, PlantedJournalIsSetAsideNeverAppliedNorBlocking) {
  // Left in the state folder by an ordinary account before the folder was
  // closed to it: a file anyone could change, or a folder of that name.
  char data[MAX_PATH];
  ASSERT_GT(GetEnvironmentVariableA("ProgramData", data, sizeof data), 0u);
  const std::string folder = std::string(data) + "\\Quorvane";
  Write("hosts", "old\r\n");
  for (bool planted_folder : {false, true}) {
    SCOPED_TRACE(planted_folder ? "a folder" : "a file anyone may change");
    fs::remove_all(folder);
    std::unique_ptr<FileSystem> files = OpenFileSystem(dir_ + "\\hosts");
    std::unique_ptr<WritableFile> made;
    ASSERT_EQ(files->Create(Place::kState, "x", &made), FsResult::kOk);
    made.reset();
    const std::string journal =
        folder + "\\." + files->StateName() + ".Quorvane-journal";
    if (planted_folder) {
      ASSERT_TRUE(CreateDirectoryA(journal.c_str(), nullptr));
    } else {
      std::ofstream(journal, std::ios::binary) << "not a journal of ours";
      ASSERT_EQ(SetNamedSecurityInfoA(const_cast<char*>(journal.c_str()),
                                      SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                      nullptr, nullptr, nullptr, nullptr),
                ERROR_SUCCESS);
      ASSERT_FALSE(OnlyAdministratorsWrite(journal));
    }
    std::vector<std::string> kept;
    EXPECT_TRUE(RepairFile(files.get(), &kept));
    EXPECT_EQ(kept.size(), 1u);
    EXPECT_FALSE(fs::exists(journal));
    EXPECT_EQ(Read("hosts"), "old\r\n");
    kept.clear();
    EXPECT_TRUE(RepairFile(files.get(), &kept));
    EXPECT_TRUE(kept.empty());
  }
  fs::remove_all(folder);
}

}  // namespace
}  // namespace quorvane
