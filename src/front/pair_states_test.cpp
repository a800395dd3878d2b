// The account of pairs that --check, --status, --json and --metrics give,
// over a run's report: which pair a changed line makes stale, and how the
// rows are written for people, scripts and the metrics collector.
#include "front/pair_states.h"

#include <gtest/gtest.h>

#include "front/metrics.h"
#include "report/language.h"

namespace quorvane {
namespace {

// nas follows a.test in IPv4 and b.test in IPv6; the run would change only
// its IPv6 line. box is managed and named by no pair; x.test is dead.
struct Fixture {
  std::vector<Pair> pairs = {{"a.test", "nas", {true, false}},
                             {"b.test", "NAS", {false, true}},
                             {"x.test", "x", {true, false}}};
  ScanReport report;
  Fixture() {
    report.managed = {{"nas", {{"10.0.0.1", true}, {"2001:db8::1", true}}, 1},
                      {"box", {{"10.0.0.9", false}}, 0}};
    report.pins = {{"10.0.0.1", "nas", 0}, {"2001:db8::2", "NAS", 1}};
    report.failed = {{2, "x.test", 11001, {true, false}}};
    report.changes = {
        {LineChange::kChanged, "NAS", "2001:db8::1", "2001:db8::2"}};
  }
};

TEST(PairStatesTest, ALineMakesStaleOnlyThePairOfItsFamily) {
  Fixture f;
  SetLanguage(Language::kEnglish);
  std::vector<StateRow> rows = StateRows(f.pairs, true, f.report);
  EXPECT_EQ(StateLines(f.pairs, rows).Bytes(),
            "nas: 10.0.0.1 IPv4 active, 2001:db8::1 IPv6 active, 1 kept line;"
            " a.test: current\n"
            "NAS: 10.0.0.1 IPv4 active, 2001:db8::1 IPv6 active, 1 kept line;"
            " b.test: stale (2001:db8::1 -> 2001:db8::2)\n"
            "box: 10.0.0.9 IPv4 disabled; not in the list\n"
            "x: no line; x.test: dead ([11001] No such domain.)\n");
  // Without pairs, the file's names alone.
  EXPECT_EQ(StateLines({}, StateRows({}, false, f.report)).Bytes(),
            "nas: 10.0.0.1 IPv4 active, 2001:db8::1 IPv6 active, 1 kept line\n"
            "box: 10.0.0.9 IPv4 disabled\n");
}

TEST(PairStatesTest, ScriptsAndCollectorsGetEscapedText) {
  EXPECT_EQ(JsonString("a\"b\\c\n\x83z"), "\"a\\\"b\\\\c\\u000a\\u0083z\"");
  // UTF-8 characters pass; a cut one, an overlong one and a surrogate not.
  EXPECT_EQ(JsonString("\xe6\x97\xa5\xe6\x97 \xc0\xaf \xed\xa0\x80"),
            "\"\xe6\x97\xa5\\u00e6\\u0097 \\u00c0\\u00af "
            "\\u00ed\\u00a0\\u0080\"");
  Fixture f;
  f.pairs[2].domain = "x\"\\";
  RunFacts facts;
  facts.started = 100;
  facts.last_success = 50;
  std::string text =
      MetricsText(f.pairs, StateRows(f.pairs, true, f.report), facts);
  EXPECT_NE(text.find("quorvane_pair_current{name=\"nas\",domain=\"a.test\","
                      "family=\"ipv4\"} 1\n"),
            std::string::npos);
  EXPECT_NE(text.find("quorvane_pair_failed{name=\"x\",domain=\"x\\\"\\\\\","
                      "family=\"ipv4\"} 1\n"),
            std::string::npos);
  // A failed run keeps the last success it found; a later run reads it.
  EXPECT_EQ(LastSuccessIn(text), 50.0);
  facts.succeeded = true;
  EXPECT_EQ(LastSuccessIn(MetricsText(f.pairs, {}, facts)), 100.0);
  EXPECT_EQ(LastSuccessIn("quorvane_last_success_timestamp_seconds x\n"),
            std::nullopt);
}

}  // namespace
}  // namespace quorvane
