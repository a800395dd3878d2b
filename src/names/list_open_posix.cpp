#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "names/list_open.h"
#include "store/fd_posix.h"
#include "store/root_paths_posix.h"

namespace quorvane {

namespace {

// A root run writes the hosts file for everyone, so it takes its orders only
// from a file no other user could have written or swapped: every directory
// and link on the way passes the hosts path's rule, and the file itself,
// opened without following a link and judged on the descriptor, is root's
// and not writable by group or others. Nothing of a refused file is read.
FILE* OpenRootsListFile(const std::string& path) {
  std::string name;
  Fd dir = OpenTrustedDirectoryOf(path, &name);
  if (!dir.ok()) return nullptr;
  Fd fd(openat(dir.get(), name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
  struct stat st;
  if (!fd.ok() || fstat(fd.get(), &st) != 0 || st.st_uid != 0 ||
      (st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    return nullptr;
  }
  FILE* file = fdopen(fd.get(), "rb");
  if (file != nullptr) fd.Release();
  return file;
}

}  // namespace

FILE* OpenListFile(const std::string& path) {
  return geteuid() == 0 ? OpenRootsListFile(path) : fopen(path.c_str(), "rb");
}

}  // namespace quorvane
