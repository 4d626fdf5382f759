#include "bench/report.h"

#include <gtest/gtest.h>

#include <ostream>
#include <stdexcept>

namespace bench {
namespace {

using nlohmann::json;

struct SpreadCase {
    const char* name;
    std::vector<double> samples;
    Spread expected;
};

void PrintTo(const SpreadCase& row, std::ostream* out) { *out << row.name; }

class SpreadOf : public testing::TestWithParam<SpreadCase> {};

TEST_P(SpreadOf, SortsBeforeTakingTheMiddle) {
    const Spread spread = spreadOf(GetParam().samples);
    EXPECT_DOUBLE_EQ(spread.median, GetParam().expected.median);
    EXPECT_DOUBLE_EQ(spread.min, GetParam().expected.min);
    EXPECT_DOUBLE_EQ(spread.max, GetParam().expected.max);
}

INSTANTIATE_TEST_SUITE_P(Samples, SpreadOf,
                         testing::Values(SpreadCase{"single", {7}, {7, 7, 7}},
                                         SpreadCase{"oddUnsorted", {30, 10, 20}, {20, 10, 30}},
                                         SpreadCase{"evenAveragesTheMiddlePair", {4, 1, 3, 2}, {2.5, 1, 4}},
                                         SpreadCase{"outlierLeavesMedian", {10, 11, 12, 900, 9}, {11, 9, 900}}),
                         [](const auto& info) { return info.param.name; });

TEST(SpreadOfNothing, Throws) { EXPECT_THROW(spreadOf({}), std::invalid_argument); }

// What Google Benchmark 1.7 writes with --benchmark_format=json for
// handlers_bench, shortened: runs, then aggregates, user counters beside
// the standard fields.
const json handlersJson = json::parse(R"({"context": {}, "benchmarks": [
    {"name": "czestChange/manual_time", "run_name": "czestChange/manual_time", "run_type": "iteration",
     "call_median_us": 40.25, "labels_painted": 23, "target_us": 100},
    {"name": "czestChange/manual_time_median", "run_name": "czestChange/manual_time", "run_type": "aggregate",
     "call_median_us": 40.5, "events_median_us": 20.26, "labels_painted": 23, "slot_median_us": 19.71,
     "target_us": 100},
    {"name": "Edit1Change/manual_time_median", "run_name": "Edit1Change/manual_time",
     "call_median_us": 50, "labels_painted": 1, "target_us": 50},
    {"name": "TrackBar1Change/manual_time", "run_name": "TrackBar1Change/manual_time",
     "error_occurred": true, "error_message": "no label was repainted after the call"},
    {"name": "czestTextsInBareQLabels/manual_time_median", "run_name": "czestTextsInBareQLabels/manual_time",
     "call_median_us": 170, "labels_painted": 12, "target_us": 0}]})");

TEST(BenchmarkRows, MedianAgainstTargetFailuresNamedFloorsWithoutVerdict) {
    const std::vector<Row> rows = benchmarkRows({{"", handlersJson}});
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].metric, "czestChange, median of one call, 23 labels repainted");
    EXPECT_EQ(rows[0].avrtimer, "40.5 µs (slot 19.7, queued events 20.3)");
    EXPECT_EQ(rows[0].target, "target < 100 µs");
    EXPECT_EQ(rows[0].verdict, "met");
    // A median equal to the target misses it: the target is strict. Without
    // the parts' medians the figure stands alone.
    EXPECT_EQ(rows[1].metric, "Edit1Change, median of one call, 1 label repainted");
    EXPECT_EQ(rows[1].avrtimer, "50.0 µs");
    EXPECT_EQ(rows[1].verdict, "MISSED");
    EXPECT_EQ(rows[2].avrtimer, "failed: no label was repainted after the call");
    EXPECT_EQ(rows[2].verdict, "FAILED");
    EXPECT_EQ(rows[3].target, "floor, no target");
    EXPECT_EQ(rows[3].verdict, "—");
}

TEST(BenchmarkRows, EveryRunMustMeetTheTarget) {
    // A second processor where czestChange is slow and Edit1Change never ran.
    const json slower = json::parse(R"({"benchmarks": [{"name": "czestChange/manual_time_median",
        "run_name": "czestChange/manual_time", "call_median_us": 140, "labels_painted": 23, "target_us": 100}]})");
    const std::vector<Row> rows = benchmarkRows({{"CPU 0", handlersJson}, {"CPU 1", slower}});
    EXPECT_EQ(rows[0].avrtimer, "CPU 0: 40.5 µs (slot 19.7, queued events 20.3); CPU 1: 140.0 µs");
    EXPECT_EQ(rows[0].verdict, "MISSED");
    EXPECT_EQ(rows[1].avrtimer, "CPU 0: 50.0 µs; CPU 1: no figure");
    EXPECT_EQ(rows[1].verdict, "FAILED");
}

TEST(ParseBenchmarkJson, BareNotANumberReadAsNull) {
    const json parsed = parseBenchmarkJson(R"({"a": NaN, "b": -Infinity, "c": 1.5, "d": "NaN"})");
    EXPECT_TRUE(parsed["a"].is_null());
    EXPECT_TRUE(parsed["b"].is_null());
    EXPECT_EQ(parsed["c"], 1.5);
    EXPECT_EQ(parsed["d"], "NaN");
}

