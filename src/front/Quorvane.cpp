// The entry: reads the options, chooses the mode, gathers the pairs of the
// command line and its list files, and owns the exit status: 0 after a
// completed run (a check: the file is current), 1 after a failure (a check:
// a run would change the file), 2 after any failure of a check. The layers
// below return their failures; only this file reports them and exits.
// Given --event-log, a run that completes sends its event here; a failure
// sends its own.
#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "front/command_line.h"
#include "front/usage.h"
#include "hosts/change_hosts.h"
#include "hosts/restore_hosts.h"
#include "hosts/update_hosts.h"
#include "names/ini_file.h"
#include "report/console.h"
#include "report/event_log.h"
#include "report/fatal_error.h"
#include "report/language.h"
#include "report/texts.h"
#include "resolve/resolver.h"
#include "store/hosts_path.h"

namespace quorvane {
namespace {

Message UsageProblem(const CommandStep& step) {
  switch (step.problem) {
    case CommandStep::kOptionAfterPairs:
      return Format(kUsageOptionAfterPairs, {step.first});
    case CommandStep::kBadTimeout:
      return Format(kUsageBadTimeout, {step.first});
    case CommandStep::kNoListFile:
      return Format(kUsageNoListFile, {});
    case CommandStep::kNoHostName:
      return Format(kUsageNoHostName, {step.first});
    case CommandStep::kNotAHostName:
      return Format(kUsageNotAHostName, {step.first});
    case CommandStep::kSystemName:
      return Format(kUsageSystemName, {step.first});
    default:
      return Format(kUsageUnknownOption, {step.first});
  }
}

}  // namespace
}  // namespace quorvane

int main(int argc, char** argv) {
  using namespace quorvane;
  const auto started = std::chrono::steady_clock::now();
  InitConsole();
  SetLanguage(UserLanguage());
  std::vector<std::string_view> args(argv + 1, argv + argc);
  IniFile ini_file;
  Writing writing = Writing::kSave;
  bool pairs_given = false;
  bool families_given = false;
  int timeout = kDefaultTimeoutSeconds;
  for (const CommandStep& step : WalkCommandLine(args)) {
    switch (step.kind) {
      case CommandStep::kCheck:
        writing = Writing::kCheck;
        SetFailureStatus(2);
        break;
      case CommandStep::kFamilies: {
        // The first choice replaces the IPv4 default; "-4 -6" is both.
        Families chosen = *ParseFamilies(step.first);
        ini_file.families =
            families_given ? ini_file.families.With(chosen) : chosen;
        families_given = true;
        break;
      }
      case CommandStep::kTimeout:
        timeout = *ParseTimeout(step.first);
        break;
      case CommandStep::kHelp:
        Help();
        return 0;
      case CommandStep::kVersion:
        Version();
        return 0;
      case CommandStep::kAddPair:
        pairs_given = true;
        ini_file.Add(step.first, step.second);
        break;
      case CommandStep::kLoadList:
        pairs_given = true;
        if (std::optional<Failure> failure =
                ini_file.Load(std::string(step.first))) {
          FatalError(*failure);
        }
        break;
      case CommandStep::kEventLog:
        StartEventLog();
        break;
      case CommandStep::kUsage:
        Usage(UsageProblem(step));
    }
  }
  RunOutcome outcome;
  if (!pairs_given) {
    // A family without pairs is a list gone missing, not a restore.
    if (families_given) Usage(Format(kUsageFamiliesWithoutPairs, {}));
    outcome = RestoreHosts(HostsPath(), writing);
  } else {
    if (ini_file.Count() == 0) Usage(Format(kUsageNoPairs, {}));
    // The bound counts from the start: list files were read by now.
    outcome = UpdateHosts(ini_file, HostsPath(), writing,
                          started + std::chrono::seconds(timeout));
  }
  if (outcome.failure) FatalError(*outcome.failure);
  ReportRun(0);
  return writing == Writing::kCheck && outcome.changed != 0 ? 1 : 0;
}
