// The state folder's path, its descriptor and the rule that judges it.
#include <windows.h>
// windows.h first: sddl.h needs its types.
#include <sddl.h>

#include "report/windows_text.h"
#include "store/admin_write_win32.h"
#include "store/state_folder_win32.h"

namespace quorvane {

std::string StateFolderPath() {
  wchar_t data[MAX_PATH];
  DWORD length = GetEnvironmentVariableW(L"ProgramData", data, MAX_PATH);
  return length != 0 && length < MAX_PATH
             ? Utf8(std::wstring_view(data, length)) + "\\Quorvane"
             : std::string();
}

void* StateFolderDescriptor() {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  return ConvertStringSecurityDescriptorToSecurityDescriptorW(
             kStateFolderSecurity, SDDL_REVISION_1, &descriptor, nullptr)
             ? descriptor
             : nullptr;
}

bool SetStateFolderDacl(void* handle) {
  PSECURITY_DESCRIPTOR descriptor = StateFolderDescriptor();
  bool ok =
      descriptor != nullptr &&
      SetKernelObjectSecurity(handle, DACL_SECURITY_INFORMATION, descriptor);
  LocalFree(descriptor);
  return ok;
}

bool IsStateFolderDescriptor(void* descriptor) {
  return OwnerAndEntriesPass(descriptor, [](const DaclEntry& entry) {
    constexpr DWORD kUsersMay = FILE_GENERIC_READ | FILE_GENERIC_EXECUTE;
    return LetsNoOtherWrite(entry) && entry.type == ACCESS_ALLOWED_ACE_TYPE &&
           !(entry.flags & INHERITED_ACE) &&
           (entry.trusted || (IsWellKnownSid(entry.sid, WinBuiltinUsersSid) &&
                              (entry.mask & ~kUsersMay) == 0));
  });
}

}  // namespace quorvane
