#include "cli/solve_command.h"

#include "cli/cli.h"
#include "cli/clock_notes.h"
#include "solver/waveform.h"
#include "solver/words.h"
#include "solver/decimal.h"
#include "solver/search.h"

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <iostream>
#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <ranges>
#include <vector>

namespace cli {
namespace {

using nlohmann::ordered_json;
using solver::Goal;

struct Target {
    Goal goal;
    std::string_view option;
    const Given<mpq_class>& given;
    std::string_view example;
};

Target targetOf(const SolveOptions& o) {
    if (o.interval)
        return {Goal::Interval, "--interval", *o.interval, "1ms"};
    if (o.frequency)
        return {Goal::Frequency, "--frequency", *o.frequency, "38kHz"};
    return {Goal::PwmFrequency, "--pwm-frequency", *o.pwmFrequency, "20kHz"};
}

std::string valueText(const mpq_class& value, Goal goal) {
    return goal == Goal::Interval ? solver::timeText(value) : solver::frequencyText(value);
}

// ---------------------------------------------------------------- text

mpq_class shownErrorPpm(const solver::Row& row) { return row.shownError * 1000000; }

std::string countText(const solver::Row& row) { return std::to_string(row.setting.count); }

std::string_view clockNote(solver::TimerClock clock) {
    switch (clock) {
    case solver::TimerClock::Cpu: break;
    case solver::TimerClock::Crystal: return " (crystal)";
    case solver::TimerClock::Pll: return " (PLL)";
    }
    return {};
}

std::string_view clockKeyword(solver::TimerClock clock) {
    switch (clock) {
    case solver::TimerClock::Cpu: break;
    case solver::TimerClock::Crystal: return "timer2-clock";
    case solver::TimerClock::Pll: return "pll";
    }
    return "cpu";
}

// "~" marks a figure that is an estimate: a late reload's latency depends
// on the interrupt routine.
std::string_view estimateMark(const solver::Row& row) { return row.estimated() ? "~" : ""; }

std::string errorText(const solver::Row& row) {
    return row.exact() ? "exact" : fmt::format("{}{}", estimateMark(row), solver::signedText(shownErrorPpm(row)));
}

std::string driftText(const solver::Row& row) {
    return fmt::format("{}{}", estimateMark(row), solver::signedText(solver::shownDriftPerDay(row)));
}

std::vector<int> timersOf(const Shown& shown) {
    std::vector<int> numbers;
    for (const solver::Row& row : shown)
        numbers.push_back(row.setting.timer->number);
    return numbers;
}

// "Timer0, Timer2": a row shown once for the twin timers it is on.
std::string timerText(const Shown& shown) {
    const auto names = timersOf(shown) | std::views::transform([](int n) { return fmt::format("Timer{}", n); });
    return fmt::format("{}{}", fmt::join(names, ", "), clockNote(shown.front().setting.clock));
}

// How many duties between 0 and 100 % the PWM steps through: Fast PWM's
// compare counts TOP + 1 ticks high, the dual-slope modes' TOP.
int dutySteps(const solver::Setting& s) {
    return s.mode() == avr::Mode::FastPwm ? s.topValue() + 1 : s.topValue();
}

// Each twin's own output: "OC0A (PD6), OC2A (PB3)".
std::string outputText(const Shown& shown) {
    if (shown.front().setting.output == nullptr)
        return "-";
    const auto outputs = shown | std::views::transform([](const solver::Row& row) {
                             return fmt::format("{} ({})", row.setting.output->output, row.setting.output->pin);
                         });
    return fmt::format("{}", fmt::join(outputs, ", "));
}

std::string optionalValue(const std::optional<mpq_class>& value, Goal goal) {
    return value ? valueText(*value, goal) : "-";
}

// A column of the table: its heading and a cell for each row shown.
struct Column {
    std::string heading;
    std::function<std::string(std::size_t rank, const Shown&)> cell;
    bool droppable = false;  // left out first when the table is wider than the terminal
};

std::vector<Column> columnsFor(Goal goal) {
    const auto row = [](auto text) {
        return [text](std::size_t, const Shown& shown) { return text(shown.front()); };
    };
    std::vector<Column> columns{
        {"#", [](std::size_t rank, const Shown&) { return std::to_string(rank); }},
        {"timer", [](std::size_t, const Shown& shown) { return timerText(shown); }},
        {"mode", row([](const solver::Row& r) { return std::string(solver::modeName(r.setting.mode())); })},
        {"prescaler", row([](const solver::Row& r) { return std::to_string(r.setting.prescaler); })},
        {"registers", row([](const solver::Row& r) { return solver::registersText(r.setting); })},
    };
    if (goal == Goal::Interval)
        columns.push_back({"count", row(countText)});
    else
        columns.push_back({"output", [](std::size_t, const Shown& shown) { return outputText(shown); }});
    if (goal == Goal::PwmFrequency)
        columns.push_back({"steps", row([](const solver::Row& r) { return std::to_string(dutySteps(r.setting)); })});
    columns.push_back({"achieved", row([goal](const solver::Row& r) { return valueText(r.achieved, goal); })});
    columns.push_back({"error [ppm]", row(errorText)});
    columns.push_back({"drift [s/day]", row(driftText), true});
    columns.push_back({"below", row([goal](const solver::Row& r) { return optionalValue(r.below, goal); }), true});
    columns.push_back({"above", row([goal](const solver::Row& r) { return optionalValue(r.above, goal); }), true});
    columns.push_back({"notes", row([](const solver::Row& r) {
                           std::string notes;
                           for (solver::Warning w : r.warnings)
                               notes += solver::warningLetter(w);
                           return notes;
                       })});
    return columns;
}

using Cells = std::vector<std::vector<std::string>>;  // a column's heading, then its cells

std::size_t columnWidth(const std::vector<std::string>& column) {
    return std::ranges::max(column | std::views::transform(&std::string::size));
}

std::size_t tableWidth(const Cells& columns) {
    std::size_t width = 0;
    for (const auto& column : columns)
        width += columnWidth(column) + 2;
    return width - 2;
}

std::string table(const Cells& columns) {
    std::string text;
    for (std::size_t line = 0; line < columns.front().size(); ++line) {
        std::string row;
        for (const auto& column : columns)
            row += fmt::format("{:<{}}  ", column[line], columnWidth(column));
        row.erase(row.find_last_not_of(' ') + 1);
        text += row + "\n";
    }
    return text;
}

// The text broken at spaces into lines of at most width columns where the
// words allow, every line after the first indented by indent.
std::string wrapped(std::string_view text, std::optional<std::size_t> width, std::size_t indent) {
    if (!width)
        return std::string(text) + "\n";
    std::string result, line;
    for (const auto word : text | std::views::split(' ')) {
        const std::string_view w(word.begin(), word.end());
        if (!line.empty() && line.size() + 1 + w.size() > *width) {
            result += line + "\n";
            line = std::string(indent, ' ');
        } else if (!line.empty()) {
            line += ' ';
        }
        line += w;
    }
    return result + line + "\n";
}

// ", Timer2 on a 32.768 kHz crystal", or nothing for the CPU clock alone.
std::string otherClocksText(const solver::Query& query) {
    std::string text;
    if (query.crystalHz)
        text += ", Timer2 on a " + solver::frequencyText(*query.crystalHz) + " crystal";
    if (query.pllHz)
        text += ", Timer1 on a " + solver::frequencyText(*query.pllHz) + " PLL clock";
    return text;
}

// The table's columns, those that may be dropped left out in order while
// it is wider than width; the headings' first words of those left out.
std::pair<Cells, std::vector<std::string>> fitted(const std::vector<Column>& columns, const std::vector<Shown>& rows,
                              std::optional<std::size_t> width) {
    std::vector<std::pair<const Column*, std::vector<std::string>>> made;
    for (const Column& column : columns) {
        std::vector<std::string> cells{column.heading};
        for (std::size_t i = 0; i < rows.size(); ++i)
            cells.push_back(column.cell(i + 1, rows[i]));
        made.emplace_back(&column, std::move(cells));
    }
    const auto cellsOf = [&] {
        Cells cells;
        for (const auto& [column, texts] : made)
            cells.push_back(texts);
        return cells;
    };
    std::vector<std::string> dropped;
    while (width && tableWidth(cellsOf()) > *width) {
        const auto next = std::ranges::find_if(made, [](const auto& m) { return m.first->droppable; });
        if (next == made.end())
            break;
        const std::string& heading = next->first->heading;
        dropped.push_back(heading.substr(0, heading.find(' ')));
        made.erase(next);
    }
    return {cellsOf(), dropped};
}

void printText(const solver::Query& query, const std::vector<Shown>& rows, const std::optional<std::string>& reach,
               std::optional<std::size_t> width, std::ostream& out) {
    out << wrapped(fmt::format("{} at {}{}: {}", query.chip->title, solver::frequencyText(query.clockHz),
                               otherClocksText(query), solver::goalText(query)),
                   width, 0)
        << "\n";
    const auto [cells, dropped] = fitted(columnsFor(query.goal), rows, width);
    out << table(cells);
    std::map<char, solver::Warning> used;
    for (const Shown& shown : rows)
        for (solver::Warning w : shown.front().warnings)
            used.emplace(solver::warningLetter(w), w);
    if (!used.empty() || !dropped.empty() || reach)
        out << "\n";
    for (const auto& [letter, warning] : used)
        out << wrapped(fmt::format("{}: {}", letter, solver::warningText(warning)), width, 3);
    if (reach)
        out << wrapped(*reach, width, 0);
    if (!dropped.empty())
        out << wrapped(fmt::format("Left out to fit the terminal: {}; --wide shows every column.",
                                   fmt::join(dropped, ", ")),
                       width, 0);
}

}  // namespace

// ---------------------------------------------------------------- JSON

ordered_json valueJson(const mpq_class& value, Goal goal) {
    return {{"value", solver::decimalText(value, 15)},
            {"exact", solver::fractionText(value)},
            {"unit", goal == Goal::Interval ? "s" : "Hz"}};
}

namespace {

ordered_json optionalJson(const std::optional<mpq_class>& value, Goal goal) {
    return value ? valueJson(*value, goal) : ordered_json(nullptr);
}

}  // namespace

ordered_json resultJson(std::size_t rank, const Shown& shown, Goal goal) {
    const solver::Row& row = shown.front();
    const solver::Setting& s = row.setting;
    ordered_json registers = ordered_json::object();
    if (s.role != solver::RegisterRole::None)
        registers[std::string(s.registerName())] = s.registerValue;
    ordered_json warnings = ordered_json::array();
    for (solver::Warning w : row.warnings)
        warnings.push_back(solver::warningKeyword(w));
    return {
        {"rank", rank},
        {"timer", s.timer->number},
        {"timers", timersOf(shown)},
        {"mode", solver::modeKeyword(s.mode())},
        {"prescaler", s.prescaler},
        {"clock", clockKeyword(s.clock)},
        {"registers", registers},
        {"top", s.topValue()},
        {"top_register", s.top() == avr::Top::Fixed ? ordered_json(nullptr) : ordered_json(s.topRegister())},
        {"count", s.count},
        {"duty_steps", s.mode() == avr::Mode::Normal || s.mode() == avr::Mode::Ctc ? ordered_json(nullptr)
                                                                                   : ordered_json(dutySteps(s))},
        {"output", s.output ? ordered_json{{"name", s.output->output}, {"pin", s.output->pin}} : ordered_json(nullptr)},
        {"achieved", valueJson(row.achieved, goal)},
        {"exact_hit", row.exact()},
        {"error_ppm", solver::nearestDouble(shownErrorPpm(row))},
        {"error_estimated", row.estimated()},
        {"drift_s_per_day", solver::nearestDouble(solver::shownDriftPerDay(row))},
        {"below", optionalJson(row.below, goal)},
        {"above", optionalJson(row.above, goal)},
        {"warnings", warnings},
    };
}

ordered_json queryJson(const SolveOptions& o, const solver::Query& query) {
    const Target target = targetOf(o);
    return {{"mcu", query.chip->name},
            {"clock_hz", valueJson(query.clockHz, Goal::Frequency)},
            {"goal", target.option.substr(2)},
            {"target", valueJson(query.target, query.goal)},
            {"timer", query.timer ? ordered_json(*query.timer) : ordered_json(nullptr)},
            {"mode", o.mode ? ordered_json(solver::modeKeyword(o.mode->value)) : ordered_json(nullptr)},
            {"top", o.top ? ordered_json(solver::topKeyword(o.top->value)) : ordered_json(nullptr)},
            {"timer2_clock_hz", query.crystalHz ? valueJson(*query.crystalHz, Goal::Frequency) : ordered_json(nullptr)},
            {"timer1_clock_hz", query.pllHz ? valueJson(*query.pllHz, Goal::Frequency) : ordered_json(nullptr)},
            {"max_error_ppm",
             o.maxError ? ordered_json(solver::decimalText(o.maxError->value, 15)) : ordered_json(nullptr)},
            {"limit", o.limit}};
}

namespace {

void printJson(const SolveOptions& o, const solver::Query& query, const std::vector<Shown>& rows,
               const std::optional<std::string>& reach, bool withinMaxError, std::ostream& out) {
    ordered_json results = ordered_json::array();
    for (std::size_t i = 0; i < rows.size(); ++i)
        results.push_back(resultJson(i + 1, rows[i], query.goal));
    const ordered_json json{
        {"query", queryJson(o, query)},
        {"within_max_error", withinMaxError},
        {"note", reach ? ordered_json(*reach) : ordered_json(nullptr)},
        {"results", results},
    };
    out << json.dump(2) << "\n";
}

}  // namespace

std::string timerNumbers(const avr::Chip& chip) {
    return fmt::format("{}", fmt::join(chip.timers | std::views::transform(&avr::Timer::number), ", "));
}

solver::Query queryOf(const SolveOptions& o) {
    const Target target = targetOf(o);
    solver::Query query;
    query.chip = o.chip;
    query.clockHz = o.clock.value;
    query.goal = target.goal;
    query.target = target.given.value;
    if (o.timer)
        query.timer = o.timer->value;
    if (o.mode)
        query.mode = o.mode->value;
    if (o.top)
        query.top = o.top->value;
    if (o.crystal)
        query.crystalHz = o.crystal->value;
    if (o.pll)
        query.pllHz = o.pll->value;
    return query;
}

namespace {

bool countsCrystal(const avr::Timer& timer) { return timer.countsCrystal(); }
bool countsPll(const avr::Timer& timer) { return timer.pll.has_value(); }

const avr::Timer* timerThat(const avr::Chip& chip, bool (*counts)(const avr::Timer&)) {
    const auto found = std::ranges::find_if(chip.timers, counts);
    return found == chip.timers.end() ? nullptr : &*found;
}

// An example for an option that needs a timer the chip lacks: "32768 --timer 2"
// on a chip that has it, "32768 --mcu atmega328p" on one that does not.
std::string exampleWith(std::string_view value, const avr::Chip& chip, bool (*counts)(const avr::Timer&)) {
    if (const avr::Timer* timer = timerThat(chip, counts))
        return fmt::format("{} --timer {}", value, timer->number);
    // The usual chip first, as the example most will know.
    const avr::Chip& usual = *avr::findChip(avr::defaultChip);
    const auto other = std::ranges::find_if(avr::chips(), [&](const avr::Chip& c) { return timerThat(c, counts); });
    return fmt::format("{} --mcu {}", value, timerThat(usual, counts) ? usual.name : other->name);
}

// A clock option given for a timer that is not searched: the one asked for
// is another, or the chip has none.
InputError clockWithoutTimer(std::string_view option, const Given<mpq_class>& clock, std::string_view example,
                             const SolveOptions& o, const solver::Query& query, bool (*counts)(const avr::Timer&)) {
    const avr::Timer* timer = timerThat(*query.chip, counts);
    const std::string problem =
        timer ? fmt::format("drives Timer{}, but --timer {} was asked for", timer->number, o.timer->text)
              : fmt::format("is the clock of a timer the {} does not have", query.chip->title);
    return badInput(option, clock.text, problem, exampleWith(example, *query.chip, counts));
}

bool answers(const solver::Query& query) {
    try {
        solver::solve(query);
        return true;
    } catch (const solver::QueryError&) {
        return false;
    }
}

// The first of the candidates with which the query, narrowed by it, has an
// answer, by its name: an example that fits the chip and the other options.
template <typename Candidates, typename Narrow, typename Name>
std::optional<std::string> firstAnswering(const solver::Query& query, const Candidates& candidates, Narrow narrow,
                                          Name name) {
    for (const auto& candidate : candidates) {
        solver::Query narrowed = query;
        narrow(narrowed, candidate);
        if (answers(narrowed))
            return std::string(name(candidate));
    }
    return std::nullopt;
}

// The usual mode for each goal comes first, so that it is the example.
constexpr avr::Mode exampleModes[] = {avr::Mode::Ctc, avr::Mode::FastPwm, avr::Mode::Normal, avr::Mode::PhasePwm,
                                      avr::Mode::PhaseFrequencyPwm};
constexpr avr::Top exampleTops[] = {avr::Top::Fixed, avr::Top::Ocr, avr::Top::Icr};

// " with --mode ctc --timer 0": the narrowing options given besides the one blamed.
std::string besides(const SolveOptions& o, std::string_view blamed) {
    std::string text;
    const auto add = [&](std::string_view option, const auto& given) {
        if (given && option != blamed)
            text += fmt::format(" {} {}", option, given->text);
    };
    add("--mode", o.mode);
    add("--top", o.top);
    add("--timer", o.timer);
    return text.empty() ? text : " with" + text;
}

// An option that narrows the search to one timer, mode or kind of TOP.
struct Narrowing {
    std::string_view option;
    const std::string* given;  // as typed; null when not given
    std::function<void(solver::Query&)> asGiven;
    // The first value of the option with which the query has an answer.
    std::function<std::optional<std::string>(const solver::Query&)> fitting;
};

// No setting of the timer, mode and TOP asked for reaches the goal. The
// option blamed is the first that has a value that would, with the others
// as given; else the first whose value alone reaches nothing, with a value
// that alone would.
InputError noSettingError(const SolveOptions& o, const solver::Query& query) {
    const Target target = targetOf(o);
    const std::string_view what = target.goal == Goal::Interval    ? "periodic interrupt"
                                  : target.goal == Goal::Frequency ? "square wave"
                                                                   : "PWM";
    const auto timers = query.chip->timers | std::views::transform(&avr::Timer::number);
    const Narrowing narrowings[] = {
        {"--top", o.top ? &o.top->text : nullptr, [&](solver::Query& q) { q.top = query.top; },
         [](const solver::Query& q) {
             return firstAnswering(q, exampleTops, [](solver::Query& n, avr::Top t) { n.top = t; }, solver::topKeyword);
         }},
        {"--mode", o.mode ? &o.mode->text : nullptr, [&](solver::Query& q) { q.mode = query.mode; },
         [](const solver::Query& q) {
             return firstAnswering(q, exampleModes, [](solver::Query& n, avr::Mode m) { n.mode = m; },
                                   solver::modeKeyword);
         }},
        {"--timer", o.timer ? &o.timer->text : nullptr, [&](solver::Query& q) { q.timer = query.timer; },
         [&](const solver::Query& q) {
             return firstAnswering(q, timers, [](solver::Query& n, int t) { n.timer = t; },
                                   [](int t) { return std::to_string(t); });
         }},
    };
    const auto blame = [&](const Narrowing& n, const std::string& example) {
        return badInput(n.option, *n.given,
                        fmt::format("gives no {}{} on the {}", what, besides(o, n.option), query.chip->title),
                        example);
    };
    for (const Narrowing& n : narrowings)
        if (n.given)
            if (const auto example = n.fitting(query))
                return blame(n, *example);
    solver::Query unnarrowed = query;
    unnarrowed.timer.reset(), unnarrowed.mode.reset(), unnarrowed.top.reset();
    for (const bool failsAlone : {true, false})
        for (const Narrowing& n : narrowings) {
            solver::Query alone = unnarrowed;
            n.asGiven(alone);
            if (n.given && (!failsAlone || !answers(alone)))
                if (const auto example = n.fitting(unnarrowed))
                    return blame(n, *example);
        }
    return badInput(target.option, target.given.text,
                    fmt::format("needs a {} no timer of the {} gives", what, query.chip->title), target.example);
}

// Why the solver found the query unanswerable, worded for the option at fault.
InputError problemError(solver::Problem problem, const SolveOptions& o, const solver::Query& query) {
    using solver::Problem;
    const Target target = targetOf(o);
    if (std::optional<InputError> clock = clockAtFault(problem, *query.chip, o.clock, target.given.text))
        return *clock;
    // A target the clock cannot reach gets an example it can: a thousand of its cycles.
    const auto fitting = [&] {
        const mpq_class reachable = target.goal == Goal::Interval ? mpq_class(1000 / query.clockHz)
                                                                   : mpq_class(query.clockHz / 1000);
        std::string text = valueText(reachable, target.goal);
        std::erase(text, ' ');
        return text;
    };
    const std::string clock = solver::frequencyText(query.clockHz);
    const std::string chip(query.chip->title);
    switch (problem) {
    case Problem::ClockNotPositive: return badInput("--clock", o.clock.text, "is not above zero", "16MHz");
    case Problem::CrystalNotPositive: return badInput("--timer2-clock", o.crystal->text, "is not above zero", "32768");
    case Problem::PllNotPositive: return badInput("--timer1-clock", o.pll->text, "is not above zero", "64MHz");
    case Problem::TargetNotPositive:
        return badInput(target.option, target.given.text, "is not above zero", target.example);
    case Problem::CrystalWithoutTimer2:
        return clockWithoutTimer("--timer2-clock", *o.crystal, "32768", o, query, countsCrystal);
    case Problem::PllWithoutTimer: return clockWithoutTimer("--timer1-clock", *o.pll, "64MHz", o, query, countsPll);
    case Problem::NoSuchTimer:
        return badInput("--timer", o.timer->text,
                        fmt::format("is not a timer of the {} ({})", chip, timerNumbers(*query.chip)),
                        std::to_string(query.chip->timers.front().number));
    case Problem::CrystalTooFast:
        return badInput("--timer2-clock", o.crystal->text,
                        fmt::format("is not under a quarter of the {} CPU clock, as Timer2 needs to count it", clock),
                        "32768");
    case Problem::TargetBelowCycle:
        return badInput(target.option, target.given.text,
                        fmt::format("is {} one cycle of the {} clock",
                                    target.goal == Goal::Interval ? "shorter than" : "faster than", clock),
                        fitting());
    case Problem::TargetAboveHalfClock:
        return badInput(target.option, target.given.text,
                        fmt::format("is faster than half the {} clock ({}), which no output reaches", clock,
                                    solver::frequencyText(query.clockHz / 2)),
                        fitting());
    case Problem::IntervalBelowRoutine:
        return badInput(target.option, target.given.text,
                        fmt::format("is shorter than an interrupt routine's round trip: the shortest interval at {} "
                                    "is {} ({} cycles)",
                                    clock, solver::timeText(solver::routineRoundTripCycles / query.clockHz),
                                    solver::routineRoundTripCycles),
                        fitting());
    case Problem::NoSetting: return noSettingError(o, query);
    case Problem::TooManyInterrupts:
        return badInput(target.option, target.given.text, "would need 2^32 interrupts or more of the longest period",
                        target.example);
    }
    return InputError("bad input");
}

}  // namespace

solver::Ranking rankingOf(const SolveOptions& o, const solver::Query& query) {
    if (o.maxError && o.maxError->value < 0)
        throw badInput("--max-error", o.maxError->text, "is below zero", "100");
    try {
        return solver::solve(query);
    } catch (const solver::QueryError& error) {
        throw problemError(error.problem(), o, query);
    }
}

namespace {

bool within(const SolveOptions& o, const solver::Row& row) {
    return !o.maxError || abs(shownErrorPpm(row)) <= o.maxError->value;
}

// The first rows shown, at most atMost of them, each with its twins; when
// none is within --max-error, the nearest alone.
struct ShownRows {
    std::vector<Shown> rows;
    bool withinMaxError = true;
};

ShownRows shownRows(const SolveOptions& o, const solver::Ranking& ranking, std::size_t atMost) {
    ShownRows shown;
    std::size_t first = 0;  // the rank of the last row's first twin
    for (std::size_t i = 0; i < ranking.size(); ++i) {
        if (!shown.rows.empty() && ranking.twins(first, i)) {
            shown.rows.back().push_back(ranking.row(i));
            continue;
        }
        if (shown.rows.size() == atMost)
            break;
        first = i;
        solver::Row row = ranking.row(i);
        if (!within(o, row)) {
            if (shown.rows.empty())
                shown = {{{std::move(row)}}, false};
            else
                break;
            continue;
        }
        shown.rows.push_back({std::move(row)});
    }
    return shown;
}

// What the chosen timers reach for the query's goal, lowest and highest:
// the best rows for a goal below and at the fastest any output gives.
std::optional<std::pair<mpq_class, mpq_class>> reachOf(solver::Query query) {
    try {
        query.target = query.clockHz / 2;
        const mpq_class highest = solver::solve(query).row(0).achieved;
        query.target = query.clockHz / mpq_class(mpz_class(1) << 40);
        return std::pair(solver::solve(query).row(0).achieved, highest);
    } catch (const solver::QueryError&) {
        return std::nullopt;
    }
}

std::string timersText(const solver::Query& query) {
    if (query.timer)
        return fmt::format("Timer{} reaches", *query.timer);
    return fmt::format("The timers of the {} reach", query.chip->title);
}

// A wave or PWM slower than the chosen timers go: their range, and what
// does reach it, an interrupt counted in software or another timer.
std::optional<std::string> reachNote(const solver::Query& query) {
    if (query.goal == Goal::Interval)
        return std::nullopt;
    const auto reach = reachOf(query);
    if (!reach || reach->first <= query.target)
        return std::nullopt;
    const bool wave = query.goal == Goal::Frequency;
    const mpq_class interval = 1 / (query.target * (wave ? 2 : 100));
    std::string option = solver::timeText(interval);
    std::erase(option, ' ');
    std::string text = fmt::format(
        "{} {} to {} for a {} with the clock at {}, not {}: {} in an interrupt every {}, counted in software "
        "(solve --interval {})",
        timersText(query), solver::frequencyText(reach->first), solver::frequencyText(reach->second),
        wave ? "square wave" : "PWM", solver::frequencyText(query.clockHz), solver::frequencyText(query.target),
        wave ? "toggle the pin" : "switch the pin in 1 % steps", solver::timeText(interval), option);
    if (query.timer)
        for (const avr::Timer& timer : query.chip->timers) {
            solver::Query other = query;
            other.timer = timer.number;
            if (const auto otherReach = reachOf(other); otherReach && otherReach->first <= query.target) {
                text += fmt::format(", or take Timer{}, which reaches {} (--timer {})", timer.number,
                                    solver::frequencyText(otherReach->first), timer.number);
                break;
            }
        }
    return text + ".";
}

// The width to fit the table in: a terminal's, unless --wide.
std::optional<std::size_t> widthFor(const SolveOptions& o, const std::ostream& out) {
    if (o.wide)
        return std::nullopt;
    return o.width ? o.width : terminalWidth(out);
}

}  // namespace

std::optional<std::size_t> terminalWidth(const std::ostream& out) {
    if (&out != &std::cout || isatty(STDOUT_FILENO) == 0)
        return std::nullopt;
    if (const char* columns = std::getenv("COLUMNS")) {
        std::size_t width = 0;
        const std::string_view text(columns);
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), width);
        if (error == std::errc() && end == text.data() + text.size() && width > 0)
            return width;
    }
    winsize size{};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return std::nullopt;
}

