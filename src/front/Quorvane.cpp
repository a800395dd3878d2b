// The entry: reads the options, chooses the mode, gathers the pairs of the
// command line and its list files, and owns the exit status: 0 after a
// completed run (a check or a status look: every pair is current), 1 after
// a failure (a check: a run would change the file), 2 after any failure of
// a check. The layers below return their failures; only this file reports
// them and exits. Given --event-log, a run that completes sends its event
// here; a failure sends its own. Given --metrics, the file is replaced
// after every run that got past the command line, failed or not.
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "front/arguments.h"
#include "front/command_line.h"
#include "front/metrics.h"
#include "front/on_change.h"
#include "front/pair_states.h"
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
#include "store/small_file.h"

namespace quorvane {
namespace {

Message UsageProblem(const CommandStep& step) {
  const FormatArg word = PathArg(step.first);
  switch (step.problem) {
    case CommandStep::kOptionAfterPairs:
      return Format(kUsageOptionAfterPairs, {word});
    case CommandStep::kBadTimeout:
      return Format(kUsageBadTimeout, {word});
    case CommandStep::kNoListFile:
      return Format(kUsageNoListFile, {});
    case CommandStep::kNoHostName:
      return Format(kUsageNoHostName, {word});
    case CommandStep::kNotAHostName:
      return Format(kUsageNotAHostName, {word});
    case CommandStep::kSystemName:
      return Format(kUsageSystemName, {word});
    case CommandStep::kNoValue:
      return Format(kUsageNoValue, {word});
    default:
      return Format(kUsageUnknownOption, {word});
  }
}

}  // namespace
}  // namespace quorvane

namespace quorvane {
namespace {

// What the command line asks for, once its list files are read.
struct Request {
  IniFile ini_file;
  UpdateOptions options;
  bool pairs_given = false;
  bool families_given = false;
  int timeout = kDefaultTimeoutSeconds;
  std::vector<std::string> lists;
  std::string hosts_path = HostsPath();
  std::optional<std::string> on_change;
  std::optional<std::string> metrics;
  bool json = false;
  bool quiet = false;
};

// Carries out the command line's steps up to the run itself: options,
// pairs and list files (a list's failure, the usage, --help and --version
// end the process here).
Request ReadCommandLine(const std::vector<std::string_view>& args) {
  Request request;
  IniFile& ini_file = request.ini_file;
  for (const CommandStep& step : WalkCommandLine(args)) {
    switch (step.kind) {
      case CommandStep::kCheck:
      case CommandStep::kStatus:  // both write nothing; a status says more
        if (request.options.writing != Writing::kStatus) {
          request.options.writing = step.kind == CommandStep::kStatus
                                        ? Writing::kStatus
                                        : Writing::kCheck;
        }
        SetFailureStatus(2);
        break;
      case CommandStep::kFamilies: {
        // The first choice replaces the IPv4 default; "-4 -6" is both.
        Families chosen = *ParseFamilies(step.first);
        ini_file.families =
            request.families_given ? ini_file.families.With(chosen) : chosen;
        request.families_given = true;
        break;
      }
      case CommandStep::kTimeout:
        request.timeout = *ParseTimeout(step.first);
        break;
      case CommandStep::kHostsFile:
        request.hosts_path = step.first;
        break;
      case CommandStep::kOnChange:
        request.on_change = std::string(step.first);
        break;
      case CommandStep::kHelp:
        Help();
        std::exit(0);
      case CommandStep::kVersion:
        Version();
        std::exit(0);
      case CommandStep::kAddPair: {
        request.pairs_given = true;
        std::optional<std::string> domain = PairWord(step.first),
                                   name = PairWord(step.second);
        if (!domain || !name) {
          Usage(Format(kUsageNotInCodePage,
                       {PathArg(domain ? step.second : step.first)}));
        }
        ini_file.Add(*domain, *name);
        break;
      }
      case CommandStep::kLoadList:
        request.pairs_given = true;
        request.lists.emplace_back(step.first);
        if (std::optional<Failure> failure =
                ini_file.Load(request.lists.back())) {
          FatalError(*failure);
        }
        break;
      case CommandStep::kEventLog:
        StartEventLog();
        break;
      case CommandStep::kPrune:
        request.options.prune = true;
        break;
      case CommandStep::kQuiet:
        SetQuiet(true);
        request.quiet = true;
        break;
      case CommandStep::kJson:
        // The document stands alone on standard output, for a parser.
        request.json = true;
        SetQuiet(true);
        break;
      case CommandStep::kMetrics:
        request.metrics = std::string(step.first);
        break;
      case CommandStep::kUsage:
        Usage(UsageProblem(step));
    }
  }
  return request;
}

}  // namespace
}  // namespace quorvane

