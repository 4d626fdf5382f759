#pragma once

// The checks of measured timing against the solver's claims, shared by the
// harnesses of both simulators.
#include "tests/firmware/cases.h"
#include "tests/firmware/simulator.h"

#include "solver/setupcode.h"
#include "solver/timeline.h"
#include "solver/waveform.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace firmware {

// Enough events to see the steady state, after the first period.
inline std::uint64_t runLength(const mpz_class& cycles, Measure measure) {
    const std::uint64_t period = cycles.get_ui();
    return measure == Measure::PwmSweep ? period * 2 * 260 : period * 8 + 20000;
}

inline void expectAll(const std::vector<std::uint64_t>& intervals, const mpz_class& claimed, std::size_t atLeast) {
    ASSERT_GE(intervals.size(), atLeast);
    for (std::uint64_t interval : intervals)
        EXPECT_EQ(mpz_class(interval), claimed);
}

// The period and high time of a PWM output at its setup's duty, from its
// edges after the first period.
inline void expectPwmDuty(const Events& pin, const Case& c) {
    expectAll(pin.intervals(2, true), claimedCycles(c), 5);
    const mpz_class high = claimedHighCycles(c);
    for (std::size_t i = 2; i + 1 < pin.at.size(); ++i)
        if (pin.level[i]) {
            EXPECT_EQ(mpz_class(pin.at[i + 1] - pin.at[i]), high) << "high time at edge " << i;
        }
}

// With OCR stepping 0..254, one value a period from BOTTOM on, each high
// time must be the solver's share of the period for its OCR; a share of 0
// shows no pulse. One whole sweep is checked from its first pulse. Fast PWM
// starts a pulse at BOTTOM and Phase Correct centres it there, so those
// points of the sweep's pulses are a period apart.
inline void expectSweep(const Events& pin, const Case& c) {
    const mpz_class period = claimedCycles(c);
    const avr::Mode mode = c.row.setting.mode();
    const int top = c.row.setting.topValue();
    std::vector<mpz_class> widths;
    for (int ocr = 0; ocr <= 254; ++ocr) {
        const mpq_class high = solver::highPart(mode, ocr, top) * period;
        ASSERT_EQ(high.get_den(), 1) << "OCR " << ocr << " claims a fraction of a cycle high";
        if (high != 0)
            widths.push_back(high.get_num());
    }
    struct Pulse {
        std::uint64_t rise, width;
    };
    std::vector<Pulse> pulses;
    // The first period starts with the setup, not at BOTTOM.
    for (std::size_t i = 2; i + 1 < pin.at.size(); ++i)
        if (pin.level[i])
            pulses.push_back({pin.at[i], pin.at[i + 1] - pin.at[i]});
    const auto first = std::ranges::find_if(pulses, [&](const Pulse& p) { return widths.front() == p.width; });
    ASSERT_GE(pulses.end() - first, static_cast<std::ptrdiff_t>(widths.size())) << "no whole sweep";
    // Doubled, to keep a centre whole.
    const auto bottomTwice = [mode](const Pulse& p) {
        return mpz_class(2 * p.rise + (mode == avr::Mode::PhasePwm ? p.width : 0));
    };
    for (std::size_t k = 0; k < widths.size(); ++k) {
        EXPECT_EQ(mpz_class(first[k].width), widths[k]) << "pulse " << k << " of the sweep";
        if (k > 0) {
            EXPECT_EQ(bottomTwice(first[k]) - bottomTwice(first[k - 1]), 2 * period) << "period before pulse " << k;
        }
    }
}

// The events the case measures against its claim: a flag's or a probe's
// every change, an output's edges of one kind, or its PWM.
inline void expectClaim(const Events& events, const Case& c) {
    switch (c.measure) {
    case Measure::InterruptFlag:
    case Measure::CountedProbe: expectAll(events.intervals(1), claimedCycles(c), 5); break;
    case Measure::PinPeriod: expectAll(events.intervals(1, true), claimedCycles(c), 3); break;
    case Measure::PwmDuty: expectPwmDuty(events, c); break;
    case Measure::PwmSweep: expectSweep(events, c); break;
    }
}

// How late a simulator may date an event after its time in the timeline,
// in CPU cycles. Each dates an event at an instruction boundary, which could
// be up to the longest instruction (5 cycles) late, but the firmware sleeps
// between events. The avr8js runner then idles tick by tick and dates each
// at its own cycle. simavr's sleeping loop steps one cycle past the timer
// that is due (avr_callback_run_raw adds 1 + the sleep), so an event in
// sleep is dated a cycle late, and one the setup's own instructions are
// still running through (the first toggle, at the clock select's first
// tick) up to the one cycle they have left.
inline int lateCycles(Simulator simulator) { return simulator == Simulator::Simavr ? 1 : 0; }

// The vector of the setup's interrupt routine; empty for none.
inline std::string_view routineOf(const Case& c) {
    return solver::setupOf(c.query, c.row, solver::CodeStyle{}.dutyPercent).vector;
}

