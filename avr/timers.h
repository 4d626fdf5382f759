#pragma once

// The 8-bit timer/counters of the AVR chips the program knows, as data read
// from the data sheets: which prescalers each timer offers and their
// clock-select codes, which waveform modes it has with their WGM codes and
// TOP, which registers and bits set them up, which compare units, output
// pins and interrupt vectors it has. Nothing here computes; the solver
// (solver/) reads these tables to search, to write setup code and to
// decode register values, and the command line offers the chips by name.
//
// A chip is one entry of chips(); its timers are listed by number. The
// differences between chips are in the data, never in code that asks which
// chip it is: the ATmega8's Timer0 simply has no compare unit and one
// waveform mode, the ATmega16's Timer2 one control register, the ATtiny85
// no Timer2. Every name is spelled as avr-libc spells it, so that the setup
// code can name each bit; a test checks each name and bit position against
// avr-libc's headers for every chip.

#include <array>
#include <span>
#include <string_view>

namespace avr {

enum class Mode { Normal, Ctc, FastPwm, PhasePwm };

// What the counter counts up to: its maximum 0xFF, or the value of OCRnA.
enum class Top { Max, Ocra };

// A bit of a register, both as avr-libc names them. An empty register
// means the timer has no such bit.
struct Bit {
    std::string_view reg;
    std::string_view name;
    int position = 0;

    bool exists() const { return !reg.empty(); }
};

struct WaveformMode {
    Mode mode;
    Top top;
    int code;  // the value of the WGM bits
};

struct Prescaler {
    int divisor;
    int code;  // the value of the CS bits
};

// One compare unit: its register, the output it drives, the port pin that
// output is on, and the bits that connect it and enable its interrupt.
struct CompareUnit {
    std::string_view ocr;     // "OCR0A"
    std::string_view output;  // "OC0A"
    std::string_view pin;     // "PD6"
    std::string_view ddr;     // "DDRD"
    std::string_view ddrBit;  // "DDD6"
    std::array<Bit, 2> com;   // COMnx0, COMnx1
    Bit interrupt;            // OCIEnx
    Bit flag;                 // OCFnx
    std::string_view vector;  // "TIMER0_COMPA_vect"
};

struct Timer {
    int number;
    std::string_view counter;                   // "TCNT0"
    std::span<const std::string_view> control;  // "TCCR0A", "TCCR0B", in the order written
    std::span<const Prescaler> prescalers;      // smallest first
    // Clock-select codes 6 and 7 count the Tn pin's edges, falling and rising.
    bool externalClock;
    std::span<const WaveformMode> modes;
    std::array<Bit, 3> wgm;  // WGMn0, WGMn1, WGMn2
    std::array<Bit, 3> cs;   // CSn0, CSn1, CSn2
    std::span<const CompareUnit> compareUnits;  // unit A first, then B
    Bit overflowInterrupt;                      // TOIEn
    Bit overflowFlag;                           // TOVn
    std::string_view overflowVector;            // "TIMER0_OVF_vect"
    // AS2: the timer counts a 32.768 kHz watch crystal on TOSC1/TOSC2
    // asynchronously to the CPU; absent when it cannot.
    Bit crystal;
    // The ASSR flags that stay set until an asynchronous write has reached
    // the timer's clock domain.
    std::span<const Bit> crystalBusy;

    bool countsCrystal() const { return crystal.exists(); }
    const Prescaler* prescaler(int divisor) const;
    const WaveformMode* waveform(Mode mode, Top top) const;
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
