// ChangeHostsFile: the one sequence in which both modes change the hosts
// file. The modes differ only in their scan, the rule that changes lines of
// the file in memory; everything around it (the lock, the repair of a save
// that was killed, loading, reporting, saving) is here, once, and it is
// where the rules over bytes meet the safe-file machinery of src/store.
#ifndef QUORVANE_HOSTS_CHANGE_HOSTS_H_
#define QUORVANE_HOSTS_CHANGE_HOSTS_H_

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "hosts/hosts_file.h"
#include "hosts/line_change.h"
#include "hosts/managed_line.h"
#include "report/failure.h"
#include "report/texts.h"
#include "resolve/pins.h"
#include "resolve/resolver.h"
#include "store/file_system.h"

namespace quorvane {

// What a scan did to the hosts file.
struct LinesChanged {
  int count = 0;        // lines rewritten plus lines appended
  std::string printed;  // those lines, in the order they are reported
  std::vector<LineChange> changes;  // what each of them means, in that order

  // Reports that `line` was put in place of `old_line` ("": put in).
  void Add(std::string_view old_line, std::string_view line);
  void Add(LinesChanged&& more);
};

// Whether a run saves what it changed, or only judges what it would change:
// a check says so, a status look prints nothing (the front reports both).
enum class Writing { kSave, kCheck, kStatus };

// What a run saw and did, for the front's account of each pair (--check,
// --status, --metrics).
struct ScanReport {
  bool read = false;                 // the file was read in full
  std::vector<ManagedName> managed;  // what it managed as loaded
  std::vector<LineChange> changes;   // every line changed, or that would be
  std::vector<Pin> pins;             // the update's, each with its pair
  std::vector<FailedLookup> failed;  // the pairs that did not answer
};

using Scan = std::function<LinesChanged(HostsFile*)>;

// Takes the hosts lock for the hosts file at `path` (waiting up to
// kHostsLockWait; error 198 when it cannot be had; a check takes none),
// opens the file system
// for it once, under the lock, so that the path checked is the one used to
// the end, and runs ChangeLockedHostsFile. The lock is let go when it
// returns, before any failure is reported.
RunOutcome ChangeHostsFile(const std::string& path, const Scan& scan,
                           const Text& nothing_text, Writing writing,
                           ScanReport* report = nullptr);

// With the lock held, over `fs` (null: the path was refused): puts back
// the old bytes of an in-place save that was killed part way (RepairFile;
// error 198 when its journal cannot be applied; each journal set aside is
// reported on standard error) and removes stray temporary files of killed
// saves. Then reads the hosts file (the reading message first; error 198
// when its path is refused or it cannot be read in full), lets `scan`
// change it, prints what each changed line means and their count by kind
// (`nothing_text` with 0 when none did), and, when a line changed, saves
// it (the writing message first;
// error 208 when the save fails, the file then keeping its bytes). Each
// failure ends the sequence where it is met; its text says the cause.
//
// Any file but the system's (HostsPath) is a DNS server's: missing, it is
// read as empty and made by the save (mode 0644, the run's own); it must be
// root's and writable by no one else, and a path or file refused is error
// 147 with its cause, as for a list file.
//
// With Writing::kCheck nothing is written: no repair, no removal, no save,
// and nothing printed but the reading message; a journal left by a killed
// save waits for the next run, and the check fails with error 198 (the file
// as it stands may be torn). Writing::kStatus is the same without the
// reading message. `report`, when given, is filled as the run goes.
RunOutcome ChangeLockedHostsFile(FileSystem* fs, const std::string& path,
                                 const Scan& scan, const Text& nothing_text,
                                 Writing writing, ScanReport* report = nullptr);

// The hosts file's bytes at `path` as they stand, loaded without the lock
// (mapped where large, as a run loads it; empty when it cannot be read): a
// look ahead that a run judges again under the lock.
std::unique_ptr<FileBytes> PeekHostsFile(const std::string& path);

}  // namespace quorvane

#endif  // QUORVANE_HOSTS_CHANGE_HOSTS_H_
