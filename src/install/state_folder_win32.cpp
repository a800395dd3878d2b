// PrepareStateFolder and RemoveStateFolder with handles opened as they are
// (FILE_FLAG_OPEN_REPARSE_POINT): a link is judged as a link, never as what
// it leads to, and judged on the handle that is then used. The removal
// opens each entry relative to its folder's handle (NtCreateFile with a
// RootDirectory), so that no path is walked that a folder swapped for a
// junction could redirect.
#include <windows.h>
// windows.h first: winternl.h needs its types.
#include <winternl.h>

#include <cstring>
#include <cwchar>
#include <vector>

#include "install/state_folder_win32.h"
#include "store/admin_write_win32.h"
#include "store/state_folder_win32.h"

namespace quorvane {

namespace {

struct Handle {
  HANDLE h;
  explicit Handle(HANDLE handle) : h(handle) {}
  ~Handle() {
    if (ok()) CloseHandle(h);
  }
  bool ok() const { return h != INVALID_HANDLE_VALUE; }
};

// What the removal needs of an entry: to judge it, list it, clear its
// read-only attribute, move it aside and delete it.
constexpr DWORD kRemoveAccess = READ_CONTROL | FILE_READ_ATTRIBUTES |
                                FILE_WRITE_ATTRIBUTES | FILE_LIST_DIRECTORY |
                                DELETE | SYNCHRONIZE;

// Opens `path` as it is, a link or mount point included, to judge it.
HANDLE OpenAsItIs(const std::wstring& path,
                  DWORD access = READ_CONTROL | FILE_READ_ATTRIBUTES) {
  return CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE,
                     nullptr, OPEN_EXISTING,
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
         HandleDescriptorPasses(handle, IsStateFolderDescriptor);
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

// The entry `name` of the folder held by `parent`, opened relative to that
// handle as itself (never what a link leads to).
HANDLE OpenChild(HANDLE parent, const std::wstring& name) {
  UNICODE_STRING unicode;
  unicode.Buffer = const_cast<wchar_t*>(name.c_str());
  unicode.Length = unicode.MaximumLength =
      static_cast<USHORT>(name.size() * sizeof(wchar_t));
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, &unicode, OBJ_CASE_INSENSITIVE,
                             parent, nullptr);
  IO_STATUS_BLOCK io;
  HANDLE child = INVALID_HANDLE_VALUE;
  NTSTATUS status = NtCreateFile(
      &child, kRemoveAccess, &attributes, &io, nullptr, 0,
      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, FILE_OPEN,
      FILE_OPEN_REPARSE_POINT | FILE_OPEN_FOR_BACKUP_INTENT |
          FILE_SYNCHRONOUS_IO_NONALERT,
      nullptr, 0);
  if (status < 0) {
    SetLastError(RtlNtStatusToDosError(status));
    return INVALID_HANDLE_VALUE;
  }
  return child;
}

struct Entry {
  std::wstring name;
  LARGE_INTEGER id;
  DWORD attributes;
};

// The entries of the folder held by `folder`, read from the handle.
bool List(HANDLE folder, std::vector<Entry>* entries) {
  std::vector<LONGLONG> buffer(8192);
  const DWORD size = static_cast<DWORD>(buffer.size() * sizeof(LONGLONG));
  while (GetFileInformationByHandleEx(folder, FileIdBothDirectoryInfo,
                                      buffer.data(), size)) {
    auto* at = reinterpret_cast<const char*>(buffer.data());
    for (;;) {
      auto* info = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(at);
      std::wstring name(info->FileName, info->FileNameLength / sizeof(WCHAR));
      if (name != L"." && name != L"..") {
        entries->push_back({name, info->FileId, info->FileAttributes});
      }
      if (info->NextEntryOffset == 0) break;
      at += info->NextEntryOffset;
    }
  }
  return GetLastError() == ERROR_NO_MORE_FILES;
}

constexpr DWORD kShape =
    FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;

// The path the file system gives what `handle` holds; "" if none.
std::wstring FinalPath(HANDLE handle) {
  std::vector<wchar_t> path(32768);
  DWORD size = GetFinalPathNameByHandleW(handle, path.data(),
                                         static_cast<DWORD>(path.size()), 0);
  return size > 0 && size < path.size() ? std::wstring(path.data(), size) : L"";
}

// True when `child` is the entry the listing of its folder gave: the same
// file on the folder's volume, of the same shape (a link is a link), at
// the folder's own path (`folder`, its FinalPath) under the listed name.
// Some systems (Wine) open what a link leads to whatever the flags say, and
// may list a link to a file as that file: what is opened then lies
// elsewhere, and nothing is done through it.
bool IsListedEntry(HANDLE child, const Entry& entry, DWORD volume,
                   const std::wstring& folder) {
  BY_HANDLE_FILE_INFORMATION info;
  const std::wstring expected = folder + L"\\" + entry.name;
  const std::wstring opened = FinalPath(child);
  return GetFileInformationByHandle(child, &info) &&
         info.dwVolumeSerialNumber == volume &&
         info.nFileIndexHigh == static_cast<DWORD>(entry.id.HighPart) &&
         info.nFileIndexLow == entry.id.LowPart &&
         (info.dwFileAttributes & kShape) == (entry.attributes & kShape) &&
         !folder.empty() &&
         CompareStringOrdinal(
             opened.c_str(), static_cast<int>(opened.size()), expected.c_str(),
             static_cast<int>(expected.size()), TRUE) == CSTR_EQUAL;
}

// Deletes the file, folder or link held by `handle` when it is closed.
bool DeleteHeld(HANDLE handle) {
  FILE_DISPOSITION_INFO disposition = {TRUE};
  if (SetFileInformationByHandle(handle, FileDispositionInfo, &disposition,
                                 sizeof disposition)) {
    return true;
  }
  // A read-only file refuses to be deleted until the attribute is cleared.
  FILE_BASIC_INFO basic = {};
  basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
  return GetLastError() == ERROR_ACCESS_DENIED &&
         SetFileInformationByHandle(handle, FileBasicInfo, &basic,
                                    sizeof basic) &&
         SetFileInformationByHandle(handle, FileDispositionInfo, &disposition,
                                    sizeof disposition);
}

// Renames what `handle` holds to `name` in the folder held by `folder`
// (FILE_RENAME_INFO is laid out as ntdll's FILE_RENAME_INFORMATION).
bool RenameHeld(HANDLE handle, HANDLE folder, const std::wstring& name) {
  const DWORD bytes = static_cast<DWORD>(name.size() * sizeof(wchar_t));
  std::vector<LONGLONG> buffer(
      (sizeof(FILE_RENAME_INFO) + bytes) / sizeof(LONGLONG) + 1);
  auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  rename->ReplaceIfExists = FALSE;
  rename->RootDirectory = folder;
  rename->FileNameLength = bytes;
  std::memcpy(rename->FileName, name.c_str(), bytes);
  // Through ntdll: not every system's SetFileInformationByHandle (Wine's)
  // leaves a name relative to RootDirectory as it is.
  IO_STATUS_BLOCK io;
  NTSTATUS status = NtSetInformationFile(
      handle, &io, rename, static_cast<ULONG>(buffer.size() * sizeof(LONGLONG)),
      FileRenameInformation);
  if (status < 0) SetLastError(RtlNtStatusToDosError(status));
  return status >= 0;
}

// One removal: where a folder of another account goes (beside the removed
// folder, held by `above`), what was moved and the first failure.
struct Removal {
  HANDLE above;
  std::wstring above_path, base;  // `base`: the removed folder's name
  std::wstring* moved;
  std::wstring* error;

