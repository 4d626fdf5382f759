#pragma once

#include "avr/timers.h"
#include "solver/search.h"

#include <gmpxx.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// Register contents decoded back into what the timer does: the reverse of
// the setup code, for reading someone else's. Registers not given are taken
// at their reset value, 0, and said so.
namespace solver {

struct RegisterValue {
    std::string name;
    int value = 0;  // within registerBits
};

// The width of a register: a 16-bit timer's counter, compare and capture
// registers hold 16 bits, given whole; every other register 8.
int registerBits(const avr::Chip& chip, std::string_view reg);

// Every register explain reads on the chip, for the names a mistyped one
// may have meant.
std::vector<std::string_view> registerNames(const avr::Chip& chip);

class ExplainError : public std::runtime_error {
public:
    enum class Kind {
        UnknownRegister,   // the chip has no such register, or it is no timer's
        ReservedWaveform,  // the WGM bits select a reserved mode
        ReservedClock,     // the CS bits select a reserved clock
        ReservedOutput,    // the COM bits select a reserved action in this mode
        NoTimer,           // nothing given sets up a timer
        TooWide,           // the value does not fit the register; code() is the value
        GivenTwice,        // the register is given more than once
        ReservedBit,       // a bit no timer has is set; code() is their mask
    };
    ExplainError(Kind kind, std::string reg, int code);
    Kind kind() const { return kind_; }
    const std::string& reg() const { return reg_; }
    int code() const { return code_; }

private:
    Kind kind_;
    std::string reg_;
    int code_;
};

// Complementary: the ATtiny85's Timer1 drives non-inverting PWM on OC1x
// and its inverse on ~OC1x.
enum class PinAction { Disconnected, Toggle, Clear, Set, NonInverting, Inverting, Complementary };

struct OutputExplained {
    const avr::CompareUnit* unit = nullptr;
    PinAction action = PinAction::Disconnected;
    int compare = 0;
    // Its DDR bit; a pin whose bit is clear is an input, which the unit
    // does not drive.
    bool pinIsOutput = false;
    std::optional<mpq_class> frequencyHz;
    std::optional<mpq_class> duty;  // of PWM, 0..1
};

struct InterruptExplained {
    std::string_view vector;
    // Ticks of the period they come in; empty when the counter never gets
    // there.
    std::optional<int> ticks;
    // A compare match of Phase Correct PWM comes counting up and counting
    // down, so twice in each period, not evenly spaced.
    bool twicePerPeriod = false;
    std::optional<mpq_class> periodSeconds;
    // The capture interrupt outside the modes with ICRn as TOP: it comes
    // with the edges of this input, not with the count.
    const avr::InputCapture* edges = nullptr;
};

enum class ClockSource { Stopped, Prescaled, ExternalFalling, ExternalRising };

struct Explained {
    const avr::Timer* timer = nullptr;
    avr::WaveformMode mode{};
    int top = 255;
    ClockSource clock = ClockSource::Stopped;
    int prescaler = 0;  // when Prescaled
    int clockCode = 0;
    TimerClock counts = TimerClock::Cpu;  // what the prescaler divides
    std::optional<mpq_class> countedHz;   // the clock the prescaler divides, when known
    int ticks = 256;  // one period of the counter
    std::optional<mpq_class> periodSeconds;
    std::vector<OutputExplained> outputs;
    std::vector<InterruptExplained> interrupts;
    std::vector<std::string> assumed;  // registers not given, taken as 0
};

struct ExplainClocks {
    std::optional<mpq_class> cpuHz;
    std::optional<mpq_class> crystalHz;  // Timer2's watch crystal, with AS2
    // The ATtiny85's PLL clock, with PCKE: 64 MHz, 32 MHz with LSM, unless
    // given, as it follows the internal RC oscillator.
    std::optional<mpq_class> pllHz;
};

// Every timer the values set up, in timer order. The periods need the clock
// the timer counts. Throws ExplainError.
std::vector<Explained> explain(const avr::Chip& chip, const std::vector<RegisterValue>& values,
                               const ExplainClocks& clocks);

}  // namespace solver
