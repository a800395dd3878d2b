// Test support: starting a program without waiting for it, so that a test
// can act while it runs (hold a lock, replace a file, kill it), and holding
// the lock the program takes for the hosts file.
#ifndef QUORVANE_TESTS_SUPPORT_SPAWN_H_
#define QUORVANE_TESTS_SUPPORT_SPAWN_H_

#include <sys/types.h>

#include <string>
#include <vector>

namespace quorvane {

struct SpawnOptions {
  int stdin_fd = -1;     // standard input; -1 for /dev/null
  int stdout_fd = -1;    // standard output; -1 for out_path
  std::string out_path;  // standard output and error go to these files;
  std::string err_path;  // empty for /dev/null
  int gate_fd = -1;      // when set, the child starts only once it has read
                         // one byte from this pipe's read end
};

// Starts `argv` (argv[0] is the path) in the C locale and gives its pid.
pid_t Spawn(const std::vector<std::string>& argv, const SpawnOptions& options);

// Waits for `pid`: its exit status, or 128 + the signal that ended it.
int WaitFor(pid_t pid);

// True when `pid` has not ended yet (it is not reaped).
bool StillRunning(pid_t pid);

// Holds the lock that a run of the program takes for the hosts file (in
// the sandbox's own /run), as another run would hold it; let go when
// destroyed.
class RunLock {
 public:
  RunLock();
  ~RunLock();
  bool held() const { return held_; }

 private:
  int fd_;
  bool held_;
};

}  // namespace quorvane

#endif  // QUORVANE_TESTS_SUPPORT_SPAWN_H_
