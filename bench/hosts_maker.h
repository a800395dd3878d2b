// The benchmark input: a blocklist-sized hosts file and the pairs that
// match its managed lines, the same on every run and every system.
//
// The file has `lines` lines ending in CR LF, about 43.6 bytes each on
// average (500,000 lines make 21.8 MB, the size of a popular ad-blocking
// file): a short header, then "0.0.0.0 DOMAIN" lines, with `managed` active
// managed lines spread evenly among them. The managed lines are for
// host0000, host0001, ... at 172.16.X.Y, except the last, which is for nas
// at 192.0.2.1 and sits near the end of the file, so that a run for nas has
// to read nearly all of it. No other line holds any of these host names.
//
// The pairs are one per managed line, with the numeric domain 10.0.X.Y (so
// every pair changes its line), in shuffled order.
#ifndef QUORVANE_BENCH_HOSTS_MAKER_H_
#define QUORVANE_BENCH_HOSTS_MAKER_H_

#include <string>
#include <utility>
#include <vector>

namespace quorvane {

struct BenchInput {
  std::string hosts;
  std::vector<std::pair<std::string, std::string>> pairs;  // domain, name
};

// False when `lines` leaves no room for the header and `managed` (at least
// one) managed lines.
bool MakeBenchInput(long lines, int managed, BenchInput* input);

}  // namespace quorvane

#endif  // QUORVANE_BENCH_HOSTS_MAKER_H_
