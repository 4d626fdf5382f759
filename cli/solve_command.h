#pragma once

#include "solver/search.h"

#include <iosfwd>
#include <string>

namespace cli {

struct SolveOptions {
    std::string mcu{avr::defaultChip};
    std::string clock, interval, frequency, pwmFrequency, timer, mode, crystal, maxError;
    std::string limit = "10";
    bool json = false;
};


// What solve and code share: the options of the query, and the query and
// its ranking made from them, InputError for what they cannot ask.
solver::Query queryOf(const SolveOptions& options);
solver::Ranking rankingOf(const SolveOptions& options, const solver::Query& query);
// The rows within --max-error, or all.
std::size_t rowsWithin(const SolveOptions& options, const solver::Ranking& ranking);
// The message of status 1.
std::string noneWithin(const SolveOptions& options, const solver::Row& nearest);
// 0 with results, 1 when none is within --max-error (the nearest is
// printed), InputError for what the options cannot ask.
int runSolve(const SolveOptions& options, std::ostream& out, std::ostream& err);

}  // namespace cli
