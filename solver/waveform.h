#pragma once

// How the counter counts in each waveform mode, in ticks of the timer's
// clock: the one home of the period, TOP and duty formulas that the search,
// the setup code and the decoder of register contents all use, and of the
// cycle allowances their words quote.
//
//   counting up and wrapping (NORMAL, CTC, Fast PWM)  TOP + 1 ticks a period
//   up to TOP and down again (Phase Correct, Phase    2 TOP ticks a period
//   and Frequency Correct)
//
// A compare output toggled at each match makes a square wave of two periods.

#include "avr/timers.h"

#include <gmpxx.h>

namespace solver {

// A software count needs its interrupts at least this many CPU cycles
// apart: the counting routine itself takes about 40, and without a floor
// the most exact row for 1 ms at 11.0592 MHz would interrupt every 13
// cycles, which no program survives. Single interrupts closer than this are
// kept, with a warning.
constexpr unsigned long countingFloorCycles = 256;
// A plain routine writes TCNTn this many CPU cycles after the overflow
// (interrupt response, vector jump, prologue), measured in a cycle-accurate
// simulator. The reload adds the preload to the counter, TCNTn += preload,
// so the ticks counted until then stay counted; only at a prescaler no
// larger than this can a tick fall between reading the counter and writing
// it back, and be lost: at prescalers 1 and 8.
constexpr unsigned long reloadLatencyCycles = 19;
// The CPU cycles from reading TCNTn to writing it back in TCNTn += preload
// as avr-gcc -Os compiles it, from the low byte's read to its write: the
// high byte's read, an add per byte and each byte's write, a cycle each by
// in and out, two by ld and st. So 2 for TCNT0 (in, subi, out) and 8 for
// the ATmega328P's TCNT1 (ld, ldd, subi, sbci, std, st). At prescaler 1 as
// many ticks are lost every period; at a larger late prescaler a tick is
// lost or not by the phase of the routine, as many cycles on average.
constexpr unsigned long reloadGapCycles(int bits, bool counterInIo) {
    const unsigned long bytes = static_cast<unsigned long>(bits) / 8, access = counterInIo ? 1 : 2;
    return (bytes - 1) * access + bytes + bytes * access;
}
// An empty interrupt routine as avr-gcc compiles it, entered again as soon
// as it returns: the response, the vector's jump, the prologue and epilogue
// and reti, measured in a cycle-accurate simulator. Interrupts closer than
// this cannot all be served.
constexpr unsigned long routineRoundTripCycles = 26;
// An asynchronous TCNTn write is latched on the second crystal edge after it.
constexpr unsigned long crystalLatchCycles = 2;

constexpr bool dualSlope(avr::Mode mode) {
    return mode == avr::Mode::PhasePwm || mode == avr::Mode::PhaseFrequencyPwm;
}

constexpr long periodTicks(avr::Mode mode, int top) { return dualSlope(mode) ? 2L * top : top + 1L; }

// The ticks from one overflow to the next with the counter preloaded, in
// NORMAL mode, with the preload written back at each overflow.
constexpr long preloadedTicks(const avr::Timer& timer, int preload) { return timer.max() + 1L - preload; }

// The 16-bit timers' data sheets ask a variable TOP of at least 3 (two bits
// of duty); the 8-bit timers' allow any TOP that leaves a duty to set.
constexpr int minimumVariableTop(int bits) { return bits > 8 ? 3 : 1; }

// The part of each period a non-inverted PWM output is high: (OCR + 1) /
// (TOP + 1) in Fast PWM, where OCR 0 still gives a one-tick spike and an OCR
// at or above TOP holds it high; OCR / TOP in the dual-slope modes. Inverted,
// the output is high for the rest.
mpq_class highPart(avr::Mode mode, int compare, int top);

// The compare value whose non-inverted output comes nearest dutyPercent,
// halves up, within 0 to TOP.
int compareForDuty(avr::Mode mode, int dutyPercent, int top);

// Both for the mode as the timer has it: a Fast PWM that holds a compare of
// 0 low (WaveformMode::lowAtZero) is high (OCR + 1) / (TOP + 1) of each
// period but for OCR 0, which is 0 % and no spike.
mpq_class highPart(const avr::WaveformMode& mode, int compare, int top);
int compareForDuty(const avr::WaveformMode& mode, int dutyPercent, int top);

}  // namespace solver
