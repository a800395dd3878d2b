// Who may change a file or folder on Windows. A run as SYSTEM or as an
// elevated administrator must never take what an ordinary account could have
// written (a journal put back into the hosts file, a list of names to point
// somewhere) from a place such an account can change.
#ifndef QUORVANE_HOSTS_ADMIN_WRITE_H_
#define QUORVANE_HOSTS_ADMIN_WRITE_H_

#include <string>

namespace quorvane {

// True when `path` (a file or a folder) is owned by SYSTEM, the
// Administrators, TrustedInstaller or the account this program runs as, and
// its DACL lets no other account write it, add to it, delete in it or change
// its security. False when it is not so, or cannot be read: the caller then
// does not trust it.
bool OnlyAdministratorsWrite(const std::string& path);

}  // namespace quorvane

#endif  // QUORVANE_HOSTS_ADMIN_WRITE_H_
