#include "cli/cli.h"

#include "cli/clock_notes.h"
#include "cli/code_command.h"
#include "cli/diagram_command.h"
#include "cli/explain_command.h"
#include "cli/figures_command.h"
#include "cli/options.h"
#include "cli/solve_command.h"
#include "cli/suggest.h"

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
// A "did you mean" is the example itself.
std::string withExample(const std::string& message, std::string_view command) {
    if (message.find("; for example") != std::string::npos || message.find("did you mean") != std::string::npos)
        return message;
    if (command == "figures")
        return message + "; for example: avrtimer-calc figures --clock 16MHz --prescaler 64 --interval 1ms";
    if (command == "diagram")
        return message + "; for example: avrtimer-calc diagram --clock 16MHz --interval 1ms --svg diagram.svg";
    if (command == "explain")
        return message + "; for example: avrtimer-calc explain --clock 16MHz TCCR0A=0x02 TCCR0B=0x03";
    if (command == "code")
        return message + "; for example: avrtimer-calc code --clock 16MHz --interval 1ms";
    return message + "; for example: avrtimer-calc solve --clock 16MHz --interval 1ms";
}

// ---------------------------------------------- CLI11's complaints, reworded
//
// CLI11 words what it refuses in its own terms ("At Most 1 required but
// received 2", "The following argument was not expected: kHz"); the words
// typed tell what happened, and what was likely meant.

std::vector<std::string_view> subcommandNames(const CLI::App& app) {
    std::vector<std::string_view> names;
    for (const CLI::App* sub : app.get_subcommands([](const CLI::App* a) { return !a->get_name().empty(); }))
        names.push_back(sub->get_name());
    return names;
}

// The options of a subcommand and of its option groups, "--clock".
void collectOptions(const CLI::App& command, std::vector<std::string>& names, std::vector<const CLI::Option*>& options) {
    for (const CLI::Option* option : command.get_options())
        for (const std::string& name : option->get_lnames()) {
            names.push_back("--" + name);
            options.push_back(option);
        }
    for (const CLI::App* group : command.get_subcommands([](const CLI::App* a) { return a->get_name().empty(); }))
        collectOptions(*group, names, options);
}

struct Typed {
    std::vector<std::string> names;  // every option of the subcommand
    std::vector<const CLI::Option*> options;
    std::vector<std::string_view> words;  // after the subcommand

    const CLI::Option* option(std::string_view word) const {
        const std::string_view name = word.substr(0, word.find('='));
        const auto found = std::ranges::find(names, name);
        return found == names.end() ? nullptr : options[static_cast<std::size_t>(found - names.begin())];
    }
    bool takesValue(std::string_view word) const {
        const CLI::Option* o = option(word);
        return o != nullptr && word.find('=') == std::string_view::npos && o->get_type_size_max() > 0;
    }
};

// A value option's quantity split at its unit: "--interval 1 kHz".
std::optional<std::string> splitQuantity(const Typed& t) {
    for (std::size_t i = 0; i + 2 < t.words.size(); ++i) {
        if (!t.takesValue(t.words[i]) || t.words[i + 2].starts_with('-'))
            continue;
        const std::string joined = fmt::format("{}{}", t.words[i + 1], t.words[i + 2]);
        for (const Dimension d : {Dimension::Frequency, Dimension::Time})
            try {
                solver::parseQuantity(joined, d);
                return fmt::format("{} takes one quantity; write {} without a space", t.words[i], joined);
            } catch (const solver::QuantityError& error) {
                if (error.kind() == solver::QuantityError::Kind::WrongDimension)
                    return fmt::format("{} takes one quantity; write {} without a space", t.words[i], joined);
            }
    }
    return std::nullopt;
}

std::optional<std::string> unknownOption(const Typed& t, std::string_view command) {
    for (std::string_view word : t.words) {
        if (!word.starts_with("--") || t.option(word) != nullptr)
            continue;
        const std::string_view name = word.substr(0, word.find('='));
        std::vector<std::string_view> names(t.names.begin(), t.names.end());
        const std::string near = didYouMean(name, names);
        return fmt::format("{} is not an option of {}{}", name, command,
                           near.empty() ? fmt::format("; see avrtimer-calc {} --help", command) : near);
    }
    return std::nullopt;
}

