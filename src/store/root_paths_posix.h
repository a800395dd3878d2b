// Directories that only root controls. The program runs as root from a
// timer, so any directory or link on the way to a file it writes that
// another user may change would let that user point the write elsewhere;
// and a lock or journal that another user can reach would let that user
// block or mislead every run. These functions open such places only after
// checking them, and work from the opened descriptor, so what was checked
// is what is used. Each returns the descriptor, or none (!ok()).
#ifndef QUORVANE_STORE_ROOT_PATHS_POSIX_H_
#define QUORVANE_STORE_ROOT_PATHS_POSIX_H_

#include <string>

#include "store/fd_posix.h"

namespace quorvane {

// The program's own state directory, root's alone: the journal of an
// in-place save goes there when the hosts file's directory cannot take it.
inline constexpr char kStateDirectory[] = "/var/lib/quorvane";

// Opens the directory that holds the file `path` names, following every
// symbolic link on the way itself, and puts the file's name in that
// directory into `*name`. Only when every directory on the way from "/"
// (for a relative path, through the current directory's absolute path) is
// owned by root and not writable by group or others (a sticky directory,
// such as /tmp, may be on the way: no one can rename or remove another's
// entries there; but not the file's own directory, where the save makes
// new names), and every link is owned by root. The file itself need not
// exist. When a directory or link that another user may change stops the
// walk, `*untrusted` (if given) names it as walked; this one walk both
// decides and explains, so that the two never drift apart. `*walked` (if
// given) gets the directory's absolute path as walked, every link followed
// ("" for "/"): one name for a file that several paths reach.
Fd OpenTrustedDirectoryOf(const std::string& path, std::string* name,
                          std::string* untrusted = nullptr,
                          std::string* walked = nullptr);

// Opens the directory `path`, making it (mode 0700, its parent synced) when
// it is missing and `if_missing` says so, only when it is a real directory, not
// a link, owned by root, and not writable by group or others. Its parent
// must exist.
enum class IfMissing { kFail, kCreate };
Fd OpenRootOnlyDirectory(const char* path, IfMissing if_missing);

// Returns `fd` when it is open on a file of type `type` (S_IFDIR, S_IFREG)
// owned by root, and, a directory, not writable by group or others, or, a
// file, closed to them; otherwise closes it and returns none.
Fd KeepIfRootsAlone(Fd fd, unsigned type);

}  // namespace quorvane

#endif  // QUORVANE_STORE_ROOT_PATHS_POSIX_H_