namespace quorvane {
namespace {

// A check's and a status look's account of the pairs, as lines or as one
// JSON document. Quiet, only the pairs a run would change, and the dead.
void PrintStates(const Request& request, const ScanReport& report,
                 int changed) {
  const std::vector<Pair>& pairs = request.ini_file.pairs;
  const Writing writing = request.options.writing;
  std::vector<StateRow> rows = StateRows(pairs, request.pairs_given, report);
  if (request.json) {
    WriteOut(Raw(StateJson(request.hosts_path, pairs, rows)));
    return;
  }
  if (writing == Writing::kCheck && !request.pairs_given) {
    // A restore's check: what the restore would do.
    WriteChangeLines(report.changes);
  } else {
    if (request.quiet) {
      std::erase_if(rows, [](const StateRow& row) {
        return row.state == StateRow::kCurrent ||
               row.state == StateRow::kNoPairs ||
               (row.state == StateRow::kNotInList && !row.changes);
      });
    }
    WriteOut(StateLines(pairs, rows));
  }
  if (writing == Writing::kCheck) {
    WriteProgress(
        Format(changed == 1 ? kLineWouldChange : kLinesWouldChange, {changed}));
  }
}

// Replaces the --metrics file; a failure is a warning, and the file's age
// tells the monitor.
void WriteMetrics(const Request& request, const ScanReport& report,
                  RunFacts facts) {
  facts.last_success = LastSuccessIn(ReadSmallFile(*request.metrics));
  std::vector<StateRow> rows =
      StateRows(request.ini_file.pairs, request.pairs_given, report);
  std::string text = MetricsText(request.ini_file.pairs, rows, facts);
  if (int error = ReplaceSmallFile(*request.metrics, text)) {
    WriteErr(Format(kCannotWriteMetrics, {PathArg(*request.metrics), error}));
  }
}

}  // namespace
}  // namespace quorvane

int main(int argc, char** argv) {
  using namespace quorvane;
  const auto started = std::chrono::steady_clock::now();
  const double started_at = static_cast<double>(std::time(nullptr));
  InitConsole();
  SetLanguage(UserLanguage());
  Request request = ReadCommandLine(Arguments(argc, argv));
  UpdateOptions& options = request.options;
  // The bound counts from the start: list files were read by now.
  options.deadline = started + std::chrono::seconds(request.timeout);
  const bool looking = options.writing != Writing::kSave;
  ScanReport report;
  if (looking || request.metrics) options.report = &report;
  RunOutcome outcome;
  if (!request.pairs_given) {
    // A family without pairs is a list gone missing, not a restore.
    if (request.families_given) {
      Usage(Format(kUsageFamiliesWithoutPairs, {}));
    }
    outcome = RestoreHosts(request.hosts_path, options.writing, options.report);
  } else if (request.ini_file.Count() == 0) {
    // Lists without pairs: with --prune, the declared state of no pins.
    if (!options.prune) Usage(Format(kUsageNoPairs, {}));
    for (const std::string& list : request.lists) {
      WriteProgress(Format(kNoPairsIn, {PathArg(list)}));
    }
    outcome = RestoreHosts(request.hosts_path, options.writing, options.report);
  } else {
    const std::vector<Pair>& pairs = request.ini_file.pairs;
    for (auto [first, second] : ConflictingPairs(pairs)) {
      WriteErr(Format(kNameGivenTwice,
                      {pairs[second].name, pairs[first].domain,
                       pairs[second].domain, pairs[second].domain}));
    }
    outcome = UpdateHosts(request.ini_file, request.hosts_path, options);
  }
  if (request.on_change && outcome.saved) {
    if (std::optional<Failure> failed =
            RunOnChange(*request.on_change, request.hosts_path, outcome.changed,
                        options.deadline)) {
      // After error 238 the saved pairs still need their reload: both say.
      if (!outcome.failure) {
        outcome.failure = failed;
      } else {
        outcome.failure->text += Raw("\n");
        outcome.failure->text += failed->text;
      }
    }
  }
  if (looking && report.read) PrintStates(request, report, outcome.changed);
  if (request.metrics) {
    RunFacts facts;
    facts.started = started_at;
    facts.duration = std::chrono::duration<double>(
                         std::chrono::steady_clock::now() - started)
                         .count();
    facts.lines_changed = outcome.changed;
    facts.succeeded = !outcome.failure;
    facts.saved = outcome.saved;
    WriteMetrics(request, report, facts);
  }
  if (outcome.failure) FatalError(*outcome.failure);
  ReportRun(0);
  if (options.writing == Writing::kStatus && !request.pairs_given) return 0;
  return looking && outcome.changed != 0 ? 1 : 0;
}