  bool Fail(const wchar_t* what, const std::wstring& path) {
    if (error->empty()) *error = Failed(what, path);
    return false;
  }

  // Moves the folder `handle` holds, at `path`, beside the removed one.
  bool MoveAside(HANDLE handle, const std::wstring& path) {
    std::wstring name = base + Stamp();
    for (int n = 2; n < 100; ++n) {
      if (above != INVALID_HANDLE_VALUE && RenameHeld(handle, above, name)) {
        *moved += path + L" -> " + above_path + L"\\" + name + L"\n";
        return true;
      }
      if (GetLastError() != ERROR_ALREADY_EXISTS) break;
      name = base + Stamp() + L"-" + std::to_wstring(n);
    }
    return Fail(L"cannot move aside", path);
  }

  // Empties the folder held by `folder`, which only administrators could
  // change, at `path` (for messages alone).
  bool Empty(HANDLE folder, const std::wstring& path) {
    BY_HANDLE_FILE_INFORMATION own;
    std::vector<Entry> entries;
    if (!GetFileInformationByHandle(folder, &own) || !List(folder, &entries)) {
      return Fail(L"cannot list", path);
    }
    const std::wstring final_path = FinalPath(folder);
    bool ok = true;
    for (const Entry& entry : entries) {
      const std::wstring where = path + L"\\" + entry.name;
      Handle child(OpenChild(folder, entry.name));
      if (!child.ok()) {
        ok = Fail(L"cannot open", where);
        continue;
      }
      if (!IsListedEntry(child.h, entry, own.dwVolumeSerialNumber,
                         final_path)) {
        SetLastError(ERROR_FILE_INVALID);
        ok = Fail(
            L"changed while being removed, or a link that cannot be "
            L"opened as itself here:",
            where);
        continue;
      }
      if ((entry.attributes & kShape) == FILE_ATTRIBUTE_DIRECTORY) {
        // Another account's folder: what is in it is not the install's to
        // judge or remove, and may lead anywhere.
        if (!HandleDescriptorPasses(child.h,
                                    OnlyAdministratorsWriteDescriptor)) {
          ok = MoveAside(child.h, where) && ok;
          continue;
        }
        if (!Empty(child.h, where)) {
          ok = false;
          continue;
        }
      }
      if (!DeleteHeld(child.h)) ok = Fail(L"cannot remove", where);
    }
    return ok;
  }
};

}  // namespace

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
    if (found.ok() && KindOf(found.h, path) == Kind::kFolder &&
        !IsInstalledFolder(found.h, path) &&
        HandleDescriptorPasses(found.h, OnlyAdministratorsWriteDescriptor)) {
      // Only administrators could have changed it: the list in it is
      // theirs. An entry they added is dropped, not their list. Set on the
      // very folder judged; should that fail, it goes aside as any other.
      Handle writable(ReOpenFile(
          found.h, READ_CONTROL | WRITE_DAC, FILE_SHARE_READ | FILE_SHARE_WRITE,
          FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT));
      result.repaired = writable.ok() && SetStateFolderDacl(writable.h) &&
                        IsInstalledFolder(found.h, path);
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
  SECURITY_ATTRIBUTES security = {sizeof security, StateFolderDescriptor(),
                                  FALSE};
  if (security.lpSecurityDescriptor == nullptr) {
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

bool RemoveStateFolder(const std::wstring& path, std::wstring* moved,
                       std::wstring* error) {
  // Held without FILE_SHARE_DELETE: it cannot be renamed or swapped while
  // it is judged and emptied.
  Handle found(OpenAsItIs(path, kRemoveAccess));
  if (!found.ok()) {
    if (GetLastError() == ERROR_FILE_NOT_FOUND) return true;
    *error = Failed(L"cannot open", path);
    return false;
  }
  Kind kind = KindOf(found.h, path);
  if (kind == Kind::kOther) {
    // A link or mount point: removed as itself, by its name (a folder
    // entry; removed, it takes nothing of what it leads to).
    CloseHandle(found.h);
    found.h = INVALID_HANDLE_VALUE;
    DWORD attributes = GetFileAttributesW(path.c_str());
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    bool ok = attributes != INVALID_FILE_ATTRIBUTES &&
                      (attributes & FILE_ATTRIBUTE_DIRECTORY)
                  ? RemoveDirectoryW(path.c_str())
                  : DeleteFileW(path.c_str());
    if (!ok) *error = Failed(L"cannot remove", path);
    return ok;
  }
  if (kind == Kind::kFolder && !IsInstalledFolder(found.h, path)) {
    *error = path + L" was not made by install.cmd: not removed";
    return false;
  }
  const size_t cut = path.find_last_of(L'\\');
  Removal removal{INVALID_HANDLE_VALUE,
                  cut == std::wstring::npos ? L"." : path.substr(0, cut),
                  path.substr(cut == std::wstring::npos ? 0 : cut + 1), moved,
                  error};
  Handle above(CreateFileW(removal.above_path.c_str(),
                           FILE_ADD_SUBDIRECTORY | SYNCHRONIZE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  removal.above = above.h;
  if (kind == Kind::kFolder && !removal.Empty(found.h, path)) return false;
  return DeleteHeld(found.h) || removal.Fail(L"cannot remove", path);
}

}  // namespace quorvane
