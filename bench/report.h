#pragma once

// The benchmark table, made from the JSON that hyperfine, peak_rss and
// Google Benchmark write; apart from the measuring, so that it is tested
// without starting processes.
#include <nlohmann/json.hpp>

#include <string>
#include <utility>
#include <vector>

namespace bench {

struct Spread {
    double median = 0, min = 0, max = 0;
};

// Throws std::invalid_argument for no samples: a table row without a
// measurement would read as a real figure.
Spread spreadOf(std::vector<double> samples);

// JSON as Google Benchmark writes it: the coefficient of variation of a
// counter that is 0 in every repetition comes out as a bare NaN, which JSON
// lacks; such values are read as null.
nlohmann::json parseBenchmarkJson(const std::string& text);

struct Row {
    std::string metric, avrtimer, baseline, target, verdict;
};

// The calculator's start-up, CPU time and peak RSS against the bare window,
// and the bare window with one label as a floor when it was run. `rounds`
// are hyperfine --export-json outputs with the commands named avrtimer,
// bare_window and label_window, `rss` is peak_rss's output, `where` names
// the platform and processor. Throws std::runtime_error for a missing
// program.
std::vector<Row> startupRows(const std::vector<nlohmann::json>& rounds, const nlohmann::json& rss,
                             const std::string& where);
// A whole run of the command against the one named "minimal".
Row commandRow(const std::vector<nlohmann::json>& rounds, const std::string& where);
// One row per benchmark of Google Benchmark JSON outputs, each named by
// where it ran (the name may be empty): the median of one call in each run
// against the benchmark's target_us counter, or why there is no figure.
std::vector<Row> benchmarkRows(const std::vector<std::pair<std::string, nlohmann::json>>& runs);

// A Markdown table, the columns padded to a common width so that it also
// reads well in a terminal.
std::string markdownTable(const std::vector<Row>& rows);

}  // namespace bench
