#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The main window's figures for one set of inputs, without the window: the
// same formulas, the same order of evaluation and stores to double, the
// same texts, so that a script reads exactly what a user would see.
namespace calc {

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
// error report words them; the fields' own fallbacks do not apply.
std::vector<Figure> windowFigures(const FigureInputs& inputs, std::string_view separator);

}  // namespace calc
