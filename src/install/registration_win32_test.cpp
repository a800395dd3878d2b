// The system PATH the install leaves: its folder once, however an entry
// spells it, and every other entry as it was (the registry itself:
// windows_task_test.sh).
#include "install/registration_win32.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace quorvane {
namespace {

TEST(SystemPathTest, TheFolderOnceAndEveryOtherEntryAsItWas) {
  SetEnvironmentVariableW(L"QUORVANE_TEST_FILES", L"C:\\Program Files");
  const std::wstring folder = L"C:\\Program Files\\Quorvane";
  const struct {
    const wchar_t *list, *with, *without;
  } cases[] = {
      {L"", L"C:\\Program Files\\Quorvane", L""},
      {L"C:\\A;C:\\B", L"C:\\A;C:\\B;C:\\Program Files\\Quorvane", nullptr},
      {L"C:\\A;", L"C:\\A;C:\\Program Files\\Quorvane", nullptr},
      {L"C:\\A;c:\\program files\\QUORVANE\\\\;C:\\B", nullptr, L"C:\\A;C:\\B"},
      {L"\"C:\\Program Files\\Quorvane\";C:\\A", nullptr, L"C:\\A"},
      {L"%QUORVANE_TEST_FILES%\\Quorvane;C:\\A", nullptr, L"C:\\A"},
      {L"C:\\A;;C:\\Program Files\\Quorvane;C:\\Program Files\\Quorvane2",
       nullptr, L"C:\\A;;C:\\Program Files\\Quorvane2"},
      {L"C:\\Program Files\\Quorvane", nullptr, L""},
  };
  for (const auto& c : cases) {
    // nullptr: the list as it was.
    EXPECT_EQ(PathWith(c.list, folder), c.with ? c.with : c.list) << c.list;
    EXPECT_EQ(PathWithout(c.list, folder), c.without ? c.without : c.list)
        << c.list;
  }
}

}  // namespace
}  // namespace quorvane
