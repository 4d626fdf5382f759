#pragma once

#include <iosfwd>
#include <string>

namespace cli {

struct FiguresOptions {
    std::string clock, prescaler, interval, registerValue, ocr, frequency, duty;
    bool json = false;
};

// 0 when every figure was computed, 1 when one ended in the window's error
// report (printed in its place), InputError for bad options.
int runFigures(const FiguresOptions& options, std::ostream& out);

}  // namespace cli
