#include "front/command_line.h"

#include "names/ini_file.h"

namespace quorvane {

std::vector<CommandStep> WalkCommandLine(
    const std::vector<std::string_view>& args) {
  std::vector<CommandStep> steps;
  for (size_t i = 0; i < args.size(); ++i) {
    std::string_view arg = args[i];
    if (!arg.empty() && arg[0] == '-') {
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
    if (i + 1 == args.size() || !IsHostName(args[i + 1])) {
      steps.push_back({CommandStep::kUsage, {}, {}});
      break;
    }
    steps.push_back({CommandStep::kAddPair, arg, args[i + 1]});
    ++i;
  }
  return steps;
}

}  // namespace quorvane
