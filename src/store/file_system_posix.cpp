// POSIX file primitives. The hosts file is reached only through directories
// and links that root alone controls (root_paths_posix.h), and every step
// works from the checked directory's descriptor. The state directory is
// /var/lib/quorvane, root's alone.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <utility>

#include "store/fd_posix.h"
#include "store/file_system.h"
#include "store/hash.h"
#include "store/root_paths_posix.h"

namespace quorvane {

namespace {

// Files from this size on are mapped rather than copied: below it a copy
// costs less than setting a mapping up.
constexpr off_t kMapFrom = 1 << 20;

// A mapped file that another program cuts short raises SIGBUS where its
// lost pages are read. The handler puts zero pages in their place, so the
// run reads on, and notes it: a run checks LoadsWhole before it saves
// anything made from those bytes, and fails instead.
struct MappedRange {
  std::atomic<uintptr_t> begin{0}, end{0};
  int fd = -1;  // the file, for copies in the kernel (CopyMapped)
};
constexpr int kMappedRanges = 4;
MappedRange mapped_ranges[kMappedRanges];
std::atomic<bool> mapped_file_cut{false};
uintptr_t page_size = 4096;

void OnBusError(int, siginfo_t* info, void*) {
  const int saved_errno = errno;
  const uintptr_t at = reinterpret_cast<uintptr_t>(info->si_addr);
  for (MappedRange& range : mapped_ranges) {
    const uintptr_t begin = range.begin.load(), end = range.end.load();
    if (at < begin || at >= end) continue;
    const uintptr_t page = at & ~(page_size - 1);
    if (mmap(reinterpret_cast<void*>(page), end - page, PROT_READ,
             MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) != MAP_FAILED) {
      mapped_file_cut = true;
      errno = saved_errno;
      return;
    }
  }
  // Not a mapping of ours: the fault ends the process as it would have.
  signal(SIGBUS, SIG_DFL);
}

bool WatchBusErrors() {
  static const bool watching = [] {
    page_size = sysconf(_SC_PAGESIZE);
    struct sigaction action {};
    action.sa_sigaction = OnBusError;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    return sigaction(SIGBUS, &action, nullptr) == 0;
  }();
  return watching;
}

class MappedBytes : public FileBytes {
 public:
  MappedBytes(void* data, size_t size, MappedRange* range)
      : data_(data), size_(size), range_(range) {}
  ~MappedBytes() override {
    range_->begin = 0;
    range_->end = 0;
    if (range_->fd >= 0) close(std::exchange(range_->fd, -1));
    munmap(data_, size_);
  }
  std::string_view View() const override {
    return std::string_view(static_cast<const char*>(data_), size_);
  }
  bool ReadsBetter() const override { return range_->fd >= 0; }
  size_t ReadAt(uint64_t offset, char* buffer, size_t size) const override {
    if (offset >= size_) return 0;
    size = std::min<size_t>(size, size_ - offset);
    size_t done = 0;
    while (done < size) {
      ssize_t got =
          pread(range_->fd, buffer + done, size - done, offset + done);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) {
        mapped_file_cut = true;  // what the mapping would read as zeros
        break;
      }
      done += got;
    }
    return done;
  }

 private:
  void* data_;
  size_t size_;
  MappedRange* range_;
};

// Maps `size` bytes of the open file `fd`; null when it cannot, and the
// file is then read instead.
std::unique_ptr<FileBytes> MapFile(int fd, size_t size) {
  if (!WatchBusErrors()) return nullptr;
  MappedRange* free_range = nullptr;
  for (MappedRange& range : mapped_ranges) {
    if (range.end.load() == 0) free_range = &range;
  }
  if (free_range == nullptr) return nullptr;
  // Searched through reads, copied by the kernel: only the pages of the
  // lines a run looks at are ever touched.
  void* data = mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, 0);
  if (data == MAP_FAILED) return nullptr;
  const uintptr_t begin = reinterpret_cast<uintptr_t>(data);
  free_range->fd = fcntl(fd, F_DUPFD_CLOEXEC, 0);
  free_range->begin = begin;
  free_range->end = (begin + size + page_size - 1) & ~(page_size - 1);
  return std::make_unique<MappedBytes>(data, size, free_range);
}

