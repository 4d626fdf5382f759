#pragma once

#include <gmpxx.h>

#include <string>

namespace solver {

// Plain decimal notation, never an exponent, of q rounded to `significant`
// digits with halves to even; trailing zeros after the point are dropped:
// 1/3 to 6 digits is "0.333333", 1234567 to 3 is "1230000".
std::string decimalText(const mpq_class& q, int significant);

// "p/q" in lowest terms, always with a denominator: "16000000/1".
std::string fractionText(const mpq_class& q);

// The nearest double, for JSON numbers; exact values stay exact as text.
double nearestDouble(const mpq_class& q);

}  // namespace solver