std::optional<std::string> givenTwice(const Typed& t) {
    for (std::size_t i = 0; i < t.words.size(); ++i) {
        const CLI::Option* o = t.option(t.words[i]);
        if (o == nullptr)
            continue;
        for (std::size_t j = i + 1; j < t.words.size(); ++j)
            if (t.option(t.words[j]) == o)
                return fmt::format("--{} is given more than once; give it once", o->get_lnames().front());
    }
    return std::nullopt;
}

// An option group that asks for exactly one of its options.
std::optional<std::string> groupMiscount(const CLI::App& command, const Typed& t) {
    for (const CLI::App* group : command.get_subcommands([](const CLI::App* a) { return a->get_name().empty(); })) {
        std::vector<std::string> all, given;
        for (const CLI::Option* option : group->get_options()) {
            const std::string name = "--" + option->get_lnames().front();
            if (name.starts_with("--help"))
                continue;
            all.push_back(name);
            if (std::ranges::any_of(t.words, [&](std::string_view w) { return t.option(w) == option; }))
                given.push_back(name);
        }
        if (given.size() > 1)
            return fmt::format("{} are given together; give one of them", fmt::join(given, " and "));
        if (given.empty())
            return fmt::format("{} needs one of {}", command.get_name(), fmt::join(all, ", "));
    }
    return std::nullopt;
}

// What was likely meant, or CLI11's own words where nothing typed says more.
std::string inOwnWords(const CLI::ParseError& error, const CLI::App& app, int argc, const char* const* argv) {
    std::vector<std::string_view> words(argv + 1, argv + argc);
    const std::vector<std::string_view> commands = subcommandNames(app);
    if (words.empty())
        return "avrtimer-calc needs a command (solve, code, diagram, explain, figures)";
    if (words.front().starts_with('-'))
        return error.what();
    if (std::ranges::find(commands, words.front()) == commands.end())
        return fmt::format("'{}' is not a command of avrtimer-calc ({}){}", words.front(), fmt::join(commands, ", "),
                           didYouMean(words.front(), commands));
    const CLI::App& command = *app.get_subcommand(std::string(words.front()));
    Typed typed;
    collectOptions(command, typed.names, typed.options);
    typed.words.assign(words.begin() + 1, words.end());
    // An option mistyped is likelier the fault than the word after it,
    // which CLI11 took for a positional and a validator refused.
    if (const auto unknown = unknownOption(typed, command.get_name()))
        return *unknown;
    if (dynamic_cast<const CLI::ValidationError*>(&error) != nullptr)
        return error.what();
    for (const auto& reworded : {splitQuantity(typed), givenTwice(typed)})
        if (reworded)
            return *reworded;
    if (dynamic_cast<const CLI::RequiredError*>(&error) != nullptr) {
        if (const auto miscount = groupMiscount(command, typed))
            return *miscount;
        for (const CLI::Option* option : command.get_options())
            if (option->get_required() && option->count() == 0)
                return fmt::format("{} needs {}", command.get_name(), option->get_name());
    }
    if (dynamic_cast<const CLI::ExtrasError*>(&error) != nullptr)
        for (std::size_t i = 0; i < typed.words.size(); ++i) {
            if (typed.takesValue(typed.words[i]))
                ++i;
            else if (typed.option(typed.words[i]) == nullptr)
                return fmt::format("'{}' is the value of no option of {}", typed.words[i], command.get_name());
        }
    return error.what();
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
    const std::string near = didYouMean(text, names);
    if (!near.empty())
        throw Unreadable{"is not a chip avrtimer-calc knows" + near};
    throw Unreadable{fmt::format("is not a chip avrtimer-calc knows ({})", fmt::join(names, ", "))};
}

std::string modeKeywordList(std::string_view separator) {
    return fmt::format("{}", fmt::join(solver::modeKeywords |
                                           std::views::transform(&solver::Keyword<avr::Mode>::keyword),
                                       separator));
}

avr::Mode modeNamed(const std::string& text) {
    if (const std::optional<avr::Mode> mode = solver::modeOfKeyword(text))
        return *mode;
    throw Unreadable{"is not one of " + modeKeywordList(", ")};
}

