#pragma once

// The arithmetic and text of the benchmark table, kept apart from the
// measuring so that it can be tested without starting processes.
#include <nlohmann/json.hpp>

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

// Whole runs of one program. hyperfine gives each run's wall time but only
// the mean CPU time of a call, so cpuMs has one entry per hyperfine call.
struct ProgramSamples {
    std::vector<double> wallMs, cpuMs, rssMiB;
};

// The runs of the command named `command` (hyperfine's --command-name) in
// hyperfine --export-json outputs, merged. Throws std::runtime_error when an
// output lacks it: a row without its measurement would read as a real figure.
ProgramSamples hyperfineSamples(const std::vector<nlohmann::json>& exports, const std::string& command);
// The other command of a comparison with `baseline`, as hyperfine names it.
std::string otherCommand(const nlohmann::json& hyperfineExport, const std::string& baseline);

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

// One --benchmark_format=json output of handlers_bench or solver_bench, named
// by where it ran ("CPU 0"); the name may be empty when there is only one.
struct HandlerRun {
    std::string label;
    nlohmann::json results;
};

// One row per benchmark: the median of one call in each run against the
// benchmark's own target, or why there is no figure.
std::vector<Row> handlerRows(const std::vector<HandlerRun>& runs);

// A Markdown table, the columns padded to a common width so that it also
// reads well in a terminal.
std::string markdownTable(const std::vector<Row>& rows);

}  // namespace bench
