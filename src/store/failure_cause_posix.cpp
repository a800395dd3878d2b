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

#include "front/report/messages.h"
#include "store/failure_cause.h"

namespace quorvane {

namespace {

// Where an in-place save keeps its journal when the hosts file's directory
// cannot take it (file_system_posix.cpp).
constexpr char kJournalDirectory[] = "/var/lib/quorvane";

bool OthersMayChange(const struct stat& st, bool sticky_is_enough) {
  bool writable = (st.st_mode & (S_IWGRP | S_IWOTH)) != 0;
  return st.st_uid != 0 ||
         (writable && !(sticky_is_enough && (st.st_mode & S_ISVTX)));
}

// The first directory or link on the way to `path` that a user other than
// root may change, or "" when there is none (or the way ends early).
std::string UntrustedOnTheWay(const std::string& path) {
  std::vector<std::string> todo;  // the parts still to walk, first one last
  auto push = [&todo](const std::string& from) {
    size_t end = from.size();
    while (end > 0) {
      size_t slash = from.rfind('/', end - 1);
      size_t begin = slash == std::string::npos ? 0 : slash + 1;
      if (end > begin) todo.push_back(from.substr(begin, end - begin));
      if (slash == std::string::npos) break;
      end = slash;
    }
  };
  push(path);
  std::string at;
  if (path.rfind('/', 0) != 0) {
    char cwd[PATH_MAX];
    if (getcwd(cwd, sizeof cwd) == nullptr) return "";
    at = cwd == std::string("/") ? "" : cwd;
  }
  struct stat st;
  if (stat(at.empty() ? "/" : at.c_str(), &st) == 0 &&
      OthersMayChange(st, true)) {
    return at.empty() ? "/" : at;
  }
  for (int links = 0; !todo.empty();) {
    std::string part = std::move(todo.back());
    todo.pop_back();
    if (part == ".") continue;
    if (part == "..") {
      at.resize(at.empty() ? 0 : at.rfind('/'));
      continue;
    }
    std::string next = at + "/" + part;
    if (lstat(next.c_str(), &st) != 0) return "";
    if (S_ISLNK(st.st_mode)) {
      std::string target(PATH_MAX, '\0');
      ssize_t size = readlink(next.c_str(), target.data(), target.size());
      if (st.st_uid != 0 || ++links > 40 || size <= 0) return next;
      target.resize(size);
      push(target);
      if (target[0] == '/') at.clear();
      continue;
    }
    if (todo.empty()) {
      // The file's own directory: the save makes names there, so even a
      // sticky one is another user's to spoil.
      std::string dir = at.empty() ? "/" : at;
      if (stat(dir.c_str(), &st) == 0 && (st.st_mode & (S_IWGRP | S_IWOTH))) {
        return dir;
      }
      return "";
    }
    if (S_ISDIR(st.st_mode) && OthersMayChange(st, true)) return next;
    at = next;
  }
  return "";
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
    bool journal_writable = (statvfs(kJournalDirectory, &journal_fs) == 0 ||
                             statvfs("/var/lib", &journal_fs) == 0) &&
                            !(journal_fs.f_flag & ST_RDONLY) &&
                            journal_fs.f_bavail > 0;
    if (!journal_writable) {
      return Format(kCauseNoJournalPlace, {path, kJournalDirectory});
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
