#pragma once

#include "cli/options.h"
#include "solver/search.h"

#include <gmpxx.h>

#include <iosfwd>
#include <optional>
#include <string>

namespace cli {

// Exactly one of interval, frequency and pwmFrequency is given.
struct SolveOptions {
    const avr::Chip* chip = avr::findChip(avr::defaultChip);
    Given<mpq_class> clock;
    std::optional<Given<mpq_class>> interval, frequency, pwmFrequency, crystal, maxError;
    std::optional<Given<int>> timer;
    std::optional<Given<avr::Mode>> mode;
    int limit = 10;
    bool json = false;
};

// What solve and code share: the query of the options, and its ranking,
// InputError for what they cannot ask.
solver::Query queryOf(const SolveOptions& options);
solver::Ranking rankingOf(const SolveOptions& options, const solver::Query& query);
// The rows within --max-error, or all.
// How many of the first rows, at most atMost, are within --max-error: a
// ranking is found only as far as it is read.
std::size_t rowsWithin(const SolveOptions& options, const solver::Ranking& ranking, std::size_t atMost);
// The message of exitNoResult.
std::string noneWithin(const SolveOptions& options, const solver::Row& nearest);
// exitOk with results, exitNoResult when none is within --max-error (the
// nearest is printed), InputError for what the options cannot ask.
int runSolve(const SolveOptions& options, std::ostream& out, std::ostream& err);

}  // namespace cli
