// The setup code run on every chip the simulator models: the cycles between
// the events it makes must be the solver's exact claim.
#include "tests/firmware/cases.h"
#include "tests/firmware/simulator.h"
#include "tests/firmware/timing.h"

#include "solver/timeline.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <optional>
#include <ostream>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace {

using firmware::Case;
using firmware::Measure;
using firmware::Simulation;

std::string elfOf(const avr::Chip& chip, const Case& c) {
    return std::string(AVRTIMER_FIRMWARE_DIR) + "/" + std::string(chip.name) + "/" + c.name + ".elf";
}

// simavr sets a non-inverted Fast PWM output on the first tick after the
// clock select and clears it at the first match, where the chip keeps it low
// until the first BOTTOM (SimulatorQuirks.StillAsMeasured).
std::size_t startUpChanges(const Case& c) {
    return c.row.setting.mode() == avr::Mode::FastPwm ? 2 : 0;
}

void simulate(const avr::Chip& chip, const Case& c) {
    SCOPED_TRACE(c.name);
    Simulation sim(elfOf(chip, c), chip.name);
    const std::optional<int> vector = sim.routineVector();
    const firmware::Events& events = [&]() -> const firmware::Events& {
        switch (c.measure) {
        case Measure::InterruptFlag:
            if (!vector)
                throw std::runtime_error("no interrupt routine");
            return sim.flag(*vector);
        case Measure::CountedProbe: {
            const firmware::Probe probe = *firmware::probeOf(chip);
            return sim.portPin(probe.port, probe.bit);
        }
        default: {
            const solver::Setting& s = c.row.setting;
            return sim.comparePin(s.timer->number, static_cast<int>(s.output - s.timer->compareUnits.data()));
        }
        }
    }();
    // The same run, event for event against the timeline.
    const std::optional<solver::Timeline> timeline = firmware::timelineOf(c);
    std::vector<firmware::EventKind> kinds;
    const avr::Timer& timer = *c.row.setting.timer;
    const std::string_view routine = firmware::routineOf(c);
    if (timeline) {
        for (const solver::OutputTimeline& output : timeline->outputs) {
            kinds.push_back(firmware::pinKind(
                output, sim.comparePin(timer.number, static_cast<int>(output.unit - timer.compareUnits.data()))));
            kinds.back().departing = startUpChanges(c);
        }
        if (!routine.empty())
            kinds.push_back(firmware::flagKind(*timeline, routine, sim.flag(vector.value())));
    }
    const std::uint64_t ran = firmware::runLength(firmware::claimedCycles(c), c.measure);
    sim.run(ran);
    firmware::expectClaim(events, c);
    if (timeline)
        firmware::expectTimeline(*timeline, kinds, firmware::lateCycles(firmware::Simulator::Simavr), ran);
}

class Simulated : public testing::TestWithParam<const avr::Chip*> {};

TEST_P(Simulated, EveryPeriodIsTheSolversClaim) {
    const avr::Chip& chip = *GetParam();
    // Every mode simavr proves, on every timer, is run.
    std::set<const avr::WaveformMode*> covered;
    for (const Case& c : firmware::casesOf(chip, firmware::Simulator::Simavr)) {
        simulate(chip, c);
        covered.insert(c.row.setting.waveform);
    }
    for (const avr::Timer& timer : chip.timers)
        for (const avr::WaveformMode& mode : timer.modes)
            if (firmware::proverOf(chip, timer, mode) == firmware::Simulator::Simavr) {
                EXPECT_TRUE(covered.contains(&mode)) << "Timer" << timer.number << " WGM " << mode.code << " is never run";
            }
}

INSTANTIATE_TEST_SUITE_P(Chips, Simulated, testing::ValuesIn(firmware::allChips()),
                         [](const auto& info) { return std::string(info.param->name); });

