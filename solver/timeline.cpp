#include "solver/timeline.h"

#include "solver/waveform.h"

#include <algorithm>
#include <array>
#include <map>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <utility>

namespace solver {
namespace {

using avr::Mode;

// What the counter does on the tick that leaves a value.
enum class Step { Up, Down, Wrap };

struct Leaving {
    long tick;  // after the start of its period
    Step step;
};

struct PeriodStart {
    long tick;
    int value;  // TCNTn at the start
};

// How the counter runs: its mode and TOP, and where each period starts. Only
// NORMAL mode starts anywhere but BOTTOM: at the preload, or at the initial
// TCNTn for the first period.
class Course {
public:
    Course(const Explained& e, int initial, int reload)
        : timer_(*e.timer), mode_(e.mode.mode), top_(e.top), initial_(startIn(initial)), reload_(startIn(reload)) {}

    bool fastPwm() const { return mode_ == Mode::FastPwm; }
    int top() const { return top_; }

    long length(int start) const {
        return mode_ == Mode::Normal ? preloadedTicks(timer_, start) : periodTicks(mode_, top_);
    }
    long steadyLength() const { return length(reload_); }

    std::vector<PeriodStart> periods(long count) const {
        std::vector<PeriodStart> starts;
        long tick = 0;
        for (long i = 0; i <= count; ++i) {
            const int value = i == 0 ? initial_ : reload_;
            starts.push_back({tick, value});
            tick += length(value);
        }
        return starts;  // and the start of the one after the last
    }

    // The ticks of a period, started at `start`, that leave `value`.
    std::vector<Leaving> leaving(int value, int start) const {
        if (value < start || value > top_)
            return {};
        if (!dualSlope(mode_))
            return {{value - start + 1L, value == top_ ? Step::Wrap : Step::Up}};
        if (value == 0)
            return {{1, Step::Up}};
        if (value == top_)
            return {{top_ + 1L, Step::Down}};
        return {{value + 1L, Step::Up}, {2L * top_ - value + 1, Step::Down}};
    }

    // Where the counter turns or wraps, after the start of its period.
    long peakTick(int start) const { return dualSlope(mode_) ? top_ : top_ - start; }

private:
    int startIn(int value) const { return mode_ == Mode::Normal ? value : 0; }

    const avr::Timer& timer_;
    Mode mode_;
    int top_;
    int initial_;
    int reload_;
};

int valueIn(const std::vector<RegisterValue>& values, std::string_view reg) {
    const auto found = std::ranges::find(values, reg, &RegisterValue::name);
    return found == values.end() ? 0 : found->value;
}

bool pwm(PinAction action) {
    return action == PinAction::NonInverting || action == PinAction::Inverting || action == PinAction::Complementary;
}

// A non-inverted PWM pin at a match: cleared, but set counting down in the
// dual-slope modes.
bool nonInvertedAtMatch(Step step, bool dual) { return dual && step != Step::Up; }

// The level a match gives the pin; Complementary drives OC1x as
// NonInverting does.
bool levelAtMatch(PinAction action, Step step, bool dual, bool current) {
    switch (action) {
    case PinAction::Toggle: return !current;
    case PinAction::Clear: return false;
    case PinAction::Set: return true;
    case PinAction::Inverting: return !nonInvertedAtMatch(step, dual);
    default: return nonInvertedAtMatch(step, dual);
    }
}

class Builder {
public:
    Builder(const Query& query, const Setup& setup, Explained e, const std::vector<RegisterValue>& values)
        : course_(e, valueIn(values, e.timer->counter), setup.reload) {
        timeline_.registers = std::move(e);
        const Explained& r = timeline_.registers;
        const mpq_class countedHz = r.countedHz.value_or(query.clockHz);
        timeline_.tickCycles = r.prescaler * query.clockHz / countedHz;
    }

