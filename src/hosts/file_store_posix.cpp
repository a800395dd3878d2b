// POSIX file store. The hosts file is reached only through directories and
// links that root alone controls (root_paths_posix.h), and every step works
// from the checked directory's descriptor.
//
// A save writes a temporary file beside the hosts file, gives it the
// original's owner, mode and extended attributes, syncs it and renames it
// over the original, so that a crash leaves either the old or the new file.
// Where that cannot be done (a single bind-mounted file, as containers have;
// a directory we may not write, such as the read-only /etc of the shipped
// service; an attribute that cannot be copied), the file is overwritten in
// place under a rollback journal: the old bytes from the first changed byte
// on, with the file's identity, are synced to a journal file before the
// first byte changes, and removed once the new bytes are synced. The next
// run finds a journal left by a killed save and puts the old bytes back
// (RecoverInterruptedSave), so no kill leaves the file torn for good.
// SIGTERM, SIGINT and SIGHUP wait while the file is being changed, so that
// an ordinary stop lets the save finish.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "hosts/file_store.h"
#include "hosts/journal.h"
#include "hosts/root_paths_posix.h"

namespace quorvane {

namespace {

// Where a journal goes when the hosts file's directory cannot take one
// (a read-only /etc): a directory of root's own that every run looks in.
constexpr char kJournalDirectory[] = "/var/lib/quorvane";

// An open descriptor, closed when it goes.
class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  void Reset(int fd) {
    if (fd_ >= 0) close(fd_);
    fd_ = fd;
  }
  int get() const { return fd_; }
  bool ok() const { return fd_ >= 0; }

 private:
  int fd_;
};

// Holds back the signals of an ordinary stop while it lives.
class StopSignalsHeld {
 public:
  StopSignalsHeld() {
    sigset_t stops;
    sigemptyset(&stops);
    sigaddset(&stops, SIGTERM);
    sigaddset(&stops, SIGINT);
    sigaddset(&stops, SIGHUP);
    sigprocmask(SIG_BLOCK, &stops, &before_);
  }
  ~StopSignalsHeld() { sigprocmask(SIG_SETMASK, &before_, nullptr); }

 private:
  sigset_t before_;
};

bool WriteAllAt(int fd, off_t offset, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t done = pwrite(fd, bytes.data(), bytes.size(), offset);
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) return false;
    bytes.remove_prefix(done);
    offset += done;
  }
  return true;
}

// Writes what of the pieces lies at or after `from` (an offset into their
// concatenation); `*size` gets their whole length.
bool WritePieces(int fd, const std::vector<std::string_view>& pieces,
                 off_t from, off_t* size) {
  off_t offset = 0;
  for (std::string_view piece : pieces) {
    off_t end = offset + piece.size();
    if (end > from) {
      off_t skip = offset < from ? from - offset : 0;
      if (!WriteAllAt(fd, offset + skip, piece.substr(skip))) return false;
    }
    offset = end;
  }
  *size = offset;
  return true;
}

// A large file is read into memory that was never touched. Faulting it in
// 4 KiB page by page costs more than reading the file; where the system
// offers it, take huge pages and map them all at once. Either advice may be
// refused (older kernels, huge pages turned off): the memory is the same.
void PrepareBuffer(char* data, size_t size) {
  constexpr size_t kWorthIt = 4 << 20;
  if (size < kWorthIt) return;
  const uintptr_t page = sysconf(_SC_PAGESIZE);
  uintptr_t begin = reinterpret_cast<uintptr_t>(data) & ~(page - 1);
  uintptr_t end = reinterpret_cast<uintptr_t>(data) + size;
  void* start = reinterpret_cast<void*>(begin);
#ifdef MADV_HUGEPAGE
  madvise(start, end - begin, MADV_HUGEPAGE);
#endif
#ifdef MADV_POPULATE_WRITE
  madvise(start, end - begin, MADV_POPULATE_WRITE);
#endif
}

