#include "store/root_paths_posix.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <vector>

namespace quorvane {

namespace {

// Links followed at most, as the kernel's own bound: a loop of links ends.
constexpr int kMaxLinks = 40;

bool OnlyRootMayChange(const struct stat& st) {
  return st.st_uid == 0 &&
         ((st.st_mode & (S_IWGRP | S_IWOTH)) == 0 || (st.st_mode & S_ISVTX));
}

Fd OpenTrusted(int at, const char* name) {
  Fd fd(openat(at, name, O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  struct stat st;
  if (fd.ok() && (fstat(fd.get(), &st) != 0 || !OnlyRootMayChange(st))) {
    return Fd();
  }
  return fd;
}

// Puts the parts of `path` onto `todo`, the first one last (taken first).
void PushParts(const std::string& path, std::vector<std::string>* todo) {
  size_t end = path.size();
  while (end > 0) {
    size_t slash = path.rfind('/', end - 1);
    size_t begin = slash == std::string::npos ? 0 : slash + 1;
    if (end > begin) todo->push_back(path.substr(begin, end - begin));
    if (slash == std::string::npos) break;
    end = slash;
  }
}

}  // namespace

Fd OpenTrustedDirectoryOf(const std::string& path, std::string* name) {
  std::vector<std::string> todo;
  PushParts(path, &todo);
  Fd dir = OpenTrusted(AT_FDCWD, path.rfind('/', 0) == 0 ? "/" : ".");
  int links = 0;
  while (dir.ok() && !todo.empty()) {
    std::string part = std::move(todo.back());
    todo.pop_back();
    if (part == ".") continue;
    struct stat st;
    if (fstatat(dir.get(), part.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
      if (errno != ENOENT || !todo.empty()) break;
      st.st_mode = S_IFREG;  // a file not there yet: its place is known
    }
    if (S_ISLNK(st.st_mode)) {
      std::string target(PATH_MAX, '\0');
      ssize_t size =
          readlinkat(dir.get(), part.c_str(), target.data(), PATH_MAX);
      if (st.st_uid != 0 || ++links > kMaxLinks || size <= 0) break;
      target.resize(size);
      PushParts(target, &todo);
      if (target[0] == '/') dir = OpenTrusted(AT_FDCWD, "/");
      continue;
    }
    if (todo.empty()) {
      *name = part;
      // The save makes and renames files here: even in a sticky directory
      // another user could take their names first.
      struct stat here;
      if (fstat(dir.get(), &here) != 0 ||
          (here.st_mode & (S_IWGRP | S_IWOTH))) {
        break;
      }
      // A descriptor that can be synced and read, of the checked directory.
      return Fd(openat(dir.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    }
    dir = OpenTrusted(dir.get(), part.c_str());
  }
  return Fd();
}

Fd OpenRootOnlyDirectory(const char* path, IfMissing if_missing) {
  const bool create = if_missing == IfMissing::kCreate;
  if (create && mkdir(path, 0700) == 0) {
    // Until its parent is synced, a power loss may take the new directory
    // with all that is synced inside it.
    std::string parent(path);
    parent.resize(parent.rfind('/') + 1);
    Fd up(open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!up.ok() || fsync(up.get()) != 0) return Fd();
  } else if (create && errno != EEXIST) {
    return Fd();
  }
  return KeepIfRootsAlone(
      Fd(open(path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC)), S_IFDIR);
}

Fd KeepIfRootsAlone(Fd fd, unsigned type) {
  // A directory others may enter but not change (0755, as systemd and
  // tmpfiles make them) is still root's alone; a file others may open is
  // not: they could hold a lock on it.
  const unsigned others = type == S_IFDIR ? 022 : 077;
  struct stat st;
  if (fd.ok() && (fstat(fd.get(), &st) != 0 || (st.st_mode & S_IFMT) != type ||
                  st.st_uid != 0 || (st.st_mode & others) != 0)) {
    return Fd();
  }
  return fd;
}

}  // namespace quorvane
