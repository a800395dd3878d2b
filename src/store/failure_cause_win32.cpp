// The causes on Windows: not elevated, a missing or odd file, a read-only
// file (with the command that clears it), a write-protected volume or a
// full disk, a list that a run as SYSTEM does not trust; otherwise the
// system's error number (5: access denied, as for a folder whose rights
// forbid the save).
#include <windows.h>

#include "report/texts.h"
#include "report/windows_text.h"
#include "store/admin_write_win32.h"
#include "store/failure_cause.h"

namespace quorvane {

namespace {

bool Elevated() {
  HANDLE token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return true;
  TOKEN_ELEVATION elevation = {};
  DWORD size;
  bool known = GetTokenInformation(token, TokenElevation, &elevation,
                                   sizeof elevation, &size);
  CloseHandle(token);
  return !known || elevation.TokenIsElevated != 0;
}

Message FileCause(const std::string& path, DWORD fallback) {
  DWORD attributes = GetFileAttributesW(Wide(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
               ? Format(kCauseMissing, {PathArg(path)})
               : Format(kCauseSystem, {PathArg(path), static_cast<int>(error)});
  }
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    return Format(kCauseNotAFile, {PathArg(path)});
  }
  return Format(kCauseSystem, {PathArg(path), static_cast<int>(fallback)});
}

}  // namespace

std::optional<Message> PrivilegeCause(const std::string& path) {
  if (Elevated()) return std::nullopt;
  return Format(kCauseNotAdministrator, {PathArg(path)});
}

Message HostsReadCause(const std::string& path) {
  DWORD error = GetLastError();
  return FileCause(path, error);
}

std::optional<Message> UnwritableCause(const std::string& path) {
  DWORD attributes = GetFileAttributesW(Wide(path).c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & FILE_ATTRIBUTE_READONLY)) {
    return Format(kCauseReadOnlyFile, {PathArg(path)});
  }
  return std::nullopt;
}

Message HostsWriteCause(const std::string& path) {
  DWORD error = GetLastError();
  if (std::optional<Message> cause = PrivilegeCause(path)) return *cause;
  DWORD attributes = GetFileAttributesW(Wide(path).c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & FILE_ATTRIBUTE_READONLY)) {
    return Format(kCauseReadOnlyFile, {PathArg(path)});
  }
  if (error == ERROR_WRITE_PROTECT)
    return Format(kCauseReadOnly, {PathArg(path)});
  std::string dir = path.substr(0, path.find_last_of("\\/") + 1);
  ULARGE_INTEGER free_bytes;
  if (!dir.empty() &&
      GetDiskFreeSpaceExW(Wide(dir).c_str(), &free_bytes, nullptr, nullptr) &&
      free_bytes.QuadPart == 0) {
    return Format(kCauseDiskFull, {PathArg(path)});
  }
  return FileCause(path, error);
}

Message ListReadCause(const std::string& path) {
  DWORD error = GetLastError();
  if (RunsAsSystem() &&
      GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES &&
      !OnlyAdministratorsWrite(path)) {
    return Format(kCauseNotAdministrators, {PathArg(path)});
  }
  // Its folder: what stops a list, and a DNS server's file, as SYSTEM.
  std::string folder = path.substr(0, path.find_last_of("\\/"));
  if (RunsAsSystem() && folder.size() < path.size() &&
      !OnlyAdministratorsWrite(folder)) {
    return Format(kCauseNotAdministrators, {PathArg(folder)});
  }
  return FileCause(path, error);
}

}  // namespace quorvane
