#pragma once

#include <cfloat>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <string_view>

// A broken property aborts, so that libFuzzer keeps the input as a crash.
// The message names the property and the values involved.
namespace fuzz {

[[noreturn]] inline void fail(std::initializer_list<std::string_view> parts) {
    std::string message = "property broken:";
    for (std::string_view part : parts)
        message.append(" ").append(part);
    message += '\n';
    std::fwrite(message.data(), 1, message.size(), stderr);
    std::abort();
}

inline std::string show(long double v) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
    return std::string(buffer, result.ptr);
}

inline std::string show(long long v) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
    return std::string(buffer, result.ptr);
}

// The text in quotes with anything outside printable ASCII as \xNN, so that
// a message shows exactly which bytes were involved.
inline std::string quoted(std::string_view text) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out += static_cast<char>(c);
        } else {
            out.append("\\x");
            out += digits[c >> 4];
            out += digits[c & 15];
        }
    }
    return out + "\"";
}

inline bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The run of decimal digits starting at `pos`, which is moved past it.
inline std::string_view digitRun(std::string_view s, std::size_t& pos) {
    const std::size_t start = pos;
    while (pos < s.size() && isDigit(s[pos]))
        ++pos;
    return s.substr(start, pos - start);
}

inline long double relativeDifference(long double a, long double b) {
    const long double d = a > b ? a - b : b - a;
    return d / (b < 0 ? -b : b);
}

// Fifteen significant digits are within half a unit of the 15th digit, which
// is 5e-15 of a value whose digits start with 1; the pre-rounding to 18
// digits and the parse add a few parts in 1e18.
constexpr long double kFifteenDigits = 5.01e-15L;

// Whether `back`, read from the 15-digit text of x, is x to those digits.
// A subnormal has fewer digits than that: reading its text back lands on
// the nearest subnormal, up to one step of the subnormal grid away.
inline bool readsBackAs(long double back, long double x) {
    const long double d = back > x ? back - x : x - back;
    return d <= kFifteenDigits * (x < 0 ? -x : x) + LDBL_TRUE_MIN;
}

}  // namespace fuzz
