// ChangeHostsFile: the one sequence in which both modes change the hosts
// file. The modes differ only in their scan, the rule that changes lines of
// the file in memory; everything around it (the lock, the repair of a save
// that was killed, loading, reporting, saving) is here, once, and it is
// where the rules over bytes meet the safe-file machinery of src/store.
#ifndef QUORVANE_HOSTS_CHANGE_HOSTS_H_
#define QUORVANE_HOSTS_CHANGE_HOSTS_H_

#include <functional>
#include <string>
#include <string_view>

#include "hosts/hosts_file.h"
#include "report/failure.h"
#include "report/texts.h"
#include "store/file_system.h"

namespace quorvane {

// What a scan did to the hosts file.
struct LinesChanged {
  int count = 0;        // lines rewritten plus lines appended
  std::string printed;  // those lines, in the order they are reported
};

// Whether a run saves what it changed, or only says what it would change.
enum class Writing { kSave, kCheck };

using Scan = std::function<LinesChanged(HostsFile*)>;

// Takes the hosts lock for the hosts file at `path` (waiting up to
// kHostsLockWait; error 198 when it cannot be had; a check takes none),
// opens the file system
// for it once, under the lock, so that the path checked is the one used to
// the end, and runs ChangeLockedHostsFile. The lock is let go when it
// returns, before any failure is reported.
RunOutcome ChangeHostsFile(const std::string& path, const Scan& scan,
                           const Text& count_format, Writing writing);

// With the lock held, over `fs` (null: the path was refused): puts back
// the old bytes of an in-place save that was killed part way (RepairFile;
// error 198 when its journal cannot be applied; each journal set aside is
// reported on standard error) and removes stray temporary files of killed
// saves. Then reads the hosts file (the reading message first; error 198
// when its path is refused or it cannot be read in full), lets `scan`
// change it, prints the changed lines and `count_format` with their
// number, and, when a line changed, saves it (the writing message first;
// error 208 when the save fails, the file then keeping its bytes). Each
// failure ends the sequence where it is met; its text says the cause.
//
// Any file but the system's (HostsPath) is a DNS server's: missing, it is
// read as empty and made by the save (mode 0644, the run's own); it must be
// root's and writable by no one else, and a path or file refused is error
// 147 with its cause, as for a list file.
//
// With Writing::kCheck nothing is written: no repair, no removal, no save;
// a journal left by a killed save waits for the next run, and the check
// fails with error 198 (the file as it stands may be torn).
RunOutcome ChangeLockedHostsFile(FileSystem* fs, const std::string& path,
                                 const Scan& scan, const Text& count_format,
                                 Writing writing);

// The hosts file's bytes at `path` as they stand, read without the lock
// (empty when it cannot be read): a look ahead that a run judges again
// under the lock.
std::string PeekHostsFile(const std::string& path);

}  // namespace quorvane

#endif  // QUORVANE_HOSTS_CHANGE_HOSTS_H_
