#include "hosts/change_hosts.h"

#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "report/console.h"
#include "report/texts.h"
#include "store/failure_cause.h"
#include "store/hosts_lock.h"
#include "store/save_protocol.h"

namespace quorvane {

namespace {

// Error 198 with its cause on the line after the fixed text.
Failure HostsOpenFailure(const Message& cause) {
  Message text = Format(kCannotOpenHosts, {});
  text += Raw("\n");
  text += cause;
  return Failure{kErrorHostsOpen, text};
}

RunOutcome CannotOpenHosts(const Message& cause) {
  return {0, HostsOpenFailure(cause)};
}

}  // namespace

RunOutcome ChangeHostsFile(const std::string& path, const Scan& scan,
                           const Text& count_format, Writing writing) {
  HostsLock lock;
  if (!lock.Acquire(path, kHostsLockWait)) {
    std::optional<Message> cause = PrivilegeCause(path);
    return CannotOpenHosts(cause ? *cause
                                 : LockFailureCause(path, kHostsLockWait));
  }
  std::unique_ptr<FileSystem> fs = OpenFileSystem(path);
  return ChangeLockedHostsFile(fs.get(), path, scan, count_format, writing);
}

RunOutcome ChangeLockedHostsFile(FileSystem* fs, const std::string& path,
                                 const Scan& scan, const Text& count_format,
                                 Writing writing) {
  // A refused path is reported where the file is read.
  if (fs && writing == Writing::kSave) {
    std::vector<std::string> kept;
    bool repaired = RepairFile(fs, &kept);
    for (const std::string& journal : kept) {
      WriteErr(Format(kJournalKeptAside, {journal}));
    }
    if (!repaired) return CannotOpenHosts(Format(kCauseJournal, {path}));
    RemoveStrays(fs);
  }

  WriteOut(Format(kReading, {path}));
  std::unique_ptr<FileBytes> bytes;
  if (!fs ||
      fs->Load(Place::kHosts, fs->HostsName(), &bytes) != FsResult::kOk) {
    return CannotOpenHosts(HostsReadCause(path));
  }
  HostsFile hosts(std::move(bytes));
  LinesChanged changed = scan(&hosts);
  // What the scan saw of a file cut short is not the file: say nothing of
  // it, and leave the file as the other program left it.
  if (!fs->LoadsWhole()) {
    return CannotOpenHosts(Format(kCauseCutShort, {path}));
  }
  WriteOut(Raw(changed.printed));
  WriteOut(Format(count_format, {changed.count}));
  if (changed.count == 0 || writing == Writing::kCheck) {
    return {changed.count, std::nullopt};
  }

  WriteOut(Format(kWriting, {path}));
  if (!SaveFile(fs, hosts.Pieces(), hosts.Original())) {
    if (!fs->LoadsWhole()) {
      return {changed.count, HostsOpenFailure(Format(kCauseCutShort, {path}))};
    }
    Message text = Format(kCannotWriteHosts, {});
    text += Raw("\n");
    text += HostsWriteCause(path);
    return {changed.count, Failure{kErrorHostsWrite, text}};
  }
  return {changed.count, std::nullopt};
}

std::string PeekHostsFile(const std::string& path) {
  std::unique_ptr<FileSystem> fs = OpenFileSystem(path);
  std::string bytes;
  if (!fs || fs->Read(Place::kHosts, fs->HostsName(), Writer::kAnyone,
                      &bytes) != FsResult::kOk) {
    bytes.clear();
  }
  return bytes;
}

}  // namespace quorvane
