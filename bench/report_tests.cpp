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

// What Google Benchmark 1.7 writes with --benchmark_out_format=csv for
// handlers_bench: context lines, then quoted names, user counters last.
const std::string handlersCsv =
    "2024-01-01T00:00:00+00:00\r\n"
    "Running build/handlers_bench\r\n"
    "name,iterations,real_time,cpu_time,time_unit,bytes_per_second,items_per_second,label,"
    "error_occurred,error_message,\"call_median_us\",\"events_median_us\",\"labels_painted\","
    "\"slot_median_us\",\"target_us\"\r\n"
    "\"czestChange/manual_time\",1000,41.5,41.2,us,,,,,,40.25,20,23,20,100\r\n"
    "\"czestChange/manual_time_median\",5,41.5,41.2,us,,,,,,40.5,20.26,23,19.71,100\r\n"
    "\"Edit1Change/manual_time_median\",5,61.0,60.0,us,,,,,,50,,1,,50\r\n"
    "\"TrackBar1Change/manual_time\",0,0,0,us,,,,true,\"no label was repainted, after the call\",,,,,\r\n"
    "\"TrackBar1Change/manual_time\",0,0,0,us,,,,true,\"no label was repainted, after the call\",,,,,\r\n";

struct CellCase {
    const char* name;
    const char* row;
    const char* column;
    std::optional<double> expected;
};

void PrintTo(const CellCase& row, std::ostream* out) { *out << row.name; }

class CsvValue : public testing::TestWithParam<CellCase> {};

TEST_P(CsvValue, FindsTheCellByRowAndHeading) {
    EXPECT_EQ(csvValue(handlersCsv, GetParam().row, GetParam().column), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cells, CsvValue,
    testing::Values(CellCase{"firstRowOfThatName", "czestChange/manual_time", "call_median_us", 40.25},
                    CellCase{"aggregateRow", "czestChange/manual_time_median", "call_median_us", 40.5},
                    CellCase{"quotedHeadingOfACounter", "Edit1Change/manual_time_median", "target_us", 50},
                    CellCase{"lastColumnBeforeCarriageReturn", "czestChange/manual_time", "target_us", 100},
                    CellCase{"emptyCellIsNoNumber", "TrackBar1Change/manual_time", "call_median_us", std::nullopt},
                    CellCase{"textIsNoNumber", "czestChange/manual_time", "time_unit", std::nullopt},
                    CellCase{"missingRow", "ocrChange/manual_time_median", "target_us", std::nullopt},
                    CellCase{"missingColumn", "czestChange/manual_time", "items", std::nullopt}),
    [](const auto& info) { return info.param.name; });

TEST(CsvCell, KeepsCommasInsideQuotes) {
    EXPECT_EQ(csvCell(handlersCsv, "TrackBar1Change/manual_time", "error_message"),
              "no label was repainted, after the call");
}

TEST(CsvRowNames, InOrderEachOnceWithoutTheContext) {
    EXPECT_EQ(csvRowNames(handlersCsv),
              (std::vector<std::string>{"czestChange/manual_time", "czestChange/manual_time_median",
                                        "Edit1Change/manual_time_median", "TrackBar1Change/manual_time"}));
}

TEST(CsvRowNames, NoneWithoutHeader) { EXPECT_TRUE(csvRowNames("Running x\nBM_a,1,2\n").empty()); }

TEST(HandlerRows, MedianAgainstTargetAndFailuresNamed) {
    const std::vector<Row> rows = handlerRows({{"", handlersCsv}});
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
    EXPECT_EQ(rows[2].avrtimer, "failed: no label was repainted, after the call");
    EXPECT_EQ(rows[2].verdict, "FAILED");
}

// The same handlers measured on a second processor, where czestChange is
// slow and Edit1Change was never run.
const std::string slowerCsv =
    "name,iterations,real_time,cpu_time,time_unit,bytes_per_second,items_per_second,label,"
    "error_occurred,error_message,\"call_median_us\",\"labels_painted\",\"target_us\"\n"
    "\"czestChange/manual_time_median\",5,141.5,141.2,us,,,,,,140,23,100\n";

TEST(HandlerRows, EveryRunMustMeetTheTarget) {
    const std::vector<Row> rows = handlerRows({{"CPU 0", handlersCsv}, {"CPU 1", slowerCsv}});
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].avrtimer, "CPU 0: 40.5 µs (slot 19.7, queued events 20.3); CPU 1: 140.0 µs");
    EXPECT_EQ(rows[0].verdict, "MISSED");
    EXPECT_EQ(rows[1].avrtimer, "CPU 0: 50.0 µs; CPU 1: no figure");
    EXPECT_EQ(rows[1].verdict, "FAILED");
}

TEST(HandlerRows, AFloorHasNoVerdict) {
    const std::string floorCsv =
        "name,iterations,real_time,cpu_time,time_unit,bytes_per_second,items_per_second,label,"
        "error_occurred,error_message,\"call_median_us\",\"labels_painted\",\"target_us\"\n"
        "\"czestTextsInBareQLabels/manual_time_median\",5,170,170,us,,,,,,170,12,0\n";
    const std::vector<Row> rows = handlerRows({{"", floorCsv}});
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].metric, "czestTextsInBareQLabels, median of one call, 12 labels repainted");
    EXPECT_EQ(rows[0].target, "floor, no target");
    EXPECT_EQ(rows[0].verdict, "—");
}

TEST(HandlerRows, EmptyOutputIsAFailureNotAnEmptyTable) {
    const std::vector<Row> rows = handlerRows({{"", ""}});
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].verdict, "FAILED");
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
