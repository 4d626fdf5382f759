#include "calc/numtext.h"

#include "calc/errors.h"

#include <charconv>
#include <clocale>
#include <cstdlib>
#include <cmath>
#include <cstdint>
#include <optional>

namespace calc {
namespace {

// The decimal digits of a positive finite value and its exponent E, such
// that the value is 0.d1d2d3... × 10^E.
struct Digits {
    std::string digits;
    int exponent;
};

// 18 significant digits, nearest with ties to even, then 15 with the 16th
// digit rounding up; trailing zeros dropped.
Digits significantDigits(long double magnitude) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, magnitude,
                                      std::chars_format::scientific, 17);
    std::string digits;
    const char* p = buffer;
    for (; p != result.ptr && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9')
            digits += *p;
    int exponent = 0;
    std::from_chars(p + 1 + (p[1] == '+'), result.ptr, exponent);
    exponent += 1;

    const bool roundUp = digits[15] >= '5';
    digits.resize(15);
    if (roundUp) {
        int i = 14;
        for (; i >= 0 && digits[i] == '9'; --i)
            digits[i] = '0';
        if (i >= 0) {
            ++digits[i];
        } else {
            digits.insert(digits.begin(), '1');
            digits.pop_back();
            ++exponent;
        }
    }
    digits.erase(digits.find_last_not_of('0') + 1);
    return {digits, exponent};
}

std::string plainNotation(const Digits& d, std::string_view separator) {
    std::string out;
    if (d.exponent > 0) {
        const std::size_t whole = static_cast<std::size_t>(d.exponent);
        out = d.digits.substr(0, whole);
        if (out.size() < whole)
            out.append(whole - out.size(), '0');
        if (d.digits.size() > whole)
            out.append(separator).append(d.digits, whole);
    } else {
        out.assign("0").append(separator).append(static_cast<std::size_t>(-d.exponent), '0').append(d.digits);
    }
    return out;
}

std::string exponentNotation(const Digits& d, std::string_view separator) {
    std::string out(1, d.digits[0]);
    if (d.digits.size() > 1)
        out.append(separator).append(d.digits, 1);
    return out + "E" + std::to_string(d.exponent - 1);
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

int hexDigitValue(char c) {
    if (isDigit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// A cursor over the text being parsed.
struct Scanner {
    std::string_view text;
    std::size_t pos = 0;

    bool atEnd() const { return pos == text.size(); }
    char peek() const { return atEnd() ? '\0' : text[pos]; }
    bool take(char c) {
        if (peek() != c)
            return false;
        ++pos;
        return true;
    }
    bool take(std::string_view s) {
        if (s.empty() || text.substr(pos, s.size()) != s)
            return false;
        pos += s.size();
        return true;
    }
    void skipSpaces() {
        while (take(' ')) {
        }
    }
    std::string_view digits() {
        const std::size_t start = pos;
        while (isDigit(peek()))
            ++pos;
        return text.substr(start, pos - start);
    }
    // An optional sign; true for a minus.
    bool negativeSign() {
        if (take('-'))
            return true;
        take('+');
        return false;
    }
};

std::optional<std::int32_t> hexadecimal(Scanner& s) {
    std::uint32_t value = 0;
    std::size_t count = 0;
    for (int digit; (digit = hexDigitValue(s.peek())) >= 0; ++s.pos, ++count)
        value = value << 4 | static_cast<std::uint32_t>(digit);
    if (count == 0 || count > 8)
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

std::optional<std::int64_t> decimal(Scanner& s) {
    const std::string_view digits = s.digits();
    if (digits.empty())
        return std::nullopt;
    std::int64_t value = 0;
    for (char c : digits) {
        value = value * 10 + (c - '0');
        if (value > 2147483648LL)
            return std::nullopt;
    }
    return value;
}

std::optional<std::int32_t> tryParseInteger(std::string_view text) {
    Scanner s{text};
    s.skipSpaces();
    const bool negative = s.negativeSign();
    const bool hex = s.take('$') || s.take('x') || s.take('X') || s.take("0x") || s.take("0X");
    std::optional<std::int64_t> magnitude;
    if (hex) {
        if (const auto pattern = hexadecimal(s))
            magnitude = static_cast<std::int64_t>(*pattern);
    } else {
        magnitude = decimal(s);
        if (magnitude && *magnitude == 2147483648LL && !negative)
            magnitude.reset();
    }
    if (!magnitude || !s.atEnd())
        return std::nullopt;
    // A hexadecimal pattern is negated as a 32-bit value: -$80000000 wraps.
    const std::uint32_t bits = static_cast<std::uint32_t>(*magnitude);
    return static_cast<std::int32_t>(negative ? 0u - bits : bits);
}

struct DecimalParts {
    bool negative = false;
    std::string_view whole;
    std::string_view fraction;
    int exponent = 0;
};

// The grammar of a decimal text; nullopt when it does not match.
std::optional<DecimalParts> scanDecimal(std::string_view text, std::string_view separator) {
    Scanner s{text};
    DecimalParts parts;
    s.skipSpaces();
    parts.negative = s.negativeSign();
    parts.whole = s.digits();
    const bool hasSeparator = s.take(separator);
    if (hasSeparator)
        parts.fraction = s.digits();
    if (parts.whole.empty() && !hasSeparator)
        return std::nullopt;
    if (s.take('E') || s.take('e')) {
        const bool negativeExponent = s.negativeSign();
        // Digits are read only while the exponent is below 500; any left
        // over make the text invalid.
        while (isDigit(s.peek()) && parts.exponent < 500)
            parts.exponent = parts.exponent * 10 + (text[s.pos++] - '0');
        if (negativeExponent)
            parts.exponent = -parts.exponent;
    }
    s.skipSpaces();
    if (!s.atEnd())
        return std::nullopt;
    return parts;
}

// The decimal exponent of the leading significant digit, for telling an
// overflow from an underflow.
long leadingMagnitude(const DecimalParts& p) {
    const auto firstWhole = p.whole.find_first_not_of('0');
    if (firstWhole != std::string_view::npos)
        return static_cast<long>(p.whole.size() - firstWhole) + p.exponent;
    const auto firstFraction = p.fraction.find_first_not_of('0');
    return -static_cast<long>(firstFraction) + p.exponent;
}

// from_chars reports every result below the normal range as out of range
// and leaves it unset; underflow is silent, so read it with the C locale
// named explicitly, which also gives the subnormals their value.
long double subnormalValue(const std::string& normal) {
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t{});
    return strtold_l(normal.c_str(), nullptr, cLocale);
}

std::optional<long double> decimalValue(const DecimalParts& p) {
    if (p.whole.find_first_not_of('0') == std::string_view::npos &&
        p.fraction.find_first_not_of('0') == std::string_view::npos)
        return p.negative ? -0.0L : 0.0L;
    std::string normal;
    normal.reserve(p.whole.size() + p.fraction.size() + 8);
    normal.append(p.whole.empty() ? "0" : p.whole).append(".").append(p.fraction.empty() ? "0" : p.fraction);
    normal.append("e").append(std::to_string(p.exponent));
    long double value = 0;
    const auto result = std::from_chars(normal.data(), normal.data() + normal.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        if (leadingMagnitude(p) > 0)
            return std::nullopt;
        value = subnormalValue(normal);
    }
    return p.negative ? -value : value;
}

std::size_t codePoints(std::string_view s) {
    std::size_t n = 0;
    for (unsigned char c : s)
        n += (c & 0xC0) != 0x80;
    return n;
}

// Byte length of the first `count` code points.
std::size_t prefixBytes(std::string_view s, std::size_t count) {
    std::size_t i = 0;
    for (std::size_t seen = 0; i < s.size(); ++i) {
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80 && seen++ == count)
            break;
    }
    return i;
}

}  // namespace

std::string text(Extended x, std::string_view separator) {
    const long double v = x.value;
    if (std::isnan(v))
        return "NAN";
    if (std::isinf(v))
        return v < 0 ? "-INF" : "INF";
    if (v == 0)
        return "0";
    const Digits d = significantDigits(std::fabs(v));
    const std::string body = d.exponent >= -3 && d.exponent <= 15 ? plainNotation(d, separator)
                                                                  : exponentNotation(d, separator);
    return std::signbit(v) ? "-" + body : body;
}

std::string hex(std::int64_t k) {
    char buffer[16];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<std::uint32_t>(k), 16);
    std::string out(buffer, result.ptr);
    for (char& c : out)
        if (c >= 'a' && c <= 'f')
            c = static_cast<char>(c - 'a' + 'A');
    return out.size() < 2 ? "0" + out : out;
}

std::string integerText(std::int32_t k) { return std::to_string(k); }

long double parseDecimal(std::string_view text, std::string_view separator) {
    if (const auto parts = scanDecimal(text, separator))
        if (const auto value = decimalValue(*parts))
            return *value;
    throw EConvertError("'" + std::string(text) + "' is not a valid floating point value");
}

std::int32_t parseInteger(std::string_view text) {
    if (const auto value = tryParseInteger(text))
        return *value;
    throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
}

bool isInteger(std::string_view text) { return tryParseInteger(text).has_value(); }

std::string cutNumberText(std::string_view numberText, std::size_t width) {
    if (codePoints(numberText) <= width)
        return std::string(numberText);
    const std::size_t e = numberText.find('E');
    if (e == std::string_view::npos)
        return std::string(numberText.substr(0, prefixBytes(numberText, width)));
    const std::string_view exponent = numberText.substr(e);
    const std::string_view mantissa = numberText.substr(0, e);
    std::size_t keep = width > exponent.size() ? width - exponent.size() : 0;
    const std::size_t firstDigit = mantissa.find_first_of("0123456789");
    keep = std::max(keep, firstDigit + 1);
    std::string cut(mantissa.substr(0, prefixBytes(mantissa, keep)));
    // A mantissa cut right after its separator loses the separator too.
    const auto lastDigit = cut.find_last_of("0123456789");
    cut.erase(lastDigit + 1);
    return cut + std::string(exponent);
}

std::string errorReportText(std::string_view message) {
    std::string out(message);
    if (!out.empty() && static_cast<unsigned char>(out.back()) > static_cast<unsigned char>('.'))
        out += '.';
    return out;
}

std::string applicationTitle(std::string_view executablePath) {
    std::string_view name = executablePath.substr(executablePath.find_last_of('/') + 1);
    name = name.substr(0, name.find('.'));
    std::string title(name);
    for (std::size_t i = 1; i < title.size(); ++i)
        if (title[i] >= 'A' && title[i] <= 'Z')
            title[i] = static_cast<char>(title[i] - 'A' + 'a');
    return title;
}

}  // namespace calc
