#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "hosts/root_paths_posix.h"
#include "names/list_open.h"

namespace quorvane {

namespace {

// A root run writes the hosts file for everyone, so it takes its orders only
// from a file no other user could have written or swapped: every directory
// and link on the way passes the hosts path's rule, and the file itself,
// opened without following a link and judged on the descriptor, is root's
// and not writable by group or others. Nothing of a refused file is read.
FILE* OpenRootsListFile(const std::string& path) {
  std::string name;
  int dir = OpenTrustedDirectoryOf(path, &name);
  if (dir < 0) return nullptr;
  int fd = openat(dir, name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  close(dir);
  struct stat st;
  if (fd >= 0 && (fstat(fd, &st) != 0 || st.st_uid != 0 ||
                  (st.st_mode & (S_IWGRP | S_IWOTH)) != 0)) {
    close(fd);
    return nullptr;
  }
  FILE* file = fd >= 0 ? fdopen(fd, "rb") : nullptr;
  if (file == nullptr && fd >= 0) close(fd);
  return file;
}

}  // namespace

FILE* OpenListFile(const std::string& path) {
  return geteuid() == 0 ? OpenRootsListFile(path) : fopen(path.c_str(), "rb");
}

}  // namespace quorvane
