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
//               8-bit timers (avr/timers.h, searched()) and, for intervals
//               longer than one period, a software count of interrupts; it
//               returns a Ranking, best first, whose rows carry the achieved
//               value, the error, the drift per day, the neighbours below and
//               above and the warnings.
//   setupcode.h the register setup of a row, as steps and as C for avr-libc
//               (a function and its interrupt routine, or a header).
//   explain.h   register contents decoded back into timer, mode, clock,
//               outputs, interrupts and their periods.
//   words.h     English words for the codes, for the command line and the
//               setup code's comments.
//   decimal.h   exact rationals as decimal and p/q texts.
//
// The timer model, in ticks of the timer's clock (the CPU clock divided by
// the prescaler, or the watch crystal's for an asynchronous Timer2):
//   NORMAL   an overflow every 256 ticks, 256 - v with a preload v
//            reloaded in the interrupt (late at prescalers 1 and 8);
//   CTC      a compare match every OCRnA + 1 ticks; OCnA toggling gives
//            F / (2 N (OCRnA + 1));
//   Fast PWM TOP + 1 ticks, TOP 0xFF or OCRnA (the PWM then on OCnB);
//   Phase Correct PWM 510 ticks for TOP 0xFF, 2 TOP for OCRnA.
// Rows are ranked by the size of their error (a late reload counts its
// latency as error), then without a software count before with one, CTC
// before NORMAL before NORMAL with a preload, the longer period (for PWM the
// larger TOP), Timer0 before Timer2, the smaller prescaler.
//
// Nothing here prints: the command line (cli/) and the window give the
// problems and figures their words; only the setup code is text, C with
// English comments.

#include "solver/decimal.h"
#include "solver/explain.h"
#include "solver/quantity.h"
#include "solver/search.h"
#include "solver/setupcode.h"
#include "solver/words.h"
