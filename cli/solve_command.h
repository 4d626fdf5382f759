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

namespace cli {

// The kinds of TOP by the keywords of --top and of the JSON.
struct TopKeyword {
    avr::Top top;
    std::string_view keyword;
};
inline constexpr std::array<TopKeyword, 3> topKeywords{{
    {avr::Top::Fixed, "fixed"},
    {avr::Top::Ocr, "ocr"},
    {avr::Top::Icr, "icr"},
}};
std::string_view topKeyword(avr::Top top);

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
};

// What solve and code share: the query of the options, and its ranking,
// InputError for what they cannot ask.
solver::Query queryOf(const SolveOptions& options);
solver::Ranking rankingOf(const SolveOptions& options, const solver::Query& query);
// How many of the first rows, at most atMost, are within --max-error: a
// ranking is found only as far as it is read.
std::size_t rowsWithin(const SolveOptions& options, const solver::Ranking& ranking, std::size_t atMost);
// The row --pick names among those within --max-error, or the nearest when
// none is; InputError beyond them.
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
nlohmann::ordered_json resultJson(std::size_t rank, const solver::Row& row, solver::Goal goal);

}  // namespace cli
