#include "calc/extended.h"

#include "calc/errors.h"

#include <cmath>
#include <limits>

namespace calc {
namespace {

// What an x87 unit with unmasked exceptions reports for a result computed
// from the given operands: NaN out of non-NaN operands is an invalid
// operation, infinity out of finite operands an overflow.
Extended checked(long double result, Extended a, Extended b) {
    if (std::isnan(result) && !std::isnan(a.value) && !std::isnan(b.value))
        throw EInvalidOp();
    if (std::isinf(result) && std::isfinite(a.value) && std::isfinite(b.value))
        throw EOverflow();
    return result;
}

}  // namespace

Extended operator+(Extended a, Extended b) { return checked(a.value + b.value, a, b); }
Extended operator-(Extended a, Extended b) { return checked(a.value - b.value, a, b); }
Extended operator*(Extended a, Extended b) { return checked(a.value * b.value, a, b); }

Extended operator/(Extended a, Extended b) {
    if (b.value == 0 && std::isfinite(a.value)) {
        if (a.value == 0)
            throw EInvalidOp();
        throw EZeroDivide();
    }
    return checked(a.value / b.value, a, b);
}

std::int64_t Round(Extended x) {
    // The rounding mode is never changed from the default, nearest with
    // ties to even.
    const long double r = std::rint(x.value);
    constexpr long double lowest = -0x1p63L;
    if (!(r >= lowest && r < -lowest))
        throw EInvalidOp();
    return static_cast<std::int64_t>(r);
}

double toDouble(Extended x) {
    const double d = static_cast<double>(x.value);
    if (std::isinf(d) && std::isfinite(x.value))
        throw EOverflow();
    return d;
}

}  // namespace calc
