// The Windows primitives under Wine where the protocol's fake cannot speak
// for them: a hosts file held open, a Replace stopped between its steps,
// the state folder and what an ordinary account planted in it.
#include <gtest/gtest.h>
#include <windows.h>
// windows.h first: these need its types.
#include <aclapi.h>

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
  // Opens `path` to everyone (under Wine: mode 0777), as an ordinary
  // account's own would be.
  static void OpenToEveryone(const std::string& path) {
    ASSERT_EQ(SetNamedSecurityInfoA(const_cast<char*>(path.c_str()),
                                    SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                    nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    ASSERT_FALSE(OnlyAdministratorsWrite(path));
  }
  static std::string StateFolder() {
    char data[MAX_PATH] = "";
    GetEnvironmentVariableA("ProgramData", data, sizeof data);
    return std::string(data) + "\\Quorvane";
  }
  std::string dir_ = (fs::temp_directory_path() / "quorvane-store").string();
  std::string folder_ = StateFolder();
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
  // None of ours left (Wine's ReplaceFile leaves "rf*.tmp" files).
  for (const std::string& name : Names()) {
    EXPECT_EQ(name.find(".Quorvane-"), std::string::npos) << name;
  }
}

TEST_F(FileSystemTest, ReplaceStoppedBetweenItsStepsLeavesTheOldFile) {
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
  for (bool made_open : {false, true}) {
    SCOPED_TRACE(made_open ? "made beforehand, open to everyone" : "missing");
    fs::remove_all(folder_);
    if (made_open) {
      ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr));
      OpenToEveryone(folder_);
    }
    std::unique_ptr<FileSystem> files = Files();
    std::unique_ptr<WritableFile> journal;
    ASSERT_EQ(files->Create(Place::kState, "journal", &journal), FsResult::kOk);
    journal.reset();
    EXPECT_TRUE(OnlyAdministratorsWrite(folder_));
    EXPECT_TRUE(files->Trusted(Place::kState));
    EXPECT_TRUE(files->Remove(Place::kState, "journal"));
  }
  fs::remove_all(folder_);
}

TEST_F(FileSystemTest, PlantedJournalIsSetAsideNeverAppliedNorBlocking) {
  // Left by an ordinary account before the folder was closed to it.
  Write("hosts", "old\r\n");
  for (bool planted_folder : {false, true}) {
    SCOPED_TRACE(planted_folder ? "a folder" : "a file anyone may change");
    fs::remove_all(folder_);
    std::unique_ptr<FileSystem> files = Files();
    std::unique_ptr<WritableFile> made;
    ASSERT_EQ(files->Create(Place::kState, "x", &made), FsResult::kOk);
    made.reset();
    const std::string journal =
        folder_ + "\\." + files->StateName() + ".Quorvane-journal";
    if (planted_folder) {
      ASSERT_TRUE(CreateDirectoryA(journal.c_str(), nullptr));
    } else {
      std::ofstream(journal, std::ios::binary) << "not a journal of ours";
      OpenToEveryone(journal);
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
  fs::remove_all(folder_);
}

}  // namespace
}  // namespace quorvane
