#pragma once

// avrtimer-calc, the command line, where a newcomer starts reading.
//
//   solve    the settings search (solver/): which timer, mode, prescaler and
//            register value give an interval or frequency, as a table or
//            JSON (solve_command.cpp)
//   code     C for avr-libc that sets up a row of solve's ranking
//            (solver/setupcode.h) (code_command.cpp)
//   diagram  the timing diagram of a row: the counter, the pins and the
//            interrupts over time (solver/timeline.h), as SVG (svg.cpp) or
//            JSON (diagram_command.cpp)
//   explain  register contents decoded back into what the timer does
//            (solver/explain.h) (explain_command.cpp)
//   figures  the main window's figures for a clock and prescaler, computed
//            by the window's own core (calc/figures.h) (figures_command.cpp)
//
// CLI11 parses the options, all declared in cli.cpp, the only file that
// includes it (it is slow to compile): each option's validator reads its
// text once into the typed value the commands take. {fmt} lays out the
// text, nlohmann-json writes --json. Bad input is one line on stderr that
// names the option, quotes what was given and shows an accepted value, with
// exitBadInput; nothing here throws past run().

#include <iosfwd>

namespace cli {

// Exit statuses.
constexpr int exitOk = 0;
constexpr int exitNoResult = 1;  // solve, code: nothing within --max-error; figures: a figure failed
constexpr int exitBadInput = 2;
constexpr int exitInternalError = 3;  // an exception nothing else caught: a fault of avrtimer-calc

// argv[0] first, as main receives them.
int run(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace cli
