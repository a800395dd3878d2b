// The folder an install leaves for the scheduled task, %ProgramData%\Quorvane.
// The task runs as SYSTEM and takes its orders from the list there, so an
// install keeps nothing in that place that an ordinary account could have
// made, changed or swapped for a link, before the install or while it runs.
// Nothing here follows a link or mount point: each is judged, moved or
// removed as itself.
#ifndef QUORVANE_INSTALL_STATE_FOLDER_WIN32_H_
#define QUORVANE_INSTALL_STATE_FOLDER_WIN32_H_

#include <string>

namespace quorvane {

// What PrepareStateFolder did, for the install to say. `moved` holds each
// thing set aside, as "FROM -> TO".
struct PreparedFolder {
  bool made = false;      // made anew (else kept)
  bool repaired = false;  // kept, its DACL set to kStateFolderSecurity's
  std::wstring moved;
  std::wstring error;  // why it failed; empty on success
};

// Leaves `path` a folder that IsStateFolderDescriptor (the store's rule for
// the folder, store/state_folder_win32.h) accepts, holding only files an
// administrator made. A folder that is already so is kept. A folder that
// only administrators could have changed (owned by one of the accounts
// OnlyAdministratorsWrite trusts, no entry that lets another account write,
// delete or change its security: OnlyAdministratorsWriteDescriptor) is kept
// too, its DACL set to kStateFolderSecurity's through the handle it was
// judged on (ReOpenFile), so that an administrator's own list survives an
// entry they added; should that fail, it is moved aside as below.
// In a kept folder, anything that is not a regular file only the accounts
// OnlyAdministratorsWrite trusts can change is moved aside inside it, to
// NAME + ".untrusted-" + a time stamp. Anything else at `path` (a folder
// another account owns or may change, a file) is moved aside whole to
// `path` + ".untrusted-" + a time stamp, never entered, and the folder is
// made anew with kStateFolderSecurity in the same step (CreateDirectoryW),
// so there is no moment in which another account may add to it. Should
// something take the name in between, it fails. A link or mount point, at
// `path` or in the kept folder, is neither followed nor moved: it fails,
// saying so.
PreparedFolder PrepareStateFolder(const std::wstring& path);

// Removes the folder `path` that PrepareStateFolder would keep, and all in
// it, acting only through handles: each entry is listed from its folder's
// handle, opened relative to it as itself (a link or mount point is never
// followed) and deleted through its own handle, so no name a user could
// redirect is ever walked. A link or mount point inside is removed as
// itself. A folder inside that another account owns or may change is never
// entered: it is moved aside whole, beside `path`, as `path` +
// ".untrusted-" + a time stamp, and added to `*moved` as "FROM -> TO". A
// `path` that is itself a link or mount point is removed as itself. False,
// with `*error` set, when `path` is a folder of another kind (nothing
// removed), or something cannot be removed or was swapped while it was
// removed (left as it is); true when it is gone or was not there.
bool RemoveStateFolder(const std::wstring& path, std::wstring* moved,
                       std::wstring* error);

}  // namespace quorvane

#endif  // QUORVANE_INSTALL_STATE_FOLDER_WIN32_H_
