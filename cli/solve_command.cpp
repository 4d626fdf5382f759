#include "cli/solve_command.h"

#include "cli/cli.h"
#include "solver/waveform.h"
#include "solver/words.h"
#include "solver/decimal.h"
#include "solver/search.h"

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include <algorithm>
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

std::string errorText(const solver::Row& row) {
    return row.exact() ? "exact" : solver::signedText(row.error * 1000000);
}

std::string timerText(const solver::Row& row) {
    return fmt::format("Timer{}{}", row.setting.timer->number, clockNote(row.setting.clock));
}

std::string outputText(const solver::Row& row) {
    const avr::CompareUnit* unit = row.setting.output;
    return unit == nullptr ? "-" : fmt::format("{} ({})", unit->output, unit->pin);
}

std::string optionalValue(const std::optional<mpq_class>& value, Goal goal) {
    return value ? valueText(*value, goal) : "-";
}

std::vector<std::string> textRow(std::size_t rank, const solver::Row& row, Goal goal) {
    std::string notes;
    for (solver::Warning w : row.warnings)
        notes += solver::warningLetter(w);
    std::vector<std::string> cells{std::to_string(rank),
                                   timerText(row),
                                   std::string(solver::modeName(row.setting.mode())),
                                   std::to_string(row.setting.prescaler),
                                   solver::registersText(row.setting)};
    if (goal == Goal::Interval)
        cells.push_back(countText(row));
    else
        cells.push_back(outputText(row));
    for (std::string cell : {valueText(row.achieved, goal), errorText(row), solver::signedText(row.driftPerDay),
                             optionalValue(row.below, goal), optionalValue(row.above, goal), notes})
        cells.push_back(std::move(cell));
    return cells;
}

std::string table(const std::vector<std::vector<std::string>>& rows) {
    std::vector<std::size_t> widths(rows.front().size(), 0);
    for (const auto& row : rows)
        for (std::size_t i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], row[i].size());
    std::string text;
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t i = 0; i < row.size(); ++i)
            line += fmt::format("{:<{}}  ", row[i], widths[i]);
        line.erase(line.find_last_not_of(' ') + 1);
        text += line + "\n";
    }
    return text;
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

void printText(const solver::Query& query, const std::vector<solver::Row>& rows, std::ostream& out) {
    out << fmt::format("{} at {}{}: {}\n\n", query.chip->title, solver::frequencyText(query.clockHz),
                       otherClocksText(query), solver::goalText(query));
    std::vector<std::vector<std::string>> cells{{"#", "timer", "mode", "prescaler", "registers",
                                                 query.goal == Goal::Interval ? "count" : "output", "achieved",
                                                 "error [ppm]", "drift [s/day]", "below", "above", "notes"}};
    std::map<char, solver::Warning> used;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        cells.push_back(textRow(i + 1, rows[i], query.goal));
        for (solver::Warning w : rows[i].warnings)
            used.emplace(solver::warningLetter(w), w);
    }
    out << table(cells);
    if (!used.empty())
        out << "\n";
    for (const auto& [letter, warning] : used)
        out << letter << ": " << solver::warningText(warning) << "\n";
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

ordered_json resultJson(std::size_t rank, const solver::Row& row, Goal goal) {
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
        {"mode", solver::modeKeyword(s.mode())},
        {"prescaler", s.prescaler},
        {"clock", clockKeyword(s.clock)},
        {"registers", registers},
        {"top", s.topValue()},
        {"top_register", s.top() == avr::Top::Fixed ? ordered_json(nullptr) : ordered_json(s.topRegister())},
        {"count", s.count},
        {"output", s.output ? ordered_json{{"name", s.output->output}, {"pin", s.output->pin}} : ordered_json(nullptr)},
        {"achieved", valueJson(row.achieved, goal)},
        {"exact_hit", row.exact()},
        {"error_ppm", solver::nearestDouble(row.error * 1000000)},
        {"drift_s_per_day", solver::nearestDouble(row.driftPerDay)},
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
            {"top", o.top ? ordered_json(topKeyword(o.top->value)) : ordered_json(nullptr)},
            {"timer2_clock_hz", query.crystalHz ? valueJson(*query.crystalHz, Goal::Frequency) : ordered_json(nullptr)},
            {"timer1_clock_hz", query.pllHz ? valueJson(*query.pllHz, Goal::Frequency) : ordered_json(nullptr)},
            {"max_error_ppm",
             o.maxError ? ordered_json(solver::decimalText(o.maxError->value, 15)) : ordered_json(nullptr)},
            {"limit", o.limit}};
}

