// POSIX file store. A save writes a temporary file beside the hosts file,
// syncs it, gives it the original's mode and owner and renames it over the
// original, so that a crash leaves either the old or the new file. Where the
// hosts file cannot be replaced by a rename (a single bind-mounted file, as
// containers have, or a directory we may not write, such as the read-only
// /etc of a sandboxed service that may write /etc/hosts alone), it is
// overwritten in place, and any failure there writes the old bytes back.
#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>

#include "hosts/file_store.h"

namespace quorvane {

namespace {

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

// Writes the pieces from the start of the file; `*size` gets their length.
bool WritePieces(int fd, const std::vector<std::string_view>& pieces,
                 off_t* size) {
  off_t offset = 0;
  for (std::string_view piece : pieces) {
    if (!WriteAllAt(fd, offset, piece)) return false;
    offset += piece.size();
  }
  *size = offset;
  return true;
}

bool WriteInPlace(const std::string& path,
                  const std::vector<std::string_view>& pieces,
                  std::string_view old_bytes) {
  int fd = open(path.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) return false;
  off_t size = 0;
  bool ok = WritePieces(fd, pieces, &size) && ftruncate(fd, size) == 0 &&
            fsync(fd) == 0;
  if (!ok) {
    // The new bytes are only partly there: put the old ones back. They fit,
    // since they filled the file before.
    WriteAllAt(fd, 0, old_bytes);
    (void)!ftruncate(fd, old_bytes.size());
    fsync(fd);
  }
  return close(fd) == 0 && ok;
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

// The file a save replaces: the one a symbolic link points at, not the link.
std::string TargetOf(const std::string& path) {
  std::string target = path;
  if (char* real = realpath(path.c_str(), nullptr)) {
    target = real;
    free(real);
  }
  return target;
}

std::string DirectoryOf(const std::string& target) {
  size_t slash = target.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : target.substr(0, slash);
}

// A save's temporary file is this name followed by six characters of
// mkostemp, in the target's directory: hidden, and named after the file.
std::string TemporaryPrefix(const std::string& target) {
  return "." + target.substr(target.rfind('/') + 1) + ".Quorvane-";
}

constexpr size_t kTemporarySuffix = 6;  // the XXXXXX of mkostemp

void SyncDirectory(const std::string& dir) {
  int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

}  // namespace

bool ReadFileBytes(const std::string& path, std::string* bytes) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    // One allocation of the right size: the file is held once in memory.
    bytes->reserve(st.st_size);
    PrepareBuffer(bytes->data(), bytes->capacity());
  }
  // Through a small buffer that stays in the cache: the kernel copies into
  // it twice as fast as into the large one, and the copy onwards is cheap.
  bool ok = true;
  char chunk[65536];
  for (;;) {
    ssize_t got = read(fd, chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      ok = got == 0;
      break;
    }
    bytes->append(chunk, got);
  }
  close(fd);
  return ok;
}

bool ReplaceFileBytes(const std::string& path,
                      const std::vector<std::string_view>& pieces,
                      std::string_view old_bytes) {
  std::string target = TargetOf(path);
  std::string dir = DirectoryOf(target);
  std::string temp =
      dir + "/" + TemporaryPrefix(target) + std::string(kTemporarySuffix, 'X');

  struct stat st;
  bool have_original = stat(target.c_str(), &st) == 0;

  int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) {
    if (errno == EACCES || errno == EPERM || errno == EROFS) {
      return WriteInPlace(target, pieces, old_bytes);
    }
    return false;
  }
  off_t size = 0;
  bool ok = WritePieces(fd, pieces, &size);
  bool same_owner = true;
  if (ok && have_original) {
    ok = fchmod(fd, st.st_mode & 07777) == 0;
    if (ok && fchown(fd, st.st_uid, st.st_gid) != 0) same_owner = false;
  }
  ok = ok && same_owner && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  if (!ok) {
    unlink(temp.c_str());
    // Not allowed to give the new file the original's owner: keep the file
    // itself, writing in place.
    if (!same_owner) return WriteInPlace(target, pieces, old_bytes);
    return false;
  }
  if (rename(temp.c_str(), target.c_str()) != 0) {
    int error = errno;
    unlink(temp.c_str());
    if (error == EBUSY || error == EXDEV) {
      return WriteInPlace(target, pieces, old_bytes);
    }
    return false;
  }
  SyncDirectory(dir);
  return true;
}

void RemoveStrayTemporaryFiles(const std::string& path) {
  std::string target = TargetOf(path);
  std::string prefix = TemporaryPrefix(target);
  DIR* dir = opendir(DirectoryOf(target).c_str());
  if (dir == nullptr) return;
  int dir_fd = dirfd(dir);
  while (dirent* entry = readdir(dir)) {
    std::string_view name = entry->d_name;
    if (name.size() != prefix.size() + kTemporarySuffix ||
        name.substr(0, prefix.size()) != prefix) {
      continue;
    }
    struct stat st;
    if (fstatat(dir_fd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISREG(st.st_mode)) {
      unlinkat(dir_fd, entry->d_name, 0);
    }
  }
  closedir(dir);
}

// TEMPORARY: keeps the Linux build linking on the Windows branch; the
// journal for Linux replaces this.
bool RecoverInterruptedSave(const std::string&) { return true; }

}  // namespace quorvane
