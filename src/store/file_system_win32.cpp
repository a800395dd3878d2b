// Windows file primitives. Paths are UTF-8 here and go to the system's W
// calls, so a folder may be named in any script. The hosts file is opened
// without sharing write access; a sharing violation (an antivirus scanner
// holding the file open is common) is retried for about two seconds.
// Replace is ReplaceFileW, which
// keeps the original's ACL and attributes, given a backup name so that the
// old content always has a name while the files are swapped. The state
// folder is %ProgramData%\Quorvane (state_folder_win32.h), made or closed
// to others' writes; names are durable once made (NTFS logs them; moves are
// written through), so directory syncs have nothing to do.
#include <windows.h>
// windows.h first: aclapi.h needs its types.
#include <aclapi.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "report/windows_text.h"
#include "store/admin_write_win32.h"
#include "store/file_system.h"
#include "store/hash.h"
#include "store/state_folder_win32.h"

namespace quorvane {

namespace {

constexpr int kRetries = 40;  // of 50 ms: about two seconds
constexpr DWORD kRetryPause = 50;

bool IsTransient(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
         error == ERROR_UNABLE_TO_REMOVE_REPLACED;
}

// Calls `step` until it returns true (done: it succeeded, or failed in a
// way another try cannot mend), or until it has failed for about two
// seconds, or with an error (GetLastError, left as it was) that `held`
// does not take for another process holding a file. False when it gave up.
template <typename Step>
bool RetriedWhileHeld(Step step, bool (*held)(DWORD error)) {
  for (int attempt = 0;; ++attempt) {
    if (step()) return true;
    if (attempt == kRetries || !held(GetLastError())) return false;
    Sleep(kRetryPause);
  }
}

// A move or a replace may also be refused while a file is held.
bool IsTransientOrDenied(DWORD error) {
  return IsTransient(error) || error == ERROR_ACCESS_DENIED;
}

// CreateFileW, retried while another process holds the file.
HANDLE Open(const std::string& path, DWORD access, DWORD share,
            DWORD disposition, DWORD flags = FILE_ATTRIBUTE_NORMAL) {
  HANDLE file = INVALID_HANDLE_VALUE;
  RetriedWhileHeld(
      [&] {
        file = CreateFileW(Wide(path).c_str(), access, share, nullptr,
                           disposition, flags, nullptr);
        return file != INVALID_HANDLE_VALUE;
      },
      IsTransient);
  return file;
}

// MoveFileExW, retried while another process holds a file.
bool Move(const std::string& from, const std::string& to, DWORD flags) {
  return RetriedWhileHeld(
      [&] {
        return MoveFileExW(Wide(from).c_str(), Wide(to).c_str(),
                           flags | MOVEFILE_WRITE_THROUGH);
      },
      IsTransientOrDenied);
}

bool ReadAll(HANDLE file, std::string* bytes) {
  LARGE_INTEGER size;
  if (GetFileSizeEx(file, &size)) bytes->reserve(size.QuadPart);
  char chunk[65536];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file, chunk, sizeof chunk, &got, nullptr)) return false;
    if (got == 0) return true;
    bytes->append(chunk, got);
  }
}

bool Seek(HANDLE file, uint64_t offset) {
  LARGE_INTEGER to;
  to.QuadPart = static_cast<LONGLONG>(offset);
  return SetFilePointerEx(file, to, nullptr, FILE_BEGIN);
}

class WindowsFile : public WritableFile {
 public:
  explicit WindowsFile(HANDLE file) : file_(file) {}
  ~WindowsFile() override { CloseHandle(file_); }

  bool WriteAt(uint64_t offset, std::string_view bytes) override {
    if (!Seek(file_, offset)) return false;
    while (!bytes.empty()) {
      DWORD chunk = bytes.size() > (1u << 30)
                        ? (1u << 30)
                        : static_cast<DWORD>(bytes.size());
      DWORD written = 0;
      if (!WriteFile(file_, bytes.data(), chunk, &written, nullptr) ||
          written == 0) {
        return false;
      }
      bytes.remove_prefix(written);
    }
    return true;
  }
  // Short pieces are gathered into one buffer and written a MiB at a time:
  // a hosts file of many changed lines is otherwise thousands of calls.
  bool WriteAll(uint64_t offset,
                const std::vector<std::string_view>& pieces) override {
    constexpr size_t kGather = 1 << 20;
    std::string gathered;
    gathered.reserve(kGather);
    auto flush = [&] {
      bool ok = gathered.empty() || WriteAt(offset, gathered);
      offset += gathered.size();
      gathered.clear();
      return ok;
    };
    for (std::string_view piece : pieces) {
      if (gathered.size() + piece.size() > kGather && !flush()) return false;
      if (piece.size() >= kGather) {
        if (!WriteAt(offset, piece)) return false;
        offset += piece.size();
      } else {
        gathered += piece;
      }
    }
    return flush();
  }
  bool Truncate(uint64_t size) override {
    return Seek(file_, size) && SetEndOfFile(file_);
  }
  bool Sync() override { return FlushFileBuffers(file_); }

