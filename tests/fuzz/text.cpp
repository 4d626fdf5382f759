// text(x) for any 80-bit pattern: the shape of the text, at most 15
// significant digits, the notation chosen by the rounded magnitude, and
// parseDecimal reading it back to the same 15 digits.
#include "calc/errors.h"
#include "calc/numtext.h"
#include "tests/fuzz/fuzzcheck.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace {

using fuzz::fail;
using fuzz::quoted;
using fuzz::show;

// A finite number's text: -ddd,dddEn with the sign, fraction and exponent
// optional.
struct Shape {
    bool negative = false;
    std::string_view whole;
    std::string_view fraction;
    std::optional<long> exponent;
};

std::optional<long> exponentOf(std::string_view digits, bool negative) {
    long value = 0;
    const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || digits[0] == '0' || result.ec != std::errc())
        return std::nullopt;
    return negative ? -value : value;
}

std::optional<Shape> shapeOf(std::string_view t, std::string_view separator) {
    Shape s;
    std::size_t i = 0;
    s.negative = t.starts_with('-');
    i += s.negative;
    s.whole = fuzz::digitRun(t, i);
    if (s.whole.empty())
        return std::nullopt;
    if (t.substr(i, separator.size()) == separator) {
        i += separator.size();
        s.fraction = fuzz::digitRun(t, i);
        if (s.fraction.empty())
            return std::nullopt;
    }
    if (i < t.size() && t[i] == 'E') {
        ++i;
        const bool negativeExponent = i < t.size() && t[i] == '-';
        i += negativeExponent;
        std::string_view digits = fuzz::digitRun(t, i);
        s.exponent = exponentOf(digits, negativeExponent);
        if (!s.exponent)
            return std::nullopt;
    }
    if (i != t.size())
        return std::nullopt;
    return s;
}

std::size_t significantDigits(const Shape& s) {
    const std::string all = std::string(s.whole).append(s.fraction);
    const std::size_t first = all.find_first_not_of('0');
    return first == std::string::npos ? 0 : all.find_last_not_of('0') - first + 1;
}

// The fewest characters for the digits: no trailing fraction zeros, no
// leading zeros but the one before a fraction, one digit before the
// separator in exponent form, and exponent form only outside 1E-4..1E14.
bool isCanonical(const Shape& s) {
    if (!s.fraction.empty() && s.fraction.back() == '0')
        return false;
    if (significantDigits(s) == 0)
        return false;
    if (s.exponent)
        return s.whole.size() == 1 && s.whole != "0" && (*s.exponent < -4 || *s.exponent > 14);
    return s.whole == "0" || s.whole[0] != '0';
}

void checkSpecial(long double x, const std::string& shown) {
    const char* expected = std::isnan(x) ? "NAN" : std::isinf(x) ? (x < 0 ? "-INF" : "INF") : "0";
    if (shown != expected)
        fail({"text of", show(x), "is", quoted(shown), "not", expected});
}

// Plain notation exactly when the rounded value lies in [1E-4, 1E15), which
// the text's own value tells.
void checkReadBack(long double x, const std::string& shown, const Shape& s, std::string_view separator) {
    long double back = 0;
    try {
        back = calc::parseDecimal(shown, separator);
    } catch (const calc::EConvertError&) {
        fail({"text of", show(x), "rejected:", quoted(shown)});
    }
    if (!fuzz::readsBackAs(back, x))
        fail({"text", quoted(shown), "of", show(x), "reads back as", show(back)});
    const long double magnitude = std::fabs(back == 0 ? x : back);
    if (!s.exponent != (magnitude >= 1e-4L && magnitude < 1e15L))
        fail({"wrong notation for", show(x), ":", quoted(shown)});
}

void check(long double x, std::string_view separator) {
    const std::string shown = calc::text(x, separator);
    if (!std::isfinite(x) || x == 0) {
        checkSpecial(x, shown);
        return;
    }
    const std::optional<Shape> s = shapeOf(shown, separator);
    if (!s || !isCanonical(*s) || significantDigits(*s) > 15)
        fail({"text of", show(x), "is", quoted(shown)});
    if (s->negative != std::signbit(x))
        fail({"wrong sign for", show(x), ":", quoted(shown)});
    checkReadBack(x, shown, *s, separator);
}

// A zero exponent with the integer bit set: the x87 reads it as a normal
// number, std::to_chars as a subnormal one, so its text is meaningless. No
// arithmetic produces it.
bool isPseudoDenormal(const unsigned char* bytes) {
    return (bytes[7] & 0x80) != 0 && bytes[8] == 0 && (bytes[9] & 0x7F) == 0;
}

constexpr std::string_view kSeparators[] = {",", ".", "\u066B"};

}  // namespace

// Ten bytes are the value's x87 encoding, the eleventh picks the separator.
// Unnormals and pseudo-NaNs stay in: the x87 treats them as NaN, and so does
// text().
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    unsigned char bytes[sizeof(long double)] = {};
    std::memcpy(bytes, data, std::min<std::size_t>(size, 10));
    if (isPseudoDenormal(bytes))
        return 0;
    long double x;
    std::memcpy(&x, bytes, sizeof x);
    check(x, kSeparators[size > 10 ? data[10] % 3 : 0]);
    return 0;
}
