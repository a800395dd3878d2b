// The --on-change command: what a DNS server needs to read its hosts file
// again (a SIGHUP to dnsmasq, "pihole restartdns reload"). It runs after a
// save that changed the file, and only then, once the lock is let go, so a
// slow reload never holds other runs back. It runs through the system's
// shell (on_change_*.cpp: /bin/sh -c, cmd /c) in a process group (a job) of
// its own, with QUORVANE_HOSTS_FILE (the file's path as given) and
// QUORVANE_CHANGED (the lines changed) added to the environment, and is
// stopped, with everything it started, when the run's deadline passes.
#ifndef QUORVANE_FRONT_ON_CHANGE_H_
#define QUORVANE_FRONT_ON_CHANGE_H_

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "report/failure.h"
#include "resolve/resolver.h"

namespace quorvane {

// How a command ended.
struct CommandEnd {
  enum Kind {
    kExited,      // number: its exit status
    kSignalled,   // number: the signal that ended it (POSIX)
    kTimedOut,    // still running at the deadline: its group was killed
    kNotStarted,  // number: the system's error number
  };
  Kind kind;
  int number = 0;
};

using Environment = std::vector<std::pair<std::string, std::string>>;

// Platform: runs `command` through the shell with `added` set in its
// environment, and waits for it until `deadline`.
CommandEnd RunShellCommand(const std::string& command, const Environment& added,
                           Deadline deadline);

// Runs the --on-change `command` for the file at `path`, saved with
// `changed` lines changed. Error 241 unless it exits with status 0: the
// saved file stays saved, and the cause line names the command and how it
// ended.
std::optional<Failure> RunOnChange(const std::string& command,
                                   const std::string& path, int changed,
                                   Deadline deadline);

}  // namespace quorvane

#endif  // QUORVANE_FRONT_ON_CHANGE_H_
