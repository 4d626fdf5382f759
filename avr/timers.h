#pragma once

// The 8-bit timer/counters of the AVR chips the program knows, as data read
// from the data sheets: which prescalers each timer offers, which waveform
// modes it has and what TOP each counts to, which compare registers and
// output pins it drives. Nothing here computes; the solver (solver/) reads
// these tables and the command line offers their chips by name.
//
// A chip is one entry of chips(); its timers are listed by number. The
// differences between chips are in the data, never in code that asks which
// chip it is: a timer without compare units simply has no output pins.

#include <span>
#include <string_view>

namespace avr {

enum class Mode { Normal, Ctc, FastPwm, PhasePwm };

// What the counter counts up to: its maximum 0xFF, or the value of OCRnA.
enum class Top { Max, Ocra };

struct WaveformMode {
    Mode mode;
    Top top;
};

// One compare unit: its register, the output it drives and the port pin
// that output is on.
struct CompareUnit {
    std::string_view ocr;     // "OCR0A"
    std::string_view output;  // "OC0A"
    std::string_view pin;     // "PD6"
};

struct Timer {
    int number;
    std::string_view counter;              // "TCNT0"
    std::span<const int> prescalers;       // the divisors, smallest first
    std::span<const WaveformMode> modes;
    std::span<const CompareUnit> compareUnits;  // unit A first, then B
    // May count a 32.768 kHz watch crystal on TOSC1/TOSC2 asynchronously
    // to the CPU clock.
    bool watchCrystal;
};

struct Chip {
    std::string_view name;   // as avr-gcc's -mmcu spells it: "atmega328p"
    std::string_view title;  // as the data sheet does: "ATmega328P"
    std::span<const Timer> timers;

    // Null when the chip has no timer of that number.
    const Timer* timer(int number) const;
};

std::span<const Chip> chips();
// Null for a name no entry has; names compare without regard to case.
const Chip* findChip(std::string_view name);

constexpr std::string_view defaultChip = "atmega328p";

}  // namespace avr
