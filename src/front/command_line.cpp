#include "front/command_line.h"

#include "names/ini_file.h"

namespace quorvane {

std::vector<CommandStep> WalkCommandLine(
    const std::vector<std::string_view>& args) {
  std::vector<CommandStep> steps;
  size_t i = 0;
  bool options_ended = false;
  for (; i < args.size() && !args[i].empty() && args[i][0] == '-'; ++i) {
    std::string_view arg = args[i];
    if (arg == "--") {
      options_ended = true;
      ++i;
      break;
    }
    if (arg == "--check" || arg == "-n") {
      steps.push_back({CommandStep::kCheck, {}, {}});
      continue;
    }
    if (arg == "--event-log") {
      steps.push_back({CommandStep::kEventLog, {}, {}});
      continue;
    }
    if (ParseFamilies(arg)) {
      steps.push_back({CommandStep::kFamilies, arg, {}});
      continue;
    }
    CommandStep::Kind kind = arg == "--help" || arg == "-h" ? CommandStep::kHelp
                             : arg == "--version" ? CommandStep::kVersion
                                                  : CommandStep::kUsage;
    steps.push_back({kind, {}, {}});
    return steps;
  }
  for (; i < args.size(); ++i) {
    std::string_view arg = args[i];
    if (!options_ended && !arg.empty() && arg[0] == '-') {
      steps.push_back({CommandStep::kUsage, {}, {}});
      break;
    }
    if (!arg.empty() && arg[0] == '@') {
      if (arg.size() == 1) {
        steps.push_back({CommandStep::kUsage, {}, {}});
        break;
      }
      steps.push_back({CommandStep::kLoadList, arg.substr(1), {}});
      continue;
    }
    if (i + 1 == args.size() || !IsHostName(args[i + 1]) ||
        ParseFamilies(args[i + 1])) {
      steps.push_back({CommandStep::kUsage, {}, {}});
      break;
    }
    steps.push_back({CommandStep::kAddPair, arg, args[i + 1]});
    ++i;
  }
  return steps;
}

}  // namespace quorvane