bool ReadAll(int fd, std::string* bytes) {
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return false;
  // One allocation of the right size: the file is held once in memory.
  bytes->reserve(st.st_size);
  PrepareBuffer(bytes->data(), bytes->capacity());
  // Through a small buffer that stays in the cache: the kernel copies into
  // it twice as fast as into the large one, and the copy onwards is cheap.
  char chunk[65536];
  for (;;) {
    ssize_t got = read(fd, chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return got == 0;
    bytes->append(chunk, got);
  }
}

// O_NONBLOCK: a FIFO put in the file's place must not stall the open.
int OpenFile(int dir, const std::string& name, int mode) {
  return openat(dir, name.c_str(), mode | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
}

// A save's temporary file is this name followed by six characters of
// mkostemp's alphabet, in the target's directory: hidden, and named after
// the file.
std::string TemporaryPrefix(const std::string& name) {
  return "." + name + ".Quorvane-";
}

constexpr size_t kTemporarySuffix = 6;  // the XXXXXX of mkostemp
constexpr char kAlphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

// Makes a new temporary file in `dir` as mkostemp would, but relative to
// the checked directory. Its name goes to `*temp`.
int CreateTemporary(int dir, const std::string& name, std::string* temp) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    unsigned char random[kTemporarySuffix];
    if (getrandom(random, sizeof random, 0) != sizeof random) return -1;
    *temp = TemporaryPrefix(name);
    for (unsigned char r : random) *temp += kAlphabet[r % 62];
    int fd = openat(dir, temp->c_str(),
                    O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

bool IsTemporaryName(std::string_view entry, const std::string& prefix) {
  if (entry.size() != prefix.size() + kTemporarySuffix ||
      entry.substr(0, prefix.size()) != prefix) {
    return false;
  }
  return entry.find_first_not_of(kAlphabet, prefix.size()) ==
         std::string_view::npos;
}

// Copies every extended attribute of `from` that this process can read
// (SELinux label, ACLs, trusted.* and user.* ones) onto `to`. False when
// one of them cannot be set there.
bool CopyAttributes(int from, int to) {
  std::string names;
  for (;;) {
    ssize_t size = flistxattr(from, nullptr, 0);
    if (size < 0) return errno == ENOTSUP;  // a file system without them
    names.resize(size);
    size = flistxattr(from, names.data(), names.size());
    if (size >= 0) {
      names.resize(size);
      break;
    }
    if (errno != ERANGE) return false;  // it grew meanwhile: ask again
  }
  for (size_t at = 0; at < names.size(); at = names.find('\0', at) + 1) {
    const char* name = names.c_str() + at;
    ssize_t size = fgetxattr(from, name, nullptr, 0);
    std::string value(size > 0 ? size : 0, '\0');
    if (size < 0 ||
        (size = fgetxattr(from, name, value.data(), value.size())) < 0 ||
        fsetxattr(to, name, value.data(), size, 0) != 0) {
      return false;
    }
  }
  return true;
}

// --- The journal of an in-place save ---------------------------------------

// The journal's name, beside the hosts file or in kJournalDirectory.
std::string JournalName(const std::string& name) {
  return "." + name + ".Quorvane-journal";
}

// A journal written and synced, with its directory synced: after this, no
// crash loses it.
class JournalFile {
 public:
  // Writes the journal for `file` (of the hosts file in `hosts_dir`) beside
  // it, or where that directory cannot take one, in kJournalDirectory.
  bool Write(int hosts_dir, const std::string& name, const struct stat& file,
             std::string_view old_bytes, size_t offset) {
    Journal record;
    record.volume = file.st_dev;
    record.file = file.st_ino;
    record.old_size = old_bytes.size();
    record.offset = offset;
    record.old_bytes = old_bytes.substr(offset);
    std::string head = JournalHead(record);
    name_ = JournalName(name);
    if (WriteIn(hosts_dir, head, old_bytes.substr(offset))) {
      dir_ = hosts_dir;
      return true;
    }
    state_.Reset(OpenRootOnlyDirectory(kJournalDirectory, true));
    if (state_.ok() && WriteIn(state_.get(), head, old_bytes.substr(offset))) {
      dir_ = state_.get();
      return true;
    }
    return false;
  }

  // Removes it, once the file it guards is whole again.
  bool Remove() {
    return unlinkat(dir_, name_.c_str(), 0) == 0 && fsync(dir_) == 0;
  }

 private:
  bool WriteIn(int dir, std::string_view head, std::string_view old) {
    Fd fd(openat(dir, name_.c_str(),
                 O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!fd.ok()) return false;
    if (WriteAllAt(fd.get(), 0, head) &&
        WriteAllAt(fd.get(), head.size(), old) && fsync(fd.get()) == 0 &&
        fsync(dir) == 0) {
      return true;
    }
    unlinkat(dir, name_.c_str(), 0);
    return false;
  }

  Fd state_;
  int dir_ = -1;
  std::string name_;
};

// Puts back what the journal `journal` in `dir` holds into the file `name`
// in `hosts_dir`, then removes the journal. True when done or when there
// is no journal.
bool ApplyJournal(int dir, const std::string& journal, int hosts_dir,
                  const std::string& name) {
  std::string bytes;
  {
    Fd fd(OpenFile(dir, journal, O_RDONLY));
    if (!fd.ok()) return errno == ENOENT;
    // Only one that root wrote: another user's file must not tell us what
    // to write into the hosts file.
    struct stat st;
    if (fstat(fd.get(), &st) != 0 || st.st_uid != 0 ||
        (st.st_mode & 077) != 0 || !ReadAll(fd.get(), &bytes)) {
      return false;
    }
  }
  // A journal cut short was never followed by a write to the file.
  Journal record;
  struct stat file;
  if (ParseJournal(bytes, &record) &&
      fstatat(hosts_dir, name.c_str(), &file, AT_SYMLINK_NOFOLLOW) == 0 &&
      S_ISREG(file.st_mode) && file.st_dev == record.volume &&
      file.st_ino == record.file) {
    Fd fd(OpenFile(hosts_dir, name, O_WRONLY));
    if (!fd.ok() || !WriteAllAt(fd.get(), record.offset, record.old_bytes) ||
        ftruncate(fd.get(), record.old_size) != 0 || fsync(fd.get()) != 0) {
      return false;
    }
  }
  // Otherwise the hosts file is not the one the journal was written for: it
  // was replaced since (by hand, or by a save that renamed a new file over
  // it), and the old bytes would tear the new file. It is left as it is.
  return unlinkat(dir, journal.c_str(), 0) == 0 && fsync(dir) == 0;
}

// Overwrites the file `name` in `dir` with the pieces, journaled.
bool WriteInPlace(int dir, const std::string& name,
                  const std::vector<std::string_view>& pieces,
                  std::string_view old_bytes) {
  Fd fd(OpenFile(dir, name, O_WRONLY));
  struct stat st;
  if (!fd.ok() || fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
    return false;
  }
  size_t first = FirstChange(pieces, old_bytes);
  StopSignalsHeld held;
  JournalFile journal;
  if (!journal.Write(dir, name, st, old_bytes, first)) return false;
  off_t size = 0;
  bool ok = WritePieces(fd.get(), pieces, first, &size) &&
            ftruncate(fd.get(), size) == 0 && fsync(fd.get()) == 0;
  if (!ok) {
    // The new bytes are only partly there: put the old ones back. They fit,
    // since they filled the file before. If even that fails, the journal
    // stays for the next run.
    if (!WriteAllAt(fd.get(), first, old_bytes.substr(first)) ||
        ftruncate(fd.get(), old_bytes.size()) != 0 || fsync(fd.get()) != 0) {
      return false;
    }
  }
  return journal.Remove() && ok;
}

bool ReplaceIn(int dir, const std::string& name,
               const std::vector<std::string_view>& pieces,
               std::string_view old_bytes) {
  struct stat st;
  bool have_original =
      fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
  if (have_original && !S_ISREG(st.st_mode)) return false;
  std::string temp;
  Fd fd(CreateTemporary(dir, name, &temp));
  if (!fd.ok()) {
    if (errno == EACCES || errno == EPERM || errno == EROFS) {
      return WriteInPlace(dir, name, pieces, old_bytes);
    }
    return false;
  }
  StopSignalsHeld held;
  off_t size = 0;
  bool ok = WritePieces(fd.get(), pieces, 0, &size);
  // What the new file cannot be given (the owner, an attribute), the file
  // itself keeps if it is written in place.
  bool same_file = true;
  if (ok && have_original) {
    Fd original(OpenFile(dir, name, O_RDONLY));
    same_file = original.ok() && fchown(fd.get(), st.st_uid, st.st_gid) == 0;
    ok = fchmod(fd.get(), st.st_mode & 07777) == 0;
    same_file = same_file && CopyAttributes(original.get(), fd.get());
  } else if (ok) {
    ok = fchmod(fd.get(), 0644) == 0;
  }
  ok = ok && same_file && fsync(fd.get()) == 0;
  if (!ok || renameat(dir, temp.c_str(), dir, name.c_str()) != 0) {
    int error = errno;
    unlinkat(dir, temp.c_str(), 0);
    if (!same_file || (ok && (error == EBUSY || error == EXDEV))) {
      return WriteInPlace(dir, name, pieces, old_bytes);
    }
    return false;
  }
  fsync(dir);
  return true;
}

}  // namespace

bool ReadFileBytes(const std::string& path, std::string* bytes) {
  std::string name;
  Fd dir(OpenTrustedDirectoryOf(path, &name));
  if (!dir.ok()) return false;
  Fd fd(OpenFile(dir.get(), name, O_RDONLY));
  return fd.ok() && ReadAll(fd.get(), bytes);
}

bool ReplaceFileBytes(const std::string& path,
                      const std::vector<std::string_view>& pieces,
                      std::string_view old_bytes) {
  std::string name;
  Fd dir(OpenTrustedDirectoryOf(path, &name));
  return dir.ok() && ReplaceIn(dir.get(), name, pieces, old_bytes);
}

bool RecoverInterruptedSave(const std::string& path) {
  std::string name;
  Fd dir(OpenTrustedDirectoryOf(path, &name));
  // A path that fails the checks is refused by the read that follows.
  if (!dir.ok()) return true;
  StopSignalsHeld held;
  if (!ApplyJournal(dir.get(), JournalName(name), dir.get(), name)) {
    return false;
  }
  Fd state(
      open(kJournalDirectory, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (!state.ok()) return errno == ENOENT;
  Fd checked(OpenRootOnlyDirectory(kJournalDirectory, false));
  return checked.ok() &&
         ApplyJournal(checked.get(), JournalName(name), dir.get(), name);
}

void RemoveStrayTemporaryFiles(const std::string& path) {
  std::string name;
  int dir_fd = OpenTrustedDirectoryOf(path, &name);
  if (dir_fd < 0) return;
  DIR* dir = fdopendir(dir_fd);
  if (dir == nullptr) {
    close(dir_fd);
    return;
  }
  std::string prefix = TemporaryPrefix(name);
  while (dirent* entry = readdir(dir)) {
    if (!IsTemporaryName(entry->d_name, prefix)) continue;
    struct stat st;
    if (fstatat(dir_fd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISREG(st.st_mode) && st.st_uid == 0) {
      unlinkat(dir_fd, entry->d_name, 0);
    }
  }
  closedir(dir);
}

}  // namespace quorvane
