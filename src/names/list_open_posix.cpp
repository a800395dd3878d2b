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
// and not writable by group or others.
Fd OpenRootsListFile(const std::string& path) {
  std::string name;
  Fd dir = OpenTrustedDirectoryOf(path, &name);
  if (!dir.ok()) return Fd();
  return Fd(openat(dir.get(), name.c_str(),
                   O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
}

}  // namespace

FILE* OpenListFile(const std::string& path, bool* others_may_read) {
  const bool root = geteuid() == 0;
  // Opened without waiting, so that a FIFO or a device is refused at once
  // instead of holding the run until someone writes to it; nothing of a
  // refused file is read.
  Fd fd = root ? OpenRootsListFile(path)
               : Fd(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  struct stat st;
  if (!fd.ok() || fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) ||
      (root && (st.st_uid != 0 || (st.st_mode & (S_IWGRP | S_IWOTH)) != 0))) {
    return nullptr;
  }
  int flags = fcntl(fd.get(), F_GETFL);
  if (flags < 0 || fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK) != 0) {
    return nullptr;
  }
  *others_may_read = (st.st_mode & S_IROTH) != 0;
  FILE* file = fdopen(fd.get(), "rb");
  if (file != nullptr) fd.Release();
  return file;
}

}  // namespace quorvane
