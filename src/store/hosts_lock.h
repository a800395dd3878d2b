// HostsLock: the right to change the hosts file, held by one run of this
// program at a time from before it reads the file until after it has saved
// it. Two runs at the same moment then work one after the other, the second
// on the first one's result, and neither loses the other's lines. It keeps
// out other runs of this program only. Each hosts file (the system's, or a
// DNS server's named with --hosts-file) has a lock of its own, which two
// paths to the one file share: runs on two files never wait for each other.
//
// The lock lives on something a save never replaces: a lock on the hosts
// file itself would stay with the old file when a save renames the new one
// over it. It ends with the object or with the process, whichever comes
// first, so a killed run never leaves it held. Each platform has
// hosts_lock_*.cpp.
#ifndef QUORVANE_STORE_HOSTS_LOCK_H_
#define QUORVANE_STORE_HOSTS_LOCK_H_

#include <chrono>
#include <memory>
#include <string>

#include "report/message.h"

namespace quorvane {

class HostsLock {
 public:
  HostsLock();
  ~HostsLock();
  HostsLock(const HostsLock&) = delete;
  HostsLock& operator=(const HostsLock&) = delete;

  // Takes the lock for the hosts file at `hosts_path`, waiting at most
  // `wait` for another run to let go of it. False when it is not had by
  // then or cannot be taken at all (nothing is held or changed then).
  bool Acquire(const std::string& hosts_path, std::chrono::milliseconds wait);

  // Lets go of the lock; harmless when it is not held.
  void Release();

 private:
  struct Held;
  std::unique_ptr<Held> held_;
};

// How long a run waits for another run to finish with the hosts file. A run
// holds the lock only to read, scan and save, which takes well under a
// second even for a file of many megabytes; the bound keeps a run that is
// stuck (stopped, or on a hung file system) from stalling every later run.
inline constexpr std::chrono::seconds kHostsLockWait{60};

// Why Acquire for the hosts file at `hosts_path` failed, as error 198's
// cause line, for a run that has the rights to take it: a lock that is not
// root's alone, or the lock held by another run for `waited` (and by which
// process, where that can be known).
Message LockFailureCause(const std::string& hosts_path,
                         std::chrono::seconds waited);

}  // namespace quorvane

#endif  // QUORVANE_STORE_HOSTS_LOCK_H_
