#include "cli/cli.h"

#include "cli/code_command.h"
#include "cli/diagram_command.h"
#include "cli/explain_command.h"
#include "cli/figures_command.h"
#include "cli/options.h"
#include "cli/solve_command.h"

#include "avr/timers.h"
#include "avrtimer/version.h"
#include "solver/quantity.h"
#include "solver/words.h"

#include <CLI/CLI.hpp>
#include <fmt/format.h>

#include <algorithm>
#include <charconv>
#include <exception>
#include <optional>
#include <ostream>
#include <ranges>
#include <string>
#include <vector>

namespace cli {
namespace {

using solver::Dimension;

std::string exitStatusText() {
    return fmt::format(
        "Exit status: {} done; {} no setting within --max-error (the nearest is printed), or a figure the\n"
        "window reports as an error; {} bad input, explained in one line on stderr; {} an internal error,\n"
        "a fault of avrtimer-calc to report.\n\n",
        exitOk, exitNoResult, exitBadInput, exitInternalError);
}

// CLI11's own complaints (a missing option, an unknown one) get the usage
// that would have been accepted.
std::string withExample(const CLI::ParseError& error, const CLI::App& app) {
    const std::string message = error.what();
    if (message.find("; for example") != std::string::npos)
        return message;
    for (const CLI::App* sub : app.get_subcommands()) {
        if (sub->get_name() == "figures")
            return message + "; for example: avrtimer-calc figures --clock 16MHz --prescaler 64 --interval 1ms";
        if (sub->get_name() == "diagram")
            return message + "; for example: avrtimer-calc diagram --clock 16MHz --interval 1ms --svg diagram.svg";
    }
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

// -------------------------------------------------------------- readers
//
// Each option's text is read once, by its validator, into the value the
// commands take. A reader returns that value, or throws Unreadable with what
// is wrong with the text; the validator makes that the program's complaint,
// which CLI11 puts after the option's name.

struct Unreadable {
    std::string problem;
};

auto quantityIn(Dimension dimension) {
    return [dimension](const std::string& text) {
        try {
            return solver::parseQuantity(text, dimension);
        } catch (const solver::QuantityError& error) {
            throw Unreadable{quantityProblem(error, dimension)};
        }
    };
}

auto valueIn(Dimension dimension) {
    return [dimension](const std::string& text) { return quantityIn(dimension)(text).value; };
}

mpq_class plainNumber(const std::string& text) {
    try {
        return solver::parseNumber(text);
    } catch (const solver::QuantityError&) {
        throw Unreadable{"is not a plain number"};
    }
}

auto wholeNumberFrom(int lowest, int highest) {
    return [=](const std::string& text) {
        int value = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error != std::errc() || end != text.data() + text.size() || value < lowest || value > highest)
            throw Unreadable{fmt::format("is not a whole number from {} to {}", lowest, highest)};
        return value;
    };
}

const avr::Chip* chipNamed(const std::string& text) {
    if (const avr::Chip* chip = avr::findChip(text))
        return chip;
    std::vector<std::string_view> names;
    for (const avr::Chip& chip : avr::chips())
        names.push_back(chip.name);
    throw Unreadable{fmt::format("is not a chip avrtimer-calc knows ({})", fmt::join(names, ", "))};
}

std::string modeKeywordList(std::string_view separator) {
    return fmt::format("{}", fmt::join(solver::modeKeywords | std::views::transform(&solver::ModeKeyword::keyword),
                                       separator));
}

avr::Mode modeNamed(const std::string& text) {
    if (const std::optional<avr::Mode> mode = solver::modeOfKeyword(text))
        return *mode;
    throw Unreadable{"is not one of " + modeKeywordList(", ")};
}

std::string topKeywordList(std::string_view separator) {
    return fmt::format("{}", fmt::join(topKeywords | std::views::transform(&TopKeyword::keyword), separator));
}

avr::Top topNamed(const std::string& text) {
    const auto* found = std::ranges::find(topKeywords, text, &TopKeyword::keyword);
    if (found == topKeywords.end())
        throw Unreadable{"is not one of " + topKeywordList(", ")};
    return found->top;
}

// Any number: which timers there are is the chip's to say, once --mcu is read.
int timerNumber(const std::string& text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 0)
        throw Unreadable{"is not a timer number"};
    return value;
}

solver::RegisterValue registerGiven(const std::string& text) {
    if (const std::optional<solver::RegisterValue> value = registerValue(text))
        return *value;
    throw Unreadable{"is not REGISTER=VALUE with a whole number from 0 (decimal, 0x or 0b)"};
}

// Where a read value goes: a plain value, a Given that keeps the text for
// the messages that quote it, or one more of a list.
template <typename T>
void keep(T& into, const std::string&, T value) {
    into = std::move(value);
}
template <typename T>
void keep(Given<T>& into, const std::string& text, T value) {
    into = {text, std::move(value)};
}
template <typename T>
void keep(std::optional<Given<T>>& into, const std::string& text, T value) {
    into = Given<T>{text, std::move(value)};
}
template <typename T>
void keep(std::vector<T>& into, const std::string&, T value) {
    into.push_back(std::move(value));
}

// An option read into `into`; its complaints show `example` as a value it
// takes. A positional's example is the value alone, as it is typed.
template <typename Into, typename Read>
CLI::Option* addOption(CLI::App& command, const std::string& name, Into& into, Read read, std::string_view example,
                       const std::string& description) {
    const std::string typed = name.starts_with("--") ? name : "";
    CLI::Validator reader(
        [&into, read, typed, example = std::string(example)](std::string& text) {
            try {
                keep(into, text, read(text));
                return std::string();
            } catch (const Unreadable& unreadable) {
                return complaint(text, unreadable.problem, typed, example);
            }
        },
        "");
    return command.add_option(name)->description(description)->check(reader);
}

// ------------------------------------------------------------- commands

void addQueryOptions(CLI::App& command, SolveOptions& o) {
    addOption(command, "--mcu", o.chip, chipNamed, "atmega328p", "the chip, as avr-gcc -mmcu names it (atmega328p)")
        ->type_name("CHIP");
    addOption(command, "--clock", o.clock, valueIn(Dimension::Frequency), "16MHz",
              "CPU clock, e.g. 16MHz, 3,6864MHz, 16e6")
        ->type_name("FREQUENCY")
        ->required();
    auto* targets = command.add_option_group("target", "What the timer should give (exactly one)");
    addOption(*targets, "--interval", o.interval, valueIn(Dimension::Time), "1ms",
              "a periodic interrupt, e.g. 1ms, 250us, 1.5s")
        ->type_name("TIME");
    addOption(*targets, "--frequency", o.frequency, valueIn(Dimension::Frequency), "38kHz",
              "a square wave on an output pin, e.g. 38kHz")
        ->type_name("FREQUENCY");
    addOption(*targets, "--pwm-frequency", o.pwmFrequency, valueIn(Dimension::Frequency), "20kHz",
              "a PWM frequency, e.g. 20kHz")
        ->type_name("FREQUENCY");
    targets->require_option(1);
    const avr::Chip& usual = *avr::findChip(avr::defaultChip);
    addOption(command, "--timer", o.timer, timerNumber, "0",
              fmt::format("only this timer of the chip: {} on the {}", timerNumbers(usual), usual.title))
        ->type_name("N");
    addOption(command, "--mode", o.mode, modeNamed, "ctc", "only this mode")->type_name(modeKeywordList("|"));
    addOption(command, "--top", o.top, topNamed, "ocr",
              "only this kind of TOP: fixed, OCRnA (OCR1C on the ATtiny85) or ICRn")
        ->type_name(topKeywordList("|"));
    addOption(command, "--timer2-clock", o.crystal, valueIn(Dimension::Frequency), "32768",
              "Timer2 counts this watch crystal instead, e.g. 32768")
        ->type_name("FREQUENCY");
    addOption(command, "--timer1-clock", o.pll, valueIn(Dimension::Frequency), "64MHz",
              "the ATtiny85's Timer1 counts its PLL instead: 64MHz, 32MHz in low-speed mode")
        ->type_name("FREQUENCY");
    addOption(command, "--max-error", o.maxError, plainNumber, "100", "leave out rows off by more than this many ppm")
        ->type_name("PPM");
}

void addSolveCommand(CLI::App& app, SolveOptions& o) {
    CLI::App* solve = app.add_subcommand("solve", "Find the timer settings that give an interval or frequency");
    addQueryOptions(*solve, o);
    addOption(*solve, "--limit", o.limit, wholeNumberFrom(1, 1000000), "10", "print at most this many rows (10)")
        ->type_name("N");
    solve->add_flag("--json", o.json, "print JSON instead of a table");
    solve->add_flag("--wide", o.wide, "every column, however wide; a terminal narrower gets the table without the "
                                      "drift, below and above columns");
    solve->footer(
        "Rows are ranked by |error| (a late preload reload counts as error), then the fewer interrupts\n"
        "counted in software, CTC before NORMAL before NORMAL with a preload, the finer resolution (the\n"
        "shorter tick; for PWM the larger TOP), a fixed TOP before OCRnA before ICRn, Fast PWM before\n"
        "the dual-slope modes, the lower timer, the smaller prescaler.\n\n"
        "Examples:\n"
        "  avrtimer-calc solve --clock 16MHz --interval 1ms\n\n"
        "  avrtimer-calc solve --clock 11.0592MHz --interval 1ms --max-error 100\n\n"
        "  avrtimer-calc solve --clock 8MHz --frequency 38kHz --timer 2\n\n"
        "  avrtimer-calc solve --clock 16MHz --pwm-frequency 50Hz --top icr --json\n\n"
        "  avrtimer-calc solve --clock 8MHz --timer2-clock 32768 --interval 1s\n\n"
        "  avrtimer-calc solve --mcu attiny85 --clock 8MHz --timer1-clock 64MHz --pwm-frequency 250kHz");
}

void addCodeCommand(CLI::App& app, CodeOptions& o) {
    CLI::App* code = app.add_subcommand("code", "C for avr-libc that sets up a row of the ranking");
    addQueryOptions(*code, o.query);
    addOption(*code, "--pick", o.pick, wholeNumberFrom(1, 1000000), "1",
              "the row of the ranking to set up (1, the best)")
        ->type_name("N");
    addOption(*code, "--duty", o.duty, wholeNumberFrom(0, 100), "50", "the PWM duty in percent, 0..100 (50)")
        ->type_name("D");
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

void addDiagramCommand(CLI::App& app, DiagramOptions& o) {
    CLI::App* diagram = app.add_subcommand("diagram", "The timing diagram of a row of the ranking, as SVG or JSON");
    addQueryOptions(*diagram, o.query);
    addOption(*diagram, "--pick", o.pick, wholeNumberFrom(1, 1000000), "1",
              "the row of the ranking to draw (1, the best)")
        ->type_name("N");
    addOption(*diagram, "--duty", o.duty, wholeNumberFrom(0, 100), "50", "the PWM duty in percent, 0..100 (50)")
        ->type_name("D");
    addOption(*diagram, "--periods", o.periods, wholeNumberFrom(1, 1000), "2",
              "how many periods to draw, 1..1000 (2); a toggled pin's period is its square wave's")
        ->type_name("P");
    auto* formats = diagram->add_option_group("format", "What to write (exactly one)");
    addOption(*formats, "--svg", o.svg, [](const std::string& file) { return std::optional<std::string>(file); },
              "diagram.svg", "write the drawing as SVG to FILE, - for standard output")
        ->type_name("FILE");
    formats->add_flag("--json", o.json, "print the timeline as JSON");
    formats->require_option(1);
    diagram->footer(
        "Times count CPU cycles from the write of the clock select, the first tick one tick after it:\n"
        "the counter, each connected pin's levels (low at the start) and each enabled interrupt's flag.\n\n"
        "Examples:\n"
        "  avrtimer-calc diagram --clock 16MHz --interval 1ms --svg diagram.svg\n\n"
        "  avrtimer-calc diagram --clock 16MHz --pwm-frequency 50Hz --top icr --duty 7 --svg -\n\n"
        "  avrtimer-calc diagram --clock 8MHz --frequency 38kHz --periods 4 --json");
}

void addExplainCommand(CLI::App& app, ExplainOptions& o) {
    CLI::App* explain = app.add_subcommand("explain", "What register contents make a timer do");
    addOption(*explain, "--mcu", o.chip, chipNamed, "atmega328p", "the chip, as avr-gcc -mmcu names it (atmega328p)")
        ->type_name("CHIP");
    addOption(*explain, "--clock", o.clock, valueIn(Dimension::Frequency), "16MHz",
              "CPU clock, for the periods in seconds")
        ->type_name("FREQUENCY");
    addOption(*explain, "--timer2-clock", o.crystal, valueIn(Dimension::Frequency), "32768",
              "the crystal Timer2 counts when AS2 is set")
        ->type_name("FREQUENCY");
    addOption(*explain, "--timer1-clock", o.pll, valueIn(Dimension::Frequency), "64MHz",
              "the ATtiny85's PLL clock Timer1 counts when PCKE is set (64MHz, 32MHz with LSM)")
        ->type_name("FREQUENCY");
    addOption(*explain, "registers", o.registers, registerGiven, "TCCR0A=0x42",
              "register contents, decimal, 0x or 0b, 16-bit ones whole: TCCR0A=0x42, OCR1A=15624")
        ->type_name("REG=VALUE")
        ->expected(1, -1)
        ->allow_extra_args()
        ->required();
    explain->footer(
        "Registers not given are taken at their reset value, 0.\n\n"
        "Examples:\n"
        "  avrtimer-calc explain --clock 16MHz TCCR0A=0x02 TCCR0B=0x03 OCR0A=249 TIMSK0=0x02\n\n"
        "  avrtimer-calc explain --mcu atmega8 --clock 8MHz TCCR2=0b00011010 OCR2=104\n\n"
        "  avrtimer-calc explain --clock 16MHz TCCR1A=0x82 TCCR1B=0x1A ICR1=39999 OCR1A=2999");
}

void addFiguresCommand(CLI::App& app, FiguresOptions& o) {
    CLI::App* figures = app.add_subcommand("figures", "The main window's figures for a clock and prescaler");
    addOption(*figures, "--clock", o.clock, quantityIn(Dimension::Frequency), "16MHz",
              "CPU clock, a whole number of hertz: 16MHz, 3,6864MHz, 16000000")
        ->type_name("FREQUENCY")
        ->required();
    figures->add_option("--prescaler", o.prescaler, "1, 8, 32, 64, 128, 256 or 1024")
        ->type_name("N")
        ->required();
    addOption(*figures, "--interval", o.interval, quantityIn(Dimension::Time), "1ms",
              "wanted interval, in us, ms or s: the TCNTx preload and CTC OCRx")
        ->type_name("TIME");
    addOption(*figures, "--register", o.registerValue, wholeNumberFrom(0, 255), "100",
              "a register value 0..255: the interrupt periods")
        ->type_name("V");
    addOption(*figures, "--ocr", o.ocr, wholeNumberFrom(1, 255), "249", "a compare value 1..255: the CTC square wave")
        ->type_name("N");
    addOption(*figures, "--frequency", o.frequency, quantityIn(Dimension::Frequency), "38kHz",
              "wanted square wave, in Hz or kHz: its OCRx")
        ->type_name("FREQUENCY");
    addOption(*figures, "--duty", o.duty, wholeNumberFrom(0, 100), "50",
              "PWM duty in percent 0..100: the four OCRx values")
        ->type_name("D");
    figures->add_flag("--json", o.json, "print JSON instead of lines");
    figures->footer(
        "The figures are computed as the window computes them, to the same digits, with '.' as the\n"
        "decimal point; a figure the window reports as an error shows that error instead.\n\n"
        "Examples:\n"
        "  avrtimer-calc figures --clock 16MHz --prescaler 64 --interval 1ms\n\n"
        "  avrtimer-calc figures --clock 1,2MHz --prescaler 1024 --register 0 --duty 30 --json");
}

// CLI11 takes an empty word that is no option's value for the name of an
// option group, which have none, and never returns: refuse it first.
void refuseEmptyWords(const CLI::App& app, int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        if (*argv[i] != '\0')
            continue;
        const std::string before = i > 1 ? argv[i - 1] : "";
        const auto takesValue = [&](const CLI::App* command) {
            const CLI::Option* option = command->get_option_no_throw(before);
            return option != nullptr && option->get_type_size_max() > 0;
        };
        if (!before.starts_with("--") || !std::ranges::any_of(app.get_subcommands({}), takesValue))
            throw InputError("an empty word is neither an option nor its value; for example: avrtimer-calc solve "
                             "--clock 16MHz --interval 1ms");
    }
}

}  // namespace

