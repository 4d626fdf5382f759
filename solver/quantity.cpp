#include "solver/quantity.h"

#include <algorithm>
#include <array>
#include <utility>

namespace solver {
namespace {

struct Unit {
    std::string_view text;
    std::string_view name;  // the normalised spelling
    Dimension dimension;
    int powerOfTen;
};

// The micro sign (U+00B5) and the Greek mu (U+03BC) look alike; both mean
// micro.
constexpr std::array units{
    Unit{"Hz", "Hz", Dimension::Frequency, 0},  Unit{"kHz", "kHz", Dimension::Frequency, 3},
    Unit{"MHz", "MHz", Dimension::Frequency, 6}, Unit{"s", "s", Dimension::Time, 0},
    Unit{"ms", "ms", Dimension::Time, -3},       Unit{"us", "us", Dimension::Time, -6},
    Unit{"\u00b5s", "us", Dimension::Time, -6},  Unit{"\u03bcs", "us", Dimension::Time, -6},
};

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isSpace(char c) { return c == ' ' || c == '\t'; }

class Reader {
public:
    explicit Reader(std::string_view text) : text_(text) {}

    void skipSpaces() {
        while (pos_ < text_.size() && isSpace(text_[pos_]))
            ++pos_;
    }
    bool atEnd() const { return pos_ == text_.size(); }
    bool take(char c) {
        if (pos_ < text_.size() && text_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }
    bool peekDigit() const { return pos_ < text_.size() && isDigit(text_[pos_]); }
    std::string digits() {
        const std::size_t start = pos_;
        while (peekDigit())
            ++pos_;
        return std::string(text_.substr(start, pos_ - start));
    }
    std::size_t position() const { return pos_; }
    std::string_view from(std::size_t start) const { return text_.substr(start, pos_ - start); }
    std::string_view rest() const { return text_.substr(pos_); }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
};

struct Number {
    bool negative = false;
    std::string digits;  // integer and fraction digits together
    long scale = 0;      // the value is digits · 10^scale
    std::string text;
};

// No unit starts with "e", so an "e" after the digits always begins an
// exponent, and one without digits is a malformed number.
long readExponent(Reader& in) {
    if (!in.take('e') && !in.take('E'))
        return 0;
    const bool negative = in.take('-');
    if (!negative)
        in.take('+');
    const std::string digits = in.digits();
    if (digits.empty())
        throw QuantityError(QuantityError::Kind::NotANumber, {});
    long value = 0;
    for (char c : digits) {
        value = value * 10 + (c - '0');
        if (value > maxExponent)
            throw QuantityError(QuantityError::Kind::TooLong, {});
    }
    return negative ? -value : value;
}

Number readNumber(Reader& in) {
    Number number;
    const std::size_t start = in.position();
    number.negative = in.take('-');
    if (!number.negative)
        in.take('+');
    number.digits = in.digits();
    if (in.take('.') || in.take(',')) {
        const std::string fraction = in.digits();
        number.digits += fraction;
        number.scale = -static_cast<long>(fraction.size());
    }
    if (number.digits.empty())
        throw QuantityError(QuantityError::Kind::NotANumber, {});
    if (number.digits.size() > static_cast<std::size_t>(maxDigits))
        throw QuantityError(QuantityError::Kind::TooLong, {});
    number.scale += readExponent(in);
    number.text = std::string(in.from(start));
    for (char& c : number.text)
        if (c == ',')
            c = '.';
    return number;
}

// ASCII only: the C library's tolower follows the user's locale.
char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Without regard to case, "16MHZ" as "16MHz": no two units differ in case
// alone, as there is no millihertz to mistake for megahertz.
const Unit* findUnit(std::string_view text) {
    const auto same = [](char a, char b) { return lower(a) == lower(b); };
    for (const Unit& unit : units)
        if (std::ranges::equal(unit.text, text, same))
            return &unit;
    return nullptr;
}

std::string_view trimEnd(std::string_view text) {
    while (!text.empty() && isSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

mpq_class powerOfTen(long exponent) {
    mpz_class power;
    mpz_ui_pow_ui(power.get_mpz_t(), 10, static_cast<unsigned long>(exponent < 0 ? -exponent : exponent));
    return exponent < 0 ? mpq_class(1, power) : mpq_class(power);
}

// The number and what follows it, trimmed.
std::pair<Number, std::string_view> readNumberAndRest(std::string_view text) {
    Reader in(text);
    in.skipSpaces();
    if (in.atEnd())
        throw QuantityError(QuantityError::Kind::Empty, {});
    Number number = readNumber(in);
    in.skipSpaces();
    return {std::move(number), trimEnd(in.rest())};
}

mpq_class valueOf(const Number& number, int unitPowerOfTen) {
    mpq_class value(mpz_class(number.digits, 10));
    value *= powerOfTen(number.scale + unitPowerOfTen);
    return number.negative ? mpq_class(-value) : value;
}

}  // namespace

QuantityError::QuantityError(Kind kind, std::string unit)
    : std::runtime_error("invalid quantity"), kind_(kind), unit_(std::move(unit)) {}

Quantity parseQuantity(std::string_view text, Dimension expected) {
    const auto [number, unitText] = readNumberAndRest(text);
    const Unit* unit = nullptr;
    if (!unitText.empty()) {
        unit = findUnit(unitText);
        if (unit == nullptr)
            throw QuantityError(QuantityError::Kind::UnknownUnit, std::string(unitText));
        if (unit->dimension != expected)
            throw QuantityError(QuantityError::Kind::WrongDimension, std::string(unitText));
    }
    return Quantity{valueOf(number, unit != nullptr ? unit->powerOfTen : 0), expected, number.text,
                    unit != nullptr ? std::string(unit->name) : std::string()};
}

mpq_class parseNumber(std::string_view text) {
    const auto [number, rest] = readNumberAndRest(text);
    if (!rest.empty())
        throw QuantityError(QuantityError::Kind::UnknownUnit, std::string(rest));
    return valueOf(number, 0);
}

}  // namespace solver
