// OnlyAdministratorsWrite and OpenAdministratorsFile: read the owner and
// DACL of a path or of an open file, walked once for every rule.
#include <windows.h>
// windows.h first: aclapi.h needs its types.
#include <aclapi.h>
#include <fcntl.h>
#include <io.h>
#include <sddl.h>

#include "report/windows_text.h"
#include "store/admin_write_win32.h"

namespace quorvane {

namespace {

bool IsSid(PSID sid, WELL_KNOWN_SID_TYPE type) {
  return IsValidSid(sid) && IsWellKnownSid(sid, type);
}

// SYSTEM, the Administrators, TrustedInstaller, or `self` (when not null).
bool IsTrusted(PSID sid, PSID self) {
  static const char kInstaller[] =
      "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";
  PSID installer = nullptr;
  bool trusted = IsSid(sid, WinLocalSystemSid) ||
                 IsSid(sid, WinBuiltinAdministratorsSid) ||
                 (self != nullptr && EqualSid(sid, self)) ||
                 (ConvertStringSidToSidA(kInstaller, &installer) &&
                  EqualSid(sid, installer));
  LocalFree(installer);
  return trusted;
}

// The account this process runs as, kept in `buffer`; null if unknown.
PSID ProcessUser(char (&buffer)[SECURITY_MAX_SID_SIZE + sizeof(TOKEN_USER)]) {
  PSID user = nullptr;
  HANDLE token;
  if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
    DWORD size;
    if (GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size)) {
      user = reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid;
    }
    CloseHandle(token);
  }
  return user;
}

// An open file or folder, of the kind asked for, that is no reparse point
// and that OnlyAdministratorsWriteDescriptor trusts.
enum class Kind { kFile, kFolder };
bool IsAdministratorsOnly(HANDLE handle, Kind kind) {
  const bool folder = kind == Kind::kFolder;
  BY_HANDLE_FILE_INFORMATION info;
  return GetFileInformationByHandle(handle, &info) &&
         !(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
         !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == !folder &&
         HandleDescriptorPasses(handle, OnlyAdministratorsWriteDescriptor);
}

// No folder or file on `path` (a full path) below its root is a reparse
// point.
bool NoReparsePointOnTheWay(const std::wstring& path) {
  // The root: "C:\", or "\\server\share\".
  size_t at = path.compare(0, 2, L"\\\\") == 0
                  ? path.find(L'\\', path.find(L'\\', 2) + 1)
                  : path.find(L'\\');
  while (at != std::wstring::npos) {
    at = path.find(L'\\', at + 1);
    DWORD attributes = GetFileAttributesW(path.substr(0, at).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES ||
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
      return false;
    }
  }
  return true;
}

// The path the file system gives an open file, or "" if it gives none.
std::wstring FinalPath(HANDLE handle) {
  std::wstring path(32768, L'\0');
  DWORD size = GetFinalPathNameByHandleW(handle, path.data(), 32768, 0);
  path.resize(size > 0 && size < 32768 ? size : 0);
  return path;
}

}  // namespace

bool OwnedByAdministrators(const std::string& path) {
  char user[SECURITY_MAX_SID_SIZE + sizeof(TOKEN_USER)];
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetNamedSecurityInfoW(Wide(path).c_str(), SE_FILE_OBJECT,
                            OWNER_SECURITY_INFORMATION, &owner, nullptr,
                            nullptr, nullptr, &descriptor) != ERROR_SUCCESS) {
    return false;
  }
  bool ours = owner != nullptr && IsTrusted(owner, ProcessUser(user));
  LocalFree(descriptor);
  return ours;
}

bool OwnerAndEntriesPass(void* descriptor, bool (*passes)(const DaclEntry&)) {
  char user[SECURITY_MAX_SID_SIZE + sizeof(TOKEN_USER)];
  PSID self = ProcessUser(user);
  PSID owner = nullptr;
  PACL dacl = nullptr;
  BOOL defaulted, present = FALSE;
  bool ok =
      GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) &&
      GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted) &&
      owner != nullptr && IsTrusted(owner, self) && present && dacl != nullptr;
  for (DWORD i = 0; ok && i < dacl->AceCount; ++i) {
    ACE_HEADER* ace = nullptr;
    ok = GetAce(dacl, i, reinterpret_cast<void**>(&ace));
    if (!ok) break;
    DaclEntry entry{ace->AceType, ace->AceFlags, 0, nullptr, false};
    // Allowing and denying entries are laid out alike.
    if (ace->AceType == ACCESS_ALLOWED_ACE_TYPE ||
        ace->AceType == ACCESS_DENIED_ACE_TYPE) {
      auto* simple = reinterpret_cast<ACCESS_ALLOWED_ACE*>(ace);
      entry.mask = simple->Mask;
      entry.sid = &simple->SidStart;
      entry.trusted = IsTrusted(entry.sid, self);
    }
    ok = passes(entry);
  }
  return ok;
}

