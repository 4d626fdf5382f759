#pragma once

#include "extended.h"

#include <cstdint>

// The timer/counter model: a counter from 0 to 255 clocked at F / N. NORMAL
// mode overflows after 256 counts, CTC restarts after OCRx, Fast PWM runs
// 0..255 and Phase Correct PWM counts up and down (510 counts a period).
// Symbols: F clock in Hz, N prescaler, T tick in seconds, t wanted interval in
// units u, v register value, n compare value, f wanted frequency in Hz,
// d duty in percent. Integer products wrap at 32 bits; everything else is
// evaluated left to right in extended precision.
namespace calc {

std::int64_t fastPwmHz(std::int32_t F, std::int32_t N);
std::int64_t phasePwmHz(std::int32_t F, std::int32_t N);
// 1 / (F / N): the reciprocal of the timer frequency, never N / F.
Extended tickPeriodSeconds(std::int32_t F, std::int32_t N);
Extended secondsToMicroseconds(double seconds);
Extended normalSpanUs(double tickUs);
Extended timerFrequencyKHz(std::int32_t F, std::int32_t N);
Extended normalSquareWaveHz(std::int32_t F, std::int32_t N);

// x = t · u / T, the wanted interval in ticks.
Extended wantedTicks(double t, double u, double T);
Extended tcntPreload(Extended ticks);  // 256 − x
Extended ctcOcr(Extended ticks);       // x − 1

Extended normalInterruptMs(std::int32_t F, std::int32_t N, std::int32_t v);
Extended ctcInterruptMs(double T, std::int32_t v);
Extended ctcSquareWaveHz(std::int32_t F, std::int32_t N, std::int32_t n);
Extended ocrForFrequency(std::int32_t F, std::int32_t N, double f);

// The unrounded PWM compare values; callers Round them.
Extended fastPwmNonInverted(std::int32_t d);
Extended fastPwmInverted(std::int32_t d);
Extended phasePwmNonInverted(std::int32_t d);
Extended phasePwmInverted(std::int32_t d);

}  // namespace calc
