// POSIX hosts lock: flock on the directory that holds the hosts file. The
// directory is never replaced by a save (the new file is renamed into it),
// it needs no lock file that could be left behind or could not be created
// on a read-only file system, and the kernel lets go of the lock when the
// process ends, however it ends. All runs name the hosts file by the same
// path, so they all lock the same directory; a symbolic link at that path
// does not matter.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <thread>

#include "hosts/hosts_lock.h"

namespace quorvane {

struct HostsLock::Held {
  int fd;
};

HostsLock::HostsLock() = default;

HostsLock::~HostsLock() { Release(); }

bool HostsLock::Acquire(const std::string& hosts_path,
                        std::chrono::milliseconds wait) {
  Release();
  size_t slash = hosts_path.rfind('/');
  std::string dir = slash == std::string::npos ? "."
                    : slash == 0               ? "/"
                                               : hosts_path.substr(0, slash);
  int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  // flock cannot wait for a bounded time, so ask again and again, each pause
  // a little longer, up to a short one: a run holds the lock only briefly.
  auto deadline = std::chrono::steady_clock::now() + wait;
  std::chrono::milliseconds pause(1);
  for (;;) {
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
      held_ = std::make_unique<Held>(Held{fd});
      return true;
    }
    if (errno == EINTR) continue;
    auto now = std::chrono::steady_clock::now();
    if (errno != EWOULDBLOCK || now >= deadline) {
      close(fd);
      return false;
    }
    std::this_thread::sleep_for(
        std::min<std::chrono::steady_clock::duration>(pause, deadline - now));
    pause = std::min(pause * 2, std::chrono::milliseconds(20));
  }
}

void HostsLock::Release() {
  if (!held_) return;
  close(held_->fd);  // closing the only descriptor lets go of the flock
  held_.reset();
}

}  // namespace quorvane
