// Reading and durably replacing the hosts file: the platform's part of
// HostsFile. Each platform has file_store_*.cpp. These functions report
// failure by their result only; the caller decides how it is shown.
#ifndef QUORVANE_HOSTS_FILE_STORE_H_
#define QUORVANE_HOSTS_FILE_STORE_H_

#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

// Reads every byte of the file at `path` into `*bytes`. False when the file
// cannot be opened, is not a regular file, or lies on a path that someone
// other than the system's administrators could redirect, or a read fails: a
// partly read file is never taken for the whole. ReplaceFileBytes holds to
// the same path rule.
bool ReadFileBytes(const std::string& path, std::string* bytes);

// Replaces the content of the file at `path` by the concatenation of
// `pieces`. Either the file then holds exactly the new bytes, or (false) it
// still holds `old_bytes`, the content it had when read: no failure leaves
// it half written, and after a crash the next RecoverInterruptedSave puts
// back whichever of the two a crash could have torn.
bool ReplaceFileBytes(const std::string& path,
                      const std::vector<std::string_view>& pieces,
                      std::string_view old_bytes);

// Puts back the bytes that an in-place save of the file at `path`, killed
// part way, had overwritten, from the journal that save wrote first, and
// removes the journal. True when there was no journal or it was applied (a
// journal that was itself cut short, or that belongs to another file, is
// dropped: the file was not touched through it). False when a journal is
// there but cannot be applied: the run must then stop before it reads the
// file. Call it only while holding the hosts lock, before reading the file.
bool RecoverInterruptedSave(const std::string& path);

// Removes the temporary files that saves killed part way left beside the
// file at `path` (a save that finishes or fails leaves none), and nothing
// else: only files of the save's own exact naming, only regular files (on
// POSIX, root's), only in that directory. Call it only while holding the
// hosts lock, since another run's save in progress would lose its file.
// Failures are ignored: a stray file costs space, not correctness.
void RemoveStrayTemporaryFiles(const std::string& path);

}  // namespace quorvane

#endif  // QUORVANE_HOSTS_FILE_STORE_H_
