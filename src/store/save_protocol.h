// How the hosts file is saved and repaired, on every system, over the file
// primitives of file_system.h.
//
// A save writes the new content to a temporary file beside the hosts file,
// gives it the original's owner, mode and attributes, syncs it and puts it
// in the original's place in one step (Replace), then syncs the directory:
// a crash leaves the old file or the new one. Where that cannot be done (a
// directory that takes no new file, such as a read-only /etc with the hosts
// file bind-mounted writable; a mount point; an attribute that cannot be
// given), the file is overwritten in place under a journal (journal.h),
// written and synced, with its directory, before the first byte changes:
// beside the hosts file when that directory takes it, else in the state
// directory. Once the new bytes are synced the journal is removed.
//
// The repair, run under the hosts lock before the file is read, puts right
// what a crash left:
// - a Replace stopped between its steps (the hosts file missing, its old
//   content under the backup name): the backup goes back in place;
// - a journal: the file is judged against it. Torn by that save: the old
//   bytes go back. Exactly the old or the new bytes: the journal is just
//   removed. Anything else (edited, replaced, saved again since): the file
//   is left alone and the journal moved aside, never to be applied. A
//   journal that cannot be removed (a read-only directory) fails no run:
//   once the file is whole it judges as old or new, so it is never applied
//   twice. A journal cut short was never followed by a write: removed.
// Temporary files of killed saves are removed only while the hosts file
// exists, so the only copy of the content is never among them.
//
// Ordinary stop requests wait while the file is being changed.
#ifndef QUORVANE_STORE_SAVE_PROTOCOL_H_
#define QUORVANE_STORE_SAVE_PROTOCOL_H_

#include <string>
#include <string_view>
#include <vector>

#include "store/file_system.h"

namespace quorvane {

// Replaces the hosts file's content, `old_bytes` when it was read, by the
// concatenation of `pieces`. True once the new bytes are durably in place
// (a failure after that, such as a directory sync, does not undo it).
// False with the file still holding `old_bytes`, or, if even putting them
// back failed, with a journal the next repair applies.
bool SaveFile(FileSystem* fs, const std::vector<std::string_view>& pieces,
              std::string_view old_bytes);

// The repair above. False when the run must stop before reading the file: a
// journal that cannot be read or trusted, or old bytes that cannot be put
// back. The journals set aside are added to `kept` (their names in their
// places, as moved, or as they stay where they cannot be moved), for the
// caller to report.
bool RepairFile(FileSystem* fs, std::vector<std::string>* kept);

// Whether a killed save left what RepairFile would put right (a journal, or
// the old file under its backup name with the hosts file missing), as far
// as this run can see: a check, which repairs nothing, cannot judge the
// file as it stands then.
bool RepairWaits(FileSystem* fs);

// Removes the temporary files and the backup that killed saves left beside
// the hosts file, when the hosts file is there. Failures are ignored.
void RemoveStrays(FileSystem* fs);

}  // namespace quorvane

#endif  // QUORVANE_STORE_SAVE_PROTOCOL_H_
