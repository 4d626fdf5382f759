// parseDecimal against a recogniser of the same grammar written without the
// parser's code, and text() of every accepted value read back again.
#include "calc/errors.h"
#include "calc/numtext.h"
#include "tests/fuzz/fuzzcheck.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace {

using fuzz::fail;
using fuzz::quoted;
using fuzz::show;

// A valid text's value as ±0.digits × 10^magnitude.
struct Reading {
    bool negative = false;
    std::string digits;  // no leading or trailing zeros; empty for zero
    long magnitude = 0;
};

// Exponent digits are read only while the exponent is below 500. Past the
// leading zeros that takes any three digits, and a fourth only after three
// below 500; anything longer leaves digits over.
std::optional<long> exponentValue(std::string_view digits) {
    digits.remove_prefix(std::min(digits.find_first_not_of('0'), digits.size()));
    if (digits.size() > 4 || (digits.size() == 4 && digits.substr(0, 3) >= "500"))
        return std::nullopt;
    long value = 0;
    for (char c : digits)
        value = value * 10 + (c - '0');
    return value;
}

std::optional<Reading> readDecimal(std::string_view s, std::string_view separator) {
    std::size_t i = std::min(s.find_first_not_of(' '), s.size());
    Reading r;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        r.negative = s[i++] == '-';
    const std::string_view whole = fuzz::digitRun(s, i);
    const bool separated = s.substr(i, separator.size()) == separator;
    if (separated)
        i += separator.size();
    const std::string_view fraction = separated ? fuzz::digitRun(s, i) : std::string_view();
    if (whole.empty() && !separated)
        return std::nullopt;
    long exponent = 0;
    if (i < s.size() && (s[i] == 'E' || s[i] == 'e')) {
        ++i;
        bool negativeExponent = false;
        if (i < s.size() && (s[i] == '+' || s[i] == '-'))
            negativeExponent = s[i++] == '-';
        const auto e = exponentValue(fuzz::digitRun(s, i));
        if (!e)
            return std::nullopt;
        exponent = negativeExponent ? -*e : *e;
    }
    if (s.find_first_not_of(' ', i) != std::string_view::npos)
        return std::nullopt;
    const std::string all = std::string(whole).append(fraction);
    const std::size_t first = all.find_first_not_of('0');
    if (first != std::string::npos) {
        r.digits = all.substr(first, all.find_last_not_of('0') - first + 1);
        r.magnitude = static_cast<long>(whole.size()) - static_cast<long>(first) + exponent;
    }
    return r;
}

enum class Range { fits, overflows, borderline };

// The largest extended value is 1.18973149535723176502…E4932 and texts from
// 1.18973149535723176505…E4932 on round to infinity; texts in between are
// left to the parser.
Range range(const Reading& r) {
    if (r.digits.empty() || r.magnitude < 4933)
        return Range::fits;
    if (r.magnitude > 4933)
        return Range::overflows;
    std::string lead = r.digits.substr(0, 21);
    lead.resize(21, '0');
    if (lead < "118973149535723176502")
        return Range::fits;
    if (lead >= "118973149535723176506")
        return Range::overflows;
    return Range::borderline;
}

// Below this magnitude a result is no longer safely a normal number.
constexpr long kSmallestNormalMagnitude = -4930;

// From the first 19 digits: within about 1e-18 of the exact value wherever
// that is a normal number, which a correct parse is too.
long double approximate(const Reading& r) {
    const std::size_t count = std::min<std::size_t>(r.digits.size(), 19);
    std::uint64_t mantissa = 0;
    for (std::size_t i = 0; i < count; ++i)
        mantissa = mantissa * 10 + static_cast<std::uint64_t>(r.digits[i] - '0');
    const long double leading = static_cast<long double>(mantissa) * std::pow(10.0L, -static_cast<long>(count - 1));
    const long double value = leading * std::pow(10.0L, r.magnitude - 1);
    return r.negative ? -value : value;
}

void checkValue(std::string_view text, const Reading& r, long double v) {
    if (std::signbit(v) != r.negative)
        fail({"wrong sign", quoted(text), show(v)});
    if (r.digits.empty()) {
        if (v != 0)
            fail({"zero read as nonzero", quoted(text), show(v)});
    } else if (r.magnitude >= kSmallestNormalMagnitude) {
        const long double expected = approximate(r);
        if (!(fuzz::relativeDifference(v, expected) <= 1e-17L))
            fail({"wrong value", quoted(text), show(v), "expected about", show(expected)});
    } else if (!(std::fabs(v) < 1e-4930L)) {
        fail({"tiny value read too large", quoted(text), show(v)});
    }
}

void checkRoundTrip(long double v, std::string_view separator) {
    const std::string shown = calc::text(v, separator);
    if (v == 0) {
        if (shown != "0")
            fail({"zero shown as", quoted(shown)});
        return;
    }
    long double back = 0;
    try {
        back = calc::parseDecimal(shown, separator);
    } catch (const calc::EConvertError&) {
        fail({"text of", show(v), "rejected:", quoted(shown)});
    }
    if (!fuzz::readsBackAs(back, v))
        fail({"text", quoted(shown), "of", show(v), "reads back as", show(back)});
}

void check(std::string_view text, std::string_view separator) {
    const std::optional<Reading> reading = readDecimal(text, separator);
    std::optional<long double> parsed;
    try {
        parsed = calc::parseDecimal(text, separator);
    } catch (const calc::EConvertError&) {
    }
    if (!reading) {
        if (parsed)
            fail({"invalid text accepted", quoted(text), quoted(separator), show(*parsed)});
        return;
    }
    const Range r = range(*reading);
    if (r == Range::overflows && parsed)
        fail({"overflowing text accepted", quoted(text), show(*parsed)});
    if (r == Range::fits && !parsed)
        fail({"valid text rejected", quoted(text), quoted(separator)});
    if (!parsed)
        return;
    if (!std::isfinite(*parsed))
        fail({"not finite", quoted(text), show(*parsed)});
    checkValue(text, *reading, *parsed);
    checkRoundTrip(*parsed, separator);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    check(text, ",");
    check(text, ".");
    return 0;
}
