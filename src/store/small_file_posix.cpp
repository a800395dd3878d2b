#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>

#include "store/fd_posix.h"
#include "store/small_file.h"

namespace quorvane {

namespace {

// The folder and the last part of `path`.
std::pair<std::string, std::string> Split(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {".", path};
  return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

}  // namespace

int ReplaceSmallFile(const std::string& path, std::string_view bytes) {
  auto [folder, name] = Split(path);
  if (name.empty()) return EISDIR;
  Fd dir(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!dir.ok()) return errno;
  // A name no one can have planted a link at: O_EXCL never follows one.
  std::random_device random;
  std::string temporary =
      "." + name + ".tmp" + std::to_string(random() ^ getpid());
  Fd file(openat(dir.get(), temporary.c_str(),
                 O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
  if (!file.ok()) return errno;
  int error = 0;
  if (fchmod(file.get(), 0644) != 0) error = errno;
  for (size_t done = 0; !error && done < bytes.size();) {
    ssize_t n = write(file.get(), bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno != EINTR) error = errno;
    if (n > 0) done += n;
  }
  if (!error && fsync(file.get()) != 0) error = errno;
  if (!error &&
      renameat(dir.get(), temporary.c_str(), dir.get(), name.c_str()) != 0) {
    error = errno;
  }
  if (error) unlinkat(dir.get(), temporary.c_str(), 0);
  return error;
}

std::string ReadSmallFile(const std::string& path) {
  Fd file(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  struct stat st;
  if (!file.ok() || fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
    return {};
  }
  std::string bytes(1 << 20, '\0');
  size_t done = 0;
  for (ssize_t n; done < bytes.size() && (n = read(file.get(), &bytes[done],
                                                   bytes.size() - done)) > 0;) {
    done += n;
  }
  bytes.resize(done);
  return bytes;
}

}  // namespace quorvane
