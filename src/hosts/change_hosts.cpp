#include "hosts/change_hosts.h"

#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "report/console.h"
#include "report/texts.h"
#include "store/failure_cause.h"
#include "store/hosts_lock.h"
#include "store/hosts_path.h"
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

// Error 147 for a file named with --hosts-file, as for a list: the fixed
// text names the path, the cause line says what is wrong with it.
RunOutcome CannotOpenFile(const std::string& path) {
  Message text = Format(kCannotOpenList, {PathArg(path)});
  text += Raw("\n");
  text += ListReadCause(path);
  return {0, Failure{kErrorListOpen, text}};
}

// Loads the file at `path` through `fs`. The system's file must be there,
// and may be large: it is loaded as it stands (mapped where it is). A DNS
// server's file is made when missing, and is a file only root may change,
// as a list is.
std::optional<RunOutcome> LoadFile(FileSystem* fs, const std::string& path,
                                   std::unique_ptr<FileBytes>* bytes) {
  const bool system_file = path == HostsPath();
  FsResult read = FsResult::kFailed;
  if (fs && system_file) {
    read = fs->Load(Place::kHosts, fs->HostsName(), bytes);
  } else if (fs) {
    std::string held;
    read = fs->Read(Place::kHosts, fs->HostsName(), Writer::kRootWrites, &held);
    if (read == FsResult::kMissing) read = FsResult::kOk;
    *bytes = HeldBytes(std::move(held));
  }
  if (read == FsResult::kOk) return std::nullopt;
  return system_file ? CannotOpenHosts(HostsReadCause(path))
                     : CannotOpenFile(path);
}

}  // namespace

void LinesChanged::Add(std::string_view old_line, std::string_view line) {
  printed += line;
  changes.push_back(DescribeChange(old_line, line));
  ++count;
}

void LinesChanged::Add(LinesChanged&& more) {
  count += more.count;
  printed += more.printed;
  for (LineChange& change : more.changes) changes.push_back(std::move(change));
}

RunOutcome ChangeHostsFile(const std::string& path, const Scan& scan,
                           const Text& nothing_text, Writing writing,
                           ScanReport* report) {
  // A check writes nothing and takes no lock, so that any user who may read
  // the file may ask (a monitor, say): a save replaces the file whole, or
  // leaves a journal the check sees.
  HostsLock lock;
  if (writing == Writing::kSave && !lock.Acquire(path, kHostsLockWait)) {
    std::optional<Message> cause = PrivilegeCause(path);
    return CannotOpenHosts(cause ? *cause
                                 : LockFailureCause(path, kHostsLockWait));
  }
  std::unique_ptr<FileSystem> fs = OpenFileSystem(path);
  return ChangeLockedHostsFile(fs.get(), path, scan, nothing_text, writing,
                               report);
}

RunOutcome ChangeLockedHostsFile(FileSystem* fs, const std::string& path,
                                 const Scan& scan, const Text& nothing_text,
                                 Writing writing, ScanReport* report) {
  // A refused path is reported where the file is read.
  if (fs && writing == Writing::kSave) {
    std::vector<std::string> kept;
    bool repaired = RepairFile(fs, &kept);
    for (const std::string& journal : kept) {
      WriteErr(Format(kJournalKeptAside, {PathArg(journal)}));
    }
    if (!repaired) {
      return CannotOpenHosts(Format(kCauseJournal, {PathArg(path)}));
    }
    RemoveStrays(fs);
  }
  if (fs && writing != Writing::kSave && RepairWaits(fs)) {
    return CannotOpenHosts(Format(kCauseSaveInterrupted, {PathArg(path)}));
  }

  if (writing != Writing::kStatus) {
    WriteProgress(Format(kReading, {PathArg(path)}));
  }
  std::unique_ptr<FileBytes> bytes;
  if (std::optional<RunOutcome> failed = LoadFile(fs, path, &bytes)) {
    return *failed;
  }
  HostsFile hosts(std::move(bytes), NewFileLineBreak());
  LinesChanged changed = scan(&hosts);
  // What the scan saw of a file cut short is not the file: say nothing of
  // it, and leave the file as the other program left it.
  if (!fs->LoadsWhole()) {
    return CannotOpenHosts(Format(kCauseCutShort, {PathArg(path)}));
  }
  if (report) {
    report->read = true;
    report->managed = ManagedNames(hosts);
    report->changes = changed.changes;
  }
  if (writing != Writing::kSave) {
    // A check whose run would save says when that save would fail.
    std::optional<Message> cause =
        changed.count > 0 ? UnwritableCause(path) : std::nullopt;
    if (!cause) return {changed.count, std::nullopt};
    Message text = Format(kCannotWriteHosts, {});
    text += Raw("\n");
    text += *cause;
    return {changed.count, Failure{kErrorHostsWrite, text}};
  }
  WriteChangeLines(changed.changes);
  WriteProgress(changed.count == 0 ? Format(nothing_text, {0})
                                   : CountLine(changed.changes));
  if (changed.count == 0) return {0, std::nullopt};

  WriteProgress(Format(kWriting, {PathArg(path)}));
  if (!SaveFile(fs, hosts.Pieces(), hosts.Original())) {
    if (!fs->LoadsWhole()) {
      return {changed.count,
              HostsOpenFailure(Format(kCauseCutShort, {PathArg(path)}))};
    }
    Message text = Format(kCannotWriteHosts, {});
    text += Raw("\n");
    text += HostsWriteCause(path);
    return {changed.count, Failure{kErrorHostsWrite, text}};
  }
  return {changed.count, std::nullopt, true};
}

std::unique_ptr<FileBytes> PeekHostsFile(const std::string& path) {
  std::unique_ptr<FileSystem> fs = OpenFileSystem(path);
  std::unique_ptr<FileBytes> bytes;
  if (!fs ||
      fs->Load(Place::kHosts, fs->HostsName(), &bytes) != FsResult::kOk ||
      !fs->LoadsWhole()) {
    bytes = HeldBytes("");
  }
  return bytes;
}

}  // namespace quorvane
