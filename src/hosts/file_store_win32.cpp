// Windows file store. The hosts file is opened without sharing write access.
// A save writes a temporary file beside the hosts file, flushes it to disk
// and puts it in place with ReplaceFileA, which keeps the original's ACL and
// attributes; a crash leaves either the old or the new file. A sharing
// violation (an antivirus scanner holding the file open is common) is
// retried for about two seconds. Where the directory cannot take a
// temporary file, the file is overwritten in place, and any failure there
// writes the old bytes back.
#include <windows.h>

#include <string>

#include "hosts/file_store.h"

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

bool Rewind(HANDLE file) {
  LARGE_INTEGER zero = {};
  return SetFilePointerEx(file, zero, nullptr, FILE_BEGIN);
}

// Puts `bytes` back as the whole content of the file at `path`, which may
// be missing: the last resort after a save that went wrong part way.
void WriteBack(const std::string& path, std::string_view bytes) {
  HANDLE file = Open(path, GENERIC_WRITE, FILE_SHARE_READ, OPEN_ALWAYS);
  if (file == INVALID_HANDLE_VALUE) return;
  WritePieces(file, {bytes});
  CloseHandle(file);
}

bool WriteInPlace(const std::string& path,
                  const std::vector<std::string_view>& pieces,
                  std::string_view old_bytes) {
  HANDLE file = Open(path, GENERIC_WRITE, FILE_SHARE_READ, OPEN_EXISTING);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = WritePieces(file, pieces);
  if (!ok) {
    // The new bytes are only partly there: put the old ones back.
    bool restored = Rewind(file) && WritePieces(file, {old_bytes});
    CloseHandle(file);
    if (!restored) WriteBack(path, old_bytes);
    return false;
  }
  return CloseHandle(file);
}

// A save's temporary file is this name followed by the process and a
// number, in the hosts file's directory: hidden, and named after the file.
std::string TemporaryPrefix(const std::string& dir, const std::string& base) {
  return dir + "\\." + base + ".Quorvane-";
}

// Whether `rest` (what follows the prefix) is a save's own "PID-N".
bool IsTemporarySuffix(std::string_view rest) {
  size_t dash = rest.find('-');
  auto digits = [](std::string_view text) {
    return !text.empty() && text.size() <= 10 &&
           text.find_first_not_of("0123456789") == std::string_view::npos;
  };
  return dash != std::string_view::npos && digits(rest.substr(0, dash)) &&
         digits(rest.substr(dash + 1));
}

void SplitPath(const std::string& path, std::string* dir, std::string* base) {
  size_t slash = path.find_last_of("\\/");
  *dir = slash == std::string::npos ? "." : path.substr(0, slash);
  *base = slash == std::string::npos ? path : path.substr(slash + 1);
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
  LARGE_INTEGER size;
  if (GetFileSizeEx(file, &size)) bytes->reserve(size.QuadPart);
  bool ok = true;
  char chunk[65536];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file, chunk, sizeof chunk, &got, nullptr)) {
      ok = false;
      break;
    }
    if (got == 0) break;
    bytes->append(chunk, got);
  }
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
  for (unsigned n = 0; file == INVALID_HANDLE_VALUE && n < 100; ++n) {
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

}  // namespace quorvane

namespace quorvane {

// STUB, to be replaced by the Windows in-place journal at the merge: this
// save never leaves a journal yet, so there is nothing to put back.
bool RecoverInterruptedSave(const std::string& /*path*/) { return true; }

}  // namespace quorvane
