// Reading and durably replacing the hosts file: HostsFile's way to the
// disk, by the save protocol of save_protocol.h over the system's file
// primitives (file_system.h). These functions report failure by their
// result only; the caller decides how it is shown.
#ifndef QUORVANE_HOSTS_FILE_STORE_H_
#define QUORVANE_HOSTS_FILE_STORE_H_

#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

// Reads every byte of the file at `path` into `*bytes`. False when the file
// cannot be opened, is not a regular file, lies on a path the system's
// primitives refuse (OpenFileSystem), or a read fails: a partly read file is
// never taken for the whole.
bool ReadFileBytes(const std::string& path, std::string* bytes);

// Replaces the content of the file at `path` by the concatenation of
// `pieces`. Either the file then holds exactly the new bytes (true), or
// (false) it still holds `old_bytes`, the content it had when read: no
// failure leaves it half written, and after a crash the next
// RecoverInterruptedSave puts back the old bytes of a file a crash tore.
bool ReplaceFileBytes(const std::string& path,
                      const std::vector<std::string_view>& pieces,
                      std::string_view old_bytes);

// Repairs what a save of the file at `path`, killed part way, left (see
// RepairFile); a journal kept aside because the file changed since is
// reported on standard error. False when the run must stop before it reads
// the file. Call it only while holding the hosts lock, before reading.
bool RecoverInterruptedSave(const std::string& path);

// Removes the temporary files that saves killed part way left beside the
// file at `path`, and nothing else (see RemoveStrays). Call it only while
// holding the hosts lock, since another run's save in progress would lose
// its file.
void RemoveStrayTemporaryFiles(const std::string& path);

}  // namespace quorvane

#endif  // QUORVANE_HOSTS_FILE_STORE_H_
