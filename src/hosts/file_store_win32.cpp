// Windows file store. The hosts file is opened without sharing write access.
// A save writes a temporary file beside the hosts file, flushes it to disk
// and puts it in place with ReplaceFileA, which keeps the original's ACL and
// attributes; a crash leaves either the old or the new file. A sharing
// violation (an antivirus scanner holding the file open is common) is
// retried for about two seconds.
//
// Where the folder cannot take a temporary file, the file is overwritten in
// place, from its first changed byte on, under a rollback journal: the old
// bytes from that byte on, with the file's identity (volume serial, file
// index, old size) and a checksum, are written and flushed first, beside the
// hosts file or else in %ProgramData%\Quorvane; only then is the file
// written, cut to length and flushed, and then the journal is deleted. A run
// killed in between leaves the journal, and the next run puts the old bytes
// back before it reads the file. A journal kept only where no account but
// SYSTEM, the Administrators and this program's own can write is trusted;
// no journal, no in-place write. Ctrl+C, Ctrl+Break and the console's close
// are held back while the file is being changed.
#include <windows.h>
// windows.h first: aclapi.h needs its types.
#include <aclapi.h>
#include <sddl.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "hosts/admin_write.h"
#include "hosts/file_store.h"
#include "hosts/journal.h"

namespace quorvane {

namespace {

constexpr int kRetries = 40;  // of 50 ms: about two seconds
constexpr DWORD kRetryPause = 50;

bool IsTransient(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
         error == ERROR_UNABLE_TO_REMOVE_REPLACED;
}

// CreateFileA, retried while another process holds the file.
HANDLE Open(const std::string& path, DWORD access, DWORD share,
            DWORD disposition) {
  for (int attempt = 0;; ++attempt) {
    HANDLE file = CreateFileA(path.c_str(), access, share, nullptr, disposition,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE || attempt == kRetries ||
        !IsTransient(GetLastError())) {
      return file;
    }
    Sleep(kRetryPause);
  }
}

bool WriteAll(HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    DWORD chunk = bytes.size() > (1u << 30) ? (1u << 30)
                                            : static_cast<DWORD>(bytes.size());
    DWORD written = 0;
    if (!WriteFile(file, bytes.data(), chunk, &written, nullptr) ||
        written == 0) {
      return false;
    }
    bytes.remove_prefix(written);
  }
  return true;
}

bool WritePieces(HANDLE file, const std::vector<std::string_view>& pieces) {
  for (std::string_view piece : pieces) {
    if (!WriteAll(file, piece)) return false;
  }
  return SetEndOfFile(file) && FlushFileBuffers(file);
}

// Puts `bytes` back as the whole content of the file at `path`, which may
// be missing: the last resort after a save that went wrong part way.
void WriteBack(const std::string& path, std::string_view bytes) {
  HANDLE file = Open(path, GENERIC_WRITE, FILE_SHARE_READ, OPEN_ALWAYS);
  if (file == INVALID_HANDLE_VALUE) return;
  WritePieces(file, {bytes});
  CloseHandle(file);
}

// A save's temporary file is this name followed by the process and a
// number, in the hosts file's directory: hidden, and named after the file.
std::string TemporaryPrefix(const std::string& dir, const std::string& base) {
  return dir + "\\." + base + ".Quorvane-";
}

// Whether `rest` (what follows the prefix) is a save's own "PID-N": a
// process number and a number below kTemporaryNames, as std::to_string
// writes them.
constexpr unsigned kTemporaryNames = 100;

bool IsTemporarySuffix(std::string_view rest) {
  size_t dash = rest.find('-');
  auto number = [](std::string_view text, size_t longest) {
    return !text.empty() && text.size() <= longest &&
           (text[0] != '0' || text.size() == 1) &&
           text.find_first_not_of("0123456789") == std::string_view::npos;
  };
  return dash != std::string_view::npos && number(rest.substr(0, dash), 10) &&
         number(rest.substr(dash + 1), 2);
}

void SplitPath(const std::string& path, std::string* dir, std::string* base) {
  size_t slash = path.find_last_of("\\/");
  *dir = slash == std::string::npos ? "." : path.substr(0, slash);
  *base = slash == std::string::npos ? path : path.substr(slash + 1);
}

// ---- In-place save under a rollback journal ----

bool Seek(HANDLE file, uint64_t offset) {
  LARGE_INTEGER to;
  to.QuadPart = static_cast<LONGLONG>(offset);
  return SetFilePointerEx(file, to, nullptr, FILE_BEGIN);
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

// FNV-1a. With `fold`, ASCII letters and slashes are folded, so that two
// spellings of one path give one journal name.
uint64_t Fnv(std::string_view bytes, bool fold = false,
             uint64_t hash = 14695981039346656037ull) {
  for (char c : bytes) {
    unsigned char byte = static_cast<unsigned char>(c);
    if (fold && byte >= 'a' && byte <= 'z') byte -= 'a' - 'A';
    if (fold && byte == '/') byte = '\\';
    hash = (hash ^ byte) * 1099511628211ull;
  }
  return hash;
}

// The two places a journal for the file at `path` may be: beside it, and
// in the program's folder under ProgramData (empty when there is none).
std::string BesideJournal(const std::string& dir, const std::string& base) {
  return dir + "\\." + base + ".Quorvane-journal";
}

std::string StateFolder() {
  char data[MAX_PATH];
  DWORD length = GetEnvironmentVariableA("ProgramData", data, sizeof data);
  if (length == 0 || length >= sizeof data) return "";
  return std::string(data) + "\\Quorvane";
}

std::string StateJournal(const std::string& folder, const std::string& path) {
  char name[40];
  snprintf(name, sizeof name, "\\journal-%016llx",
           static_cast<unsigned long long>(Fnv(path, true)));
  return folder + name;
}

// Writes and flushes the journal for an in-place save of `file` (at `path`,
// holding `old_bytes`) that changes it from `offset` on. True with the
// journal's name in `*journal` once it is safely on disk.
bool WriteJournal(HANDLE file, const std::string& path,
                  std::string_view old_bytes, uint64_t offset,
                  std::string* journal) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(file, &info)) return false;
  Journal record;
  record.volume = info.dwVolumeSerialNumber;
  record.file = (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
  record.old_size = old_bytes.size();
  record.offset = offset;
  record.old_bytes = old_bytes.substr(offset);
  std::string head = JournalHead(record);
  std::string dir, base;
  SplitPath(path, &dir, &base);
  std::string state = StateFolder();
  std::vector<std::string> places;
  if (OnlyAdministratorsWrite(dir)) places.push_back(BesideJournal(dir, base));
  if (!state.empty()) {
    SECURITY_ATTRIBUTES security = {sizeof security, nullptr, FALSE};
    if (ConvertStringSecurityDescriptorToSecurityDescriptorA(
            "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)", SDDL_REVISION_1,
            &security.lpSecurityDescriptor, nullptr)) {
      CreateDirectoryA(state.c_str(), &security);
      LocalFree(security.lpSecurityDescriptor);
    }
    if (OnlyAdministratorsWrite(state))
      places.push_back(StateJournal(state, path));
  }
  for (const std::string& place : places) {
    HANDLE out = CreateFileA(place.c_str(), GENERIC_WRITE, 0, nullptr,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) continue;
    bool ok = WriteAll(out, head) && WriteAll(out, record.old_bytes) &&
              FlushFileBuffers(out);
    ok = CloseHandle(out) && ok;
    if (ok) {
      *journal = place;
      return true;
    }
    DeleteFileA(place.c_str());
  }
  return false;
}

// Removes a journal; a sharing violation (a scanner) is waited out.
bool DeleteJournal(const std::string& journal) {
  for (int attempt = 0;; ++attempt) {
    if (DeleteFileA(journal.c_str())) return true;
    DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND) return true;
    if (attempt == kRetries || !IsTransient(error)) return false;
    Sleep(kRetryPause);
  }
}

