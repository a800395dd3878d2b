// The --on-change command on POSIX: /bin/sh -c in a process group of its
// own, waited for until the deadline, then the whole group killed.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <string_view>
#include <thread>

#include "front/on_change.h"

extern char** environ;

namespace quorvane {

namespace {

// The environment the command gets: ours, with `added` in place of any
// variable of the same name. Made before the fork, since the child of a
// process with threads (a lookup may still run) may not allocate.
std::vector<std::string> CommandEnvironment(const Environment& added) {
  std::vector<std::string> entries;
  for (char** entry = environ; *entry; ++entry) {
    std::string_view text(*entry);
    if (std::none_of(added.begin(), added.end(), [text](const auto& pair) {
          return text.substr(0, pair.first.size() + 1) == pair.first + "=";
        })) {
      entries.emplace_back(text);
    }
  }
  for (const auto& [name, value] : added) entries.push_back(name + "=" + value);
  return entries;
}

}  // namespace

CommandEnd RunShellCommand(const std::string& command, const Environment& added,
                           Deadline deadline) {
  std::vector<std::string> entries = CommandEnvironment(added);
  std::vector<char*> envp;
  for (std::string& entry : entries) envp.push_back(entry.data());
  envp.push_back(nullptr);
  const char* const argv[] = {"sh", "-c", command.c_str(), nullptr};
  // What this run printed comes before what the command prints.
  fflush(nullptr);
  const pid_t pid = fork();
  if (pid < 0) return {CommandEnd::kNotStarted, errno};
  if (pid == 0) {
    setpgid(0, 0);
    // The command starts as from a shell: this program ignores SIGPIPE and
    // may hold the stop signals.
    signal(SIGPIPE, SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    execve("/bin/sh", const_cast<char* const*>(argv), envp.data());
    _exit(127);
  }
  // Either side may run first; the group must exist before it is killed.
  setpgid(pid, pid);
  std::chrono::milliseconds pause(1);
  for (;;) {
    int status = 0;
    pid_t done = waitpid(pid, &status, WNOHANG);
    if (done < 0 && errno == EINTR) continue;
    if (done == pid) {
      if (WIFSIGNALED(status))
        return {CommandEnd::kSignalled, WTERMSIG(status)};
      return {CommandEnd::kExited, WEXITSTATUS(status)};
    }
    if (done < 0) return {CommandEnd::kNotStarted, errno};
    auto now = std::chrono::steady_clock::now();
    if (now >= deadline) {
      kill(-pid, SIGKILL);
      while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
      }
      return {CommandEnd::kTimedOut, 0};
    }
    std::this_thread::sleep_for(
        std::min<std::chrono::steady_clock::duration>(pause, deadline - now));
    pause = std::min(pause * 2, std::chrono::milliseconds(20));
  }
}

}  // namespace quorvane