// The timeline periods the case's run holds the setup's own events for: as
// many as its measurement runs, after the setup. A sweep's routine writes a
// new compare value from the first overflow on, so only its first period is
// the setup's, and that has no event but the one to align at: none.
inline int timelinePeriods(const Case& c) {
    if (c.measure == Measure::PwmSweep)
        return 0;
    const solver::Timeline one = solver::timelineOf(c.query, c.row, solver::CodeStyle{}.dutyPercent, 1);
    const mpz_class periods(mpq_class(8 * claimedCycles(c)) / one.periodCycles);
    return std::max(2, static_cast<int>(periods.get_si()));
}

// Empty where the run holds none of the setup's periods.
inline std::optional<solver::Timeline> timelineOf(const Case& c) {
    const int periods = timelinePeriods(c);
    if (periods == 0)
        return std::nullopt;
    return solver::timelineOf(c.query, c.row, solver::CodeStyle{}.dutyPercent, periods);
}

// One kind of event, as the timeline has it and as the simulator recorded
// it: a pin's changes of level, or a flag's raises (each at level high).
struct EventKind {
    std::string name;
    std::vector<solver::PinTransition> expected;
    const Events* recorded;
    // Leading changes the simulator makes where the chip does not, left out
    // and named by the guard test that pins them.
    std::size_t departing = 0;
};

inline EventKind pinKind(const solver::OutputTimeline& output, const Events& recorded) {
    return {std::string(output.unit->output), output.transitions, &recorded};
}

inline EventKind flagKind(const solver::Timeline& timeline, std::string_view vector, const Events& recorded) {
    EventKind kind{std::string(vector), {}, &recorded};
    for (const solver::FlagRaise& raise : timeline.interrupts)
        if (raise.vector == vector)
            kind.expected.push_back({raise.cycle, true});
    return kind;
}

// The recorded events that change something, past the departing ones: a
// pin starts low, as in the timeline.
inline std::vector<solver::PinTransition> changesOf(const EventKind& kind) {
    const Events& events = *kind.recorded;
    std::vector<solver::PinTransition> changes;
    bool level = false;
    for (std::size_t i = 0; i < events.at.size(); ++i)
        if (!events.levels || events.level[i] != level) {
            level = events.level[i];
            changes.push_back({mpq_class(mpz_class(events.at[i])), level});
        }
    changes.erase(changes.begin(), changes.begin() + static_cast<std::ptrdiff_t>(std::min(kind.departing, changes.size())));
    return changes;
}

inline std::string eventText(const solver::PinTransition& t) {
    return fmt::format("{} at cycle {}", t.high ? "high" : "low", t.cycle.get_str());
}

// Every event of every kind against the timeline, event for event up to its
// end: none missing, none extra, each level as the timeline has it. The
// prescaler's phase at the clock select is unknown, so the two are aligned
// at the first event, or at whichever the simulator dated least late, as
// it may have dated the first one late too; from there each event must come
// at its time, at most `late` cycles late, never early. ran is how long the
// run went on.
inline void expectTimeline(const solver::Timeline& timeline, const std::vector<EventKind>& kinds, int late,
                           std::uint64_t ran) {
    std::vector<std::vector<solver::PinTransition>> recorded;
    std::optional<mpq_class> offset;
    for (const EventKind& kind : kinds) {
        recorded.push_back(changesOf(kind));
        for (std::size_t i = 0; i < std::min(recorded.back().size(), kind.expected.size()); ++i) {
            const mpq_class lag = recorded.back()[i].cycle - kind.expected[i].cycle;
            if (!offset || lag < *offset)
                offset = lag;
        }
    }
    ASSERT_TRUE(offset) << "no event of the timeline was recorded";
    // The run's clock select comes after its reset, and its first tick at
    // most a tick before the timeline's: an offset below that puts an event
    // before the setup could make it.
    EXPECT_GT(*offset, -timeline.tickCycles) << "the timeline places its events later after the clock select than the "
                                                "simulator, by " << mpq_class(-*offset).get_str() << " cycles";
    const mpq_class end = timeline.end + *offset;
    ASSERT_LE(end + late, mpq_class(mpz_class(ran))) << "the run ends before the timeline";
    for (std::size_t k = 0; k < kinds.size(); ++k) {
        const std::vector<solver::PinTransition>& expected = kinds[k].expected;
        const std::vector<solver::PinTransition>& actual = recorded[k];
        const auto failure = [&](std::size_t i) {
            ADD_FAILURE() << kinds[k].name << " event " << i << ": the timeline has "
                          << (i < expected.size() ? eventText({expected[i].cycle + *offset, expected[i].high}) : "nothing")
                          << ", the simulator " << (i < actual.size() ? eventText(actual[i]) : "nothing");
        };
        std::size_t i = 0;
        for (; i < expected.size(); ++i) {
            const mpq_class due = expected[i].cycle + *offset;
            if (i >= actual.size() || actual[i].high != expected[i].high || actual[i].cycle < due ||
                actual[i].cycle > due + late)
                break;
        }
        // Past the last, the next event must belong to the period after.
        if (i < expected.size() || (i < actual.size() && actual[i].cycle <= end))
            failure(i);
    }
}

}  // namespace firmware
