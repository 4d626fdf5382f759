#pragma once

// The checks of measured timing against the solver's claims, shared by the
// harnesses of both simulators.
#include "tests/firmware/cases.h"
#include "tests/firmware/simulator.h"

#include "solver/waveform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
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

}  // namespace firmware