// Puts the journal's old bytes back into the file at `path` when it is
// still the file the journal was made for; see RecoverInterruptedSave.
bool ApplyJournal(const std::string& journal, const std::string& path) {
  HANDLE in = Open(journal, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
  if (in == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
  }
  std::string bytes;
  bool read = ReadAll(in, &bytes);
  CloseHandle(in);
  if (!read) return false;
  // A journal cut short was never followed by a write to the file.
  Journal record;
  if (!ParseJournal(bytes, &record)) return DeleteJournal(journal);
  HANDLE file =
      Open(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, OPEN_EXISTING);
  if (file == INVALID_HANDLE_VALUE) {
    // No file: the journal's file is gone, nothing to put back into.
    return GetLastError() == ERROR_FILE_NOT_FOUND && DeleteJournal(journal);
  }
  BY_HANDLE_FILE_INFORMATION info;
  LARGE_INTEGER size;
  bool ok =
      GetFileInformationByHandle(file, &info) && GetFileSizeEx(file, &size);
  // Another file now (replaced since), or one shorter than the save ever
  // made it: not the torn file, so it is left alone.
  bool same = ok && record.volume == info.dwVolumeSerialNumber &&
              record.file == ((uint64_t{info.nFileIndexHigh} << 32) |
                              info.nFileIndexLow) &&
              static_cast<uint64_t>(size.QuadPart) >= record.offset;
  if (same) {
    ok = Seek(file, record.offset) && WriteAll(file, record.old_bytes) &&
         SetEndOfFile(file) && FlushFileBuffers(file);
  }
  ok = CloseHandle(file) && ok;
  return ok && DeleteJournal(journal);
}

// While a hosts file is being changed, Ctrl+C, Ctrl+Break and the closing
// of the console wait until the change is over: then the first two are
// dropped, and on a close the system ends the process, with the file whole.
HANDLE change_over = nullptr;  // set while no change is in progress

BOOL WINAPI WaitForTheChange(DWORD) {
  WaitForSingleObject(change_over, INFINITE);
  return TRUE;
}

class ConsoleEventsHeld {
 public:
  ConsoleEventsHeld() {
    if (change_over == nullptr) {
      change_over = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    }
    ResetEvent(change_over);
    SetConsoleCtrlHandler(WaitForTheChange, TRUE);
  }
  ~ConsoleEventsHeld() {
    SetConsoleCtrlHandler(WaitForTheChange, FALSE);
    SetEvent(change_over);
  }
};

// Writes the file from its first changed byte on, under a journal (see
// the top of this file). False, with the old content in the file, when no
// journal can be made or the write fails.
bool WriteInPlace(const std::string& path,
                  const std::vector<std::string_view>& pieces,
                  std::string_view old_bytes) {
  HANDLE file =
      Open(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, OPEN_EXISTING);
  if (file == INVALID_HANDLE_VALUE) return false;
  size_t first = FirstChange(pieces, old_bytes);
  std::string journal;
  if (!WriteJournal(file, path, old_bytes, first, &journal)) {
    CloseHandle(file);
    return false;
  }
  ConsoleEventsHeld held;
  bool ok = Seek(file, first);
  size_t skip = first;
  for (std::string_view piece : pieces) {
    size_t cut = std::min(skip, piece.size());
    skip -= cut;
    ok = ok && WriteAll(file, piece.substr(cut));
  }
  ok = ok && SetEndOfFile(file) && FlushFileBuffers(file) &&
       DeleteJournal(journal);
  if (!ok) {
    // Put the old bytes back; if even that fails, the journal stays and
    // the next run puts them back.
    if (Seek(file, first) && WriteAll(file, old_bytes.substr(first)) &&
        SetEndOfFile(file) && FlushFileBuffers(file)) {
      DeleteJournal(journal);
    }
  }
  return CloseHandle(file) && ok;
}

// Puts the finished temporary file at `path` once ReplaceFileA has removed
// the original but could not move the new file in. Retried like the rest;
// if it still fails, the old bytes are written back so the hosts file is
// never left missing.
bool MoveIntoPlace(const std::string& temp, const std::string& path,
                   std::string_view old_bytes) {
  for (int attempt = 0;; ++attempt) {
    if (MoveFileExA(temp.c_str(), path.c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return true;
    }
    if (attempt == kRetries) break;
    Sleep(kRetryPause);
  }
  WriteBack(path, old_bytes);
  DeleteFileA(temp.c_str());
  return false;
}

}  // namespace

bool ReadFileBytes(const std::string& path, std::string* bytes) {
  HANDLE file = Open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = ReadAll(file, bytes);
  CloseHandle(file);
  return ok;
}

bool ReplaceFileBytes(const std::string& path,
                      const std::vector<std::string_view>& pieces,
                      std::string_view old_bytes) {
  std::string dir, base;
  SplitPath(path, &dir, &base);
  std::string temp;
  HANDLE file = INVALID_HANDLE_VALUE;
  for (unsigned n = 0; file == INVALID_HANDLE_VALUE && n < kTemporaryNames;
       ++n) {
    temp = TemporaryPrefix(dir, base) + std::to_string(GetCurrentProcessId()) +
           "-" + std::to_string(n);
    file = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) {
      break;
    }
  }
  if (file == INVALID_HANDLE_VALUE) {
    if (GetLastError() == ERROR_ACCESS_DENIED) {
      return WriteInPlace(path, pieces, old_bytes);
    }
    return false;
  }
  bool ok = WritePieces(file, pieces);
  ok = CloseHandle(file) && ok;
  for (int attempt = 0; ok; ++attempt) {
    if (ReplaceFileA(path.c_str(), temp.c_str(), nullptr,
                     REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
      return true;
    }
    DWORD error = GetLastError();
    if (error == ERROR_UNABLE_TO_MOVE_REPLACEMENT ||
        error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) {
      // Without a backup name this means the original is gone (or renamed
      // away): the temporary file holds the only copy of the content.
      return MoveIntoPlace(temp, path, old_bytes);
    }
    if (error == ERROR_FILE_NOT_FOUND) {
      // The hosts file went away meanwhile: the new one takes its place.
      ok = MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH);
      if (ok) return true;
    } else if (attempt == kRetries ||
               !(IsTransient(error) || error == ERROR_ACCESS_DENIED)) {
      ok = false;
    } else {
      Sleep(kRetryPause);
    }
  }
  DeleteFileA(temp.c_str());
  return false;
}

