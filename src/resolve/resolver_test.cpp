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

// A lookup that takes a while, answers "a.N" with 192.0.2.N, hangs for
// seconds on "hang.N" (a DNS server that never answers) and fails anything
// else with kHostNotFound, and records how many run at once.
bool SlowLookup(const std::string& domain, Family family, std::string* address,
                int* error) {
  int now = ++g_in_flight;
  for (int most = g_most_in_flight;
       now > most && !g_most_in_flight.compare_exchange_weak(most, now);) {
  }
  bool hangs = domain.rfind("hang.", 0) == 0;
  std::this_thread::sleep_for(std::chrono::milliseconds(hangs ? 5000 : 20));
  --g_in_flight;
  if (domain.rfind("a.", 0) != 0) {
    *error = kHostNotFound;
    return false;
  }
  *address =
      (family == Family::kIPv4 ? "192.0.2." : "2001:db8::") + domain.substr(2);
  return true;
}

TEST(ResolverTest, LooksUpAllAtOnceAndKeepsTheListOrder) {
  for (size_t count : {size_t{0}, size_t{1}, size_t{8}, size_t{100}}) {
    g_most_in_flight = 0;
    std::vector<Query> domains;
    for (size_t i = 0; i < count; ++i) {
      domains.push_back(
          {i % 7 == 3 ? "dead" + std::to_string(i) : "a." + std::to_string(i),
           i % 2 ? Family::kIPv6 : Family::kIPv4});
    }
    const auto start = std::chrono::steady_clock::now();
    std::vector<Lookup> found =
        LookUpAll(domains, SlowLookup, start + std::chrono::seconds(30));
    auto took = std::chrono::steady_clock::now() - start;
    ASSERT_EQ(found.size(), count);
    for (size_t i = 0; i < count; ++i) {
      bool dead = i % 7 == 3;
      EXPECT_EQ(found[i].ok, !dead) << i;
      EXPECT_EQ(
          found[i].address,
          dead ? "" : (i % 2 ? "2001:db8::" : "192.0.2.") + std::to_string(i));
      EXPECT_EQ(found[i].error, dead ? kHostNotFound : 0);
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

// A lookup that never answers is given up at the deadline, with every
// other answer kept: no DNS server can hold a run.
TEST(ResolverTest, TheDeadlineEndsHungLookups) {
  const std::vector<Query> queries = {{"a.1", Family::kIPv4},
                                      {"hang.2", Family::kIPv4},
                                      {"a.3", Family::kIPv6}};
  const auto start = std::chrono::steady_clock::now();
  std::vector<Lookup> found =
      LookUpAll(queries, SlowLookup, start + std::chrono::milliseconds(300));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  ASSERT_EQ(found.size(), 3u);
  EXPECT_EQ(found[0].address, "192.0.2.1");
  EXPECT_FALSE(found[1].ok);
  EXPECT_EQ(found[1].error, kTimedOut);
  EXPECT_EQ(found[2].address, "2001:db8::3");
}

// Which answers a pair is applied with: one family suffices only when the
// other has no address at all; any other failure keeps the pair's lines.
TEST(ResolverTest, PairFailure) {
  const Lookup ok{true, "x", 0}, none{false, "", kNoData},
      late{false, "", kTryAgain};
  const auto v4 = Family::kIPv4, v6 = Family::kIPv6;
  const std::pair<PairLookups, std::optional<int>> cases[] = {
      {{{v4, ok}}, std::nullopt},
      {{{v6, none}}, kNoData},
      {{{v4, ok}, {v6, none}}, std::nullopt},
      {{{v4, none}, {v6, ok}}, std::nullopt},
      {{{v4, none}, {v6, none}}, kNoData},
      {{{v4, ok}, {v6, late}}, kTryAgain},
      {{{v4, none}, {v6, late}}, kTryAgain},
      {{{v4, {false, "", kHostNotFound}}, {v6, late}}, kHostNotFound},
      {{{v4, {false, "", kHostNotFound}}, {v6, ok}}, std::nullopt},
      {{{v4, ok}, {v6, {false, "", kTimedOut}}}, kTimedOut},
  };
  for (const auto& [lookups, failure] : cases) {
    EXPECT_EQ(PairFailure(lookups), failure) << lookups.size();
  }
  // A literal address is asked in its own family alone.
  const std::pair<std::string, Families> asked[] = {
      {"192.0.2.1", {true, false}},      {"2001:DB8::7", {false, true}},
      {"::ffff:1.2.3.4", {false, true}}, {"dead.beef", {true, true}},
      {"ab:cd.example", {true, true}},
  };
  for (const auto& [domain, families] : asked) {
    EXPECT_EQ(FamiliesAsked({domain, "n", {true, true}}), families) << domain;
  }
}

// The text of an address is the one every reader and inet_ntop would give.
TEST(ResolverTest, Ipv6Text) {
  const std::pair<std::vector<unsigned>, std::string> cases[] = {
      {{0, 0, 0, 0, 0, 0, 0, 0}, "::"},
      {{0, 0, 0, 0, 0, 0, 0, 1}, "::1"},
      {{0x2001, 0xdb8, 0, 0, 0, 0, 0, 7}, "2001:db8::7"},
      {{0x2001, 0xdb8, 0, 1, 1, 1, 1, 1}, "2001:db8:0:1:1:1:1:1"},
      {{0x2001, 0, 0, 1, 0, 0, 0, 1}, "2001:0:0:1::1"},
      {{0x2001, 0xdb8, 0, 0, 1, 0, 0, 1}, "2001:db8::1:0:0:1"},
      {{0xfe80, 0, 0, 0, 0, 0, 0, 0}, "fe80::"},
      {{0xABCD, 0xEF01, 0x23, 0x4567, 0x89AB, 0, 0xCDEF, 0x1000},
       "abcd:ef01:23:4567:89ab:0:cdef:1000"},
      {{0, 0, 0, 0, 0, 0xffff, 0xc000, 0x0201}, "::ffff:192.0.2.1"},
      {{0, 0, 0, 0, 0, 0, 0xc000, 0x0201}, "::192.0.2.1"},
      {{0, 0, 0, 0, 1, 0xffff, 0xc000, 0x0201}, "::1:ffff:c000:201"},
  };
  for (const auto& [words, text] : cases) {
    unsigned char bytes[16];
    for (int i = 0; i < 8; ++i) {
      bytes[2 * i] = words[i] >> 8;
      bytes[2 * i + 1] = words[i] & 0xff;
    }
    EXPECT_EQ(Ipv6Text(bytes), text);
  }
}

}  // namespace
}  // namespace quorvane
