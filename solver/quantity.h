#pragma once

#include <gmpxx.h>

#include <stdexcept>
#include <string>
#include <string_view>

namespace solver {

enum class Dimension { Frequency, Time };

// A typed frequency or time, read exactly: "1.5ms" is 3/2000 s and
// "3,6864 MHz" is 3686400 Hz.
struct Quantity {
    mpq_class value;  // hertz or seconds
    Dimension dimension;
    // The number as typed, sign and exponent kept, with "." for a decimal
    // comma: what the window's own parser reads in the matching field.
    std::string number;
    // "Hz", "kHz", "MHz", "s", "ms" or "us" ("µs" is read as "us", and
    // every unit without regard to case); empty when none was typed.
    std::string unit;
};

class QuantityError : public std::runtime_error {
public:
    enum class Kind { Empty, NotANumber, UnknownUnit, WrongDimension, TooLong };
    QuantityError(Kind kind, std::string unit);
    Kind kind() const { return kind_; }
    // The unit as typed, for UnknownUnit and WrongDimension.
    const std::string& unit() const { return unit_; }

private:
    Kind kind_;
    std::string unit_;
};

// Spaces around the number and the unit are allowed; then an optional sign,
// digits with "." or "," as the decimal point (at least one digit), an
// optional exponent ("e" or "E", a sign, digits), and a unit. A bare number
// is in hertz or seconds, as `expected` says. At most 40 digits and an
// exponent of at most 100 either way: nothing a timer needs comes near.
Quantity parseQuantity(std::string_view text, Dimension expected);
// The same number without a unit: anything after it is an UnknownUnit.
mpq_class parseNumber(std::string_view text);

inline constexpr int maxDigits = 40;
inline constexpr int maxExponent = 100;

}  // namespace solver