void RemoveStrayTemporaryFiles(const std::string& path) {
  std::string dir, base;
  SplitPath(path, &dir, &base);
  std::string prefix = TemporaryPrefix(dir, base);
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((prefix + "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  size_t name_prefix = prefix.size() - dir.size() - 1;
  do {
    // Only plain files of the save's own naming: never a folder, a link or
    // a user's file that happens to start the same way.
    std::string_view name = found.cFileName;
    if ((found.dwFileAttributes &
         (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ||
        name.size() <= name_prefix ||
        !IsTemporarySuffix(name.substr(name_prefix))) {
      continue;
    }
    DeleteFileA((dir + "\\" + found.cFileName).c_str());
  } while (FindNextFileA(search, &found));
  FindClose(search);
}

bool RecoverInterruptedSave(const std::string& path) {
  std::string dir, base;
  SplitPath(path, &dir, &base);
  // A journal where someone else could have put it is not ours to apply.
  bool ok = !OnlyAdministratorsWrite(dir) ||
            ApplyJournal(BesideJournal(dir, base), path);
  std::string state = StateFolder();
  if (!state.empty() && OnlyAdministratorsWrite(state)) {
    ok = ApplyJournal(StateJournal(state, path), path) && ok;
  }
  return ok;
}

}  // namespace quorvane
