#pragma once

#include <CLI/CLI.hpp>

#include <iosfwd>
#include <string>

namespace cli {

struct SolveOptions {
    std::string clock, interval, frequency, pwmFrequency, timer, mode, crystal, maxError;
    std::string limit = "10";
    bool json = false;
};

void addSolveCommand(CLI::App& app, SolveOptions& options);
// 0 with results, 1 when none is within --max-error (the nearest is
// printed), InputError for what the options cannot ask.
int runSolve(const SolveOptions& options, std::ostream& out, std::ostream& err);

}  // namespace cli
