#pragma once

// The checks of measured timing against the solver's claims, shared by the
// harnesses of both simulators.
#include "tests/firmware/cases.h"
#include "tests/firmware/simulator.h"

#include <gtest/gtest.h>

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

}  // namespace firmware
