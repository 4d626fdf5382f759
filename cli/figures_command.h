#pragma once

#include "cli/options.h"
#include "solver/quantity.h"

#include <iosfwd>
#include <optional>
#include <string>

namespace cli {

// The prescaler is looked up, and the clock checked against what the window
// takes, when the figures are computed.
struct FiguresOptions {
    Given<solver::Quantity> clock;
    std::string prescaler;
    std::optional<Given<solver::Quantity>> interval, frequency;
    std::optional<Given<int>> registerValue, ocr, duty;
    bool json = false;
};

// exitOk when every figure was computed, exitNoResult when one ended in the
// window's error report (printed in its place), InputError for bad options.
int runFigures(const FiguresOptions& options, std::ostream& out);

}  // namespace cli
