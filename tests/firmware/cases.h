#pragma once

// The firmware the simulator runs: for each chip and timer, setups made by
// the setup code emitter for rows of the solver's ranking, each with what
// the harness measures and the solver's exact claim to hold it to. Shared by
// the tool that writes the firmware sources at build time and the harness.

#include "solver/search.h"

#include <optional>
#include <string>
#include <vector>

namespace firmware {

// What the harness records, and between which events.
enum class Measure {
    InterruptFlag,  // the period between two raises of the routine's flag
    PinPeriod,      // the period of the compare output, edge to edge of one kind
    CountedProbe,   // the routine's own code toggles a probe pin every interval
    PwmSweep,       // the high time of each period while OCR runs 0..254
    PwmDuty,        // the period and high time of PWM at its setup's duty
};

enum class Simulator { Simavr, Avr8js };

struct Case {
    std::string name;  // "t0-ctc"; the firmware is <name>.c, <name>.elf and <name>.hex
    solver::Query query;
    solver::Row row;
    Measure measure;
    Simulator simulator;
};

constexpr long clockHz = 16000000;

// The port pin the routine of a counted case toggles: free of every timer
// output and of INT0/INT1, whose low level makes the simulator poll.
struct Probe {
    char port;
    int bit;
};
std::optional<Probe> probeOf(const avr::Chip& chip);

// Every case of the chip's timers that the simulator proves.
std::vector<Case> casesOf(const avr::Chip& chip, Simulator simulator);

// The simulator that proves a timer's mode on the chip: simavr where it
// runs the mode as the data sheet says, else avr8js on the chips it has;
// none where both depart, each departure pinned by a guard test. simavr 1.6
// does not model Phase Correct PWM, runs Phase and Frequency Correct PWM
// single-slope, takes CTC's TOP from OCRnA when ICRn holds it, runs Timer0's
// CTC mode of the ATmega16 and ATmega32 as NORMAL (their Timer2, with the
// same register layout, it runs right), and gives the ATtiny85's Timer1 no
// mode at all. avr8js 0.21.1 has the ATmega328P's timers and the ATtiny85's
// Timer1 alone, never sets ICF1 at TOP (CTC with ICR1 as TOP is proven by
// its toggle), and counts the ATtiny85's Timer1 PWM up and down.
std::optional<Simulator> proverOf(const avr::Chip& chip, const avr::Timer& timer, const avr::WaveformMode& mode);

// The firmware: the setup code, a main around it and, for a counted case,
// the probe toggled where the code says "your code here".
std::string firmwareSource(const avr::Chip& chip, const Case& c);

// Every chip of avr/timers.h, for the suites parameterised by chip.
std::vector<const avr::Chip*> allChips();

// The event interval the case claims, in CPU cycles.
mpz_class claimedCycles(const Case& c);
// The cycles a PWM output of the case is high in each period.
mpz_class claimedHighCycles(const Case& c);

}  // namespace firmware
