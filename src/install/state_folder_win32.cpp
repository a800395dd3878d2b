// PrepareStateFolder and RemoveStateFolder with handles opened as they are
// (FILE_FLAG_OPEN_REPARSE_POINT): a link is judged as a link, never as what
// it leads to, and judged on the handle that is then used.
#include <windows.h>
// windows.h first: these need its types.
#include <aclapi.h>
#include <sddl.h>

#include <cwchar>

#include "install/state_folder.h"
#include "store/admin_write_win32.h"

namespace quorvane {

namespace {

constexpr DWORD kUsersMay = FILE_GENERIC_READ | FILE_GENERIC_EXECUTE;

struct Handle {
  HANDLE h;
  explicit Handle(HANDLE handle) : h(handle) {}
  ~Handle() {
    if (ok()) CloseHandle(h);
  }
  bool ok() const { return h != INVALID_HANDLE_VALUE; }
};

// Opens `path` as it is, a link or mount point included, to judge it.
HANDLE OpenAsItIs(const std::wstring& path) {
  return CreateFileW(path.c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES,
                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                     FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                     nullptr);
}

enum class Kind { kFile, kFolder, kOther };

// A regular file or a folder, or else (a link, a mount point, unreadable),
// as the handle `handle` opened at `path` says. The path is asked too: some
// systems (Wine) open what a link leads to whatever the flags say.
Kind KindOf(HANDLE handle, const std::wstring& path) {
  BY_HANDLE_FILE_INFORMATION info;
  DWORD attributes = GetFileAttributesW(path.c_str());
  if (!GetFileInformationByHandle(handle, &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
      attributes == INVALID_FILE_ATTRIBUTES ||
      (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    return Kind::kOther;
  }
  return info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY ? Kind::kFolder
                                                          : Kind::kFile;
}

bool IsInstalledFolder(HANDLE handle, const std::wstring& path) {
  return KindOf(handle, path) == Kind::kFolder &&
         HandleDescriptorPasses(handle, IsInstalledFolderDescriptor);
}

constexpr wchar_t kIsALink[] =
    L" is a link or mount point: remove it, then run install.cmd again.";

bool IsLink(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

std::wstring Stamp() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  wchar_t text[32];
  swprintf(text, 32, L".untrusted-%04u%02u%02u-%02u%02u%02u", now.wYear,
           now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond);
  return text;
}

// Renames `path` (the link itself, when it is one) to a free name beside
// it; adds "FROM -> TO" to `*moved`.
bool MoveAside(const std::wstring& path, std::wstring* moved) {
  std::wstring aside = path + Stamp();
  for (int n = 2; n < 100; ++n) {
    if (MoveFileExW(path.c_str(), aside.c_str(), 0)) {
      *moved += path + L" -> " + aside + L"\n";
      return true;
    }
    if (GetLastError() != ERROR_ALREADY_EXISTS) return false;
    aside = path + Stamp() + L"-" + std::to_wstring(n);
  }
  return false;
}

std::wstring Failed(const wchar_t* what, const std::wstring& path) {
  return std::wstring(what) + L" " + path + L" (error " +
         std::to_wstring(GetLastError()) + L")";
}

// Sets aside what is in the kept folder `path` that an administrator did
// not make.
bool SetAsideStrangers(const std::wstring& path, PreparedFolder* result) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    result->error = Failed(L"cannot list", path);
    return false;
  }
  bool ok = true;
  do {
    std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    std::wstring entry = path + L"\\" + name;
    Kind kind;
    bool trusted;
    {
      Handle file(OpenAsItIs(entry));
      kind = file.ok() ? KindOf(file.h, entry) : Kind::kOther;
      trusted = kind == Kind::kFile && OnlyAdministratorsWriteFile(file.h);
    }
    if (kind == Kind::kOther && IsLink(entry)) {
      result->error = entry + kIsALink;
      ok = false;
    } else if (!trusted && !MoveAside(entry, &result->moved)) {
      result->error = Failed(L"cannot move aside", entry);
      ok = false;
    }
  } while (ok && FindNextFileW(search, &found));
  FindClose(search);
  return ok;
}

bool RemoveTree(const std::wstring& path, std::wstring* error) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  bool ok;
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    ok = GetLastError() == ERROR_FILE_NOT_FOUND;
  } else if ((attributes & FILE_ATTRIBUTE_DIRECTORY) &&
             !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    ok = true;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") {
          ok = RemoveTree(path + L"\\" + name, error) && ok;
        }
      } while (FindNextFileW(search, &found));
      FindClose(search);
    }
    ok = ok && RemoveDirectoryW(path.c_str());
  } else {
    // A link to a folder is a folder entry; removed, it takes nothing of
    // the folder it leads to.
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    ok = attributes & FILE_ATTRIBUTE_DIRECTORY ? RemoveDirectoryW(path.c_str())
                                               : DeleteFileW(path.c_str());
  }
  if (!ok && error->empty()) *error = Failed(L"cannot remove", path);
  return ok;
}

}  // namespace

