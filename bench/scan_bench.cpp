// Micro-benchmarks of the update and restore scans on the benchmark file
// (500,000 lines, 21.8 MB; see hosts_maker.h). The argument is the number of
// pairs: the first N of the shuffled list, each matching one managed line, with
// nas (near the end of the file) always among them.
//
//   scan_bench [--benchmark_filter=REGEX]
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "hosts/restore_hosts.h"
#include "hosts/update_hosts.h"
#include "hosts_maker.h"

namespace quorvane {
namespace {

const BenchInput& Input() {
  static const BenchInput* input = [] {
    auto* made = new BenchInput;
    if (!MakeBenchInput(500000, 1000, made)) abort();
    return made;
  }();
  return *input;
}

// The same file with every name of a pair, and a name on every other line,
// starting with "ad": the skip finds a place that may start a name on
// every line.
const std::string& SharedStartHosts() {
  static const std::string* hosts = [] {
    auto* made = new std::string;
    std::string_view rest = Input().hosts;
    for (size_t lf; (lf = rest.find('\n')) != rest.npos;) {
      std::string_view line = rest.substr(0, lf + 1);
      rest.remove_prefix(lf + 1);
      if (line.starts_with("0.0.0.0 ")) {
        *made += "0.0.0.0 ads.";
        line.remove_prefix(8);
      } else if (size_t tab = line.find('\t'); tab != line.npos) {
        *made += line.substr(0, tab + 1);
        *made += "ad";
        line.remove_prefix(tab + 1);
      }
      *made += line;
    }
    return made;
  }();
  return *hosts;
}

// The numeric domains stand for their addresses, as a lookup would give.
std::vector<Pin> Pins(size_t count) {
  const auto& pairs = Input().pairs;
  std::vector<Pin> pins = {{"192.0.2.7", "nas"}};
  for (size_t i = 0; pins.size() < count && i < pairs.size(); ++i) {
    if (pairs[i].second != "nas")
      pins.push_back({pairs[i].first, pairs[i].second});
  }
  return pins;
}

template <LinesChanged (*Scan)(HostsFile*, const std::vector<Pin>&)>
void Update(benchmark::State& state) {
  const std::vector<Pin> pins = Pins(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    HostsFile hosts(Input().hosts);
    state.ResumeTiming();
    LinesChanged changed = Scan(&hosts, pins);
    benchmark::DoNotOptimize(changed.count);
  }
  state.SetBytesProcessed(state.iterations() * Input().hosts.size());
}

void SharedStart(benchmark::State& state) {
  std::vector<Pin> pins = Pins(state.range(0));
  for (Pin& pin : pins) pin.name = "ad" + pin.name;
  for (auto _ : state) {
    state.PauseTiming();
    HostsFile hosts(SharedStartHosts());
    state.ResumeTiming();
    LinesChanged changed = UpdateLines(&hosts, pins);
    benchmark::DoNotOptimize(changed.count);
  }
  state.SetBytesProcessed(state.iterations() * SharedStartHosts().size());
}

template <LinesChanged (*Scan)(HostsFile*)>
void Restore(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    HostsFile hosts(Input().hosts);
    state.ResumeTiming();
    LinesChanged changed = Scan(&hosts);
    benchmark::DoNotOptimize(changed.count);
  }
  state.SetBytesProcessed(state.iterations() * Input().hosts.size());
}

BENCHMARK(Update<UpdateLines>)
    ->Name("UpdateLines")
    ->Arg(1)
    ->Arg(10)
    ->Arg(100)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(SharedStart)
    ->Name("UpdateLines/names starting alike")
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(Restore<RestoreLines>)
    ->Name("RestoreLines")
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quorvane

BENCHMARK_MAIN();