// simavr 1.6 departs from the data sheets in these ways, measured on the
// ATmega328P, ATmega8, ATmega16, ATmega2560 and ATtiny85; the tests above
// keep clear of each. When one of these checks fails, the simulator has
// changed: see whether a test can now go further (Phase Correct PWM, ICRn
// as CTC's TOP, OCR = TOP, preloads, the ATtiny85's Timer1).
TEST(SimulatorQuirks, StillAsMeasured) {
    const std::string dir = std::string(AVRTIMER_FIRMWARE_DIR) + "/quirks/";
    {
        // TCNT0 = 200 written while stopped is ignored: the first overflow
        // comes a whole 256 cycles after the start. TOV2 rises at every CTC
        // compare match, although TCNT2 never reaches MAX.
        Simulation sim(dir + "atmega328p-counter.elf", "atmega328p");
        const firmware::Events& overflow0 = sim.flag(16);
        const firmware::Events& overflow2 = sim.flag(9);
        sim.run(2000);
        ASSERT_FALSE(overflow0.at.empty());
        EXPECT_GT(overflow0.at.front(), 256u);
        EXPECT_EQ(overflow2.intervals(1), std::vector<std::uint64_t>(overflow2.intervals(1).size(), 100));
        EXPECT_GE(overflow2.at.size(), 10u);
    }
    {
        // CTC with OCR0A = 0 at clk/1 never matches; 8-bit Phase Correct
        // PWM does not drive OC2A.
        Simulation sim(dir + "atmega328p-compare.elf", "atmega328p");
        const firmware::Events& match0 = sim.flag(14);
        const firmware::Events& oc2a = sim.comparePin(2, 0);
        sim.run(5000);
        EXPECT_TRUE(match0.at.empty());
        EXPECT_TRUE(oc2a.at.empty());
    }
    {
        // Fast PWM with OCR0A = TOP drives OC0A low where the chip holds it
        // high; the routine is entered in the cycle its flag rises, not four
        // cycles later.
        Simulation sim(dir + "atmega328p-pwm.elf", "atmega328p");
        const firmware::Events& oc0a = sim.portPin('D', 6);
        const firmware::Events& flag = sim.flag(7);
        const firmware::Events& entry = sim.routineEntry(7);
        sim.run(5000);
        EXPECT_TRUE(std::ranges::none_of(oc0a.level, [](bool high) { return high; }));
        ASSERT_GE(entry.at.size(), 3u);
        EXPECT_EQ(entry.at[1] - flag.at[1], 0u);
    }
    {
        // The ATmega16's Timer0 in CTC mode with OCR0 = 99 at clk/1 counts
        // on to 0xFF: its compare flag rises every 256 cycles.
        Simulation sim(dir + "atmega16-ctc.elf", "atmega16");
        const firmware::Events& match = sim.flag(19);
        sim.run(3000);
        ASSERT_GE(match.at.size(), 5u);
        EXPECT_EQ(match.intervals(1), std::vector<std::uint64_t>(match.intervals(1).size(), 256));
    }
    {
        // A TCNT0 write while counting at clk/256 restarts the prescaler
        // from the write, 15 cycles into the period, and counts the value
        // written as if scaled by 256/255 (128 as 32896 cycles): the
        // periods after writing 0 and 128 are 65536 + 15 and 65536 + 15 -
        // 32896 cycles, where the chip gives 65536 and 32768. A preload's
        // period is not simulated.
        Simulation sim(dir + "atmega8-preload.elf", "atmega8");
        const firmware::Events& overflow = sim.flag(9);
        sim.run(400000);
        const std::vector<std::uint64_t> periods = overflow.intervals(0);
        ASSERT_GE(periods.size(), 4u);
        for (std::size_t i = 0; i < periods.size(); ++i)
            EXPECT_EQ(periods[i], i % 2 == 0 ? 65551u : 32655u) << "period " << i;
    }
    {
        // Phase and Frequency Correct PWM, with ICR1 or OCR5A as TOP, and
        // Phase Correct PWM with ICR4 as TOP, each TOP = 99 at clk/8, raise
        // TOVn every 8 cycles, as if TOP were 0; CTC with TOP = ICR3 = 99
        // takes TOP from OCR3A = 49, and never sets ICF3. Counted once the
        // setup has run.
        Simulation sim(dir + "atmega2560-timers16.elf", "atmega2560");
        const std::array overflows{&sim.flag(20), &sim.flag(45), &sim.flag(50)};
        const firmware::Events& capture3 = sim.flag(31);
        const firmware::Events& match3 = sim.flag(32);
        sim.run(5000);
        for (const firmware::Events* overflow : overflows) {
            ASSERT_GE(overflow->at.size(), 20u);
            EXPECT_EQ(overflow->intervals(10), std::vector<std::uint64_t>(overflow->intervals(10).size(), 8));
        }
        ASSERT_GE(match3.at.size(), 20u);
        EXPECT_EQ(match3.intervals(10), std::vector<std::uint64_t>(match3.intervals(10).size(), 50));
        EXPECT_TRUE(capture3.at.empty());
    }
    {
        // Non-inverting Fast PWM on OC1A with TOP 0x1FF and OCR1A = 255 at
        // clk/8: OC1A rises on the first tick and falls at the first match,
        // 256 ticks on, where the chip keeps it low until the first BOTTOM,
        // 512 ticks after the clock select.
        Simulation sim(dir + "atmega328p-pwm-start.elf", "atmega328p");
        const firmware::Events& oc1a = sim.comparePin(1, 0);
        sim.run(6000);
        ASSERT_GE(oc1a.at.size(), 3u);
        EXPECT_TRUE(oc1a.level[0]);
        EXPECT_LT(oc1a.at[0], 100u);
        EXPECT_EQ(oc1a.at[1] - oc1a.at[0], 256u * 8);
    }
    {
        // The ATtiny85's Timer1 in CTC1 mode raises no flag at all.
        Simulation sim(dir + "attiny85-timer1.elf", "attiny85");
        const firmware::Events& match = sim.flag(3);
        const firmware::Events& overflow = sim.flag(4);
        sim.run(20000);
        EXPECT_TRUE(match.at.empty());
        EXPECT_TRUE(overflow.at.empty());
    }
}

}  // namespace
