#pragma once

#include "cli/options.h"
#include "cli/solve_command.h"
#include "solver/timeline.h"

#include <iosfwd>
#include <optional>
#include <string>

namespace cli {

// Exactly one of svg and json is given.
struct DiagramOptions {
    SolveOptions query;
    Given<int> pick{"1", 1};
    int duty = 50;
    int periods = 2;
    std::optional<std::string> svg;  // a file, or "-" for standard output
    bool json = false;
};

// The timeline of a row of solve's ranking (solver/timeline.h), drawn as
// SVG or printed as JSON. exitOk, or exitNoResult when no row is within
// --max-error (the nearest is drawn); InputError for what the options
// cannot ask and for a file that cannot be written.
int runDiagram(const DiagramOptions& options, std::ostream& out, std::ostream& err);

// The SVG document of a row's timeline, as --svg writes it.
std::string diagramSvg(const solver::Query& query, const solver::Row& row, const solver::Timeline& timeline);

}  // namespace cli
