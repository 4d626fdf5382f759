#pragma once

// The arithmetic and text of the benchmark table, kept apart from the
// measuring so that it can be tested without starting processes.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace bench {

struct Spread {
    double median = 0;
    double min = 0;
    double max = 0;
};

// Throws std::invalid_argument for no samples: a table row without a
// measurement would read as a real figure.
Spread spreadOf(std::vector<double> samples);

// Fixed-point text with a '.' whatever the user's locale.
std::string fixed(double value, int decimals);

// "61.2 ms (min 58.0, max 70.4)"
std::string spreadText(const Spread& spread, std::string_view unit, int decimals);

// Google Benchmark's CSV output: the names of its rows in order, each once.
std::vector<std::string> csvRowNames(std::string_view csv);
// The cell of the first row named `row` in the column headed `column`;
// empty when either is missing.
std::optional<std::string> csvCell(std::string_view csv, std::string_view row, std::string_view column);
// The same cell as a number; empty also when it is not one.
std::optional<double> csvValue(std::string_view csv, std::string_view row, std::string_view column);

struct Row {
    std::string metric;
    std::string avrtimer;
    std::string bare;  // the baseline: the bare window, or the minimal program
    std::string target;
    std::string verdict;
};

std::string verdict(bool met);

constexpr double startupRatioTarget = 1.2;
constexpr double extraRssTargetMiB = 10;
constexpr double commandRatioTarget = 2.0;

// Whole runs of one program, one entry per run.
struct ProgramSamples {
    std::vector<double> wallMs, cpuMs, rssMiB;
};

// Start-up time, its CPU time and peak RSS of the calculator against the
// bare window, each with the median's ratio or difference and its verdict.
// `where` names the platform, and the processor if the runs were pinned.
std::vector<Row> startupRows(const ProgramSamples& app, const ProgramSamples& bare, const std::string& where);
// The start-up of a floor program (the bare window with one label) against
// the bare window: a ratio to read the calculator's against, without verdict.
Row startupFloorRow(const ProgramSamples& floor, const ProgramSamples& bare, const std::string& where);

// A whole avrtimer-calc run (`what` shows its command) against a minimal
// C++ program that only prints a line.
Row commandRow(const ProgramSamples& command, const ProgramSamples& minimal, const std::string& what,
               const std::string& where);

// One CSV output of handlers_bench or solver_bench, named by where it ran ("CPU 0"); the
// name may be empty when there is only one.
struct HandlerRun {
    std::string label;
    std::string csv;
};

// One row per benchmark: the median of one call in each run against the
// benchmark's own target, or why there is no figure.
std::vector<Row> handlerRows(const std::vector<HandlerRun>& runs);

// A Markdown table, the columns padded to a common width so that it also
// reads well in a terminal.
std::string markdownTable(const std::vector<Row>& rows);

}  // namespace bench
