#pragma once

#include "solver/search.h"

#include <gmpxx.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The register setup of one row of a ranking, as data and as C for
// avr-libc. Every bit is written by its avr-libc name from the chip's tables
// (avr/timers.h), so the code is right exactly when those tables are; the
// test suite compiles it for every chip and runs it in a simulated AVR.
namespace solver {

// One step of a setup, in the order it runs.
struct SetupStep {
    enum class Kind {
        Assign,     // REG = bits, or REG = number
        Merge,      // REG |= bits: the register holds other timers' or pins' bits too
        WaitWhile,  // while (REG & bits): asynchronous writes still on their way
        WaitUntil,  // while (!(REG & bits)): a clock not yet locked
        Delay,      // number CPU cycles spent doing nothing
    };
    Kind kind = Kind::Assign;
    std::string_view reg;
    std::vector<avr::Bit> bits;
    std::optional<int> number;  // written instead of bits: OCRnx, ICRn, TCNTn; cycles to wait
    std::string comment;
    // Tells apart the writes of a register written more than once, as the
    // header names each: "STOPPED", "RESET".
    std::string_view stage{};

    // The byte written, or the mask merged or waited on.
    int value() const;
};

struct Setup {
    const avr::Timer* timer = nullptr;
    std::vector<SetupStep> steps;
    // The interrupt routine's vector; empty when the timer drives a pin
    // without one.
    std::string_view vector;
    int reload = 0;            // the routine adds it to TCNTn; 0 for none
    std::uint32_t count = 1;   // interrupts counted per interval
    std::optional<mpq_class> duty;  // of a PWM output, as set
};

// dutyPercent (0..100) sets the compare value of a PWM row; others ignore it.
// The query gives the clocks: the CPU's for waits, the PLL's for its mode.
// Under Arduino a 16-bit timer is first stopped and reset from the mode the
// core left it in.
Setup setupOf(const Query& query, const Row& row, int dutyPercent, bool arduino = false);

struct CodeStyle {
    bool header = false;   // macros and an F_CPU check instead of a function
    bool arduino = false;  // say what the Arduino core uses the timer for
    int dutyPercent = 50;
    std::string command;   // the command that asked for it, for the comment
};

// Why a PWM row's duty misses dutyPercent by more than half a percent: the
// steps its TOP allows; empty when it does not.
std::string dutyMiss(const Row& row, const Setup& setup, int dutyPercent);

// Throws std::invalid_argument for a header on a clock that is not a whole
// number of hertz, which F_CPU could not name.
std::string setupCode(const Query& query, const Row& row, const CodeStyle& style);

}  // namespace solver