    Timeline build(int periods) {
        const Explained& r = timeline_.registers;
        const bool toggles = std::ranges::any_of(r.outputs, [](const OutputExplained& o) {
            return connected(o) && o.action == PinAction::Toggle;
        });
        const long perTimelinePeriod = toggles ? 2 : 1;
        starts_ = course_.periods(periods * perTimelinePeriod);
        timeline_.periodCycles = cycles(course_.steadyLength() * perTimelinePeriod);
        timeline_.end = cycles(starts_.back().tick);
        counter();
        for (const OutputExplained& o : r.outputs)
            if (connected(o))
                output(o);
        for (const InterruptExplained& i : r.interrupts)
            interrupt(i);
        std::ranges::stable_sort(timeline_.interrupts, std::less{}, &FlagRaise::cycle);
        return std::move(timeline_);
    }

private:
    static bool connected(const OutputExplained& o) {
        return o.action != PinAction::Disconnected && o.pinIsOutput != false;
    }

    mpq_class cycles(long ticks) const { return mpq_class(ticks) * timeline_.tickCycles; }

    // The periods, without the start of the one after the last.
    std::span<const PeriodStart> periods() const { return std::span(starts_).first(starts_.size() - 1); }

    void counter() {
        for (const PeriodStart& p : periods()) {
            timeline_.counter.push_back({cycles(p.tick), p.value});
            if (course_.top() != p.value)
                timeline_.counter.push_back({cycles(p.tick + course_.peakTick(p.value)), course_.top()});
        }
        timeline_.counter.push_back({timeline_.end, starts_.back().value});
    }

    struct PinEvent {
        long tick;
        bool bottom;  // Fast PWM's BOTTOM, after a match on the same tick
        Step step;
    };

    // A Fast PWM that holds a compare of 0 low leaves the pin alone at
    // BOTTOM then.
    bool setsAtBottom(const OutputExplained& o) const {
        return course_.fastPwm() && pwm(o.action) && !(timeline_.registers.mode.lowAtZero && o.compare == 0);
    }

    void output(const OutputExplained& o) {
        std::vector<PinEvent> events;
        for (const PeriodStart& p : periods()) {
            for (const Leaving& l : course_.leaving(o.compare, p.value))
                events.push_back({p.tick + l.tick, false, l.step});
            if (setsAtBottom(o))
                events.push_back({p.tick + course_.length(p.value), true, Step::Wrap});
        }
        std::ranges::stable_sort(events, {}, [](const PinEvent& e) { return std::pair(e.tick, e.bottom); });
        OutputTimeline out{o.unit, o.action, o.compare, false, {}};
        const bool dual = dualSlope(timeline_.registers.mode.mode);
        // What a tick leaves counts: a match at TOP and BOTTOM on the same
        // tick make no glitch.
        bool level = out.startsHigh;
        for (auto event = events.begin(); event != events.end();) {
            const bool before = level;
            const long tick = event->tick;
            for (; event != events.end() && event->tick == tick; ++event)
                level = event->bottom ? o.action != PinAction::Inverting
                                      : levelAtMatch(o.action, event->step, dual, level);
            if (level != before)
                out.transitions.push_back({cycles(tick), level});
        }
        timeline_.outputs.push_back(std::move(out));
    }

    // The value whose leaving raises the flag.
    int flagValue(const InterruptExplained& i) const {
        const Explained& r = timeline_.registers;
        if (i.vector == r.timer->overflowVector)
            return dualSlope(r.mode.mode) ? 0 : course_.top();
        for (const OutputExplained& o : r.outputs)
            if (o.unit->vector == i.vector)
                return o.compare;
        return course_.top();  // the capture flag, with ICRn as TOP
    }

    void interrupt(const InterruptExplained& i) {
        if (!i.ticks)
            return;  // the counter never gets there, or the flag follows a pin
        const int value = flagValue(i);
        for (const PeriodStart& p : periods())
            for (const Leaving& l : course_.leaving(value, p.value))
                timeline_.interrupts.push_back({cycles(p.tick + l.tick), i.vector});
    }

