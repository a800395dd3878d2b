// The Windows primitives under Wine where the protocol's fake cannot speak
// for them: a hosts file held open, a Replace stopped between its steps,
// the state folder.
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
#include "store/state_folder_win32.h"

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
  std::string dir_ = (fs::temp_directory_path() / "quorvane-store").string();
  std::string folder_ = StateFolderPath();
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

// The state folder made, or closed when found open to everyone; a journal
// an ordinary account left in it before (a file anyone may change, or a
// folder) set aside, never applied, failing no run.
TEST_F(FileSystemTest, StateFolderIsClosedAndWhatWasPlantedGoesAside) {
  Write("hosts", "old\r\n");
  enum Found { kNothing, kOpenFolder, kOpenJournal, kJournalFolder };
  for (Found found : {kNothing, kOpenFolder, kOpenJournal, kJournalFolder}) {
    SCOPED_TRACE(found);
    fs::remove_all(folder_);
    if (found == kOpenFolder) {
      ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr));
      OpenToEveryone(folder_);
    }
    std::unique_ptr<FileSystem> files = Files();
    std::unique_ptr<WritableFile> made;
    ASSERT_EQ(files->Create(Place::kState, "x", &made), FsResult::kOk);
    made.reset();
    EXPECT_TRUE(OnlyAdministratorsWrite(folder_));
    EXPECT_TRUE(files->Trusted(Place::kState));
    const std::string journal =
        folder_ + "\\." + files->StateName() + ".Quorvane-journal";
    if (found == kJournalFolder) {
      ASSERT_TRUE(CreateDirectoryA(journal.c_str(), nullptr));
    } else if (found == kOpenJournal) {
      std::ofstream(journal, std::ios::binary) << "not a journal of ours";
      OpenToEveryone(journal);
    }
    std::vector<std::string> kept;
    EXPECT_TRUE(RepairFile(files.get(), &kept));
    EXPECT_EQ(kept.size(), found >= kOpenJournal ? 1u : 0u);
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
