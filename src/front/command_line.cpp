#include "front/command_line.h"

#include "names/ini_file.h"

namespace quorvane {

namespace {

bool IsOption(std::string_view arg) {
  for (std::string_view valued : {"--timeout", "--hosts-file", "--on-change"}) {
    if (arg.substr(0, valued.size()) == valued) return true;
  }
  return arg == "--check" || arg == "-n" || ParseFamilies(arg) ||
         arg == "--help" || arg == "-h" || arg == "--version" ||
         arg == "--event-log" || arg == "--prune" || arg == "--";
}

// Whether args[*i] is `option`, with its value given as "OPTION VALUE" (the
// next argument, taken: *i moves past it) or "OPTION=VALUE"; `*value` is
// empty when there is none, or the word only starts with `option`.
bool OptionValue(const std::vector<std::string_view>& args, size_t* i,
                 std::string_view option, std::string_view* value) {
  std::string_view arg = args[*i];
  if (arg.substr(0, option.size()) != option) return false;
  *value = arg.substr(option.size());
  if (value->empty() && *i + 1 < args.size()) {
    *value = args[++*i];
  } else if (!value->empty() && (*value)[0] == '=') {
    value->remove_prefix(1);
  } else {
    *value = {};
  }
  return true;
}

CommandStep Malformed(CommandStep::Problem problem, std::string_view arg) {
  return {CommandStep::kUsage, arg, {}, problem};
}

// What is wrong with `name` in a host name's place, if anything.
std::optional<CommandStep::Problem> HostNameProblem(std::string_view name) {
  if (ParseFamilies(name)) return CommandStep::kOptionAfterPairs;
  if (!IsHostName(name)) return CommandStep::kNotAHostName;
  if (IsSystemName(name)) return CommandStep::kSystemName;
  return std::nullopt;
}

}  // namespace

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
    if (arg == "--prune") {
      steps.push_back({CommandStep::kPrune, {}, {}});
      continue;
    }
    if (ParseFamilies(arg)) {
      steps.push_back({CommandStep::kFamilies, arg, {}});
      continue;
    }
    std::string_view value;
    if (OptionValue(args, &i, "--timeout", &value)) {
      if (!ParseTimeout(value)) {
        steps.push_back(Malformed(CommandStep::kBadTimeout, value));
        return steps;
      }
      steps.push_back({CommandStep::kTimeout, value, {}});
      continue;
    }
    std::optional<CommandStep::Kind> valued;
    if (OptionValue(args, &i, "--hosts-file", &value)) {
      valued = CommandStep::kHostsFile;
    } else if (OptionValue(args, &i, "--on-change", &value)) {
      valued = CommandStep::kOnChange;
    }
    if (valued && value.empty()) {
      steps.push_back(Malformed(CommandStep::kNoValue, arg));
      return steps;
    }
    if (valued) {
      steps.push_back({*valued, value, {}});
      continue;
    }
    if (arg == "--help" || arg == "-h") {
      steps.push_back({CommandStep::kHelp, {}, {}});
    } else if (arg == "--version") {
      steps.push_back({CommandStep::kVersion, {}, {}});
    } else {
      steps.push_back(Malformed(CommandStep::kUnknownOption, arg));
    }
    return steps;
  }
  for (; i < args.size(); ++i) {
    std::string_view arg = args[i];
    if (!options_ended && !arg.empty() && arg[0] == '-') {
      steps.push_back(Malformed(IsOption(arg) ? CommandStep::kOptionAfterPairs
                                              : CommandStep::kUnknownOption,
                                arg));
      break;
    }
    if (!arg.empty() && arg[0] == '@') {
      if (arg.size() == 1) {
        steps.push_back(Malformed(CommandStep::kNoListFile, arg));
        break;
      }
      steps.push_back({CommandStep::kLoadList, arg.substr(1), {}});
      continue;
    }
    if (i + 1 == args.size()) {
      steps.push_back(Malformed(CommandStep::kNoHostName, arg));
      break;
    }
    if (std::optional<CommandStep::Problem> problem =
            HostNameProblem(args[i + 1])) {
      steps.push_back(Malformed(*problem, args[i + 1]));
      break;
    }
    steps.push_back({CommandStep::kAddPair, arg, args[i + 1]});
    ++i;
  }
  return steps;
}

std::optional<int> ParseTimeout(std::string_view word) {
  constexpr int kDay = 24 * 60 * 60;
  if (word.empty() || word.size() > 5 ||
      word.find_first_not_of("0123456789") != std::string_view::npos) {
    return std::nullopt;
  }
  int seconds = 0;
  for (char c : word) seconds = seconds * 10 + (c - '0');
  if (seconds < 1 || seconds > kDay) return std::nullopt;
  return seconds;
}

}  // namespace quorvane