int run(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    CLI::App app{"Timer settings for the timers of AVR microcontrollers, computed exactly.", "avrtimer-calc"};
    app.set_version_flag("--version", fmt::format("avrtimer-calc {}", avrtimer::version));
    app.set_help_all_flag("--help-all", "Print the help of every subcommand");
    app.require_subcommand(1);
    app.footer(
        "Quantities: a number with '.' or ',' as the decimal point and an optional exponent, then a unit:\n"
        "Hz, kHz, MHz; s, ms, us. A bare number is in hertz or seconds: 16MHz, 16 MHz, 3,6864MHz, 16e6,\n"
        "32768, 1ms, 250us.\n\n" +
        exitStatusText() +
        "Examples:\n"
        "  avrtimer-calc solve --clock 16MHz --interval 1ms\n\n"
        "  avrtimer-calc solve --clock 16MHz --frequency 38kHz --json\n\n"
        "  avrtimer-calc code --clock 16MHz --interval 1ms\n\n"
        "  avrtimer-calc diagram --clock 16MHz --pwm-frequency 20kHz --svg diagram.svg\n\n"
        "  avrtimer-calc explain --clock 16MHz TCCR0A=0x02 TCCR0B=0x03 OCR0A=249 TIMSK0=0x02\n\n"
        "  avrtimer-calc figures --clock 16MHz --prescaler 64 --interval 1ms\n\n"
        "See 'avrtimer-calc COMMAND --help' for solve, code, diagram, explain and figures.");
    SolveOptions solveOptions;
    CodeOptions codeOptions;
    DiagramOptions diagramOptions;
    ExplainOptions explainOptions;
    FiguresOptions figuresOptions;
    addSolveCommand(app, solveOptions);
    addCodeCommand(app, codeOptions);
    addDiagramCommand(app, diagramOptions);
    addExplainCommand(app, explainOptions);
    addFiguresCommand(app, figuresOptions);
    try {
        refuseEmptyWords(app, argc, argv);
        app.parse(argc, argv);
        if (app.got_subcommand("solve"))
            return runSolve(solveOptions, out, err);
        if (app.got_subcommand("code"))
            return runCode(codeOptions, commandLine(argc, argv), out, err);
        if (app.got_subcommand("diagram"))
            return runDiagram(diagramOptions, out, err);
        if (app.got_subcommand("explain"))
            return runExplain(explainOptions, out);
        return runFigures(figuresOptions, out);
    } catch (const CLI::Success& helpOrVersion) {
        app.exit(helpOrVersion, out, err);
        return exitOk;
    } catch (const CLI::ParseError& error) {
        err << "avrtimer-calc: " << withExample(error, app) << "\n";
    } catch (const InputError& error) {
        err << "avrtimer-calc: " << error.what() << "\n";
    } catch (const std::exception& error) {
        // Nothing the options can ask should end here; say so rather than abort.
        err << "avrtimer-calc: internal error: " << error.what() << "\n";
        return exitInternalError;
    }
    return exitBadInput;
}

}  // namespace cli
