#include "hosts/change_hosts.h"

#include "front/report/console.h"
#include "front/report/fatal_error.h"
#include "front/report/messages.h"
#include "hosts/file_store.h"
#include "hosts/hosts_lock.h"
#include "hosts/hosts_path.h"

namespace quorvane {

void ChangeHostsFile(const std::function<LinesChanged(HostsFile*)>& scan,
                     std::string_view count_format) {
  std::string path = HostsPath();
  HostsLock lock;
  if (!lock.Acquire(path, kHostsLockWait)) {
    FatalError(kErrorHostsOpen, kCannotOpenHosts);
  }
  ReleaseOnFatalError unlock_on_error([&lock] { lock.Release(); });
  if (!RecoverInterruptedSave(path)) {
    FatalError(kErrorHostsOpen, kCannotOpenHosts);
  }
  RemoveStrayTemporaryFiles(path);

  HostsFile hosts = HostsFile::Load();
  LinesChanged changed = scan(&hosts);
  WriteOut(Raw(changed.printed));
  WriteOut(Format(count_format, {changed.count}));
  if (changed.count != 0) hosts.Save();
}

}  // namespace quorvane
