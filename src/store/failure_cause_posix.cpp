// The causes on POSIX: not root, a directory or link on the way that
// another user may change (as root_paths_posix.h refuses them), a missing
// or odd file, a read-only or full file system, nowhere for the journal of
// an in-place save; otherwise the system's error number.
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <vector>

#include "report/texts.h"
#include "store/failure_cause.h"
#include "store/root_paths_posix.h"

namespace quorvane {

namespace {

bool OthersMayChange(const struct stat& st, bool sticky_is_enough) {
  bool writable = (st.st_mode & (S_IWGRP | S_IWOTH)) != 0;
  return st.st_uid != 0 ||
         (writable && !(sticky_is_enough && (st.st_mode & S_ISVTX)));
}

// The first directory or link on the way to `path` that a user other than
// root may change, or "" when there is none (or the way ends early): what
// stopped the walk that refused the path.
std::string UntrustedOnTheWay(const std::string& path) {
  std::string name, untrusted;
  OpenTrustedDirectoryOf(path, &name, &untrusted);
  return untrusted;
}

// The cause that the file itself gives: missing, not a regular file, not
// readable; `fallback` when none shows.
Message FileCause(const std::string& path, int fallback) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) {
    return errno == ENOENT ? Format(kCauseMissing, {path})
                           : Format(kCauseSystem, {path, errno});
  }
  if (!S_ISREG(st.st_mode)) return Format(kCauseNotAFile, {path});
  if (access(path.c_str(), R_OK) != 0) {
    return errno == EACCES && geteuid() != 0
               ? Format(kCauseNotRoot, {path})
               : Format(kCauseSystem, {path, errno});
  }
  return Format(kCauseSystem, {path, fallback});
}

}  // namespace

std::optional<Message> PrivilegeCause(const std::string& path) {
  if (geteuid() == 0) return std::nullopt;
  return Format(kCauseNotRoot, {path});
}

Message HostsReadCause(const std::string& path) {
  int error = errno;
  std::string untrusted = UntrustedOnTheWay(path);
  if (!untrusted.empty()) {
    return Format(kCauseOthersMayWrite, {path, untrusted});
  }
  return FileCause(path, error);
}

// A read-only file system may still take an in-place save, and a file's
// mode does not stop root: nothing to tell before trying.
std::optional<Message> UnwritableCause(const std::string&) {
  return std::nullopt;
}

Message HostsWriteCause(const std::string& path) {
  int error = errno;
  if (std::optional<Message> cause = PrivilegeCause(path)) return *cause;
  std::string untrusted = UntrustedOnTheWay(path);
  if (!untrusted.empty()) {
    return Format(kCauseOthersMayWrite, {path, untrusted});
  }
  struct statvfs file_fs, dir_fs;
  std::string dir = path.substr(0, path.rfind('/') + 1);
  if (statvfs(path.c_str(), &file_fs) == 0) {
    if (file_fs.f_flag & ST_RDONLY) return Format(kCauseReadOnly, {path});
    if (file_fs.f_bavail == 0) return Format(kCauseDiskFull, {path});
  }
  if (!dir.empty() && statvfs(dir.c_str(), &dir_fs) == 0 &&
      (dir_fs.f_flag & ST_RDONLY)) {
    // Written in place: the journal goes to its own directory, which must
    // be there or can be made.
    struct statvfs journal_fs;
    bool journal_writable = (statvfs(kStateDirectory, &journal_fs) == 0 ||
                             statvfs("/var/lib", &journal_fs) == 0) &&
                            !(journal_fs.f_flag & ST_RDONLY) &&
                            journal_fs.f_bavail > 0;
    if (!journal_writable) {
      return Format(kCauseNoJournalPlace, {path, kStateDirectory});
    }
  }
  return FileCause(path, error);
}

Message ListReadCause(const std::string& path) {
  int error = errno;
  if (geteuid() == 0) {
    // A root run reads only a list no other user could have written.
    std::string untrusted = UntrustedOnTheWay(path);
    struct stat st;
    if (untrusted.empty() && stat(path.c_str(), &st) == 0 &&
        OthersMayChange(st, false)) {
      untrusted = path;
    }
    if (!untrusted.empty()) {
      return Format(kCauseOthersMayWrite, {path, untrusted});
    }
  }
  return FileCause(path, error);
}

}  // namespace quorvane
