#include "resolve/resolver.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace quorvane {
namespace {

std::atomic<int> g_in_flight{0};
std::atomic<int> g_most_in_flight{0};

// A lookup that takes a while, answers "a.N" with 192.0.2.N and fails
// anything else with 11001, and records how many run at once.
bool SlowLookup(const std::string& domain, std::string* address, int* error) {
  int now = ++g_in_flight;
  for (int most = g_most_in_flight;
       now > most && !g_most_in_flight.compare_exchange_weak(most, now);) {
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  --g_in_flight;
  if (domain.rfind("a.", 0) != 0) {
    *error = 11001;
    return false;
  }
  *address = "192.0.2." + domain.substr(2);
  return true;
}

TEST(ResolverTest, LooksUpAllAtOnceAndKeepsTheListOrder) {
  for (size_t count : {size_t{0}, size_t{1}, size_t{8}, size_t{100}}) {
    g_most_in_flight = 0;
    std::vector<std::string> domains;
    for (size_t i = 0; i < count; ++i) {
      domains.push_back(i % 7 == 3 ? "dead" + std::to_string(i)
                                   : "a." + std::to_string(i));
    }
    auto start = std::chrono::steady_clock::now();
    std::vector<Lookup> found = LookUpAll(domains, SlowLookup);
    auto took = std::chrono::steady_clock::now() - start;
    ASSERT_EQ(found.size(), count);
    for (size_t i = 0; i < count; ++i) {
      bool dead = i % 7 == 3;
      EXPECT_EQ(found[i].ok, !dead) << i;
      EXPECT_EQ(found[i].address, dead ? "" : "192.0.2." + std::to_string(i));
      EXPECT_EQ(found[i].error, dead ? 11001 : 0);
    }
    // Bounded, and about one answer's time per kLookupsInFlight domains.
    EXPECT_LE(g_most_in_flight, static_cast<int>(kLookupsInFlight));
    if (count >= 8) {
      EXPECT_GT(g_most_in_flight, 1) << count;
    }
    size_t rounds = (count + kLookupsInFlight - 1) / kLookupsInFlight;
    EXPECT_LT(took, std::chrono::milliseconds(20 * rounds + 400)) << count;
  }
}

}  // namespace
}  // namespace quorvane
