// Micro-benchmarks of the update and restore scans on the benchmark file
// (500,000 lines, 21.8 MB; see hosts_maker.h). The argument is the number of
// pairs: the first N of the shuffled list, each matching one managed line, with
// nas (near the end of the file) always among them.
//
//   scan_bench [--benchmark_filter=REGEX]
#include <benchmark/benchmark.h>

#include <cstdlib>
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
BENCHMARK(Restore<RestoreLines>)
    ->Name("RestoreLines")
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quorvane

BENCHMARK_MAIN();
