#include "front/on_change.h"

#include "report/texts.h"

namespace quorvane {

std::optional<Failure> RunOnChange(const std::string& command,
                                   const std::string& path, int changed,
                                   Deadline deadline) {
  const CommandEnd end =
      RunShellCommand(command,
                      {{"QUORVANE_HOSTS_FILE", path},
                       {"QUORVANE_CHANGED", std::to_string(changed)}},
                      deadline);
  Message cause;
  switch (end.kind) {
    case CommandEnd::kExited:
      if (end.number == 0) return std::nullopt;
      cause = Format(kCauseExitStatus, {PathArg(command), end.number});
      break;
    case CommandEnd::kSignalled:
      cause = Format(kCauseSignal, {PathArg(command), end.number});
      break;
    case CommandEnd::kTimedOut:
      cause = Format(kCauseStillRunning, {PathArg(command)});
      break;
    case CommandEnd::kNotStarted:
      cause = Format(kCauseNotStarted, {PathArg(command), end.number});
      break;
  }
  Message text = Format(kOnChangeFailed, {PathArg(path)});
  text += Raw("\n");
  text += cause;
  return Failure{kErrorOnChange, text};
}

}  // namespace quorvane