bool ReadAll(int fd, std::string* bytes) {
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return false;
  // One allocation of the right size: the file is held once in memory.
  bytes->reserve(st.st_size);
  // Through a small buffer that stays in the cache: the kernel copies into
  // it faster than into pages never touched, and the copy onwards is cheap.
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

// Copies every extended attribute of `from` that this process can read
// (SELinux label, ACLs, user.* ones, and trusted.* ones with CAP_SYS_ADMIN)
// onto `to`. False when one of them cannot be set there.
bool CopyExtendedAttributes(int from, int to) {
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

// How many bytes a write hands to the disk at once.
constexpr size_t kStartDisk = 4 << 20;

// The file and offset of `piece` when it lies in a mapped file of ours.
std::optional<std::pair<int, off_t>> MappedSource(std::string_view piece) {
  const uintptr_t at = reinterpret_cast<uintptr_t>(piece.data());
  for (MappedRange& range : mapped_ranges) {
    const uintptr_t begin = range.begin.load();
    if (range.fd >= 0 && at >= begin && at + piece.size() <= range.end.load()) {
      return std::make_pair(range.fd, static_cast<off_t>(at - begin));
    }
  }
  return std::nullopt;
}

// A mapped file's pages cost more to touch the first time than to read:
// its stretches at least this long are copied by the kernel, page cache to
// page cache; shorter ones are read into a window of kReadWindow bytes and
// written from there.
constexpr size_t kCopyInKernel = 256 << 10;
constexpr size_t kReadWindow = 128 << 10;

class PosixFile : public WritableFile {
 public:
  explicit PosixFile(Fd fd) : fd_(std::move(fd)) {}
  int fd() const { return fd_.get(); }

  bool WriteAt(uint64_t offset, std::string_view bytes) override {
    while (!bytes.empty()) {
      ssize_t done = pwrite(fd_.get(), bytes.data(), bytes.size(), offset);
      if (done < 0 && errno == EINTR) continue;
      if (done <= 0) return false;
      bytes.remove_prefix(done);
      offset += done;
    }
    return true;
  }
  // Gathered into calls of up to IOV_MAX pieces and kStartDisk bytes, each
  // kStartDisk bytes handed to the disk once written, so that the disk
  // works while the rest is copied and the final sync has little left to
  // wait for. Stretches of a mapped file are copied by the kernel.
  bool WriteAll(uint64_t offset,
                const std::vector<std::string_view>& pieces) override {
    std::vector<iovec> batch;
    batch.reserve(std::min<size_t>(pieces.size(), IOV_MAX));
    size_t batch_size = 0;
    std::string window;  // bytes of a mapped file the batch may point into
    off_t window_at = 0;
    int window_fd = -1;
    uint64_t handed = offset;  // what lies before was handed to the disk
    auto hand = [&](bool all) {
      if (offset - handed >= kStartDisk || (all && offset > handed)) {
        sync_file_range(fd_.get(), handed, offset - handed,
                        SYNC_FILE_RANGE_WRITE);
        handed = offset;
      }
    };
    auto flush = [&] {
      size_t first = 0;
      while (first < batch.size()) {
        ssize_t done = pwritev(fd_.get(), batch.data() + first,
                               batch.size() - first, offset);
        if (done < 0 && errno == EINTR) continue;
        if (done <= 0) return false;
        offset += done;
        // A short write: on from the first byte not written.
        for (size_t left = done; first < batch.size() && left > 0;) {
          iovec& piece = batch[first];
          if (left < piece.iov_len) {
            piece.iov_base = static_cast<char*>(piece.iov_base) + left;
            piece.iov_len -= left;
            break;
          }
          left -= piece.iov_len;
          ++first;
        }
      }
      batch.clear();
      batch_size = 0;
      hand(false);
      return true;
    };
    for (std::string_view piece : pieces) {
      std::optional<std::pair<int, off_t>> source = MappedSource(piece);
      if (source && piece.size() < kCopyInKernel) {
        // From the window, read again (after the batch pointing into it is
        // written) when it does not hold the piece.
        auto [fd, at] = *source;
        if (fd != window_fd || at < window_at ||
            at + piece.size() > window_at + window.size()) {
          if (!batch.empty() && !flush()) return false;
          window.resize(std::max(kReadWindow, piece.size()));
          size_t got = 0;
          while (got < window.size()) {
            ssize_t n = pread(fd, &window[got], window.size() - got, at + got);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            got += n;
          }
          window.resize(got);
          window_fd = fd;
          window_at = at;
          if (got < piece.size()) {
            mapped_file_cut = true;
            return false;
          }
        }
        piece = std::string_view(window).substr(at - window_at, piece.size());
        source.reset();
      }
      if (source) {
        if (!batch.empty() && !flush()) return false;
        switch (CopyMapped(source->first, source->second, piece.size(), &offset,
                           hand)) {
          case Copied::kAll:
            piece = {};
            break;
          case Copied::kFailed:
            return false;
          case Copied::kNothing:  // not here: through the mapping then
            break;
        }
      }
      while (!piece.empty()) {
        const size_t take = std::min(piece.size(), kStartDisk - batch_size);
        batch.push_back({const_cast<char*>(piece.data()), take});
        batch_size += take;
        piece.remove_prefix(take);
        if ((batch_size == kStartDisk || batch.size() == IOV_MAX) && !flush()) {
          return false;
        }
      }
    }
    if (!batch.empty() && !flush()) return false;
    hand(true);
    return true;
  }
  enum class Copied { kAll, kNothing, kFailed };
  // Copies `size` bytes of the file `from` at `at` to this file at
  // *offset, moving *offset on and calling hand(false) after each
  // kStartDisk bytes at most. kNothing when the kernel cannot copy between
  // the two (another file system, the same file), before any byte moved; a
  // source that ends early was cut short by another program.
  template <typename Hand>
  Copied CopyMapped(int from, off_t at, size_t size, uint64_t* offset,
                    Hand& hand) {
    loff_t in = at, out = static_cast<loff_t>(*offset);
    for (size_t left = size; left > 0;) {
      ssize_t done = copy_file_range(from, &in, fd_.get(), &out,
                                     std::min(left, kStartDisk), 0);
      if (done < 0 && errno == EINTR) continue;
      if (done < 0 && left == size &&
          (errno == EXDEV || errno == EINVAL || errno == ENOSYS ||
           errno == EOPNOTSUPP)) {
        return Copied::kNothing;
      }
      if (done == 0) mapped_file_cut = true;
      if (done <= 0) return Copied::kFailed;
      left -= done;
      *offset = out;
      hand(false);
    }
    return Copied::kAll;
  }
  // A new file written in full already has its size: ext4 still takes a
  // journal handle for the call, which can wait on a commit.
  bool Truncate(uint64_t size) override {
    struct stat st;
    if (fstat(fd_.get(), &st) == 0 &&
        static_cast<uint64_t>(st.st_size) == size) {
      return true;
    }
    return ftruncate(fd_.get(), size) == 0;
  }
  bool Sync() override { return fsync(fd_.get()) == 0; }

 private:
  Fd fd_;
};

class PosixFileSystem : public FileSystem {
 public:
  PosixFileSystem(Fd hosts_dir, std::string name, std::string walked)
      : hosts_dir_(std::move(hosts_dir)),
        name_(std::move(name)),
        walked_(std::move(walked)) {}

  std::string HostsName() const override { return name_; }
  // A file of /etc keeps the journal name it always had (a journal left by
  // an older run is still found); any other file's name carries a hash of
  // its path as walked, so that two files of one name in two folders never
  // share a journal.
  std::string StateName() const override {
    if (walked_ == "/etc") return name_;
    char hash[20];
    snprintf(hash, sizeof hash, "-%016llx",
             static_cast<unsigned long long>(Fnv1a(walked_ + "/" + name_)));
    return name_ + hash;
  }

  bool Trusted(Place place) override {
    return place == Place::kHosts || StateDirectory(IfMissing::kFail) >= 0;
  }

  FsResult Read(Place place, const std::string& name, Writer writer,
                std::string* bytes) override {
    Fd fd(OpenFile(Dir(place), name, O_RDONLY));
    if (!fd.ok())
      return errno == ENOENT ? FsResult::kMissing : FsResult::kFailed;
    // A file of root's alone: another user's must not tell us what to write
    // into the hosts file.
    const unsigned others = writer == Writer::kRootOnly ? 077 : 022;
    struct stat st;
    if (fstat(fd.get(), &st) != 0 ||
        (writer != Writer::kAnyone &&
         (st.st_uid != 0 || (st.st_mode & others) != 0)) ||
        !ReadAll(fd.get(), bytes)) {
      return FsResult::kFailed;
    }
    return FsResult::kOk;
  }

  FsResult Load(Place place, const std::string& name,
                std::unique_ptr<FileBytes>* bytes) override {
    Fd fd(OpenFile(Dir(place), name, O_RDONLY));
    if (!fd.ok())
      return errno == ENOENT ? FsResult::kMissing : FsResult::kFailed;
    struct stat st;
    if (fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
      return FsResult::kFailed;
    }
    if (st.st_size >= kMapFrom) {
      *bytes = MapFile(fd.get(), st.st_size);
      if (*bytes) return FsResult::kOk;
    }
    std::string read;
    if (!ReadAll(fd.get(), &read)) return FsResult::kFailed;
    *bytes = HeldBytes(std::move(read));
    return FsResult::kOk;
  }

  bool LoadsWhole() override { return !mapped_file_cut; }

  FsResult Create(Place place, const std::string& name,
                  std::unique_ptr<WritableFile>* file) override {
    int dir = place == Place::kHosts ? hosts_dir_.get()
                                     : StateDirectory(IfMissing::kCreate);
    if (dir < 0) return FsResult::kRefused;
    Fd fd(openat(dir, name.c_str(),
                 O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!fd.ok()) {
      if (errno == EEXIST) return FsResult::kExists;
      bool refused = errno == EACCES || errno == EPERM || errno == EROFS;
      return refused ? FsResult::kRefused : FsResult::kFailed;
    }
    *file = std::make_unique<PosixFile>(std::move(fd));
    return FsResult::kOk;
  }

  std::unique_ptr<WritableFile> OpenForWrite(Place place,
                                             const std::string& name) override {
    Fd fd(OpenFile(Dir(place), name, O_WRONLY));
    struct stat st;
    if (!fd.ok() || fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
      return nullptr;
    }
    return std::make_unique<PosixFile>(std::move(fd));
  }

  FsResult CopyAttributes(const std::string& name,
                          WritableFile* file) override {
    int to = static_cast<PosixFile*>(file)->fd();
    struct stat st;
    if (fstatat(hosts_dir_.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) !=
        0) {
      if (errno != ENOENT) return FsResult::kFailed;
      return fchmod(to, 0644) == 0 ? FsResult::kOk : FsResult::kFailed;
    }
    if (!S_ISREG(st.st_mode)) return FsResult::kFailed;
    if (fchmod(to, st.st_mode & 07777) != 0) return FsResult::kFailed;
    Fd original(OpenFile(hosts_dir_.get(), name, O_RDONLY));
    bool same = original.ok() && fchown(to, st.st_uid, st.st_gid) == 0 &&
                CopyExtendedAttributes(original.get(), to);
    return same ? FsResult::kOk : FsResult::kRefused;
  }

  FsResult Rename(Place place, const std::string& from,
                  const std::string& to) override {
    int dir = Dir(place);
    if (renameat(dir, from.c_str(), dir, to.c_str()) == 0) return FsResult::kOk;
    return errno == EBUSY || errno == EXDEV ? FsResult::kRefused
                                            : FsResult::kFailed;
  }

  // rename never leaves the old file without a name: no backup is needed.
  FsResult Replace(const std::string& from, const std::string& to,
                   const std::string&) override {
    return Rename(Place::kHosts, from, to);
  }

  bool Remove(Place place, const std::string& name) override {
    return unlinkat(Dir(place), name.c_str(), 0) == 0 || errno == ENOENT;
  }

  bool SyncPlace(Place place) override { return fsync(Dir(place)) == 0; }

  std::vector<std::string> List(Place place, Owner owner) override {
    std::vector<std::string> names;
    const bool ours_only = owner == Owner::kRoot;
    Fd opened(openat(Dir(place), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    DIR* dir = opened.ok() ? fdopendir(opened.get()) : nullptr;
    if (dir == nullptr) return names;
    // The listing owns the descriptor from here on.
    const int fd = opened.Release();
    while (dirent* entry = readdir(dir)) {
      // The entry's type spares a stat of every name in /etc, unless the
      // owner matters or the file system does not say.
      struct stat st;
      bool regular =
          entry->d_type == DT_REG && !ours_only
              ? true
              : (entry->d_type == DT_REG || entry->d_type == DT_UNKNOWN) &&
                    fstatat(fd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                    S_ISREG(st.st_mode) && (!ours_only || st.st_uid == 0);
      if (regular) names.push_back(entry->d_name);
    }
    closedir(dir);
    return names;
  }

  uint64_t Random() override {
    uint64_t random = 0;
    if (getrandom(&random, sizeof random, 0) != sizeof random) {
      random = static_cast<uint64_t>(getpid()) * 2654435761u ^ time(nullptr);
    }
    return random;
  }

  void HoldStops() override {
    if (held_++ == 0) {
      sigset_t stops;
      sigemptyset(&stops);
      sigaddset(&stops, SIGTERM);
      sigaddset(&stops, SIGINT);
      sigaddset(&stops, SIGHUP);
      sigprocmask(SIG_BLOCK, &stops, &before_);
    }
  }

  void ReleaseStops() override {
    if (--held_ == 0) sigprocmask(SIG_SETMASK, &before_, nullptr);
  }

 private:
  int Dir(Place place) {
    return place == Place::kHosts ? hosts_dir_.get()
                                  : StateDirectory(IfMissing::kFail);
  }

  // The state directory, checked, made first when missing with
  // IfMissing::kCreate; -1 when it is missing or not root's alone.
  int StateDirectory(IfMissing if_missing) {
    if (!state_.ok()) {
      state_ = OpenRootOnlyDirectory(kStateDirectory, if_missing);
    }
    return state_.get();
  }

  Fd hosts_dir_;
  std::string name_;
  std::string walked_;  // the hosts file's directory, links followed
  Fd state_;
  int held_ = 0;
  sigset_t before_;
};

}  // namespace

std::unique_ptr<FileSystem> OpenFileSystem(const std::string& path) {
  std::string name, walked;
  Fd dir = OpenTrustedDirectoryOf(path, &name, nullptr, &walked);
  if (!dir.ok()) return nullptr;
  return std::make_unique<PosixFileSystem>(std::move(dir), std::move(name),
                                           std::move(walked));
}

}  // namespace quorvane
