// parseInteger and isInteger against a reading of the same grammar done with
// std::from_chars on the digits and 64-bit arithmetic.
#include "calc/errors.h"
#include "calc/numtext.h"
#include "tests/fuzz/fuzzcheck.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>

namespace {

using fuzz::fail;
using fuzz::quoted;
using fuzz::show;

bool isHexDigit(char c) {
    return fuzz::isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Up to eight hex digits are a 32-bit pattern; a minus negates it modulo
// 2^32, so -$1 is -1 and -$80000000 is the smallest integer.
std::optional<std::int32_t> hexValue(std::string_view digits, bool negative) {
    if (digits.empty() || digits.size() > 8 || !std::all_of(digits.begin(), digits.end(), isHexDigit))
        return std::nullopt;
    std::uint32_t pattern = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), pattern, 16);
    const std::int64_t signedValue = negative ? -static_cast<std::int64_t>(pattern) : pattern;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(signedValue) & 0xFFFFFFFFu));
}

std::optional<std::int32_t> decimalValue(std::string_view digits, bool negative) {
    if (digits.empty() || !std::all_of(digits.begin(), digits.end(), fuzz::isDigit))
        return std::nullopt;
    digits.remove_prefix(std::min(digits.find_first_not_of('0'), digits.size() - 1));
    if (digits.size() > 10)
        return std::nullopt;
    std::int64_t value = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (negative)
        value = -value;
    if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

std::optional<std::int32_t> expectedValue(std::string_view s) {
    std::size_t i = std::min(s.find_first_not_of(' '), s.size());
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        negative = s[i++] == '-';
    const std::string_view rest = s.substr(i);
    for (std::string_view prefix : {"$", "x", "X", "0x", "0X"})
        if (rest.starts_with(prefix))
            return hexValue(rest.substr(prefix.size()), negative);
    return decimalValue(rest, negative);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::optional<std::int32_t> expected = expectedValue(text);
    std::optional<std::int32_t> parsed;
    try {
        parsed = calc::parseInteger(text);
    } catch (const calc::EConvertError&) {
    }
    if (parsed != expected)
        fail({"parsed", quoted(text), "as", parsed ? show(static_cast<long long>(*parsed)) : "an error", "expected",
              expected ? show(static_cast<long long>(*expected)) : "an error"});
    if (calc::isInteger(text) != parsed.has_value())
        fail({"isInteger disagrees with parseInteger on", quoted(text)});
    return 0;
}
