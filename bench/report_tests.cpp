#include "bench/report.h"

#include <gtest/gtest.h>

#include <ostream>
#include <stdexcept>

namespace bench {
namespace {

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
// handlers_bench, shortened: each run, then its aggregates, user counters
// beside the standard fields.
const nlohmann::json handlersJson = nlohmann::json::parse(R"({
  "context": {"executable": "build/handlers_bench"},
  "benchmarks": [
    {"name": "czestChange/manual_time", "run_name": "czestChange/manual_time", "run_type": "iteration",
     "real_time": 41.5, "time_unit": "us", "call_median_us": 40.25, "labels_painted": 23, "target_us": 100},
    {"name": "czestChange/manual_time_median", "run_name": "czestChange/manual_time", "run_type": "aggregate",
     "aggregate_name": "median", "call_median_us": 40.5, "events_median_us": 20.26, "labels_painted": 23,
     "slot_median_us": 19.71, "target_us": 100},
    {"name": "Edit1Change/manual_time_median", "run_name": "Edit1Change/manual_time", "run_type": "aggregate",
     "aggregate_name": "median", "call_median_us": 50, "labels_painted": 1, "target_us": 50},
    {"name": "TrackBar1Change/manual_time", "run_name": "TrackBar1Change/manual_time", "run_type": "iteration",
     "error_occurred": true, "error_message": "no label was repainted after the call"}
  ]
})");

TEST(HandlerRows, MedianAgainstTargetAndFailuresNamed) {
    const std::vector<Row> rows = handlerRows({{"", handlersJson}});
    ASSERT_EQ(rows.size(), 3u);
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
}

// The same handlers measured on a second processor, where czestChange is
// slow and Edit1Change was never run.
const nlohmann::json slowerJson = nlohmann::json::parse(R"({"benchmarks": [
    {"name": "czestChange/manual_time_median", "run_name": "czestChange/manual_time",
     "call_median_us": 140, "labels_painted": 23, "target_us": 100}]})");

TEST(HandlerRows, EveryRunMustMeetTheTarget) {
    const std::vector<Row> rows = handlerRows({{"CPU 0", handlersJson}, {"CPU 1", slowerJson}});
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].avrtimer, "CPU 0: 40.5 µs (slot 19.7, queued events 20.3); CPU 1: 140.0 µs");
    EXPECT_EQ(rows[0].verdict, "MISSED");
    EXPECT_EQ(rows[1].avrtimer, "CPU 0: 50.0 µs; CPU 1: no figure");
    EXPECT_EQ(rows[1].verdict, "FAILED");
}

TEST(HandlerRows, AFloorHasNoVerdict) {
    const nlohmann::json floorJson = nlohmann::json::parse(R"({"benchmarks": [
        {"name": "czestTextsInBareQLabels/manual_time_median", "run_name": "czestTextsInBareQLabels/manual_time",
         "call_median_us": 170, "labels_painted": 12, "target_us": 0}]})");
    const std::vector<Row> rows = handlerRows({{"", floorJson}});
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].metric, "czestTextsInBareQLabels, median of one call, 12 labels repainted");
    EXPECT_EQ(rows[0].target, "floor, no target");
    EXPECT_EQ(rows[0].verdict, "—");
}

TEST(HandlerRows, EmptyOutputIsAFailureNotAnEmptyTable) {
    const std::vector<Row> rows = handlerRows({{"", nlohmann::json::object()}});
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].verdict, "FAILED");
}

// Two rounds of hyperfine --export-json, shortened: wall times per run, CPU
// times as means of the round.
const nlohmann::json round1 = nlohmann::json::parse(R"({"results": [
    {"command": "avrtimer", "times": [0.050, 0.052], "user": 0.030, "system": 0.010},
    {"command": "bare_window", "times": [0.040, 0.041], "user": 0.020, "system": 0.005}]})");
const nlohmann::json round2 = nlohmann::json::parse(R"({"results": [
    {"command": "bare_window", "times": [0.042], "user": 0.021, "system": 0.004},
    {"command": "avrtimer", "times": [0.054], "user": 0.031, "system": 0.009}]})");

