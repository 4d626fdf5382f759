#pragma once

// The timer/counters of the AVR chips the program knows, as data read from
// the data sheets: the counter's width, which prescalers each timer offers
// and their clock-select codes, which waveform modes it has with their WGM
// codes and TOP, which registers and bits set them up, which compare units,
// output pins, input capture and interrupt vectors it has. Nothing here
// computes; the solver (solver/) reads these tables to search, to write
// setup code and to decode register values, and the command line offers
// the chips by name.
//
// A chip is one entry of chips(); its timers are listed by number. The
// differences between chips are in the data, never in code that asks which
// chip it is: the ATmega8's Timer0 simply has no compare unit and one
// waveform mode, the ATmega16's Timer2 one control register, the ATtiny85
// no Timer2 and a Timer1 of its own design, whose mode bits are spread over
// TCCR1 and GTCCR and whose TOP register OCR1C is no compare unit. Every
// name is spelled as avr-libc spells it, so that the setup code can name
// each bit; a test checks each name and bit position against avr-libc's
// headers for every chip.

#include <array>
#include <optional>
#include <span>
#include <string_view>

namespace avr {

// Phase and Frequency Correct PWM counts like Phase Correct PWM but takes a
// new TOP at BOTTOM, so that changing the frequency never leaves a glitch;
// the 16-bit timers alone have it.
enum class Mode { Normal, Ctc, FastPwm, PhasePwm, PhaseFrequencyPwm };

// What the counter counts up to: a value fixed by the mode (0xFF, 0x1FF,
// 0x3FF or the counter's maximum), the timer's TOP register (OCRnA, or the
// ATtiny85's OCR1C), or the input-capture register ICRn.
enum class Top { Fixed, Ocr, Icr };

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
    int code;          // the value of the WGM bits
    int fixedTop = 0;  // with Top::Fixed, what the counter counts to
    // Fast PWM whose compare value 0 holds the output low, as the ATtiny85's
    // Timer1 does, where the megas' timers still give a one-tick spike.
    bool lowAtZero = false;
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
    Bit ddr;                  // DDRD's DDD6: set, the pin is an output
    std::array<Bit, 2> com;   // COMnx0, COMnx1
    Bit interrupt;            // OCIEnx
    Bit flag;                 // OCFnx
    std::string_view vector;  // "TIMER0_COMPA_vect"
};

// A 16-bit timer's input capture: ICRn takes the counter's value at an edge
// of the ICPn pin, unless ICRn serves as TOP.
struct InputCapture {
    std::string_view icr;     // "ICR1"
    std::string_view input;   // "ICP1"
    std::string_view pin;     // "PB0"
    Bit ddr;                  // DDRB's DDB0: clear, the pin is an input
    Bit interrupt;            // ICIEn, TICIE1 on the ATmega8/16/32
    Bit flag;                 // ICFn
    std::string_view vector;  // "TIMER1_CAPT_vect"
};

// The ATtiny85's PLL, 8 times its internal RC oscillator: with the PLL
// enabled and locked, PCKE clocks Timer1 from it at 64 MHz, 32 MHz with LSM.
struct PllClock {
    Bit enable;    // PLLE
    Bit locked;    // PLOCK, read only
    Bit select;    // PCKE
    Bit lowSpeed;  // LSM
};

