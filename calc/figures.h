#pragma once

#include "extended.h"
#include "state.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The main window's figures, each computed here once, for the window's
// handlers and for `avrtimer-calc figures` alike: the same formulas, the same
// order of evaluation and stores to double, the same texts, so that a script
// reads exactly what a user sees.
//
// A figure reads the working values it needs from the state and stores there
// what the window keeps of it. Each is computed on its own, so that a handler
// writes one label before the next figure can fail: an error leaves the
// labels before it showing their new texts. The texts are the numbers only;
// the words around them are the window's.
namespace calc {

// A number as its label shows it, and the hexadecimal digits of its Round.
struct FigureText {
    std::string number;
    std::string hex;
};

// From the clock and prescaler, in the window's order. The PWM frequencies
// are stored as whole numbers; the tick is stored in microseconds, which the
// NORMAL-mode span reads, until the wanted interval stores it in seconds.
std::string fastPwmFigure(CalculatorState& state, std::string_view separator);
std::string phasePwmFigure(CalculatorState& state, std::string_view separator);
std::string tickUsFigure(CalculatorState& state, std::string_view separator);
std::string normalSpanUsFigure(const CalculatorState& state, std::string_view separator);
std::string timerKHzFigure(const CalculatorState& state, std::string_view separator);
std::string normalSquareWaveFigure(const CalculatorState& state, std::string_view separator);

// A typed number as a field keeps it, rounded to double: EConvertError when
// the text is not a number, EOverflow beyond the double range.
double typedNumber(std::string_view text, std::string_view separator);

// Stores the tick in seconds, where the wanted interval leaves it for the
// field handlers.
void storeTickSeconds(CalculatorState& state);
// The wanted interval state.timeValue in ticks, in the unit of the unit
// box's item index (outside the table the previous unit stays). Stores the
// unit and the tick in seconds.
Extended wantedIntervalTicks(CalculatorState& state, int unitIndex);
FigureText tcntPreloadFigure(Extended ticks, std::string_view separator);
FigureText ctcOcrFigure(Extended ticks, std::string_view separator);

// The interrupt periods in ms for a register value v. The NORMAL-mode period
// is cut to eight characters (an exponent form keeps its exponent); the CTC
// one reads the tick in seconds.
std::string normalInterruptMsFigure(const CalculatorState& state, std::int32_t v, std::string_view separator);
std::string ctcInterruptMsFigure(const CalculatorState& state, std::int32_t v, std::string_view separator);

std::string ctcSquareWaveFigure(const CalculatorState& state, std::int32_t n, std::string_view separator);
// f is the wanted frequency in hertz, as applyFrequencyUnitTable gives it.
std::string ocrForFrequencyFigure(const CalculatorState& state, double f, std::string_view separator);

// The compare values of one PWM mode for state.dutyPercent. The whole
// numbers are shown and stored as the last pair; the hexadecimal is of the
// unrounded value's Round.
struct PwmCompareFigures {
    FigureText nonInverted;
    FigureText inverted;
};
PwmCompareFigures fastPwmCompareFigures(CalculatorState& state, std::string_view separator);
PwmCompareFigures phasePwmCompareFigures(CalculatorState& state, std::string_view separator);

// ------------------------------------------------------ all of them at once

// A number as typed into one of the window's fields, with the item index of
// the unit box beside it.
struct TypedNumber {
    std::string text;
    int unitIndex = -1;
};

struct FigureInputs {
    std::int32_t clockHz = 0;
    std::int32_t prescaler = 1;
    std::optional<TypedNumber> interval;        // Edit1 and wielkosc
    std::optional<std::int32_t> registerValue;  // SpinEdit1
    std::optional<std::int32_t> ocr;            // ocr
    std::optional<TypedNumber> frequency;       // Edit2 and ComboBox1
    std::optional<std::int32_t> duty;           // TrackBar1
};

struct Figure {
    std::string_view name;  // "fast_pwm_hz", "tcnt_preload", ...
    std::string text;       // the number as its label shows it
    std::string hex;        // its hexadecimal form, where the label has one
    std::string error;      // instead of both: the error report's text
};

// The six figures of the clock and prescaler, then those of each input
// given. Parse errors of the typed numbers are reported as the window's
// error report words them; the fields' own fallbacks do not apply. The clock
// must be above zero, as the command line demands: without a tick the
// window stops before the NORMAL-mode span, which has nothing to read here.
std::vector<Figure> windowFigures(const FigureInputs& inputs, std::string_view separator);

}  // namespace calc