TEST(BenchmarkRows, EmptyOutputIsAFailureNotAnEmptyTable) {
    const std::vector<Row> rows = benchmarkRows({{"", json::object()}});
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].verdict, "FAILED");
}

// One round of hyperfine --export-json: each command's wall times in
// seconds and its mean CPU time.
json round(std::vector<std::pair<std::string, std::vector<double>>> commands) {
    json results = json::array();
    for (const auto& [name, times] : commands)
        results.push_back({{"command", name}, {"times", times}, {"user", times.front() / 2}, {"system", 0.0}});
    return {{"results", results}};
}

struct StartupCase {
    const char* name;
    double appWallMs, appRssMiB;
    const char* wallVerdict;
    const char* rssVerdict;
};

void PrintTo(const StartupCase& row, std::ostream* out) { *out << row.name; }

class StartupRows : public testing::TestWithParam<StartupCase> {};

// The bare window's medians are 100 ms and 30 MiB; the limits are
// inclusive. The rounds are merged before the median is taken.
TEST_P(StartupRows, VerdictsAtTheLimits) {
    const double app = GetParam().appWallMs / 1e3;
    const std::vector<json> rounds{round({{"avrtimer", {app, 0.001}}, {"bare_window", {0.1, 0.09}}}),
                                   round({{"bare_window", {0.3}}, {"avrtimer", {1.0}}})};
    const json rss = {{"avrtimer", {GetParam().appRssMiB, 1.0, 100.0}}, {"bare_window", {30.0, 30.0, 31.0}}};
    const std::vector<Row> rows = startupRows(rounds, rss, "offscreen, CPU 1");
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].metric, "start-up, exec to exit, offscreen, CPU 1, 3 runs");
    EXPECT_EQ(rows[0].verdict, GetParam().wallVerdict);
    EXPECT_EQ(rows[2].verdict, GetParam().rssVerdict);
}

INSTANTIATE_TEST_SUITE_P(Limits, StartupRows,
                         testing::Values(StartupCase{"atBoth", 120, 40, "met", "met"},
                                         StartupCase{"justOverBoth", 120.5, 40.5, "MISSED", "MISSED"},
                                         StartupCase{"fasterAndSmaller", 50, 20, "met", "met"}),
                         [](const auto& info) { return info.param.name; });

TEST(StartupRowsText, RatiosDifferenceAndFloor) {
    const std::vector<json> rounds{
        round({{"avrtimer", {0.150, 0.149, 0.151}}, {"bare_window", {0.1, 0.1, 0.1}}, {"label_window", {0.11}}})};
    const json rss = {{"avrtimer", {42.3}}, {"bare_window", {30.0}}};
    const std::vector<Row> rows = startupRows(rounds, rss, "xcb");
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].avrtimer, "150.0 ms (min 149.0, max 151.0)");
    EXPECT_EQ(rows[0].target, "ratio 1.50 (target ≤ 1.20)");
    EXPECT_EQ(rows[1].target, "ratio 1.50");
    EXPECT_EQ(rows[2].target, "+12.3 MiB (target ≤ +10 MiB)");
    EXPECT_EQ(rows[3].metric, "start-up of the bare window with one label (floor), xcb, 1 runs");
    EXPECT_EQ(rows[3].target, "ratio 1.10");
    EXPECT_EQ(rows[3].verdict, "—");
}

TEST(StartupRowsText, AProgramMissingFromARoundThrows) {
    const json rss = {{"avrtimer", {42.3}}, {"bare_window", {30.0}}};
    EXPECT_THROW(startupRows({round({{"avrtimer", {0.1}}, {"bare_window", {0.1}}}), round({{"bare_window", {0.1}}})},
                             rss, "xcb"),
                 std::runtime_error);
    EXPECT_THROW(startupRows({round({{"avrtimer", {0.1}}, {"bare_window", {0.1}}})}, {{"avrtimer", {1.0}}}, "xcb"),
                 std::runtime_error);
}

TEST(CommandRow, TheOtherCommandAgainstTheMinimalProgram) {
    const Row row = commandRow({round({{"minimal", {0.001}}, {"avrtimer-calc solve", {0.0025}}}),
                                round({{"avrtimer-calc solve", {0.0019}}, {"minimal", {0.001}}})},
                               "CPU 0");
    EXPECT_EQ(row.metric, "avrtimer-calc solve, exec to exit, against a minimal C++ program, CPU 0, 2 runs");
    EXPECT_EQ(row.target, "ratio 2.20 (target ≤ 2.00)");
    EXPECT_EQ(row.verdict, "MISSED");
}

TEST(MarkdownTable, EveryLineAsWideWithMultiByteCharacters) {
    const std::string table = markdownTable({{"x", "40.5 µs", "—", "target < 100 µs", "met"}});
    EXPECT_EQ(table,
              "| metric | avrtimer | baseline | ratio or target | verdict |\n"
              "| ------ | -------- | -------- | --------------- | ------- |\n"
              "| x      | 40.5 µs  | —        | target < 100 µs | met     |\n");
}

}  // namespace
}  // namespace bench