TEST(HyperfineSamples, RoundsMergedByCommandName) {
    const ProgramSamples app = hyperfineSamples({round1, round2}, "avrtimer");
    EXPECT_EQ(app.wallMs, (std::vector<double>{50, 52, 54}));
    ASSERT_EQ(app.cpuMs.size(), 2u);
    EXPECT_DOUBLE_EQ(app.cpuMs[1], 40);
    EXPECT_EQ(hyperfineSamples({round1, round2}, "bare_window").wallMs, (std::vector<double>{40, 41, 42}));
}

TEST(HyperfineSamples, ARoundWithoutTheCommandThrows) {
    const nlohmann::json other = nlohmann::json::parse(R"({"results": [{"command": "bare_window", "times": [0.04],
        "user": 0.02, "system": 0}]})");
    EXPECT_THROW(hyperfineSamples({round1, other}, "avrtimer"), std::runtime_error);
    EXPECT_EQ(otherCommand(round2, "bare_window"), "avrtimer");
    EXPECT_THROW(otherCommand(other, "bare_window"), std::runtime_error);
}

struct StartupCase {
    const char* name;
    double appWallMs, appRssMiB;
    const char* wallVerdict;
    const char* rssVerdict;
};

void PrintTo(const StartupCase& row, std::ostream* out) { *out << row.name; }

class StartupRows : public testing::TestWithParam<StartupCase> {};

// The bare window's medians are 100 ms and 30 MiB; the limits are inclusive.
TEST_P(StartupRows, VerdictsAtTheLimits) {
    const ProgramSamples bare{{100, 90, 300}, {10, 10, 10}, {30, 30, 31}};
    const ProgramSamples app{{GetParam().appWallMs, 1, 1000}, {20, 20, 20}, {GetParam().appRssMiB, 1, 100}};
    const std::vector<Row> rows = startupRows(app, bare, "offscreen");
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].metric, "start-up, exec to exit, offscreen, 3 runs");
    EXPECT_EQ(rows[0].verdict, GetParam().wallVerdict);
    EXPECT_EQ(rows[1].target, "ratio 2.00");
    EXPECT_EQ(rows[2].verdict, GetParam().rssVerdict);
}

INSTANTIATE_TEST_SUITE_P(Limits, StartupRows,
                         testing::Values(StartupCase{"atBoth", 120, 40, "met", "met"},
                                         StartupCase{"justOverBoth", 120.5, 40.5, "MISSED", "MISSED"},
                                         StartupCase{"fasterAndSmaller", 50, 20, "met", "met"}),
                         [](const auto& info) { return info.param.name; });

TEST(StartupRowsText, RatioAndDifferenceOfMedians) {
    const ProgramSamples bare{{100, 100, 100}, {10, 10, 10}, {30, 30, 30}};
    const ProgramSamples app{{150, 149, 151}, {10, 10, 10}, {42.3, 42.3, 42.3}};
    const std::vector<Row> rows = startupRows(app, bare, "xcb");
    EXPECT_EQ(rows[0].avrtimer, "150.0 ms (min 149.0, max 151.0)");
    EXPECT_EQ(rows[0].target, "ratio 1.50 (target ≤ 1.20)");
    EXPECT_EQ(rows[2].target, "+12.3 MiB (target ≤ +10 MiB)");
}

TEST(StartupFloorRow, RatioWithoutVerdict) {
    const ProgramSamples bare{{100, 100, 100}, {10, 10, 10}, {30, 30, 30}};
    const ProgramSamples floor{{108, 110, 112}, {11, 11, 11}, {31, 31, 31}};
    const Row row = startupFloorRow(floor, bare, "offscreen");
    EXPECT_EQ(row.metric, "start-up of the bare window with one label (floor), offscreen, 3 runs");
    EXPECT_EQ(row.avrtimer, "110.0 ms (min 108.0, max 112.0)");
    EXPECT_EQ(row.target, "ratio 1.10");
    EXPECT_EQ(row.verdict, "—");
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