bool LetsNoOtherWrite(const DaclEntry& entry) {
  constexpr DWORD kWrite = FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY |
                           FILE_DELETE_CHILD | DELETE | WRITE_DAC |
                           WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;
  if (entry.flags & INHERIT_ONLY_ACE) return true;
  if (entry.type == ACCESS_ALLOWED_ACE_TYPE) {
    return !(entry.mask & kWrite) || entry.trusted;
  }
  // Deny entries take nothing away from us.
  return entry.type == ACCESS_DENIED_ACE_TYPE;
}

bool OnlyAdministratorsWriteDescriptor(void* descriptor) {
  return OwnerAndEntriesPass(descriptor, LetsNoOtherWrite);
}

bool HandleDescriptorPasses(void* handle, bool (*judge)(void* descriptor)) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  bool ok = GetSecurityInfo(
                handle, SE_FILE_OBJECT,
                OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr,
                nullptr, nullptr, nullptr, &descriptor) == ERROR_SUCCESS &&
            judge(descriptor);
  LocalFree(descriptor);
  return ok;
}

bool OnlyAdministratorsWrite(const std::string& path) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  bool ok = GetNamedSecurityInfoW(
                Wide(path).c_str(), SE_FILE_OBJECT,
                OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr,
                nullptr, nullptr, nullptr, &descriptor) == ERROR_SUCCESS &&
            OnlyAdministratorsWriteDescriptor(descriptor);
  LocalFree(descriptor);
  return ok;
}

bool OnlyAdministratorsWriteFile(void* handle) {
  return IsAdministratorsOnly(handle, Kind::kFile);
}

bool RunsAsSystem() {
  char user[SECURITY_MAX_SID_SIZE + sizeof(TOKEN_USER)];
  PSID self = ProcessUser(user);
  return self != nullptr && IsSid(self, WinLocalSystemSid);
}

FILE* OpenAdministratorsFile(const std::string& path) {
  wchar_t full[MAX_PATH * 4];
  DWORD size =
      GetFullPathNameW(Wide(path).c_str(), MAX_PATH * 4, full, nullptr);
  if (size == 0 || size >= MAX_PATH * 4) return nullptr;
  std::wstring file_path(full, size);
  size_t cut = file_path.rfind(L'\\');
  if (cut == std::wstring::npos || cut + 1 == file_path.size()) return nullptr;
  // A file at the root of a drive has the root as its folder.
  std::wstring folder_path =
      file_path.substr(0, cut == 2 && file_path[1] == L':' ? 3 : cut);
  // Without FILE_SHARE_DELETE nobody can rename or delete the folder while
  // it is open, nor (on NTFS) rename a folder above it.
  HANDLE folder = CreateFileW(
      folder_path.c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES,
      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (folder == INVALID_HANDLE_VALUE) return nullptr;
  HANDLE file = CreateFileW(file_path.c_str(), GENERIC_READ | READ_CONTROL,
                            FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  FILE* stream = nullptr;
  if (file != INVALID_HANDLE_VALUE) {
    std::wstring in = FinalPath(file), of = FinalPath(folder);
    if (!of.empty() && of.back() == L'\\') of.pop_back();
    bool ok = IsAdministratorsOnly(folder, Kind::kFolder) &&
              IsAdministratorsOnly(file, Kind::kFile) &&
              NoReparsePointOnTheWay(file_path) && !of.empty() &&
              in.rfind(L'\\') == of.size() && in.compare(0, of.size(), of) == 0;
    int fd = ok ? _open_osfhandle(reinterpret_cast<intptr_t>(file),
                                  _O_RDONLY | _O_BINARY)
                : -1;
    if (fd != -1) stream = _fdopen(fd, "rb");
    if (stream == nullptr && fd != -1) _close(fd);
    if (fd == -1) CloseHandle(file);
  }
  CloseHandle(folder);
  return stream;
}

}  // namespace quorvane