bool IsInstalledFolderDescriptor(void* descriptor) {
  PSID owner = nullptr;
  PACL dacl = nullptr;
  BOOL defaulted, present = FALSE;
  bool ok =
      GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) &&
      GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted) &&
      owner != nullptr && IsAdministratorsSid(owner) && present &&
      dacl != nullptr;
  for (DWORD i = 0; ok && i < dacl->AceCount; ++i) {
    ACE_HEADER* ace = nullptr;
    ok = GetAce(dacl, i, reinterpret_cast<void**>(&ace)) &&
         ace->AceType == ACCESS_ALLOWED_ACE_TYPE &&
         !(ace->AceFlags & INHERITED_ACE);
    if (!ok) break;
    auto* allowed = reinterpret_cast<ACCESS_ALLOWED_ACE*>(ace);
    PSID sid = &allowed->SidStart;
    ok = IsAdministratorsSid(sid) || (IsWellKnownSid(sid, WinBuiltinUsersSid) &&
                                      (allowed->Mask & ~kUsersMay) == 0);
  }
  return ok;
}

PreparedFolder PrepareStateFolder(const std::wstring& path) {
  PreparedFolder result;
  {
    // Held without FILE_SHARE_DELETE while it is judged: it cannot be
    // renamed or swapped meanwhile.
    Handle found(OpenAsItIs(path));
    if (!found.ok() && GetLastError() != ERROR_FILE_NOT_FOUND) {
      result.error = Failed(L"cannot open", path);
      return result;
    }
    if (found.ok() && IsInstalledFolder(found.h, path)) {
      SetAsideStrangers(path, &result);
      return result;
    }
  }
  // A link is not moved aside: not every system renames a link itself.
  if (IsLink(path)) {
    result.error = path + kIsALink;
    return result;
  }
  if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES &&
      !MoveAside(path, &result.moved)) {
    result.error = Failed(L"cannot move aside", path);
    return result;
  }
  SECURITY_ATTRIBUTES security = {sizeof security, nullptr, FALSE};
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(
          kInstalledFolderSecurity, SDDL_REVISION_1,
          &security.lpSecurityDescriptor, nullptr)) {
    result.error = Failed(L"no security descriptor for", path);
    return result;
  }
  bool made = CreateDirectoryW(path.c_str(), &security);
  LocalFree(security.lpSecurityDescriptor);
  if (!made) {
    result.error = GetLastError() == ERROR_ALREADY_EXISTS
                       ? path +
                             L" was made by someone else while the install "
                             L"ran: run install.cmd again."
                       : Failed(L"cannot make", path);
    return result;
  }
  Handle check(OpenAsItIs(path));
  if (!check.ok() || !IsInstalledFolder(check.h, path)) {
    result.error = Failed(L"made, but not as asked:", path);
    return result;
  }
  result.made = true;
  return result;
}

bool RemoveStateFolder(const std::wstring& path, std::wstring* error) {
  bool folder;
  {
    Handle found(OpenAsItIs(path));
    if (!found.ok()) {
      if (GetLastError() == ERROR_FILE_NOT_FOUND) return true;
      *error = Failed(L"cannot open", path);
      return false;
    }
    folder = KindOf(found.h, path) == Kind::kFolder;
    if (folder && !IsInstalledFolder(found.h, path)) {
      *error = path + L" was not made by install.cmd: not removed";
      return false;
    }
  }
  return RemoveTree(path, error);
}

}  // namespace quorvane