 private:
  HANDLE file_;
};

// While a hosts file is being changed, Ctrl+C, Ctrl+Break and the closing
// of the console wait until the change is over: then the first two are
// dropped, and on a close the system ends the process, with the file whole.
HANDLE change_over = nullptr;  // set while no change is in progress

BOOL WINAPI WaitForTheChange(DWORD) {
  WaitForSingleObject(change_over, INFINITE);
  return TRUE;
}

// Gives the folder `path`, which the system's administrators own, the DACL
// of kStateFolderSecurity.
bool CloseToOthers(const std::string& path) {
  PSECURITY_DESCRIPTOR wanted = StateFolderDescriptor();
  BOOL present = FALSE, defaulted = FALSE;
  PACL dacl = nullptr;
  bool ok = wanted != nullptr &&
            GetSecurityDescriptorDacl(wanted, &present, &dacl, &defaulted) &&
            SetNamedSecurityInfoW(
                Wide(path).data(), SE_FILE_OBJECT,
                DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                nullptr, nullptr, dacl, nullptr) == ERROR_SUCCESS;
  LocalFree(wanted);
  return ok;
}

class WindowsFileSystem : public FileSystem {
 public:
  explicit WindowsFileSystem(const std::string& path)
      : path_(path), state_(StateFolderPath()) {
    size_t slash = path.find_last_of("\\/");
    dir_ = slash == std::string::npos ? "." : path.substr(0, slash);
    name_ = slash == std::string::npos ? path : path.substr(slash + 1);
  }

  std::string HostsName() const override { return name_; }
  // One folder serves every hosts path; two spellings of a path are one.
  std::string StateName() const override {
    char name[24];
    snprintf(name, sizeof name, "%016llx",
             static_cast<unsigned long long>(
                 Fnv1a(path_, kFnvBasis, Spelling::kWindowsPath)));
    return name;
  }

  bool Trusted(Place place) override {
    if (place == Place::kHosts) return OnlyAdministratorsWrite(dir_);
    return !state_.empty() && OnlyAdministratorsWrite(state_);
  }

  FsResult Read(Place place, const std::string& name, Writer writer,
                std::string* bytes) override {
    std::string path = Path(place, name);
    // A private file is judged on the handle it is read from, and opened
    // as it is, a folder or a link, so that a stranger's blocks nothing.
    HANDLE file =
        Open(path, GENERIC_READ | READ_CONTROL, FILE_SHARE_READ, OPEN_EXISTING,
             writer == Writer::kRootOnly
                 ? FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT
                 : FILE_ATTRIBUTE_NORMAL);
    if (file == INVALID_HANDLE_VALUE) {
      DWORD error = GetLastError();
      return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                 ? FsResult::kMissing
                 : FsResult::kFailed;
    }
    // A DNS server's file is held to a list file's rule: as SYSTEM, only
    // one that the administrators alone may change, in such a folder.
    const bool judged = writer == Writer::kRootOnly ||
                        (writer == Writer::kRootWrites && RunsAsSystem());
    if (judged &&
        !(OnlyAdministratorsWriteFile(file) &&
          (writer == Writer::kRootOnly || OnlyAdministratorsWrite(dir_)))) {
      CloseHandle(file);
      return FsResult::kUntrusted;
    }
    bool ok = ReadAll(file, bytes);
    CloseHandle(file);
    return ok ? FsResult::kOk : FsResult::kFailed;
  }

