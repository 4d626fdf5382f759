#pragma once

#include "solver/explain.h"
#include "solver/search.h"
#include "solver/setupcode.h"

#include <gmpxx.h>

#include <string_view>
#include <vector>

// What a row's setup makes the timer do over time, event by event: the
// counter's course, each connected output's levels and each enabled
// interrupt's flag, to be drawn (avrtimer-calc diagram, the search window)
// and held against a simulated run of the same setup. The setup's writes
// (setupOf) are decoded by explain, so the timeline knows of the registers
// exactly what the decoder knows, and the lengths of the periods come from
// waveform.h.
//
// Times are exact, in CPU cycles counted from the instant the clock select
// is written. The prescaler runs on from before that instant, so its first
// tick comes anywhere up to one tick later; the timeline puts it at exactly
// one tick, as if the prescaler had just been reset, so that a comparison
// with a run has to align the two at the first event. Timer2 on a watch
// crystal and the ATtiny85's Timer1 on its PLL tick at fractions of a CPU
// cycle, so their times may fall between cycles.
//
// Each tick the counter leaves the value it held, and what the data sheets
// draw one timer clock after TCNTn equals a value happens on that tick: a
// compare value is matched, its flag raised and its pin changed; TOVn rises
// on leaving MAX in NORMAL and CTC (so never in CTC below MAX), TOP in Fast
// PWM and BOTTOM in the dual-slope modes; the capture flag with ICRn as TOP
// on leaving TOP. A dual-slope match clears a non-inverted pin counting up
// and sets it counting down, TOP counting as down and BOTTOM as up. Fast PWM
// sets a non-inverted pin on leaving TOP, after any match there. Every pin
// starts low, as its OCnx latch is after reset, so a PWM pin is first set at
// the first BOTTOM it comes to, not at the start. A NORMAL preload is
// reloaded at each overflow, where the interrupt routine's addition keeps
// the period as long as if it had landed at once.
namespace solver {

struct CounterVertex {
    mpq_class cycle;
    int value = 0;
};

struct PinTransition {
    mpq_class cycle;
    bool high = false;
};

struct OutputTimeline {
    const avr::CompareUnit* unit = nullptr;
    PinAction action = PinAction::Disconnected;
    int compare = 0;
    bool startsHigh = false;
    std::vector<PinTransition> transitions;  // changes of level only, in time order
};

struct FlagRaise {
    mpq_class cycle;
    std::string_view vector;
};

struct Timeline {
    Explained registers;  // the setup's writes as explain reads them
    mpq_class tickCycles;  // one tick of the timer's clock
    // A period of the timeline: the counter's, or two of them when a pin
    // toggles, the period of its square wave. A software count of
    // interrupts is no event of the timer's and makes none longer.
    mpq_class periodCycles;
    // Straight lines between the vertices pass through the counter's value
    // at the start of every tick: a sawtooth, or a triangle dual-slope.
    std::vector<CounterVertex> counter;
    std::vector<OutputTimeline> outputs;  // the connected ones, in unit order
    std::vector<FlagRaise> interrupts;    // the enabled ones, in time order
    mpq_class end;  // the last period's end; events at it are in the timeline
};

// What every drawing of a timeline marks, so that the window's and the
// SVG's tell the same: the time axis, and the values the counter is
// compared with.
struct TimeAxis {
    std::string_view unit;  // "s", "ms" or "us": the largest the timeline lasts 1 of
    mpq_class span;         // the timeline's length in that unit
    mpq_class step;         // between ticks: 1, 2 or 5 times a power of ten, 4 to 10 of them
};
TimeAxis timeAxisOf(const Timeline& timeline, const mpq_class& cpuHz);

// A dashed line across the counter, at one value: TOP (MAX in NORMAL), the
// NORMAL preload, and the compare registers that matter to the picture.
struct CounterLine {
    int value = 0;
    bool top = false;
    std::string_view topRegister;  // with top, empty for a fixed TOP
    bool preload = false;
    std::vector<std::string_view> compares;  // "OCR1B"
};
std::vector<CounterLine> counterLinesOf(const Row& row, const Timeline& timeline);

// Whether a compare unit's value matters to the picture: its pin is drawn
// or its interrupt raised.
bool drawn(const Timeline& timeline, const OutputExplained& output);

// The register contents once every step has run, as explain takes them.
std::vector<RegisterValue> registersAfter(const Setup& setup);

// dutyPercent as setupOf takes it; periods at least 1, else
// std::invalid_argument.
Timeline timelineOf(const Query& query, const Row& row, int dutyPercent, int periods);

}  // namespace solver