    Course course_;
    std::vector<PeriodStart> starts_;
    Timeline timeline_;
};

}  // namespace

std::vector<RegisterValue> registersAfter(const Setup& setup) {
    std::map<std::string, int> values;
    for (const SetupStep& step : setup.steps)
        if (step.kind == SetupStep::Kind::Assign)
            values[std::string(step.reg)] = step.value();
        else if (step.kind == SetupStep::Kind::Merge)
            values[std::string(step.reg)] |= step.value();
    std::vector<RegisterValue> list;
    for (const auto& [name, value] : values)
        list.push_back({name, value});
    return list;
}

Timeline timelineOf(const Query& query, const Row& row, int dutyPercent, int periods) {
    if (periods < 1)
        throw std::invalid_argument("a timeline of no periods");
    const Setup setup = setupOf(query, row, dutyPercent);
    const std::vector<RegisterValue> values = registersAfter(setup);
    std::vector<Explained> explained = explain(*query.chip, values, {query.clockHz, query.crystalHz, query.pllHz});
    const auto own = std::ranges::find(explained, setup.timer, &Explained::timer);
    if (own == explained.end())
        throw std::logic_error("a setup that explain does not read as its timer's");
    return Builder(query, setup, std::move(*own), values).build(periods);
}

// ------------------------------------------------------------- drawings

namespace {

struct TimeUnit {
    std::string_view name;
    int perSecond;
};
constexpr std::array timeUnits{TimeUnit{"s", 1}, TimeUnit{"ms", 1000}, TimeUnit{"us", 1000000}};

}  // namespace

TimeAxis timeAxisOf(const Timeline& timeline, const mpq_class& cpuHz) {
    const mpq_class seconds = timeline.end / cpuHz;
    const auto unit = std::ranges::find_if(timeUnits, [&](const TimeUnit& u) { return seconds * u.perSecond >= 1; });
    const TimeUnit& chosen = unit == timeUnits.end() ? timeUnits.back() : *unit;
    TimeAxis axis{chosen.name, seconds * chosen.perSecond, 1};
    while (axis.span / axis.step > 100)
        axis.step *= 10;
    while (axis.span / axis.step < 10)
        axis.step /= 10;
    for (const int multiple : {10, 5, 2}) {
        if (axis.span / (axis.step * multiple) >= 4) {
            axis.step *= multiple;
            break;
        }
    }
    return axis;
}

bool drawn(const Timeline& timeline, const OutputExplained& output) {
    const auto pinOf = [&](const OutputTimeline& pin) { return pin.unit == output.unit; };
    const auto flagOf = [&](const FlagRaise& raise) { return raise.vector == output.unit->vector; };
    return std::ranges::any_of(timeline.outputs, pinOf) || std::ranges::any_of(timeline.interrupts, flagOf);
}

std::vector<CounterLine> counterLinesOf(const Row& row, const Timeline& timeline) {
    const Explained& r = timeline.registers;
    std::map<int, CounterLine> lines;
    const auto at = [&](int value) -> CounterLine& {
        CounterLine& line = lines[value];
        line.value = value;
        return line;
    };
    CounterLine& top = at(r.top);
    top.top = true;
    top.topRegister = r.mode.top == avr::Top::Ocr   ? r.timer->topOcr
                      : r.mode.top == avr::Top::Icr ? r.timer->capture->icr
                                                    : std::string_view();
    if (row.setting.role == RegisterRole::Preload)
        at(row.setting.registerValue).preload = true;
    for (const OutputExplained& o : r.outputs)
        if (drawn(timeline, o) && o.unit->ocr != top.topRegister && o.compare <= r.top)
            at(o.compare).compares.push_back(o.unit->ocr);
    std::vector<CounterLine> list;
    for (auto& [value, line] : lines)
        list.push_back(std::move(line));
    return list;
}

}  // namespace solver
