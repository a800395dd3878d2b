// Who the checks trust: a table of owners and DACLs, then list files as a
// run as SYSTEM opens them. Under Wine every file is the one account's, with
// a DACL from its Unix mode: that account stands for SYSTEM (the running
// account is trusted), and "Users may write" is the "other" bits.
#include "store/admin_write_win32.h"

#include <gtest/gtest.h>
#include <windows.h>
// windows.h first: these need its types.
#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace quorvane {
namespace {

namespace fs = std::filesystem;

TEST(AdministratorsWriteTest, OwnersAndEntriesTrusted) {
  const std::string admins = "(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;;FR;;;BU)";
  const std::string installer =
      "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";
  const std::pair<std::string, bool> cases[] = {
      {"O:BAD:P" + admins, true},
      {"O:SYD:" + admins, true},
      {"O:" + installer + "D:" + admins, true},
      {"O:S-1-5-21-1-2-3-1001D:" + admins, false},  // a user owns it
      {"O:BUD:" + admins, false},
      {"O:BAD:" + admins + "(A;;FW;;;BU)", false},
      {"O:BAD:" + admins + "(A;;0x2;;;BU)", false},   // add a file
      {"O:BAD:" + admins + "(A;;0x40;;;AU)", false},  // delete in it
      {"O:BAD:" + admins + "(A;;WD;;;WD)", false},    // change its DACL
      {"O:BAD:" + admins + "(A;;GA;;;WD)", false},
      {"O:BAD:" + admins + "(D;;FA;;;WD)", true},  // denying takes nothing
      {"O:BAD:" + admins + "(A;OICIIO;FA;;;CO)", true},  // for what is made
      {"O:BA", false},                                   // no DACL: open
  };
  for (const auto& [sddl, trusted] : cases) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(
        sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr))
        << sddl;
    EXPECT_EQ(OnlyAdministratorsWriteDescriptor(descriptor), trusted) << sddl;
    LocalFree(descriptor);
  }
}

// Lets everyone write `path`: no DACL (under Wine: mode 0777).
void LetEveryoneWrite(const std::string& path) {
  ASSERT_EQ(SetNamedSecurityInfoA(&std::string(path)[0], SE_FILE_OBJECT,
                                  DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                  nullptr, nullptr),
            ERROR_SUCCESS);
}

TEST(AdministratorsWriteTest, OnlyAListNoUserCouldChangeIsOpened) {
  // Wine shows the links it makes to the home folder (Desktop and others)
  // as reparse points; Windows has none there.
  char desktop[MAX_PATH] = "";
  SHGetFolderPathA(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, 0, desktop);
  DWORD linked = GetFileAttributesA(desktop);
  bool link = linked != INVALID_FILE_ATTRIBUTES &&
              (linked & FILE_ATTRIBUTE_REPARSE_POINT);
  const std::string plain = fs::temp_directory_path().string() + "quorvane",
                    behind_link = std::string(desktop) + "\\quorvane-" +
                                  std::to_string(GetCurrentProcessId());
  const struct {
    const char* what;
    std::string folder;
    bool others_write_folder, others_write_list, opened;
  } cases[] = {
      {"only SYSTEM and the owner write", plain, false, false, true},
      {"others may write the list", plain, false, true, false},
      {"others may write its folder", plain, true, false, false},
      {"a link on the way", behind_link, false, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.folder == behind_link && !link) {
      std::printf("no reparse point on the way to %s to try\n", desktop);
      continue;
    }
    const std::string list = c.folder + "\\Quorvane.list";
    fs::create_directories(c.folder);
    std::ofstream(list, std::ios::binary) << "ddns.example.net nas\r\n";
    if (c.others_write_list) LetEveryoneWrite(list);
    if (c.others_write_folder) LetEveryoneWrite(c.folder);
    FILE* file = OpenAdministratorsFile(list);
    EXPECT_EQ(file != nullptr, c.opened);
    if (file != nullptr) {
      char bytes[64] = "";
      EXPECT_EQ(fread(bytes, 1, sizeof bytes, file), 22u);
      EXPECT_STREQ(bytes, "ddns.example.net nas\r\n");
      fclose(file);
    }
    fs::remove_all(c.folder);
  }
}

}  // namespace
}  // namespace quorvane
