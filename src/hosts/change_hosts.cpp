#include "hosts/change_hosts.h"

#include <optional>

#include "front/report/console.h"
#include "front/report/fatal_error.h"
#include "front/report/messages.h"
#include "hosts/failure_cause.h"
#include "hosts/file_store.h"
#include "hosts/hosts_lock.h"
#include "hosts/hosts_path.h"

namespace quorvane {

namespace {

// Error 198 with its cause on the line after the fixed text.
[[noreturn]] void CannotOpenHosts(const Message& cause) {
  Message text = Format(kCannotOpenHosts, {});
  text += Raw("\n");
  text += cause;
  FatalError(kErrorHostsOpen, text);
}

}  // namespace

int ChangeHostsFile(const std::function<LinesChanged(HostsFile*)>& scan,
                    const Text& count_format, Writing writing) {
  std::string path = HostsPath();
  HostsLock lock;
  if (!lock.Acquire(path, kHostsLockWait)) {
    std::optional<Message> cause = PrivilegeCause(path);
    CannotOpenHosts(cause ? *cause : LockFailureCause(path, kHostsLockWait));
  }
  ReleaseOnFatalError unlock_on_error([&lock] { lock.Release(); });
  if (writing == Writing::kSave) {
    if (!RecoverInterruptedSave(path)) {
      CannotOpenHosts(Format(kCauseJournal, {path}));
    }
    RemoveStrayTemporaryFiles(path);
  }

  HostsFile hosts = HostsFile::Load();
  LinesChanged changed = scan(&hosts);
  WriteOut(Raw(changed.printed));
  WriteOut(Format(count_format, {changed.count}));
  if (changed.count != 0 && writing == Writing::kSave) hosts.Save();
  return changed.count;
}

}  // namespace quorvane
