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

// simavr runs every mode it models; avr8js, on the chips it has, the modes
// simavr lacks.
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

// Every case the chip's timers can run in the simulator. simavr does not
// model 8-bit Phase Correct PWM nor the modes simulatorLacks(); avr8js runs
// Phase Correct PWM, on the chips avr8jsRuns().
std::vector<Case> casesOf(const avr::Chip& chip, Simulator simulator);
bool avr8jsRuns(const avr::Chip& chip);

// simavr 1.6 runs Timer0's CTC mode of the ATmega16 and ATmega32 as NORMAL
// (their Timer2, with the same register layout, it runs right). Pinned by
// the simulator's guard test.
bool simulatorLacks(const avr::Chip& chip, int timer, avr::Mode mode);

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
