#pragma once

#include <cfloat>
#include <cstdint>

namespace calc {

// The last digits of every result depend on 80-bit evaluation: 12 MHz with
// prescaler 8 and 1 us gives a preload a hair above 254.5, which rounds to
// FF only in extended precision.
static_assert(LDBL_MANT_DIG == 64 && LDBL_MAX_EXP == 16384,
              "long double must be the x87 80-bit extended format");

// An extended value whose arithmetic raises the errors an x87 unit with
// unmasked invalid, zero-divide and overflow exceptions would raise, checked
// explicitly so that nothing depends on the compiler's fenv handling.
// Underflow and inexact results stay silent.
struct Extended {
    long double value = 0;

    constexpr Extended() = default;
    constexpr Extended(long double v) : value(v) {}  // NOLINT: implicit by design
    constexpr Extended(double v) : value(v) {}       // NOLINT
    constexpr Extended(std::int32_t v) : value(v) {} // NOLINT
    constexpr Extended(std::int64_t v) : value(static_cast<long double>(v)) {}  // NOLINT
};

Extended operator+(Extended a, Extended b);
Extended operator-(Extended a, Extended b);
Extended operator*(Extended a, Extended b);
Extended operator/(Extended a, Extended b);

// Nearest 64-bit integer, halves to even; EInvalidOp outside the 64-bit
// range or for a NaN.
std::int64_t Round(Extended x);

// Rounds to double as a store does; EOverflow when the value is too large.
double toDouble(Extended x);

// 32-bit signed integer arithmetic that wraps, as the timer formulas' integer
// products do.
constexpr std::int32_t wrap32(std::int64_t v) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
}
constexpr std::int32_t mul32(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) * static_cast<std::uint32_t>(b));
}
constexpr std::int32_t add32(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}
constexpr std::int32_t sub32(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}

}  // namespace calc
