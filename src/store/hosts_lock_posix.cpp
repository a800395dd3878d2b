// POSIX hosts lock: flock on a lock file, one per hosts file, in a
// directory only root may enter. The lock file is never replaced by a save,
// it can be made while /etc is read-only, and the kernel lets go of the lock
// when the process ends, however it ends.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <string_view>
#include <thread>

#include "report/texts.h"
#include "store/fd_posix.h"
#include "store/hash.h"
#include "store/hosts_lock.h"
#include "store/hosts_path.h"
#include "store/root_paths_posix.h"

namespace quorvane {
namespace {

// The lock's directory: made by the program (or by systemd for the service)
// and entered by root alone, so no other user can open the lock file, let
// alone hold it. Not /run/lock, which every user may write; not /etc, which
// every user may open and flock.
constexpr char kHostsLockDirectory[] = "/run/quorvane";

// The file's path with every link followed, as the save's walk reaches it,
// so that two paths to one file name one lock; the path as given when the
// walk refuses it (the run then touches nothing, whatever it holds).
std::string WalkedPath(const std::string& path) {
  std::string name, walked;
  if (!OpenTrustedDirectoryOf(path, &name, nullptr, &walked).ok()) return path;
  return walked + "/" + name;
}

// The lock file's name in the lock directory: "hosts.lock" for the system's
// hosts file (the name older runs take), and for any other file a name of
// its own, so that runs on two files never wait for each other. Not the
// device and inode: a save by rename gives the file a new inode.
std::string LockName(const std::string& hosts_path) {
  const std::string walked = WalkedPath(hosts_path);
  if (walked == WalkedPath(HostsPath())) return "hosts.lock";
  char name[40];
  snprintf(name, sizeof name, "hosts-%016llx.lock",
           static_cast<unsigned long long>(Fnv1a(walked)));
  return name;
}

// Opens the lock file `name` in `dir`, making either when missing. None
// when the directory is not root's alone (see OpenRootOnlyDirectory) or the
// file is not a regular file owned by root and closed to group and others:
// such a lock may be held by someone else for good, so it is never used,
// and never quietly replaced by another.
Fd OpenLockFile(const std::string& dir, const std::string& name) {
  Fd dir_fd = OpenRootOnlyDirectory(dir.c_str(), IfMissing::kCreate);
  if (!dir_fd.ok()) return Fd();
  // O_NONBLOCK: a FIFO put there must not stall the open.
  return KeepIfRootsAlone(
      Fd(openat(dir_fd.get(), name.c_str(),
                O_RDONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC,
                0600)),
      S_IFREG);
}

// Takes flock on `fd`, waiting at most `wait` while another holds it.
bool LockWithin(int fd, std::chrono::milliseconds wait) {
  // flock cannot wait for a bounded time, so ask again and again, each pause
  // a little longer, up to a short one: a run holds the lock only briefly.
  auto deadline = std::chrono::steady_clock::now() + wait;
  std::chrono::milliseconds pause(1);
  for (;;) {
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
    if (errno == EINTR) continue;
    auto now = std::chrono::steady_clock::now();
    if (errno != EWOULDBLOCK || now >= deadline) return false;
    std::this_thread::sleep_for(
        std::min<std::chrono::steady_clock::duration>(pause, deadline - now));
    pause = std::min(pause * 2, std::chrono::milliseconds(20));
  }
}

}  // namespace

struct HostsLock::Held {
  Fd fd;  // closing the only descriptor lets go of the flock
};

HostsLock::HostsLock() = default;

HostsLock::~HostsLock() { Release(); }

bool HostsLock::Acquire(const std::string& hosts_path,
                        std::chrono::milliseconds wait) {
  Release();
  Fd fd = OpenLockFile(kHostsLockDirectory, LockName(hosts_path));
  if (!fd.ok() || !LockWithin(fd.get(), wait)) return false;
  held_ = std::make_unique<Held>(Held{std::move(fd)});
  return true;
}

void HostsLock::Release() { held_.reset(); }

Message LockFailureCause(const std::string& hosts_path,
                         std::chrono::seconds waited) {
  const std::string dir = kHostsLockDirectory;
  const std::string file = dir + "/" + LockName(hosts_path);
  struct stat st;
  if (lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != 0 ||
      (st.st_mode & 022) != 0) {
    return Format(kCauseLockNotRoots, {hosts_path, dir});
  }
  if (lstat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != 0 ||
      (st.st_mode & 077) != 0) {
    return Format(kCauseLockNotRoots, {hosts_path, file});
  }
  // The holder from the kernel's table of locks: "1: FLOCK ADVISORY WRITE
  // PID MAJOR:MINOR:INODE ...", the device numbers in hex.
  int holder = 0;
  if (FILE* locks = fopen("/proc/locks", "re")) {
    char text[256];
    while (holder == 0 && fgets(text, sizeof text, locks)) {
      char kind[16];
      int pid;
      unsigned major_number, minor_number;
      unsigned long inode;
      if (sscanf(text, "%*[^:]: %15s %*s %*s %d %x:%x:%lu", kind, &pid,
                 &major_number, &minor_number, &inode) == 5 &&
          std::string_view(kind) == "FLOCK" && inode == st.st_ino &&
          major_number == major(st.st_dev) &&
          minor_number == minor(st.st_dev)) {
        holder = pid;
      }
    }
    fclose(locks);
  }
  int seconds = static_cast<int>(waited.count());
  return holder > 0
             ? Format(kCauseLockHeldBy, {hosts_path, holder, file, seconds})
             : Format(kCauseLockHeld, {hosts_path, file, seconds});
}

}  // namespace quorvane
