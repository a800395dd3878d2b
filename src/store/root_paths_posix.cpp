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

// The walk down a path, one part at a time, from a directory already
// judged. `shown` is the path walked so far, as a cause names it.
class Walk {
 public:
  explicit Walk(std::string* untrusted) : untrusted_(untrusted) {}

  // Opens `name` in `at` (a directory) when only root may change it; else
  // none, and when the reason is another user, names it.
  Fd Enter(int at, const char* name) {
    Fd fd(openat(at, name, O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat st;
    if (!fd.ok() || fstat(fd.get(), &st) != 0) return Fd();
    if (!OnlyRootMayChange(st)) return Refuse(shown_);
    return fd;
  }

  Fd Refuse(const std::string& place) {
    if (untrusted_) *untrusted_ = place.empty() ? "/" : place;
    return Fd();
  }

  void Down(const std::string& part) {
    if (part != "..") {
      shown_ += "/" + part;
    } else if (!shown_.empty()) {
      shown_.resize(shown_.rfind('/'));
    }
  }
  void FromRoot() { shown_.clear(); }
  const std::string& shown() const { return shown_; }

 private:
  std::string* untrusted_;
  std::string shown_;
};

}  // namespace

Fd OpenTrustedDirectoryOf(const std::string& path, std::string* name,
                          std::string* untrusted, std::string* walked) {
  std::vector<std::string> todo;
  PushParts(path, &todo);
  // A relative path is judged from "/" as its absolute path would be: a
  // directory above the current one that another user controls could swap
  // what lies below it.
  if (path.rfind('/', 0) != 0) {
    char cwd[PATH_MAX];
    if (getcwd(cwd, sizeof cwd) == nullptr || cwd[0] != '/') return Fd();
    PushParts(cwd, &todo);
  }
  Walk walk(untrusted);
  Fd dir = walk.Enter(AT_FDCWD, "/");
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
      // A loop of links is named too: no file is at its end to blame.
      if (st.st_uid != 0 || ++links > kMaxLinks) {
        return walk.Refuse(walk.shown() + "/" + part);
      }
      if (size <= 0) break;
      target.resize(size);
      PushParts(target, &todo);
      if (target[0] == '/') {
        dir = walk.Enter(AT_FDCWD, "/");
        walk.FromRoot();
      }
      continue;
    }
    if (todo.empty()) {
      *name = part;
      if (walked) *walked = walk.shown();
      // The save makes and renames files here: even in a sticky directory
      // another user could take their names first.
      struct stat here;
      if (fstat(dir.get(), &here) != 0) break;
      if (here.st_mode & (S_IWGRP | S_IWOTH)) return walk.Refuse(walk.shown());
      // A descriptor that can be synced and read, of the checked directory.
      return Fd(openat(dir.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    }
    walk.Down(part);
    dir = walk.Enter(dir.get(), part.c_str());
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
