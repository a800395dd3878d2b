// The --metrics file: the run's account in the text format of Prometheus'
// node_exporter textfile collector, for an administrator who watches many
// machines. Per pair and family, whether its line is current and whether
// its domain failed; per run, when it ran, when it last succeeded, how long
// it took and how many lines it changed. The text is a plain function; the
// entry replaces the file whole after each run (small_file.h).
#ifndef QUORVANE_FRONT_METRICS_H_
#define QUORVANE_FRONT_METRICS_H_

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "front/pair_states.h"

namespace quorvane {

struct RunFacts {
  double started = 0;   // seconds since 1970
  double duration = 0;  // seconds
  int lines_changed = 0;
  bool succeeded = false;
  bool saved = false;  // the changed lines are on disk
  // The last success before this run, from the file this run replaces.
  std::optional<double> last_success;
};

// The metrics text for `rows` (pairs' rows: StateRows).
std::string MetricsText(const std::vector<Pair>& pairs,
                        const std::vector<StateRow>& rows,
                        const RunFacts& facts);

// The last success a metrics file's text records, if any.
std::optional<double> LastSuccessIn(std::string_view text);

}  // namespace quorvane

#endif  // QUORVANE_FRONT_METRICS_H_