  FsResult Create(Place place, const std::string& name,
                  std::unique_ptr<WritableFile>* file) override {
    if (place == Place::kState && !MakeOrCloseStateFolder()) {
      return FsResult::kRefused;
    }
    HANDLE made =
        CreateFileW(Wide(Path(place, name)).c_str(), GENERIC_WRITE, 0, nullptr,
                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (made == INVALID_HANDLE_VALUE) {
      DWORD error = GetLastError();
      if (error == ERROR_FILE_EXISTS) return FsResult::kExists;
      return error == ERROR_ACCESS_DENIED || error == ERROR_WRITE_PROTECT
                 ? FsResult::kRefused
                 : FsResult::kFailed;
    }
    *file = std::make_unique<WindowsFile>(made);
    return FsResult::kOk;
  }

  std::unique_ptr<WritableFile> OpenForWrite(Place place,
                                             const std::string& name) override {
    HANDLE file = Open(Path(place, name), GENERIC_READ | GENERIC_WRITE,
                       FILE_SHARE_READ, OPEN_EXISTING);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<WindowsFile>(file);
  }

  // ReplaceFileW gives the new file the old one's ACL and attributes.
  FsResult CopyAttributes(const std::string&, WritableFile*) override {
    return FsResult::kOk;
  }

  FsResult Rename(Place place, const std::string& from,
                  const std::string& to) override {
    return Move(Path(place, from), Path(place, to), MOVEFILE_REPLACE_EXISTING)
               ? FsResult::kOk
               : FsResult::kFailed;
  }

  FsResult Replace(const std::string& from, const std::string& to,
                   const std::string& backup) override {
    std::string source = Path(Place::kHosts, from),
                target = Path(Place::kHosts, to),
                kept = Path(Place::kHosts, backup);
    bool ok = false;
    RetriedWhileHeld(
        [&] {
          ok = ReplaceFileW(Wide(target).c_str(), Wide(source).c_str(),
                            Wide(kept).c_str(), REPLACEFILE_IGNORE_MERGE_ERRORS,
                            nullptr, nullptr);
          if (ok) return true;
          DWORD error = GetLastError();
          if (error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) {
            // The old file is under the backup name, the new one still
            // under its own: finish the move, or put the old one back.
            // Should both fail, the next run's repair puts the backup back.
            ok = Move(source, target, 0);
            if (!ok) Move(kept, target, 0);
            return true;
          }
          if (error == ERROR_FILE_NOT_FOUND) {
            // The hosts file went away meanwhile: the new one takes its
            // place.
            ok = Move(source, target, 0);
            return true;
          }
          return false;
        },
        // ERROR_UNABLE_TO_MOVE_REPLACEMENT: with a backup name, both files
        // kept their names; like a held file, worth another try.
        [](DWORD error) {
          return IsTransientOrDenied(error) ||
                 error == ERROR_UNABLE_TO_MOVE_REPLACEMENT;
        });
    return ok ? FsResult::kOk : FsResult::kFailed;
  }

  bool Remove(Place place, const std::string& name) override {
    std::string path = Path(place, name);
    return RetriedWhileHeld(
        [&] {
          return DeleteFileW(Wide(path).c_str()) ||
                 GetLastError() == ERROR_FILE_NOT_FOUND ||
                 GetLastError() == ERROR_PATH_NOT_FOUND;
        },
        IsTransient);
  }

  bool SyncPlace(Place) override { return true; }

  // Only administrators can make files where a stray can be: every file
  // counts as theirs.
  std::vector<std::string> List(Place place, Owner) override {
    std::vector<std::string> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(Wide(Path(place, "*")).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
      // Plain files only: never a folder or a link.
      if (!(found.dwFileAttributes &
            (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) {
        names.push_back(Utf8(found.cFileName));
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
  }

  uint64_t Random() override {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return Fnv1a(std::string_view(reinterpret_cast<char*>(&now), sizeof now),
                 GetCurrentProcessId() * 1099511628211ull + ++drawn_);
  }

  void HoldStops() override {
    if (held_++ == 0) {
      if (change_over == nullptr) {
        change_over = CreateEventW(nullptr, TRUE, FALSE, nullptr);
      }
      ResetEvent(change_over);
      SetConsoleCtrlHandler(WaitForTheChange, TRUE);
    }
  }

  void ReleaseStops() override {
    if (--held_ == 0) {
      SetConsoleCtrlHandler(WaitForTheChange, FALSE);
      SetEvent(change_over);
    }
  }

 private:
  std::string Path(Place place, const std::string& name) const {
    return (place == Place::kHosts ? dir_ : state_) + "\\" + name;
  }

  // Makes the state folder with kStateFolderSecurity, or closes one the
  // administrators own (made beforehand with the permissions it inherits);
  // one of another owner is not used. Nothing in it is judged or set aside
  // here, unlike the install's PrepareStateFolder: a journal is judged on
  // the handle it is read from.
  bool MakeOrCloseStateFolder() {
    if (state_.empty()) return false;
    SECURITY_ATTRIBUTES security = {sizeof security, StateFolderDescriptor(),
                                    FALSE};
    if (security.lpSecurityDescriptor != nullptr) {
      CreateDirectoryW(Wide(state_).c_str(), &security);
      LocalFree(security.lpSecurityDescriptor);
    }
    if (OnlyAdministratorsWrite(state_)) return true;
    DWORD attributes = GetFileAttributesW(Wide(state_).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
           !(attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
           OwnedByAdministrators(state_) && CloseToOthers(state_) &&
           OnlyAdministratorsWrite(state_);
  }

  std::string path_, dir_, name_, state_;
  int held_ = 0;
  uint64_t drawn_ = 0;
};

}  // namespace

std::unique_ptr<FileSystem> OpenFileSystem(const std::string& path) {
  return std::make_unique<WindowsFileSystem>(path);
}

}  // namespace quorvane
