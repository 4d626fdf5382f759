#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace calc {

// The working values of the main window; one instance, owned by it.
struct CalculatorState {
    std::int32_t prescaler = 0;    // N, the timer's clock divisor
    std::int32_t clockHz = 0;      // F
    std::int32_t dutyPercent = 0;  // d, 0..100
    double ocrNonInverted = 0;     // last PWM compare values, whole numbers
    double ocrInverted = 0;
    double fastPwmHz = 0;          // whole numbers
    double phasePwmHz = 0;
    double tickPeriod = 0;         // T in seconds between handlers
    double timeUnitFactor = 0;     // u, seconds per unit of timeValue
    double timeValue = 0;          // t, the wanted interval
};

struct ClockEntry {
    std::string_view text;
    std::int32_t hz;
};
struct PrescalerEntry {
    std::string_view text;
    std::int32_t divisor;
};
struct UnitEntry {
    std::string_view text;
    double factor;
};

// The combo boxes' lists; an item index selects a row.
inline constexpr std::array<ClockEntry, 9> clockTable{{
    {"1 MHz", 1000000}, {"1,2 MHz", 1200000}, {"4 MHz", 4000000},
    {"8 MHz", 8000000}, {"9,6 MHz", 9600000}, {"10 MHz", 10000000},
    {"12 MHz", 12000000}, {"16 MHz", 16000000}, {"20 MHz", 20000000},
}};
// The union of the Timer0 (1, 8, 64, 256, 1024) and Timer2 divisors.
inline constexpr std::array<PrescalerEntry, 7> prescalerTable{{
    {"1", 1}, {"8", 8}, {"32", 32}, {"64", 64}, {"128", 128}, {"256", 256}, {"1024", 1024},
}};
inline constexpr std::array<UnitEntry, 3> timeUnitTable{{
    {"us", 0.000001}, {"ms", 0.001}, {"s", 1.0},
}};
inline constexpr std::array<UnitEntry, 2> frequencyUnitTable{{
    {"Hz", 1}, {"kHz", 1000},
}};

// An index outside the table (-1 after typing) reads the typed clock as an
// integer number of hertz; EConvertError when it is not one.
void applyClockTable(CalculatorState& state, int itemIndex, std::string_view typedText);
// Outside the table the previous prescaler stays: a typed divisor is ignored.
void applyPrescalerTable(CalculatorState& state, int itemIndex);
// Outside the table the previous unit stays.
void applyTimeUnitTable(CalculatorState& state, int itemIndex);
// The wanted frequency in hertz, rounded to double; outside the table the
// number is taken as hertz.
double applyFrequencyUnitTable(double frequency, int itemIndex);

}  // namespace calc
