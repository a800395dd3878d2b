// POSIX file store. A save writes a temporary file beside the hosts file,
// syncs it, gives it the original's mode and owner and renames it over the
// original, so that a crash leaves either the old or the new file. Where the
// hosts file cannot be replaced by a rename (a single bind-mounted file, as
// containers have, or a directory we may not write), it is overwritten in
// place, and any failure there writes the old bytes back.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
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
  }
  bool ok = true;
  char chunk[65536];
  for (;;) {
    size_t have = bytes->size();
    size_t room = bytes->capacity() - have;
    if (room == 0) {
      ssize_t got = read(fd, chunk, sizeof chunk);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) {
        ok = got == 0;
        break;
      }
      bytes->append(chunk, got);
      continue;
    }
    bytes->resize(have + room);
    ssize_t got = read(fd, bytes->data() + have, room);
    bytes->resize(have + (got > 0 ? got : 0));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      ok = got == 0;
      break;
    }
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
    if (errno == EACCES || errno == EPERM) {
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

}  // namespace quorvane
