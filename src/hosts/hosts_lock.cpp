#include "hosts/hosts_lock.h"

#include "front/fatal_error.h"
#include "front/messages.h"
#include "hosts/file_store.h"
#include "hosts/hosts_path.h"

namespace quorvane {

void LockHostsForChange(HostsLock* lock) {
  std::string path = HostsPath();
  if (!lock->Acquire(path, kHostsLockWait)) {
    FatalError(kErrorHostsOpen, kCannotOpenHosts);
  }
  RemoveStrayTemporaryFiles(path);
  if (!RecoverInterruptedSave(path)) {
    FatalError(kErrorHostsOpen, kCannotOpenHosts);
  }
}

}  // namespace quorvane
