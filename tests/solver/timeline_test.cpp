// The timeline of a row against the row's own claims: the interrupts a
// period apart, the square wave's half periods, the PWM's period and the
// setup's duty, for every mode family and for clocks whose ticks fall
// between CPU cycles.
#include "solver/setupcode.h"
#include "solver/timeline.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace {

using avr::Mode;
using avr::Top;
using solver::Goal;
using solver::TimerClock;

struct Case {
    const char* name;
    const char* chip;
    Goal goal;
    mpq_class target;
    Mode mode;
    std::optional<Top> top;
    std::optional<int> timer;
    TimerClock clock = TimerClock::Cpu;
    int duty = 30;
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

const Case cases[] = {
    {"CtcInterrupt", "atmega328p", Goal::Interval, mpq_class(1, 1000), Mode::Ctc, {}, 0},
    {"CtcOnIcr1", "atmega328p", Goal::Interval, 1, Mode::Ctc, Top::Icr, 1},
    {"CountedCtc", "atmega328p", Goal::Interval, 1, Mode::Ctc, {}, 0},
    {"Overflow", "atmega328p", Goal::Interval, mpq_class(128, 125000), Mode::Normal, {}, 0},
    {"Preload", "atmega328p", Goal::Interval, mpq_class(1, 10000), Mode::Normal, {}, 2},
    {"PreloadSixteenBit", "atmega2560", Goal::Interval, mpq_class(3, 1000), Mode::Normal, {}, 5},
    {"Crystal", "atmega328p", Goal::Interval, 1, Mode::Ctc, {}, 2, TimerClock::Crystal},
    {"Pll", "attiny85", Goal::Interval, mpq_class(1, 1000), Mode::Ctc, {}, 1, TimerClock::Pll},
    {"CtcSquareWave", "atmega328p", Goal::Frequency, 38000, Mode::Ctc, {}, 2},
    {"NormalSquareWave", "atmega328p", Goal::Frequency, mpq_class(16000000, 4096), Mode::Normal, {}, 0},
    {"FastPwmFixed", "atmega328p", Goal::PwmFrequency, mpq_class(16000000, 1024), Mode::FastPwm, Top::Fixed, 1},
    {"FastPwmOnOcr", "atmega328p", Goal::PwmFrequency, 20000, Mode::FastPwm, Top::Ocr, 2},
    {"FastPwmOnIcr", "atmega328p", Goal::PwmFrequency, 50, Mode::FastPwm, Top::Icr, 1},
    {"FastPwmOnThePll", "attiny85", Goal::PwmFrequency, 40000, Mode::FastPwm, {}, 1, TimerClock::Pll},
    {"FastPwmNone", "atmega328p", Goal::PwmFrequency, 20000, Mode::FastPwm, Top::Ocr, 2, TimerClock::Cpu, 0},
    {"FastPwmFull", "atmega328p", Goal::PwmFrequency, 20000, Mode::FastPwm, Top::Ocr, 2, TimerClock::Cpu, 100},
    {"FastPwmNoneOnThePll", "attiny85", Goal::PwmFrequency, 40000, Mode::FastPwm, {}, 1, TimerClock::Pll, 0},
    {"PhaseCorrectFixed", "atmega328p", Goal::PwmFrequency, 490, Mode::PhasePwm, Top::Fixed, 0},
    {"PhaseCorrectOnOcr", "atmega2560", Goal::PwmFrequency, 20000, Mode::PhasePwm, Top::Ocr, 4},
    {"PhaseFrequencyOnIcr", "atmega328p", Goal::PwmFrequency, 50, Mode::PhaseFrequencyPwm, Top::Icr, 1},
};

constexpr int periods = 3;

// The time the pin is high between two instants.
mpq_class highTime(const solver::OutputTimeline& pin, const mpq_class& from, const mpq_class& to) {
    mpq_class high = 0, since = 0;
    bool level = pin.startsHigh;
    for (const solver::PinTransition& change : pin.transitions) {
        if (level)
            high += std::clamp(change.cycle, from, to) - std::clamp(since, from, to);
        since = change.cycle;
        level = change.high;
    }
    if (level)
        high += to - std::clamp(since, from, to);
    return high;
}

std::vector<mpq_class> gaps(const std::vector<mpq_class>& times) {
    std::vector<mpq_class> gaps;
    for (std::size_t i = 1; i < times.size(); ++i)
        gaps.push_back(times[i] - times[i - 1]);
    return gaps;
}

class TimelineOfRow : public testing::TestWithParam<Case> {};

TEST_P(TimelineOfRow, KeepsTheRowsPeriodAndDuty) {
    const Case& c = GetParam();
    solver::Query query;
    query.chip = avr::findChip(c.chip);
    query.clockHz = c.clock == TimerClock::Pll ? 8000000 : 16000000;
    query.goal = c.goal;
    query.target = c.target;
    query.mode = c.mode;
    query.top = c.top;
    query.timer = c.timer;
    if (c.clock == TimerClock::Crystal)
        query.crystalHz = 32768;
    if (c.clock == TimerClock::Pll)
        query.pllHz = 64000000;
    const solver::Row row = solver::solve(query).row(0);
    ASSERT_EQ(row.setting.clock, c.clock);
    const solver::Timeline t = solver::timelineOf(query, row, c.duty, periods);
    const mpq_class claimed = c.goal == Goal::Interval ? mpq_class(row.achieved / row.setting.count * query.clockHz)
                                                       : mpq_class(query.clockHz / row.achieved);
    EXPECT_EQ(t.periodCycles, claimed);
    EXPECT_EQ(t.end, t.periodCycles * periods);
    ASSERT_FALSE(t.counter.empty());
    EXPECT_EQ(t.counter.back().cycle, t.end);
    for (const solver::CounterVertex& v : t.counter)
        EXPECT_TRUE(v.value >= 0 && v.value <= t.registers.top) << v.value;

    if (c.goal == Goal::Interval) {
        ASSERT_TRUE(t.outputs.empty());
        std::vector<mpq_class> raises;
        for (const solver::FlagRaise& f : t.interrupts)
            raises.push_back(f.cycle);
        ASSERT_EQ(raises.size(), std::size_t{periods});
        for (const mpq_class& gap : gaps(raises))
            EXPECT_EQ(gap, claimed);
        return;
    }
    ASSERT_EQ(t.outputs.size(), 1u);
    const solver::OutputTimeline& pin = t.outputs.front();
    EXPECT_EQ(pin.unit, row.setting.output);
    std::vector<mpq_class> rising, changes;
    for (const solver::PinTransition& p : pin.transitions) {
        changes.push_back(p.cycle);
        if (p.high)
            rising.push_back(p.cycle);
    }
    for (const mpq_class& gap : gaps(changes))
        EXPECT_GT(gap, 0) << "a glitch";
    for (const mpq_class& gap : gaps(rising))
        EXPECT_EQ(gap, claimed);
    const std::optional<mpq_class> setDuty = solver::setupOf(query, row, c.duty).duty;
    const mpq_class high = c.goal == Goal::Frequency ? mpq_class(1, 2) : setDuty.value_or(-1);
    EXPECT_EQ(highTime(pin, t.end - claimed, t.end), high * claimed);
    if (c.duty % 100 != 0) {
        EXPECT_GE(rising.size(), 2u);
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, TimelineOfRow, testing::ValuesIn(cases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