PickedRow pickedRow(const SolveOptions& o, const solver::Ranking& ranking, const Given<int>& pick) {
    const auto rank = static_cast<std::size_t>(pick.value);
    const ShownRows shown = shownRows(o, ranking, rank);
    if (rank > shown.rows.size())
        throw badInput("--pick", pick.text, fmt::format("is beyond the {} rows of the ranking", shown.rows.size()),
                       "1");
    return {shown.rows[rank - 1].front(), shown.withinMaxError};
}

int runSolve(const SolveOptions& o, std::ostream& out, std::ostream& err) {
    const solver::Query query = queryOf(o);
    const solver::Ranking ranking = rankingOf(o, query);
    const ShownRows shown = shownRows(o, ranking, static_cast<std::size_t>(o.limit));
    const std::optional<std::string> reach = reachNote(query);
    if (o.json)
        printJson(o, query, shown.rows, reach, shown.withinMaxError, out);
    else
        printText(query, shown.rows, reach, widthFor(o, out), out);
    if (shown.withinMaxError)
        return exitOk;
    err << noneWithin(o, shown.rows.front().front());
    return exitNoResult;
}

std::string noneWithin(const SolveOptions& o, const solver::Row& nearest) {
    return fmt::format("avrtimer-calc: no setting is within --max-error {} ppm; the nearest, printed, is {}{} ppm off\n",
                       o.maxError->text, estimateMark(nearest), solver::signedText(shownErrorPpm(nearest)));
}

}  // namespace cli
