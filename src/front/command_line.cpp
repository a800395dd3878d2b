#include "front/command_line.h"

#include <optional>

#include "names/ini_file.h"

namespace quorvane {

namespace {

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
    if (ParseFamilies(arg)) {
      steps.push_back({CommandStep::kFamilies, arg, {}});
      continue;
    }
    std::string_view value;
    std::optional<CommandStep::Kind> valued;
    if (OptionValue(args, &i, "--timeout", &value)) {
      valued =
          ParseTimeout(value) ? CommandStep::kTimeout : CommandStep::kUsage;
    } else if (OptionValue(args, &i, "--hosts-file", &value)) {
      valued = value.empty() ? CommandStep::kUsage : CommandStep::kHostsFile;
    } else if (OptionValue(args, &i, "--on-change", &value)) {
      valued = value.empty() ? CommandStep::kUsage : CommandStep::kOnChange;
    }
    if (valued) {
      steps.push_back({*valued, value, {}});
      if (*valued == CommandStep::kUsage) return steps;
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
