#pragma once

#include "extended.h"

#include <cstdint>
#include <string>
#include <string_view>

// Texts are UTF-8. The decimal separator is the user's and is passed in;
// nothing here reads the process locale.
namespace calc {

// General format, 15 significant digits: plain notation for decimal
// exponents -3..15, otherwise d,dddE-n.
std::string text(Extended x, std::string_view separator);
// Low 32 bits, upper case, at least two digits: -1 gives FFFFFFFF.
std::string hex(std::int64_t k);
std::string integerText(std::int32_t k);

// Leading and trailing spaces, sign, digits with the separator, optional
// exponent. EConvertError "'…' is not a valid floating point value".
long double parseDecimal(std::string_view text, std::string_view separator);
// Leading spaces, sign, decimal or $/x/0x hexadecimal, nothing after.
// EConvertError "'…' is not a valid integer value".
std::int32_t parseInteger(std::string_view text);
bool isInteger(std::string_view text);

// The first `width` characters of a number's text; an exponent form is kept
// whole and only its mantissa is shortened, so the magnitude stays right.
std::string cutNumberText(std::string_view numberText, std::size_t width);

// The error report's text: "." appended when the last character sorts
// after ".".
std::string errorReportText(std::string_view message);
// The executable's file name up to its first ".", all but the first
// character in lower case: CALC.EXE gives Calc.
std::string applicationTitle(std::string_view executablePath);

}  // namespace calc
