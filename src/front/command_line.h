// The walk of the command line, as a plain function: the arguments become an
// ordered list of steps, which the entry then carries out one by one (so a
// list file is read at its own place among the arguments).
//
// Options come first: --check (-n), the address families (-4, -6, -46 or
// -64; several add up), --timeout SECONDS (or --timeout=SECONDS),
// --event-log, --prune, --quiet (-q), --status, --json, --hosts-file PATH,
// --on-change COMMAND and --metrics PATH (or with "=", never empty), --help
// (-h, or "/?" as the only argument),
// --version; "--" ends them. After the
// options come the pairs and list files, where an argument that starts with "-"
// in a domain's place is malformed (but not after "--").
#ifndef QUORVANE_FRONT_COMMAND_LINE_H_
#define QUORVANE_FRONT_COMMAND_LINE_H_

#include <optional>
#include <string_view>
#include <vector>

namespace quorvane {

struct CommandStep {
  enum Kind {
    kCheck,      // --check, -n: judge as a run does, write nothing
    kFamilies,   // first: a choice of families (ParseFamilies)
    kTimeout,    // first: the bound on the run's lookups (ParseTimeout)
    kHelp,       // --help, -h: the usage and the options, then exit 0
    kVersion,    // --version: the version, then exit 0
    kAddPair,    // first: the domain, second: the host name
    kLoadList,   // first: the list file path (without its "@")
    kUsage,      // first: the argument that is wrong, problem: how
    kEventLog,   // --event-log: the run's report also goes to the event log
    kPrune,      // --prune: the pairs are the whole declared state
    kHostsFile,  // first: the file to change instead of the system's
    kOnChange,   // first: the command to run after a save that changed it
    kQuiet,      // --quiet, -q: only changes, warnings and errors
    kStatus,     // --status: what the file manages, and each pair's state
    kJson,       // --json: --status and --check as one JSON document
    kMetrics,    // first: the metrics file to replace after the run
  };
  // Why a command line is malformed, said before the usage text.
  enum Problem {
    kNoProblem,
    kUnknownOption,     // an option no one knows
    kOptionAfterPairs,  // an option (or a choice of families) too late
    kBadTimeout,        // --timeout without seconds from 1 to a day
    kNoListFile,        // a bare "@"
    kNoHostName,        // a domain that is the last argument
    kNotAHostName,      // not one host name to the hosts file's readers
    kSystemName,        // localhost and its kin (IsSystemName)
    kNoValue,           // --hosts-file, --on-change, --metrics: no value
  };
  Kind kind;
  std::string_view first;
  std::string_view second;
  Problem problem = kNoProblem;
};

// Walks the arguments (the program path left out). A malformed argument
// (an unknown option among the options included) ends the list with a
// kUsage step, and --help and --version end it with their own step; nothing
// after it is looked at. An argument in a host-name position is taken as it
// is, even when it starts with "-" or "@", unless it is not one host name
// to the hosts file's readers (IsHostName), is a name of the system itself
// (IsSystemName) or is a choice of families (ParseFamilies), which there is
// an option given too late.
std::vector<CommandStep> WalkCommandLine(
    const std::vector<std::string_view>& args);

// The seconds a --timeout word gives: a whole number from 1 to a day, in
// decimal digits alone; nullopt for any other word.
std::optional<int> ParseTimeout(std::string_view word);

}  // namespace quorvane

#endif  // QUORVANE_FRONT_COMMAND_LINE_H_
