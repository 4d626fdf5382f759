#pragma once

#include "avr/timers.h"

#include <gmpxx.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace solver {

// What the user wants from a timer.
enum class Goal {
    Interval,      // a periodic interrupt, target in seconds
    Frequency,     // a square wave on an output pin, target in hertz
    PwmFrequency,  // the period of a PWM output, target in hertz
};

struct Query {
    const avr::Chip* chip = nullptr;
    mpq_class clockHz;
    Goal goal = Goal::Interval;
    mpq_class target;
    std::optional<int> timer;       // every timer of the chip when empty
    std::optional<avr::Mode> mode;  // every mode the goal can use when empty
    std::optional<avr::Top> top;    // every kind of TOP when empty
    // Timer2 counting a watch crystal instead of the CPU clock.
    std::optional<mpq_class> crystalHz;
    // The ATtiny85's Timer1 counting its PLL clock instead of the CPU clock.
    std::optional<mpq_class> pllHz;
    // Comes first among rows otherwise equal, instead of the lower number.
    std::optional<int> preferredTimer;
};

// Why a query has no answer at all.
enum class Problem {
    ClockNotPositive,
    CrystalNotPositive,
    PllNotPositive,
    TargetNotPositive,
    CrystalWithoutTimer2,  // a crystal, but Timer0 asked for or no Timer2 on the chip
    PllWithoutTimer,       // a PLL clock, but no timer of the chip (or the one asked for) counts it
    NoSuchTimer,
    CrystalTooFast,        // the CPU clock must be over four times the crystal's
    TargetBelowCycle,      // shorter than one CPU cycle
    TargetAboveHalfClock,  // a wave or PWM faster than half the CPU clock, which no output reaches
    IntervalBelowRoutine,  // every interrupt would come before the last one's routine has returned
    NoSetting,             // the timer has no mode (or no TOP of the kind asked for) for this goal
    TooManyInterrupts,     // even the longest period needs 2^32 interrupts or more
};

class QueryError : public std::runtime_error {
public:
    explicit QueryError(Problem problem);
    Problem problem() const { return problem_; }

private:
    Problem problem_;
};

enum class Warning {
    ReloadLatency,       // preload rewritten in the interrupt at prescaler 1 or 8
    AsynchronousReload,  // TCNT2 rewritten while Timer2 counts the crystal
    NoZeroDuty,          // non-inverted Fast PWM never reaches 0 %
    FrequentInterrupt,   // so few CPU cycles apart that the routine hardly fits
    InputCaptureLost,    // ICRn holds TOP, so the timer captures no edges
    PllClock,            // the PLL follows the internal RC oscillator, not the crystal
};

// The register a setting writes besides the control registers.
enum class RegisterRole {
    None,
    Compare,  // the TOP register (OCRnA, ICRn or OCR1C) in CTC mode
    Preload,  // TCNTn, reloaded in the overflow interrupt
    Top,      // the TOP register of a PWM mode
};

// What the timer counts, after its prescaler.
enum class TimerClock {
    Cpu,
    Crystal,  // Timer2's watch crystal on TOSC1/TOSC2
    Pll,      // the ATtiny85's PLL
};

struct Setting {
    const avr::Timer* timer = nullptr;
    const avr::WaveformMode* waveform = nullptr;
    int prescaler = 1;
    RegisterRole role = RegisterRole::None;
    int registerValue = 0;    // unless role is None
    std::uint32_t count = 1;  // interrupts counted in software per interval
    TimerClock clock = TimerClock::Cpu;
    const avr::CompareUnit* output = nullptr;  // the pin driven, if any

    avr::Mode mode() const { return waveform->mode; }
    avr::Top top() const { return waveform->top; }
    // What the counter counts to: the mode's fixed TOP, the TOP register's
    // value, or the counter's maximum in NORMAL mode.
    int topValue() const;
    // The register that holds TOP ("OCR1A", "ICR1", "OCR1C"); empty for a
    // fixed TOP.
    std::string_view topRegister() const;
    // "OCR0A", "ICR1" or "TCNT0"; empty for RegisterRole::None.
    std::string_view registerName() const;
};

struct Row {
    Setting setting;
    mpq_class achieved;     // in the target's unit, seconds or hertz
    mpq_class error;        // (achieved - target) / target
    mpq_class driftPerDay;  // seconds a clock kept by it gains in a day
    // The nearest values the same timer, mode, prescaler and software count
    // reach strictly below and above the target, by stepping the register.
    std::optional<mpq_class> below, above;
    std::vector<Warning> warnings;
    // The error the row is shown with and ranked by, by its size: error, or
    // with a late reload the estimate of the real error, every period
    // lengthened by the ticks the reload loses.
    mpq_class shownError;

    // No error, and nothing that makes the real value differ from it.
    bool exact() const;
    // The error is an estimate: a reload lands late by an amount that
    // depends on the interrupt routine.
    bool estimated() const;
};

// Seconds a day a clock kept by the row gains, by shownError.
mpq_class shownDriftPerDay(const Row& row);

// Every setting that reaches the goal, best first. Rows are found and
// ordered only as far as they are read: a 16-bit timer alone has millions
// of settings, and ten are shown. For the same reason a Ranking and its
// copies are for one thread.
class Ranking {
public:
    std::size_t size() const;
    Row row(std::size_t rank) const;
    // What row(rank) would tell, without making its figures: cheap enough
    // for every row a list holds, when only the rows in sight are made.
    Setting setting(std::size_t rank) const;
    bool exact(std::size_t rank) const;
    // Whether the rows differ in nothing but the timer they are on: the same
    // mode, prescaler, register value and count on twin timers, such as
    // Timer1 and Timer3 of the ATmega2560. Twins rank next to each other.
    bool twins(std::size_t a, std::size_t b) const;

    struct Data;
    explicit Ranking(std::shared_ptr<Data> data);

private:
    std::shared_ptr<Data> data_;
};

// Throws QueryError when the query cannot be answered at all.
Ranking solve(const Query& query);

}  // namespace solver
