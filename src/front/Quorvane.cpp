// The entry: reads the options, chooses the mode, gathers the pairs of the
// command line and its list files, and owns the exit status: 0 after a
// completed run (a check: the file is current), 1 after a failure (a check:
// a run would change the file), 2 after any failure of a check. Every
// failure ends the process where it is found. Given --event-log, a run
// that completes sends its event here; a failure sends its own.
#include <string>
#include <string_view>
#include <vector>

#include "front/command_line.h"
#include "front/report/console.h"
#include "front/report/event_log.h"
#include "front/report/fatal_error.h"
#include "front/report/language.h"
#include "front/usage.h"
#include "hosts/change_hosts.h"
#include "hosts/restore_hosts.h"
#include "hosts/update_hosts.h"
#include "names/ini_file.h"

int main(int argc, char** argv) {
  using namespace quorvane;
  InitConsole();
  SetLanguage(UserLanguage());
  std::vector<std::string_view> args(argv + 1, argv + argc);
  IniFile ini_file;
  Writing writing = Writing::kSave;
  bool pairs_given = false;
  bool families_given = false;
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
        ini_file.Load(std::string(step.first));
        break;
      case CommandStep::kEventLog:
        StartEventLog();
        break;
      case CommandStep::kUsage:
        Usage();
    }
  }
  int changed;
  if (!pairs_given) {
    // A family without pairs is a list gone missing, not a restore.
    if (families_given) Usage();
    changed = RestoreHosts(writing);
  } else {
    if (ini_file.Count() == 0) Usage();
    changed = UpdateHosts(ini_file, writing);
  }
  ReportRun(0);
  return writing == Writing::kCheck && changed != 0 ? 1 : 0;
}
