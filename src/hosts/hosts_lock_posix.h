// The POSIX hosts lock's parts: its place and how it is taken.
#ifndef QUORVANE_HOSTS_HOSTS_LOCK_POSIX_H_
#define QUORVANE_HOSTS_HOSTS_LOCK_POSIX_H_

#include <chrono>
#include <string>

namespace quorvane {

// The lock's directory: made by the program (or by systemd for the service)
// and entered by root alone, so no other user can open the lock file, let
// alone hold it. Not /run/lock, which every user may write; not /etc, which
// every user may open and flock.
inline constexpr char kHostsLockDirectory[] = "/run/quorvane";

// Opens the lock file "hosts.lock" in `dir`, making either when missing.
// -1 when the directory is not root's alone (see OpenRootOnlyDirectory) or
// the file is not a regular file owned by root and closed to group and
// others: such a lock may be held by someone else for good, so it is never
// used, and never quietly replaced by another.
int OpenLockFile(const std::string& dir);

// Takes flock on `fd`, waiting at most `wait` while another holds it.
bool LockWithin(int fd, std::chrono::milliseconds wait);

}  // namespace quorvane

#endif  // QUORVANE_HOSTS_HOSTS_LOCK_POSIX_H_