namespace {

void printJson(const SolveOptions& o, const solver::Query& query, const std::vector<solver::Row>& rows,
               bool withinMaxError, std::ostream& out) {
    ordered_json results = ordered_json::array();
    for (std::size_t i = 0; i < rows.size(); ++i)
        results.push_back(resultJson(i + 1, rows[i], query.goal));
    const ordered_json json{
        {"query", queryJson(o, query)},
        {"within_max_error", withinMaxError},
        {"results", results},
    };
    out << json.dump(2) << "\n";
}

}  // namespace

std::string_view topKeyword(avr::Top top) {
    return std::ranges::find(topKeywords, top, &TopKeyword::top)->keyword;
}

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
    const auto other = std::ranges::find_if(avr::chips(), [&](const avr::Chip& c) { return timerThat(c, counts); });
    return fmt::format("{} --mcu {}", value, other->name);
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
             return firstAnswering(q, exampleTops, [](solver::Query& n, avr::Top t) { n.top = t; }, topKeyword);
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
                        target.example);
    case Problem::TargetAboveHalfClock:
        return badInput(target.option, target.given.text,
                        fmt::format("is faster than half the {} clock ({}), which no output reaches", clock,
                                    solver::frequencyText(query.clockHz / 2)),
                        target.example);
    case Problem::IntervalBelowRoutine:
        return badInput(target.option, target.given.text,
                        fmt::format("is shorter than an interrupt routine's round trip: the shortest interval at {} "
                                    "is {} ({} cycles)",
                                    clock, solver::timeText(solver::routineRoundTripCycles / query.clockHz),
                                    solver::routineRoundTripCycles),
                        target.example);
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

std::size_t rowsWithin(const SolveOptions& o, const solver::Ranking& ranking, std::size_t atMost) {
    return o.maxError ? ranking.countWithin(o.maxError->value, atMost) : std::min(atMost, ranking.size());
}

PickedRow pickedRow(const SolveOptions& o, const solver::Ranking& ranking, const Given<int>& pick) {
    const auto rank = static_cast<std::size_t>(pick.value);
    const std::size_t within = rowsWithin(o, ranking, rank);
    const std::size_t available = within == 0 ? 1 : within;
    if (rank > available)
        throw badInput("--pick", pick.text, fmt::format("is beyond the {} rows of the ranking", available), "1");
    return {ranking.row(rank - 1), within > 0};
}

int runSolve(const SolveOptions& o, std::ostream& out, std::ostream& err) {
    const solver::Query query = queryOf(o);
    const solver::Ranking ranking = rankingOf(o, query);
    const std::size_t within = rowsWithin(o, ranking, static_cast<std::size_t>(o.limit));
    const std::size_t shown = within == 0 ? 1 : std::min<std::size_t>(within, static_cast<std::size_t>(o.limit));
    std::vector<solver::Row> rows;
    for (std::size_t i = 0; i < shown && i < ranking.size(); ++i)
        rows.push_back(ranking.row(i));
    if (o.json)
        printJson(o, query, rows, within > 0, out);
    else
        printText(query, rows, out);
    if (within > 0)
        return exitOk;
    err << noneWithin(o, rows.front());
    return exitNoResult;
}

std::string noneWithin(const SolveOptions& o, const solver::Row& nearest) {
    return fmt::format("avrtimer-calc: no setting is within --max-error {} ppm; the nearest, printed, is {} ppm off\n",
                       o.maxError->text, solver::signedText(nearest.error * 1000000));
}

}  // namespace cli
