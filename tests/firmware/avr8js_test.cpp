// The setup code of the modes simavr does not run right, run in avr8js: the
// cycles between the events it makes must be the solver's exact claim.
#include "tests/firmware/avr8js.h"
#include "tests/firmware/cases.h"
#include "tests/firmware/timing.h"

#include "solver/timeline.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

using firmware::Avr8jsRun;
using firmware::Case;
using firmware::Measure;

std::string hexOf(const avr::Chip& chip, const Case& c) {
    return std::string(AVRTIMER_FIRMWARE_DIR) + "/" + std::string(chip.name) + "/" + c.name + ".hex";
}

// The port letter and bit of a pin named as the data sheet names it, "PD5".
std::pair<char, int> portBitOf(std::string_view pin) { return {pin[1], pin[2] - '0'}; }

// The flag that calls the routine of the vector.
avr::Bit flagOf(const avr::Timer& timer, std::string_view vector) {
    for (const avr::CompareUnit& unit : timer.compareUnits)
        if (unit.vector == vector)
            return unit.flag;
    if (timer.capture && timer.capture->vector == vector)
        return timer.capture->flag;
    return timer.overflowFlag;
}

firmware::Events flagEvents(const Avr8jsRun& run, const Case& c) {
    const avr::Bit flag = flagOf(*c.row.setting.timer, firmware::routineOf(c));
    return run.flag(flag.reg, flag.position);
}

firmware::Events pinEvents(const Avr8jsRun& run, const avr::CompareUnit& unit) {
    const auto [port, bit] = portBitOf(unit.pin);
    return run.pin(port, bit);
}

firmware::Events eventsOf(const Avr8jsRun& run, const avr::Chip& chip, const Case& c) {
    switch (c.measure) {
    case Measure::InterruptFlag: return flagEvents(run, c);
    case Measure::CountedProbe: {
        const firmware::Probe probe = *firmware::probeOf(chip);
        return run.pin(probe.port, probe.bit);
    }
    default: return pinEvents(run, *c.row.setting.output);
    }
}

// The run, event for event against the timeline, where it holds any of the
// setup's periods.
void expectTimeline(const Avr8jsRun& run, const Case& c, std::uint64_t ran) {
    const std::optional<solver::Timeline> timeline = firmware::timelineOf(c);
    if (!timeline)
        return;
    std::vector<firmware::Events> recorded;
    recorded.reserve(timeline->outputs.size() + 1);  // the kinds point into it
    std::vector<firmware::EventKind> kinds;
    for (const solver::OutputTimeline& output : timeline->outputs)
        kinds.push_back(firmware::pinKind(output, recorded.emplace_back(pinEvents(run, *output.unit))));
    if (const std::string_view routine = firmware::routineOf(c); !routine.empty())
        kinds.push_back(firmware::flagKind(*timeline, routine, recorded.emplace_back(flagEvents(run, c))));
    firmware::expectTimeline(*timeline, kinds, firmware::lateCycles(firmware::Simulator::Avr8js), ran);
}

#define SKIP_WITHOUT_AVR8JS()                                                                             \
    if (!Avr8jsRun::available())                                                                          \
    GTEST_SKIP() << "Node or tests/avr8js/node_modules is missing: tools/setup installs both"

TEST(Avr8js, EveryPeriodIsTheSolversClaim) {
    SKIP_WITHOUT_AVR8JS();
    for (const avr::Chip* chip : firmware::allChips()) {
        const std::vector<Case> cases = firmware::casesOf(*chip, firmware::Simulator::Avr8js);
        std::vector<Avr8jsRun::Job> jobs;
        for (const Case& c : cases)
            jobs.push_back({hexOf(*chip, c), firmware::runLength(firmware::claimedCycles(c), c.measure)});
        const std::vector<Avr8jsRun> runs = jobs.empty() ? std::vector<Avr8jsRun>() : Avr8jsRun::runAll(chip->name, jobs);
        std::set<const avr::WaveformMode*> covered;
        for (std::size_t i = 0; i < runs.size(); ++i) {
            SCOPED_TRACE(cases[i].name);
            firmware::expectClaim(eventsOf(runs[i], *chip, cases[i]), cases[i]);
            expectTimeline(runs[i], cases[i], jobs[i].cycles);
            covered.insert(cases[i].row.setting.waveform);
        }
        // What simavr leaves out is run here, where avr8js runs it right.
        for (const avr::Timer& timer : chip->timers)
            for (const avr::WaveformMode& mode : timer.modes)
                if (firmware::proverOf(*chip, timer, mode) == firmware::Simulator::Avr8js) {
                    EXPECT_TRUE(covered.contains(&mode))
                        << chip->title << " Timer" << timer.number << " WGM " << mode.code << " is never run";
                }
    }
}

// avr8js 0.21.1 departs from the data sheets in these ways; the runner or
// the cases above keep clear of each. When one of these checks fails,
// avr8js has changed: see whether the runner can do less.
TEST(Avr8jsQuirks, StillAsMeasured) {
    SKIP_WITHOUT_AVR8JS();
    const std::string dir = std::string(AVRTIMER_FIRMWARE_DIR) + "/quirks/";
    {
        // Its own loop raises OCF2A when the instruction under way ends, a
        // cycle late after every two-cycle one; the runner counts each tick
        // at its own cycle.
        const std::string hex = dir + "atmega328p-avr8js-ticks.hex";
        const std::vector<std::uint64_t> plain =
            Avr8jsRun(hex, "atmega328p", 5000, Avr8jsRun::Loop::Plain).flag("TIFR2", 1).intervals(1);
        const std::vector<std::uint64_t> ticked = Avr8jsRun(hex, "atmega328p", 5000).flag("TIFR2", 1).intervals(1);
        ASSERT_GE(plain.size(), 40u);
        EXPECT_TRUE(std::ranges::any_of(plain, [](std::uint64_t interval) { return interval != 100; }));
        EXPECT_EQ(ticked, std::vector<std::uint64_t>(plain.size(), 100));
    }
    {
        // The ATtiny85's Timer1 counts PWM1A up to OCR1C and down again,
        // as Phase Correct PWM: OC1A's period is 2 · 99 cycles, not 100.
        const firmware::Events oc1a = Avr8jsRun(dir + "attiny85-avr8js-pwm.hex", "attiny85", 5000).pin('B', 1);
        const std::vector<std::uint64_t> periods = oc1a.intervals(1, true);
        ASSERT_GE(periods.size(), 10u);
        EXPECT_EQ(periods, std::vector<std::uint64_t>(periods.size(), 198));
    }
    {
        // CTC with TOP = ICR1 never sets ICF1, though OCF1A (OCR1A = 0)
        // shows every period.
        const Avr8jsRun run(dir + "atmega328p-avr8js-icr.hex", "atmega328p", 5000);
        EXPECT_TRUE(run.flag("TIFR1", 5).at.empty());
        EXPECT_GE(run.flag("TIFR1", 1).at.size(), 10u);
    }
}

}  // namespace
