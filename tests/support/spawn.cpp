#include "support/spawn.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace quorvane {

namespace {

int OpenOr(const std::string& path, int flags) {
  return open(path.empty() ? "/dev/null" : path.c_str(), flags, 0644);
}

}  // namespace

pid_t Spawn(const std::vector<std::string>& argv, const SpawnOptions& options) {
  std::vector<char*> args;
  for (const std::string& arg : argv)
    args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  pid_t pid = fork();
  if (pid != 0) return pid;
  int in =
      options.stdin_fd >= 0 ? options.stdin_fd : open("/dev/null", O_RDONLY);
  int out = options.stdout_fd >= 0
                ? options.stdout_fd
                : OpenOr(options.out_path, O_WRONLY | O_CREAT | O_TRUNC);
  int err = OpenOr(options.err_path, O_WRONLY | O_CREAT | O_TRUNC);
  if (in < 0 || out < 0 || err < 0) _exit(126);
  dup2(in, 0);
  dup2(out, 1);
  dup2(err, 2);
  if (options.gate_fd >= 0) {
    char byte;
    while (read(options.gate_fd, &byte, 1) < 0 && errno == EINTR) {
    }
  }
  setenv("LC_ALL", "C", 1);
  execv(args[0], args.data());
  _exit(127);
}

int WaitFor(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
  }
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return WEXITSTATUS(status);
}

bool StillRunning(pid_t pid) {
  siginfo_t info{};
  return waitid(P_PID, pid, &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
         info.si_pid == 0;
}

RunLock::RunLock()
    : fd_((mkdir("/run/quorvane", 0700),
           open("/run/quorvane/hosts.lock", O_RDONLY | O_CREAT | O_CLOEXEC,
                0600))),
      held_(fd_ >= 0 && flock(fd_, LOCK_EX) == 0) {}

RunLock::~RunLock() {
  if (fd_ >= 0) close(fd_);
}

}  // namespace quorvane
