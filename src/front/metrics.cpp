#include "front/metrics.h"

#include <cstdio>
#include <cstdlib>

#include "resolve/resolver.h"

namespace quorvane {

namespace {

constexpr std::string_view kLastSuccess =
    "quorvane_last_success_timestamp_seconds ";

// A label value: backslash, double quote and line feed escaped.
std::string Label(std::string_view value) {
  std::string out;
  for (char c : value) {
    if (c == '\\' || c == '"') out += '\\';
    out += c == '\n' ? std::string("\\n") : std::string(1, c);
  }
  return out;
}

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", value);
  return text;
}

void Header(std::string* out, std::string_view name, std::string_view help) {
  *out += "# HELP " + std::string(name) + " " + std::string(help) + "\n";
  *out += "# TYPE " + std::string(name) + " gauge\n";
}

}  // namespace

std::string MetricsText(const std::vector<Pair>& pairs,
                        const std::vector<StateRow>& rows,
                        const RunFacts& facts) {
  std::string current, failed;
  for (const StateRow& row : rows) {
    if (!row.pair) continue;
    const Pair& pair = pairs[*row.pair];
    const Families families = FamiliesAsked(pair);
    bool is_current = row.state == StateRow::kCurrent ||
                      (row.state == StateRow::kStale && facts.saved);
    for (auto [family, word] :
         {std::pair{Family::kIPv4, "ipv4"}, std::pair{Family::kIPv6, "ipv6"}}) {
      if (!families.Has(family)) continue;
      std::string labels = "{name=\"" + Label(pair.name) + "\",domain=\"" +
                           Label(pair.domain) + "\",family=\"" + word + "\"} ";
      current +=
          "quorvane_pair_current" + labels + (is_current ? "1\n" : "0\n");
      failed += "quorvane_pair_failed" + labels +
                (row.state == StateRow::kDead ? "1\n" : "0\n");
    }
  }
  std::string out;
  Header(&out, "quorvane_pair_current",
         "Whether the pair's line maps its domain's current address.");
  out += current;
  Header(&out, "quorvane_pair_failed", "Whether the pair's domain failed.");
  out += failed;
  Header(&out, "quorvane_last_run_timestamp_seconds", "When the run started.");
  out += "quorvane_last_run_timestamp_seconds " + Number(facts.started) + "\n";
  std::optional<double> success = facts.succeeded
                                      ? std::optional<double>(facts.started)
                                      : facts.last_success;
  if (success) {
    Header(&out, "quorvane_last_success_timestamp_seconds",
           "When the last run that succeeded started.");
    out += std::string(kLastSuccess) + Number(*success) + "\n";
  }
  Header(&out, "quorvane_run_duration_seconds", "How long the run took.");
  out += "quorvane_run_duration_seconds " + Number(facts.duration) + "\n";
  Header(&out, "quorvane_lines_changed",
         "Lines the run changed, or a check found it would change.");
  out += "quorvane_lines_changed " + std::to_string(facts.lines_changed) + "\n";
  return out;
}

std::optional<double> LastSuccessIn(std::string_view text) {
  for (size_t at = 0; at < text.size();) {
    size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(at, end - at);
    if (line.substr(0, kLastSuccess.size()) == kLastSuccess) {
      std::string value(line.substr(kLastSuccess.size()));
      char* rest = nullptr;
      double seconds = std::strtod(value.c_str(), &rest);
      if (rest != value.c_str() && *rest == '\0') return seconds;
    }
    at = end + 1;
  }
  return std::nullopt;
}

}  // namespace quorvane
