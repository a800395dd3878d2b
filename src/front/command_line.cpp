#include "front/command_line.h"

#include "names/ini_file.h"

namespace quorvane {

namespace {

bool IsOption(std::string_view arg) {
  for (std::string_view valued :
       {"--timeout", "--hosts-file", "--on-change", "--metrics"}) {
    if (arg.substr(0, valued.size()) == valued) return true;
  }
  return arg == "--check" || arg == "-n" || ParseFamilies(arg) ||
         arg == "--help" || arg == "-h" || arg == "--version" ||
         arg == "--event-log" || arg == "--prune" || arg == "--quiet" ||
         arg == "-q" || arg == "--status" || arg == "--json" || arg == "--";
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

// The step of the option args[*i] (which starts with "-", and is not
// "--"), moving *i past a value it takes; a step of kHelp, kVersion or
// kUsage ends the walk.
CommandStep OptionStep(const std::vector<std::string_view>& args, size_t* i) {
  std::string_view arg = args[*i];
  if (arg == "--check" || arg == "-n") return {CommandStep::kCheck, {}, {}};
  if (arg == "--event-log") return {CommandStep::kEventLog, {}, {}};
  if (arg == "--prune") return {CommandStep::kPrune, {}, {}};
  if (arg == "--quiet" || arg == "-q") return {CommandStep::kQuiet, {}, {}};
  if (arg == "--status") return {CommandStep::kStatus, {}, {}};
  if (arg == "--json") return {CommandStep::kJson, {}, {}};
  if (ParseFamilies(arg)) return {CommandStep::kFamilies, arg, {}};
  if (arg == "--help" || arg == "-h") return {CommandStep::kHelp, {}, {}};
  if (arg == "--version") return {CommandStep::kVersion, {}, {}};
  std::string_view value;
  if (OptionValue(args, i, "--timeout", &value)) {
    return ParseTimeout(value) ? CommandStep{CommandStep::kTimeout, value, {}}
                               : Malformed(CommandStep::kBadTimeout, value);
  }
  std::optional<CommandStep::Kind> valued;
  if (OptionValue(args, i, "--hosts-file", &value)) {
    valued = CommandStep::kHostsFile;
  } else if (OptionValue(args, i, "--on-change", &value)) {
    valued = CommandStep::kOnChange;
  } else if (OptionValue(args, i, "--metrics", &value)) {
    valued = CommandStep::kMetrics;
  }
  if (!valued) return Malformed(CommandStep::kUnknownOption, arg);
  if (value.empty()) return Malformed(CommandStep::kNoValue, arg);
  return {*valued, value, {}};
}

// The step of the pair or list file at args[*i], moving *i past a pair's
// host name; a step of kUsage ends the walk.
CommandStep PairStep(const std::vector<std::string_view>& args, size_t* i,
                     bool options_ended) {
  std::string_view arg = args[*i];
  if (!options_ended && !arg.empty() && arg[0] == '-') {
    return Malformed(IsOption(arg) ? CommandStep::kOptionAfterPairs
                                   : CommandStep::kUnknownOption,
                     arg);
  }
  if (!arg.empty() && arg[0] == '@') {
    if (arg.size() == 1) return Malformed(CommandStep::kNoListFile, arg);
    return {CommandStep::kLoadList, arg.substr(1), {}};
  }
  if (*i + 1 == args.size()) return Malformed(CommandStep::kNoHostName, arg);
  std::string_view name = args[++*i];
  if (std::optional<CommandStep::Problem> problem = HostNameProblem(name)) {
    return Malformed(*problem, name);
  }
  return {CommandStep::kAddPair, arg, name};
}

}  // namespace

std::vector<CommandStep> WalkCommandLine(
    const std::vector<std::string_view>& args) {
  // Windows programs answer "/?" alone with their help; as a pair's domain
  // it would only be a usage error.
  if (args.size() == 1 && args[0] == "/?")
    return {{CommandStep::kHelp, {}, {}}};
  std::vector<CommandStep> steps;
  size_t i = 0;
  bool options_ended = false;
  for (; i < args.size() && !args[i].empty() && args[i][0] == '-'; ++i) {
    if (args[i] == "--") {
      options_ended = true;
      ++i;
      break;
    }
    steps.push_back(OptionStep(args, &i));
    CommandStep::Kind kind = steps.back().kind;
    if (kind == CommandStep::kHelp || kind == CommandStep::kVersion ||
        kind == CommandStep::kUsage) {
      return steps;
    }
  }
  for (; i < args.size(); ++i) {
    steps.push_back(PairStep(args, &i, options_ended));
    if (steps.back().kind == CommandStep::kUsage) break;
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
