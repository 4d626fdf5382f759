#include "cli/cli.h"

#include "cli/code_command.h"
#include "cli/explain_command.h"
#include "cli/figures_command.h"
#include "cli/options.h"
#include "cli/solve_command.h"

#include <CLI/CLI.hpp>
#include <fmt/format.h>

#include <exception>
#include <ostream>
#include <string>

namespace cli {
namespace {

constexpr std::string_view version = "avrtimer-calc 1.0.0";

// CLI11's own complaints (a missing option, an unknown one) get the usage
// that would have been accepted.
std::string withExample(const CLI::ParseError& error, const CLI::App& app) {
    const std::string message = error.what();
    if (message.find("; for example") != std::string::npos)
        return message;
    for (const CLI::App* sub : app.get_subcommands())
        if (sub->get_name() == "figures")
            return message + "; for example: avrtimer-calc figures --clock 16MHz --prescaler 64 --interval 1ms";
    return message + "; for example: avrtimer-calc solve --clock 16MHz --interval 1ms";
}

// The command as typed, the program by its name alone, for the setup
// code's comment.
std::string commandLine(int argc, const char* const* argv) {
    std::string text = "avrtimer-calc";
    for (int i = 1; i < argc; ++i) {
        const std::string_view word = argv[i];
        text += word.find(' ') == std::string_view::npos ? fmt::format(" {}", word) : fmt::format(" '{}'", word);
    }
    return text;
}

}  // namespace

int run(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    CLI::App app{"Timer settings for the 8-bit timers of AVR microcontrollers, computed exactly.", "avrtimer-calc"};
    app.set_version_flag("--version", std::string(version));
    app.set_help_all_flag("--help-all", "Print the help of every subcommand");
    app.require_subcommand(1);
    app.footer(
        "Quantities: a number with '.' or ',' as the decimal point and an optional exponent, then a unit:\n"
        "Hz, kHz, MHz; s, ms, us. A bare number is in hertz or seconds: 16MHz, 16 MHz, 3,6864MHz, 16e6,\n"
        "32768, 1ms, 250us.\n\n"
        "Exit status: 0 done; 1 no setting within --max-error (the nearest is printed), or a figure the\n"
        "window reports as an error; 2 bad input, explained in one line on stderr.\n\n"
        "Examples:\n"
        "  avrtimer-calc solve --clock 16MHz --interval 1ms\n\n"
        "  avrtimer-calc solve --clock 16MHz --frequency 38kHz --json\n\n"
        "  avrtimer-calc code --clock 16MHz --interval 1ms\n\n"
        "  avrtimer-calc explain --clock 16MHz TCCR0A=0x02 TCCR0B=0x03 OCR0A=249 TIMSK0=0x02\n\n"
        "  avrtimer-calc figures --clock 16MHz --prescaler 64 --interval 1ms\n\n"
        "See 'avrtimer-calc COMMAND --help' for solve, code, explain and figures.");
    SolveOptions solveOptions;
    CodeOptions codeOptions;
    ExplainOptions explainOptions;
    FiguresOptions figuresOptions;
    addSolveCommand(app, solveOptions);
    addCodeCommand(app, codeOptions);
    addExplainCommand(app, explainOptions);
    addFiguresCommand(app, figuresOptions);
    try {
        app.parse(argc, argv);
        if (app.got_subcommand("solve"))
            return runSolve(solveOptions, out, err);
        if (app.got_subcommand("code"))
            return runCode(codeOptions, commandLine(argc, argv), out, err);
        if (app.got_subcommand("explain"))
            return runExplain(explainOptions, out);
        return runFigures(figuresOptions, out);
    } catch (const CLI::Success& helpOrVersion) {
        return app.exit(helpOrVersion, out, err);
    } catch (const CLI::ParseError& error) {
        err << "avrtimer-calc: " << withExample(error, app) << "\n";
    } catch (const InputError& error) {
        err << "avrtimer-calc: " << error.what() << "\n";
    }
    return exitBadInput;
}

}  // namespace cli
