// Fd: the one owner of a POSIX file descriptor. It closes the descriptor
// when it goes, so no path out of a function leaks one, and it moves but
// never copies, so no descriptor is closed twice.
#ifndef QUORVANE_STORE_FD_POSIX_H_
#define QUORVANE_STORE_FD_POSIX_H_

#include <unistd.h>

#include <utility>

namespace quorvane {

class Fd {
 public:
  // Takes `fd`, which may be -1 (a failed open): then it owns nothing.
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() { Reset(); }
  Fd(Fd&& other) : fd_(std::exchange(other.fd_, -1)) {}
  Fd& operator=(Fd&& other) {
    Reset(std::exchange(other.fd_, -1));
    return *this;
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;

  // Closes what it holds and takes `fd` instead.
  void Reset(int fd = -1) {
    if (fd_ >= 0) close(fd_);
    fd_ = fd;
  }
  // Hands the descriptor to another owner (fdopendir's DIR) unclosed.
  int Release() { return std::exchange(fd_, -1); }
  int get() const { return fd_; }
  bool ok() const { return fd_ >= 0; }

 private:
  int fd_;
};

}  // namespace quorvane

#endif  // QUORVANE_STORE_FD_POSIX_H_
