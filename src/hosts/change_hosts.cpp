#include "hosts/change_hosts.h"

#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "front/report/console.h"
#include "front/report/fatal_error.h"
#include "front/report/messages.h"
#include "store/failure_cause.h"
#include "store/file_system.h"
#include "store/hosts_lock.h"
#include "store/hosts_path.h"
#include "store/save_protocol.h"

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
  const std::string path = HostsPath();
  HostsLock lock;
  if (!lock.Acquire(path, kHostsLockWait)) {
    std::optional<Message> cause = PrivilegeCause(path);
    CannotOpenHosts(cause ? *cause : LockFailureCause(path, kHostsLockWait));
  }
  ReleaseOnFatalError unlock_on_error([&lock] { lock.Release(); });

  // Opened under the lock, so the path checked is the one used to the end.
  // A refused path is reported where the file is read. A check writes
  // nothing: a journal left by a killed save waits for the next run.
  std::unique_ptr<FileSystem> fs = OpenFileSystem(path);
  if (fs && writing == Writing::kSave) {
    std::vector<std::string> kept;
    bool repaired = RepairFile(fs.get(), &kept);
    for (const std::string& journal : kept) {
      WriteErr(Format(kJournalKeptAside, {journal}));
    }
    if (!repaired) CannotOpenHosts(Format(kCauseJournal, {path}));
    RemoveStrays(fs.get());
  }

  WriteOut(Format(kReading, {path}));
  std::string bytes;
  if (!fs || fs->Read(Place::kHosts, fs->HostsName(), Writer::kAnyone,
                      &bytes) != FsResult::kOk) {
    CannotOpenHosts(HostsReadCause(path));
  }
  HostsFile hosts(std::move(bytes));
  LinesChanged changed = scan(&hosts);
  WriteOut(Raw(changed.printed));
  WriteOut(Format(count_format, {changed.count}));
  if (changed.count == 0 || writing == Writing::kCheck) return changed.count;

  WriteOut(Format(kWriting, {path}));
  if (!SaveFile(fs.get(), hosts.Pieces(), hosts.Original())) {
    Message text = Format(kCannotWriteHosts, {});
    text += Raw("\n");
    text += HostsWriteCause(path);
    FatalError(kErrorHostsWrite, text);
  }
  return changed.count;
}

std::string PeekHostsFile() {
  std::unique_ptr<FileSystem> fs = OpenFileSystem(HostsPath());
  std::string bytes;
  if (!fs || fs->Read(Place::kHosts, fs->HostsName(), Writer::kAnyone,
                      &bytes) != FsResult::kOk) {
    bytes.clear();
  }
  return bytes;
}

}  // namespace quorvane
