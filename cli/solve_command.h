#pragma once

#include "cli/options.h"
#include "solver/search.h"

#include <gmpxx.h>
#include <nlohmann/json_fwd.hpp>

#include <array>
#include <cstddef>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

// "0, 1, 2": the numbers of the chip's timers.
std::string timerNumbers(const avr::Chip& chip);

// Exactly one of interval, frequency and pwmFrequency is given.
struct SolveOptions {
    const avr::Chip* chip = avr::findChip(avr::defaultChip);
    Given<mpq_class> clock;
    std::optional<Given<mpq_class>> interval, frequency, pwmFrequency, crystal, pll, maxError;
    std::optional<Given<int>> timer;
    std::optional<Given<avr::Mode>> mode;
    std::optional<Given<avr::Top>> top;
    int limit = 10;
    bool json = false;
    bool wide = false;  // the table as wide as it is, not fitted to the terminal
    // The width to fit the table in; when not given, the terminal's, if
    // standard output is one.
    std::optional<std::size_t> width;
};

// A row of the ranking and the twins ranked right after it, shown as one.
using Shown = std::vector<solver::Row>;

// What solve and code share: the query of the options, and its ranking,
// InputError for what they cannot ask.
solver::Query queryOf(const SolveOptions& options);
solver::Ranking rankingOf(const SolveOptions& options, const solver::Query& query);
// The row --pick names among those shown within --max-error, twins counted
// once, or the nearest when none is; InputError beyond them.
struct PickedRow {
    solver::Row row;
    bool withinMaxError = false;
};
PickedRow pickedRow(const SolveOptions& options, const solver::Ranking& ranking, const Given<int>& pick);
// The message of exitNoResult.
std::string noneWithin(const SolveOptions& options, const solver::Row& nearest);
// exitOk with results, exitNoResult when none is within --max-error (the
// nearest is printed), InputError for what the options cannot ask.
int runSolve(const SolveOptions& options, std::ostream& out, std::ostream& err);

// Pieces of solve's JSON, for the commands that print its rows too: a value
// with its unit, the query, and a row of the ranking.
nlohmann::ordered_json valueJson(const mpq_class& value, solver::Goal goal);
nlohmann::ordered_json queryJson(const SolveOptions& options, const solver::Query& query);
nlohmann::ordered_json resultJson(std::size_t rank, const Shown& shown, solver::Goal goal);

// The columns of the terminal out writes to, when it is standard output on
// a terminal: COLUMNS, else the terminal's own size.
std::optional<std::size_t> terminalWidth(const std::ostream& out);

}  // namespace cli