struct Timer {
    int number;
    int bits;                                   // the counter's width, 8 or 16
    std::string_view counter;                   // "TCNT0"
    std::span<const std::string_view> control;  // "TCCR0A", "TCCR0B", in the order written
    std::span<const Prescaler> prescalers;      // smallest first
    // Clock-select codes 6 and 7 count the Tn pin's edges, falling and rising.
    bool externalClock;
    std::span<const WaveformMode> modes;
    std::array<Bit, 4> wgm;  // WGMn0 to WGMn3; CTC1, PWM1A, PWM1B on the ATtiny85
    std::array<Bit, 4> cs;   // CSn0 to CSn2, and CS13 on the ATtiny85
    std::span<const CompareUnit> compareUnits;  // unit A first, then B and C
    // Holds TOP in the modes with Top::Ocr; empty when no mode has it.
    std::string_view topOcr;
    Bit overflowInterrupt;            // TOIEn
    Bit overflowFlag;                 // TOVn
    std::string_view overflowVector;  // "TIMER0_OVF_vect"
    // AS2: the timer counts a 32.768 kHz watch crystal on TOSC1/TOSC2
    // asynchronously to the CPU; absent when it cannot.
    Bit crystal{};
    // The ASSR flags that stay set until an asynchronous write has reached
    // the timer's clock domain.
    std::span<const Bit> crystalBusy{};
    std::optional<InputCapture> capture{};
    std::optional<PllClock> pll{};
    // TCCRnC, where the force-compare strobes have a register of their own;
    // no setup writes it.
    std::string_view forceCompare{};
    // COMnA = 01 toggles OCnA in Fast PWM with ICRn as TOP as well as with
    // OCRnA (the ATmega48-328P's and the ATmega2560's; the ATmega8's only
    // with OCRnA).
    bool togglesWithIcrTop = false;
    // The bits of its registers that no setup writes: the force-compare
    // strobes, the input capture's noise canceller and edge select, EXCLK,
    // the prescaler resets. With every bit above, they make up what its
    // registers hold; the rest are reserved.
    std::span<const Bit> otherBits{};
    // TCNTn in the I/O space, read and written by in and out; elsewhere it
    // takes ld and st, a cycle more each.
    bool counterInIo = true;

    constexpr int max() const { return (1 << bits) - 1; }
    bool countsCrystal() const { return crystal.exists(); }
    const Prescaler* prescaler(int divisor) const;
    // fixedTop counts only with Top::Fixed: Fast PWM has three of them.
    const WaveformMode* waveform(Mode mode, Top top, int fixedTop) const;
    // Null for a reserved code.
    const WaveformMode* waveformByCode(int code) const;
};

// An output pin of an Arduino board and the compare output that
// analogWrite() drives it from: pin 11 of the Uno from OC2A.
struct ArduinoPin {
    std::string_view output;  // "OC2A"
    int pin;                  // 11
};

// The Arduino board built on a chip, by the pins its core's analogWrite()
// drives from a timer; where a compare output shares its pin with another,
// the core's choice.
struct ArduinoBoard {
    std::string_view name;  // "Uno"
    std::span<const ArduinoPin> pins;
};

struct Chip {
    std::string_view name;   // as avr-gcc's -mmcu spells it: "atmega328p"
    std::string_view title;  // as the data sheet does: "ATmega328P"
    std::span<const Timer> timers;
    // The fastest CPU clock the data sheet rates the chip for.
    long maxClockHz = 20000000;
    // Where TOSC1/TOSC2 are the XTAL1/XTAL2 pins, a watch crystal there for
    // Timer2 leaves the CPU its internal RC oscillator, at most this fast;
    // 0 where the crystal has pins of its own.
    long rcClockWithCrystalHz = 0;
    std::optional<ArduinoBoard> arduino{};

    // Null when the chip has no timer of that number.
    const Timer* timer(int number) const;
};

// Whether bits of more than one of the chip's timers live in the register,
// as in the TIMSK and TIFR of the ATmega8/16/32 and the ATtiny85: it must
// then be changed with |=, and a flag cleared by writing its bit alone.
bool sharedRegister(const Chip& chip, std::string_view reg);
// The mask of the bits the chip's timers have in a control, interrupt mask,
// flag, ASSR or PLLCSR register; 0 for any other register.
int knownBits(const Chip& chip, std::string_view reg);

std::span<const Chip> chips();
// Null for a name no entry has; names compare without regard to case.
const Chip* findChip(std::string_view name);

constexpr std::string_view defaultChip = "atmega328p";

}  // namespace avr
