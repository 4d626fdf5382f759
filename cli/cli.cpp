#include "cli/cli.h"

#include "cli/code_command.h"
#include "cli/explain_command.h"
#include "cli/figures_command.h"
#include "cli/options.h"
#include "cli/solve_command.h"

#include "avr/timers.h"
#include "solver/quantity.h"

#include <CLI/CLI.hpp>
#include <fmt/format.h>

#include <charconv>
#include <initializer_list>
#include <vector>
#include <exception>
#include <ostream>
#include <string>

namespace cli {
namespace {

using solver::Dimension;

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

// ------------------------------------------------------------ validators

CLI::Validator quantityCheck(solver::Dimension dimension, std::string_view option, std::string_view example) {
    return CLI::Validator(
        [=, option = std::string(option), example = std::string(example)](std::string& text) {
            try {
                solver::parseQuantity(text, dimension);
                return std::string();
            } catch (const solver::QuantityError& error) {
                return complaint(text, quantityProblem(error, dimension), option, example);
            }
        },
        "");
}

CLI::Validator numberCheck(std::string_view option, std::string_view example) {
    return CLI::Validator(
        [option = std::string(option), example = std::string(example)](std::string& text) {
            try {
                solver::parseNumber(text);
                return std::string();
            } catch (const solver::QuantityError&) {
                return complaint(text, "is not a plain number", option, example);
            }
        },
        "");
}

CLI::Validator wholeNumberCheck(long lowest, long highest, std::string_view option, std::string_view example) {
    return CLI::Validator(
        [=, option = std::string(option), example = std::string(example)](std::string& text) {
            long value = 0;
            const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
            if (error != std::errc() || end != text.data() + text.size() || value < lowest || value > highest)
                return complaint(text, fmt::format("is not a whole number from {} to {}", lowest, highest), option,
                                 example);
            return std::string();
        },
        "");
}

CLI::Validator chipCheck() {
    return CLI::Validator(
        [](std::string& text) {
            if (avr::findChip(text) != nullptr)
                return std::string();
            std::vector<std::string_view> names;
            for (const avr::Chip& chip : avr::chips())
                names.push_back(chip.name);
            return complaint(text, fmt::format("is not a chip avrtimer-calc knows ({})", fmt::join(names, ", ")),
                             "--mcu", "atmega328p");
        },
        "");
}

CLI::Validator keywordCheck(std::initializer_list<std::string_view> keywords, std::string_view option,
                            std::string_view example) {
    const std::vector<std::string> accepted(keywords.begin(), keywords.end());
    return CLI::Validator(
        [=, option = std::string(option), example = std::string(example)](std::string& text) {
            for (const std::string& keyword : accepted)
                if (keyword == text)
                    return std::string();
            return complaint(text, fmt::format("is not one of {}", fmt::join(accepted, ", ")), option, example);
        },
        "");
}

CLI::Validator registerCheck() {
    return CLI::Validator(
        [](std::string& text) {
            return registerValue(text) ? std::string()
                                       : complaint(text, "is not REGISTER=VALUE with a byte 0..255 (decimal, 0x or 0b)",
                                                   "", "TCCR0A=0x42");
        },
        "");
}

// ------------------------------------------------------------- commands

void addQueryOptions(CLI::App& command, SolveOptions& o) {
    command.add_option("--mcu", o.mcu, "the chip, as avr-gcc -mmcu names it (atmega328p)")
        ->type_name("CHIP")
        ->check(chipCheck());
    command.add_option("--clock", o.clock, "CPU clock, e.g. 16MHz, 3,6864MHz, 16e6")
        ->type_name("FREQUENCY")
        ->required()
        ->check(quantityCheck(Dimension::Frequency, "--clock", "16MHz"));
    auto* targets = command.add_option_group("target", "What the timer should give (exactly one)");
    targets->add_option("--interval", o.interval, "a periodic interrupt, e.g. 1ms, 250us, 1.5s")
        ->type_name("TIME")
        ->check(quantityCheck(Dimension::Time, "--interval", "1ms"));
    targets->add_option("--frequency", o.frequency, "a square wave on an output pin, e.g. 38kHz")
        ->type_name("FREQUENCY")
        ->check(quantityCheck(Dimension::Frequency, "--frequency", "38kHz"));
    targets->add_option("--pwm-frequency", o.pwmFrequency, "a PWM frequency, e.g. 20kHz")
        ->type_name("FREQUENCY")
        ->check(quantityCheck(Dimension::Frequency, "--pwm-frequency", "20kHz"));
    targets->require_option(1);
    command.add_option("--timer", o.timer, "only this timer: 0 or 2")
        ->type_name("0|2")
        ->check(wholeNumberCheck(0, 9, "--timer", "0"));
    command.add_option("--mode", o.mode, "only this mode")
        ->type_name("normal|ctc|fast-pwm|phase-pwm")
        ->check(keywordCheck({"normal", "ctc", "fast-pwm", "phase-pwm"}, "--mode", "ctc"));
    command.add_option("--timer2-clock", o.crystal, "Timer2 counts this watch crystal instead, e.g. 32768")
        ->type_name("FREQUENCY")
        ->check(quantityCheck(Dimension::Frequency, "--timer2-clock", "32768"));
    command.add_option("--max-error", o.maxError, "leave out rows off by more than this many ppm")
        ->type_name("PPM")
        ->check(numberCheck("--max-error", "100"));
}

void addSolveCommand(CLI::App& app, SolveOptions& o) {
    CLI::App* solve = app.add_subcommand("solve", "Find the timer settings that give an interval or frequency");
    addQueryOptions(*solve, o);
    solve->add_option("--limit", o.limit, "print at most this many rows (10)")
        ->type_name("N")
        ->check(wholeNumberCheck(1, 1000000, "--limit", "10"));
    solve->add_flag("--json", o.json, "print JSON instead of a table");
    solve->footer(
        "Rows are ranked by |error|, then without a software count before with one, CTC before NORMAL,\n"
        "the longer period (for PWM the larger TOP), Timer0 before Timer2.\n\n"
        "Examples:\n"
        "  avrtimer-calc solve --clock 16MHz --interval 1ms\n\n"
        "  avrtimer-calc solve --clock 11.0592MHz --interval 1ms --max-error 100\n\n"
        "  avrtimer-calc solve --clock 8MHz --frequency 38kHz --timer 2\n\n"
        "  avrtimer-calc solve --clock 16MHz --pwm-frequency 25kHz --json\n\n"
        "  avrtimer-calc solve --clock 8MHz --timer2-clock 32768 --interval 1s");
}

void addCodeCommand(CLI::App& app, CodeOptions& o) {
    CLI::App* code = app.add_subcommand("code", "C for avr-libc that sets up a row of the ranking");
    addQueryOptions(*code, o.query);
    code->add_option("--pick", o.pick, "the row of the ranking to set up (1, the best)")
        ->type_name("N")
        ->check(wholeNumberCheck(1, 1000000, "--pick", "1"));
    code->add_option("--duty", o.duty, "the PWM duty in percent, 0..100 (50)")
        ->type_name("D")
        ->check(wholeNumberCheck(0, 100, "--duty", "50"));
    code->add_flag("--header", o.header, "a header of macros that fails the build on another F_CPU");
    code->add_flag("--arduino", o.arduino, "say what the Arduino core uses the timer for, and prefer Timer2");
    code->footer(
        "The setup function writes the control registers, the compare values, the interrupt mask and\n"
        "the pin's DDR bit, every bit by its avr-libc name; the interrupt routine counts interrupts in\n"
        "software where the row needs it, and reloads a NORMAL preload without adding the latency.\n\n"
        "Examples:\n"
        "  avrtimer-calc code --clock 16MHz --interval 1ms\n\n"
        "  avrtimer-calc code --mcu atmega8 --clock 8MHz --frequency 38kHz --header\n\n"
        "  avrtimer-calc code --clock 16MHz --pwm-frequency 20kHz --duty 25 --arduino\n\n"
        "  avrtimer-calc code --clock 16MHz --interval 1s --pick 2");
}

void addExplainCommand(CLI::App& app, ExplainOptions& o) {
    CLI::App* explain = app.add_subcommand("explain", "What register contents make a timer do");
    explain->add_option("--mcu", o.mcu, "the chip, as avr-gcc -mmcu names it (atmega328p)")
        ->type_name("CHIP")
        ->check(chipCheck());
    explain->add_option("--clock", o.clock, "CPU clock, for the periods in seconds")
        ->type_name("FREQUENCY")
        ->check(quantityCheck(solver::Dimension::Frequency, "--clock", "16MHz"));
    explain->add_option("--timer2-clock", o.crystal, "the crystal Timer2 counts when AS2 is set")
        ->type_name("FREQUENCY")
        ->check(quantityCheck(solver::Dimension::Frequency, "--timer2-clock", "32768"));
    explain->add_option("registers", o.registers, "register contents, decimal, 0x or 0b: TCCR0A=0x42")
        ->type_name("REG=VALUE")
        ->required()
        ->check(registerCheck());
    explain->footer(
        "Registers not given are taken at their reset value, 0.\n\n"
        "Examples:\n"
        "  avrtimer-calc explain --clock 16MHz TCCR0A=0x02 TCCR0B=0x03 OCR0A=249 TIMSK0=0x02\n\n"
        "  avrtimer-calc explain --mcu atmega8 --clock 8MHz TCCR2=0b00011010 OCR2=104");
}

void addFiguresCommand(CLI::App& app, FiguresOptions& o) {
    CLI::App* figures = app.add_subcommand("figures", "The main window's figures for a clock and prescaler");
    figures->add_option("--clock", o.clock, "CPU clock, a whole number of hertz: 16MHz, 3,6864MHz, 16000000")
        ->type_name("FREQUENCY")
        ->required()
        ->check(quantityCheck(Dimension::Frequency, "--clock", "16MHz"));
    figures->add_option("--prescaler", o.prescaler, "1, 8, 32, 64, 128, 256 or 1024")
        ->type_name("N")
        ->required();
    figures->add_option("--interval", o.interval, "wanted interval, in us, ms or s: the TCNTx preload and CTC OCRx")
        ->type_name("TIME")
        ->check(quantityCheck(Dimension::Time, "--interval", "1ms"));
    figures->add_option("--register", o.registerValue, "a register value 0..255: the interrupt periods")
        ->type_name("V")
        ->check(wholeNumberCheck(0, 255, "--register", "100"));
    figures->add_option("--ocr", o.ocr, "a compare value 1..255: the CTC square wave")
        ->type_name("N")
        ->check(wholeNumberCheck(1, 255, "--ocr", "249"));
    figures->add_option("--frequency", o.frequency, "wanted square wave, in Hz or kHz: its OCRx")
        ->type_name("FREQUENCY")
        ->check(quantityCheck(Dimension::Frequency, "--frequency", "38kHz"));
    figures->add_option("--duty", o.duty, "PWM duty in percent 0..100: the four OCRx values")
        ->type_name("D")
        ->check(wholeNumberCheck(0, 100, "--duty", "50"));
    figures->add_flag("--json", o.json, "print JSON instead of lines");
    figures->footer(
        "The figures are computed as the window computes them, to the same digits, with '.' as the\n"
        "decimal point; a figure the window reports as an error shows that error instead.\n\n"
        "Examples:\n"
        "  avrtimer-calc figures --clock 16MHz --prescaler 64 --interval 1ms\n\n"
        "  avrtimer-calc figures --clock 1,2MHz --prescaler 1024 --register 0 --duty 30 --json");
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
