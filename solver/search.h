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
    std::optional<int> timer;       // both timers when empty
    std::optional<avr::Mode> mode;  // every mode the goal can use when empty
    // Timer2 counting a watch crystal instead of the CPU clock.
    std::optional<mpq_class> crystalHz;
    // Comes first among rows otherwise equal, instead of the lower number.
    std::optional<int> preferredTimer;
};

// The timers the search, the setup code and the register decoder handle:
// the 8-bit timers clocked by the CPU or a watch crystal, whose fixed TOP is
// 0xFF and whose TOP register is OCRnA. The chip data has the 16-bit timers
// and the ATtiny85's PLL-clocked Timer1 too; they are left out here, as if
// the chip lacked them, until the search knows their modes.
bool searched(const avr::Timer& timer);

// Why a query has no answer at all.
enum class Problem {
    ClockNotPositive,
    CrystalNotPositive,
    TargetNotPositive,
    CrystalWithoutTimer2,  // a crystal, but Timer0 asked for or no Timer2 on the chip
    NoSuchTimer,
    CrystalTooFast,        // the CPU clock must be over four times the crystal's
    TargetBelowCycle,      // shorter than one CPU cycle
    NoSetting,             // the timer has no mode for this goal
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
};

// The register a setting writes besides the control registers.
enum class RegisterRole {
    None,
    Compare,  // OCRnA in CTC mode
    Preload,  // TCNTn, reloaded in the overflow interrupt
    Top,      // OCRnA as TOP of a PWM mode
};

struct Setting {
    const avr::Timer* timer = nullptr;
    avr::Mode mode = avr::Mode::Normal;
    avr::Top top = avr::Top::Fixed;
    int prescaler = 1;
    RegisterRole role = RegisterRole::None;
    int registerValue = 0;    // unless role is None
    std::uint32_t count = 1;  // interrupts counted in software per interval
    bool crystal = false;     // Timer2 counting the watch crystal
    const avr::CompareUnit* output = nullptr;  // the pin driven, if any

    // "OCR0A" or "TCNT0"; empty for RegisterRole::None.
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

    // No error, and nothing that makes the real value differ from it.
    bool exact() const;
};

// Every setting that reaches the goal, best first. Rows are ordered and
// made only as far as they are read, so that a ranking of thousands costs
// little when ten are shown; for the same reason a Ranking and its copies
// are for one thread.
class Ranking {
public:
    std::size_t size() const;
    Row row(std::size_t rank) const;
    // How many of the first rows have an error, counting the reload
    // allowance of inexact rows, of at most maxErrorPpm.
    std::size_t countWithin(const mpq_class& maxErrorPpm) const;

    struct Data;
    explicit Ranking(std::shared_ptr<const Data> data);

private:
    std::shared_ptr<const Data> data_;
};

// Throws QueryError when the query cannot be answered at all.
Ranking solve(const Query& query);

}  // namespace solver
