#include "hosts/change_hosts.h"

#include <memory>
#include <utility>
#include <vector>

#include "front/report/console.h"
#include "front/report/fatal_error.h"
#include "front/report/messages.h"
#include "store/file_system.h"
#include "store/hosts_lock.h"
#include "store/hosts_path.h"
#include "store/save_protocol.h"

namespace quorvane {

void ChangeHostsFile(const std::function<LinesChanged(HostsFile*)>& scan,
                     std::string_view count_format) {
  const std::string path = HostsPath();
  HostsLock lock;
  if (!lock.Acquire(path, kHostsLockWait)) {
    FatalError(kErrorHostsOpen, kCannotOpenHosts);
  }
  ReleaseOnFatalError unlock_on_error([&lock] { lock.Release(); });

  // Opened under the lock, so the path checked is the one used to the end.
  // A refused path is reported where the file is read.
  std::unique_ptr<FileSystem> fs = OpenFileSystem(path);
  if (fs) {
    std::vector<std::string> kept;
    bool repaired = RepairFile(fs.get(), &kept);
    for (const std::string& journal : kept) {
      WriteErr(Format(kJournalKeptAside, {journal}));
    }
    if (!repaired) FatalError(kErrorHostsOpen, kCannotOpenHosts);
    RemoveStrays(fs.get());
  }

  WriteOut(Format(kReading, {path}));
  std::string bytes;
  if (!fs || fs->Read(Place::kHosts, fs->HostsName(), Writer::kAnyone,
                      &bytes) != FsResult::kOk) {
    FatalError(kErrorHostsOpen, kCannotOpenHosts);
  }
  HostsFile hosts(std::move(bytes));
  LinesChanged changed = scan(&hosts);
  WriteOut(Raw(changed.printed));
  WriteOut(Format(count_format, {changed.count}));
  if (changed.count == 0) return;

  WriteOut(Format(kWriting, {path}));
  if (!SaveFile(fs.get(), hosts.Pieces(), hosts.Original())) {
    FatalError(kErrorHostsWrite, kCannotWriteHosts);
  }
}

}  // namespace quorvane
