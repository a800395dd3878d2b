#include "front/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace quorvane {
namespace {

// Renders the steps compactly: "check", "ipCHOICE", "timeoutSECONDS",
// "help", "version", "+domain=name", "@path", "usage", "event", "prune",
// "filePATH", "hookCOMMAND", "quiet", "status", "json", "metricsPATH" (in
// the order of CommandStep::Kind).
std::string Walk(std::vector<std::string_view> args) {
  static const char* const kWords[] = {
      "check", "ip",     "timeout", "help",   "version", "+",
      "@",     "usage",  "event",   "prune",  "file",    "hook",
      "quiet", "status", "json",    "metrics"};
  std::string out;
  for (const CommandStep& step : WalkCommandLine(args)) {
    if (!out.empty()) out += ' ';
    out += kWords[step.kind];
    if (step.kind == CommandStep::kAddPair) {
      out += std::string(step.first) + "=" + std::string(step.second);
    } else if (step.kind == CommandStep::kLoadList ||
               step.kind == CommandStep::kFamilies ||
               step.kind == CommandStep::kTimeout ||
               step.kind == CommandStep::kHostsFile ||
               step.kind == CommandStep::kOnChange ||
               step.kind == CommandStep::kMetrics) {
      out += step.first;
    }
  }
  return out;
}

TEST(CommandLineTest, Walks) {
  const std::pair<std::vector<std::string_view>, std::string> cases[] = {
      // Pairs and list files keep their order.
      {{"ddns.example.net", "nas"}, "+ddns.example.net=nas"},
      {{"a", "x", "@l1", "b", "y", "@l1"}, "+a=x @l1 +b=y @l1"},
      {{"@@x"}, "@@x"},
      // The host name's position is not examined for options or lists.
      {{"a", "-h"}, "+a=-h"},
      {{"a", "@"}, "+a=@"},
      // Malformed: what came before is kept, nothing after is looked at.
      {{"@"}, "usage"},
      {{"a"}, "usage"},
      {{"a", "x", "@l", "-v", "b", "y"}, "+a=x @l usage"},
      // Options come before the pairs; help and version end the walk; an
      // unknown one is malformed; "--" ends them, and what follows is a
      // pair even when it starts with "-".
      {{"--check", "a", "x"}, "check +a=x"},
      {{"-n", "--event-log", "@l"}, "check event @l"},
      {{"--prune", "@l", "--prune"}, "prune @l usage"},
      {{"-q", "--quiet", "a", "x"}, "quiet quiet +a=x"},
      {{"--status", "--json", "--metrics", "m", "a", "x", "--json"},
       "status json metricsm +a=x usage"},
      {{"--metrics=", "--status"}, "usage"},
      {{"-n", "--help", "a"}, "check help"},
      {{"-h", "-x"}, "help"},
      {{"/?"}, "help"},
      {{"/?", "x"}, "+/?=x"},
      {{"--version", "a"}, "version"},
      {{"-n", "-x", "a", "b"}, "check usage"},
      {{"--check=yes"}, "usage"},
      {{"-4", "-6", "-n", "-46", "-64", "a", "x"},
       "ip-4 ip-6 check ip-46 ip-64 +a=x"},
      {{"-6", "-5", "a", "x"}, "ip-6 usage"},
      {{"--timeout", "5", "--timeout=86400", "a", "x"},
       "timeout5 timeout86400 +a=x"},
      {{"--timeout", "x", "a", "b"}, "usage"},
      {{"--timeout=0"}, "usage"},
      {{"--timeout", "86401"}, "usage"},
      {{"--timeout"}, "usage"},
      {{"--timeout5"}, "usage"},
      // A file and a command, either spelling; never empty.
      {{"--hosts-file", "-x", "--on-change=kill -HUP 1", "-n"},
       "file-x hookkill -HUP 1 check"},
      {{"--hosts-file=", "a", "x"}, "usage"},
      {{"--on-change"}, "usage"},
      {{"a", "x", "-6", "b", "y"}, "+a=x usage"},
      {{"a", "-46"}, "usage"},
      {{"-"}, "usage"},
      {{"a", "x", "--check"}, "+a=x usage"},
      {{"--", "-a", "x"}, "+-a=x"},
      {{"-n", "--", "--check", "x", "-b", "y"}, "check +--check=x +-b=y"},
      {{"--", "--"}, "usage"},
      {{"a", "b", "c"}, "+a=b usage"},
      // Host names that no reader of the hosts file takes as that one name:
      // empty, two names, a control byte, a comment.
      {{"a", ""}, "usage"},
      {{"a", "x", "b", "nas box"}, "+a=x usage"},
      {{"a", "na\ts"}, "usage"},
      {{"a", "na\rs"}, "usage"},
      {{"a", "na\x7fs"}, "usage"},
      {{"a", "#nas"}, "usage"},
      {{"a", "nas#1"}, "usage"},
      {{"a", "n\xe3\x81\x82s"}, "+a=n\xe3\x81\x82s"},
  };
  for (const auto& [args, steps] : cases) EXPECT_EQ(Walk(args), steps);
}

}  // namespace
}  // namespace quorvane