std::string topKeywordList(std::string_view separator) {
    return fmt::format("{}", fmt::join(solver::topKeywords |
                                           std::views::transform(&solver::Keyword<avr::Top>::keyword),
                                       separator));
}

avr::Top topNamed(const std::string& text) {
    if (const std::optional<avr::Top> top = solver::topOfKeyword(text))
        return *top;
    throw Unreadable{"is not one of " + topKeywordList(", ")};
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
                const bool suggests = unreadable.problem.find("did you mean") != std::string::npos;
                return complaint(text, unreadable.problem, typed, suggests ? std::string() : example);
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
        "Rows are ranked by |error| (a late preload reload's estimate, after an exact figure as large),\n"
        "then the fewer interrupts counted in software, CTC before NORMAL before NORMAL with a preload,\n"
        "the finer resolution (the shorter tick; for PWM the larger TOP), a fixed TOP before OCRnA\n"
        "before ICRn, Fast PWM before the dual-slope modes, the lower timer, the smaller prescaler.\n\n"
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
        "Registers not given are taken at their reset value, 0; a connected output drives its pin only\n"
        "when the pin's DDR bit is set. Names are read in any case.\n\n"
        "Examples:\n"
        "  avrtimer-calc explain --clock 16MHz TCCR0A=0x02 TCCR0B=0x03 OCR0A=249 TIMSK0=0x02\n\n"
        "  avrtimer-calc explain --mcu atmega8 --clock 8MHz TCCR2=0b00011010 OCR2=104\n\n"
        "  avrtimer-calc explain --clock 16MHz TCCR1A=0x82 TCCR1B=0x1A ICR1=39999 OCR1A=2999 DDRB=0x02");
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

std::vector<std::string> notesOf(const SolveOptions& o) { return clockNotes(*o.chip, &o.clock, o.crystal); }

// After what the command printed, so that bad input stays one line.
int withNotes(int status, const std::vector<std::string>& notes, std::ostream& err) {
    for (const std::string& note : notes)
        err << "avrtimer-calc: note: " << note << "\n";
    return status;
}

// CLI11 takes an empty word that is no option's value for the name of an
// option group, which have none, and never returns: refuse it first. An
// option's value is the word after it, whatever that is, as CLI11 reads it;
// only the options of the command typed take one (after solve's unknown
// --svg the next word is still a positional).
void refuseEmptyWords(const CLI::App& app, int argc, const char* const* argv) {
    if (argc < 2)
        return;
    const std::string_view typed = argv[1];
    const auto named = app.get_subcommands([&](const CLI::App* c) { return c->get_name() == typed; });
    const auto commands = named.empty() ? app.get_subcommands({}) : named;
    const auto takesValue = [&](const std::string& word) {
        return word.starts_with("--") && std::ranges::any_of(commands, [&](const CLI::App* command) {
                   const CLI::Option* option = command->get_option_no_throw(word);
                   return option != nullptr && option->get_type_size_max() > 0;
               });
    };
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word.empty())
            throw InputError("an empty word is neither an option nor its value; for example: avrtimer-calc solve "
                             "--clock 16MHz --interval 1ms");
        if (takesValue(word))
            ++i;
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
            return withNotes(runSolve(solveOptions, out, err), notesOf(solveOptions), err);
        if (app.got_subcommand("code"))
            return withNotes(runCode(codeOptions, commandLine(argc, argv), out, err), notesOf(codeOptions.query), err);
        if (app.got_subcommand("diagram"))
            return withNotes(runDiagram(diagramOptions, out, err), notesOf(diagramOptions.query), err);
        if (app.got_subcommand("explain"))
            return withNotes(runExplain(explainOptions, out),
                             clockNotes(*explainOptions.chip, explainOptions.clock ? &*explainOptions.clock : nullptr,
                                        explainOptions.crystal),
                             err);
        return runFigures(figuresOptions, out);
    } catch (const CLI::Success& helpOrVersion) {
        app.exit(helpOrVersion, out, err);
        return exitOk;
    } catch (const CLI::ParseError& error) {
        const std::string_view command = argc > 1 ? argv[1] : "";
        err << "avrtimer-calc: " << withExample(inOwnWords(error, app, argc, argv), command) << "\n";
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
