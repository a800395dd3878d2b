// The entry: chooses the mode, gathers the pairs of the command line and its
// list files, and owns the exit status (0 after a completed run; every
// failure ends the process with 1 where it is found).
#include <string>
#include <string_view>
#include <vector>

#include "front/command_line.h"
#include "front/report/console.h"
#include "front/usage.h"
#include "hosts/restore_hosts.h"
#include "hosts/update_hosts.h"
#include "names/ini_file.h"

int main(int argc, char** argv) {
  using namespace quorvane;
  InitConsole();
  if (argc <= 1) {
    RestoreHosts();
    return 0;
  }
  std::vector<std::string_view> args(argv + 1, argv + argc);
  IniFile ini_file;
  for (const CommandStep& step : WalkCommandLine(args)) {
    switch (step.kind) {
      case CommandStep::kAddPair:
        ini_file.Add(step.first, step.second);
        break;
      case CommandStep::kLoadList:
        ini_file.Load(std::string(step.first));
        break;
      case CommandStep::kUsage:
        Usage();
    }
  }
  if (ini_file.Count() == 0) Usage();
  UpdateHosts(ini_file);
  return 0;
}
