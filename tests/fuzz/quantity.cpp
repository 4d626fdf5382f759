// parseQuantity against a std::regex of the same grammar, with the value
// built from the matched digits: accepted exactly when the recogniser
// accepts, and then to the same exact value, number text and unit.
#include "solver/quantity.h"
#include "tests/fuzz/fuzzcheck.h"

#include <gmpxx.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <regex>
#include <string>

namespace {

using fuzz::fail;
using fuzz::quoted;
using solver::Dimension;

struct Reading {
    mpq_class value;
    std::string number, unit;
};

// Units are read without regard to case, as no two differ only in case.
const std::regex grammar(
    "[ \t]*(([+-]?)([0-9]*)(?:[.,]([0-9]*))?(?:[eE]([+-]?)([0-9]+))?)[ \t]*(Hz|kHz|MHz|s|ms|us|\xC2\xB5s|\xCE\xBCs)?[ \t]*",
    std::regex::icase);

std::string lowered(std::string text) {
    for (char& c : text)
        c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    return text;
}

int unitPower(const std::string& typed) {
    const std::string unit = lowered(typed);
    if (unit == "khz")
        return 3;
    if (unit == "mhz")
        return 6;
    if (unit == "ms")
        return -3;
    if (unit.size() >= 2 && unit != "hz")
        return -6;  // us, µs, μs
    return 0;
}

mpq_class tenTo(long power) {
    mpq_class value = 1;
    for (long i = 0; i < (power < 0 ? -power : power); ++i)
        value *= 10;
    return power < 0 ? mpq_class(1 / value) : value;
}

std::optional<Reading> recognise(const std::string& text, Dimension dimension) {
    std::smatch m;
    if (!std::regex_match(text, m, grammar))
        return std::nullopt;
    const std::string digits = m[3].str() + m[4].str();
    if (digits.empty() || digits.size() > 40)
        return std::nullopt;
    std::string exponentDigits = m[6].str();
    exponentDigits.erase(0, exponentDigits.find_first_not_of('0'));
    if (exponentDigits.size() > 3 || (!exponentDigits.empty() && std::stol(exponentDigits) > 100))
        return std::nullopt;
    std::string unit = m[7].str();
    const bool isTime = !unit.empty() && lowered(unit).back() == 's';
    if (!unit.empty() && isTime != (dimension == Dimension::Time))
        return std::nullopt;
    const long exponent = (m[5].str() == "-" ? -1 : 1) * (exponentDigits.empty() ? 0 : std::stol(exponentDigits));
    mpq_class value(mpz_class(digits, 10));
    value *= tenTo(exponent - static_cast<long>(m[4].length()) + unitPower(unit));
    if (m[2].str() == "-")
        value = -value;
    std::string number = m[1].str();
    for (char& c : number)
        if (c == ',')
            c = '.';
    // The unit as the parser names it.
    const std::string low = lowered(unit);
    unit = low == "hz" ? "Hz" : low == "khz" ? "kHz" : low == "mhz" ? "MHz" : low == "s" || low == "ms" ? low : "us";
    if (low.empty())
        unit.clear();
    return Reading{value, number, unit};
}

void check(const std::string& text, Dimension dimension) {
    const std::optional<Reading> expected = recognise(text, dimension);
    std::optional<solver::Quantity> read;
    try {
        read = solver::parseQuantity(text, dimension);
    } catch (const solver::QuantityError&) {
    }
    if (expected.has_value() != read.has_value())
        fail({"accepted", read ? "by the parser only:" : "by the recogniser only:", quoted(text)});
    if (!read)
        return;
    if (read->value != expected->value)
        fail({"value of", quoted(text), read->value.get_str(), "instead of", expected->value.get_str()});
    if (read->number != expected->number || read->unit != expected->unit)
        fail({"number or unit of", quoted(text), quoted(read->number), quoted(read->unit)});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 200)
        return 0;
    const std::string text(reinterpret_cast<const char*>(data), size);
    check(text, Dimension::Frequency);
    check(text, Dimension::Time);
    return 0;
}
