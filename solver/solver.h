#pragma once

// The settings search: which timer, mode, prescaler and register value give
// a wanted interval or frequency, and how exactly. Plain C++ on GMP's exact
// rationals (mpq_class), so no figure is ever rounded before it is shown and
// no product can overflow.
//
//   quantity.h  the typed numbers: "16MHz", "3,6864 MHz", "1.5ms", "250us",
//               read exactly, with the number and unit as typed.
//   search.h    the timer model and the search. solve() considers every
//               timer, mode, prescaler and register value of the chip's
//               timers (avr/timers.h) and, for intervals longer than one
//               period, a software count of interrupts; it returns a
//               Ranking, best first, whose rows carry the achieved value,
//               the error, the drift per day, the neighbours below and above
//               and the warnings.
//   waveform.h  the period, TOP and duty formulas of every mode.
//   setupcode.h the register setup of a row, as steps and as C for avr-libc
//               (a function and its interrupt routine, or a header).
//   explain.h   register contents decoded back into timer, mode, clock,
//               outputs, interrupts and their periods.
//   timeline.h  what a row's setup makes the timer do over time: the
//               counter, the pins and the interrupt flags, in exact CPU
//               cycles.
//   words.h     English words for the codes, for the command line and the
//               setup code's comments.
//   decimal.h   exact rationals as decimal and p/q texts.
//
// The timer model, in ticks of the timer's clock (the CPU clock divided by
// the prescaler, Timer2's watch crystal, or the ATtiny85 Timer1's PLL):
//   NORMAL   an overflow every MAX + 1 ticks (256 or 65536), MAX + 1 - v
//            with a preload v reloaded in the interrupt (late at the
//            prescalers below the reload's latency);
//   CTC      a compare match every TOP + 1 ticks, TOP in OCRnA, ICRn or
//            the ATtiny85's OCR1C; an output toggling gives
//            F / (2 N (TOP + 1));
//   Fast PWM TOP + 1 ticks, TOP fixed (0xFF, 0x1FF, 0x3FF) or in OCRnA
//            (the PWM then on OCnB), ICRn or OCR1C;
//   Phase Correct and Phase and Frequency Correct PWM 2 TOP ticks.
// A variable TOP of a 16-bit timer is at least 3.
//
// Rows are ranked by the size of their error; a late reload's period is
// the register's plus the ticks the reload loses, and its software count
// the one nearest for that period. Among equal errors, a figure that holds
// before an estimate; the fewer interrupts counted in software (none before
// some); CTC before NORMAL before NORMAL with a preload; the finer resolution: the smaller timer tick for an interval or
// square wave, the larger TOP for PWM; a fixed TOP before OCRnA before ICRn;
// the mode; the lower timer number, so that twin timers' rows stand
// together; the smaller prescaler.
//
// A 16-bit timer alone has millions of settings, so the ranking is found
// lazily: each family of settings that count alike is bounded from below
// and walked outward from its ideal register value, and the families are
// merged through a heap; what is returned first is provably the best.
//
// Nothing here prints: the command line (cli/) and the window give the
// problems and figures their words; only the setup code is text, C with
// English comments.

#include "solver/decimal.h"
#include "solver/explain.h"
#include "solver/quantity.h"
#include "solver/search.h"
#include "solver/setupcode.h"
#include "solver/timeline.h"
#include "solver/words.h"
