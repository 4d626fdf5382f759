#include "solver/decimal.h"

#include <charconv>
#include <cstdlib>

namespace solver {
namespace {

mpz_class powerOfTen(unsigned long exponent) {
    mpz_class power;
    mpz_ui_pow_ui(power.get_mpz_t(), 10, exponent);
    return power;
}

// a · 10^k for a signed k.
mpq_class scaled(const mpq_class& a, long k) {
    return k >= 0 ? mpq_class(a * powerOfTen(static_cast<unsigned long>(k)))
                  : mpq_class(a / powerOfTen(static_cast<unsigned long>(-k)));
}

// The E with 10^(E-1) <= a < 10^E, for a > 0. The digit counts of the
// numerator and denominator put it within a step or two.
long decimalExponent(const mpq_class& a) {
    long e = static_cast<long>(mpz_sizeinbase(a.get_num_mpz_t(), 10)) -
             static_cast<long>(mpz_sizeinbase(a.get_den_mpz_t(), 10));
    while (scaled(a, -e) >= 1)
        ++e;
    while (scaled(a, 1 - e) < 1)
        --e;
    return e;
}

mpz_class roundHalfEven(const mpq_class& x) {
    mpz_class quotient, remainder;
    mpz_fdiv_qr(quotient.get_mpz_t(), remainder.get_mpz_t(), x.get_num_mpz_t(), x.get_den_mpz_t());
    const int half = cmp(mpz_class(2 * remainder), x.get_den());
    if (half > 0 || (half == 0 && mpz_odd_p(quotient.get_mpz_t())))
        ++quotient;
    return quotient;
}

std::string placePoint(const std::string& digits, long exponent) {
    std::string text;
    if (exponent <= 0) {
        text = "0." + std::string(static_cast<std::size_t>(-exponent), '0') + digits;
    } else if (static_cast<std::size_t>(exponent) >= digits.size()) {
        text = digits + std::string(static_cast<std::size_t>(exponent) - digits.size(), '0');
    } else {
        text = digits.substr(0, static_cast<std::size_t>(exponent)) + "." +
               digits.substr(static_cast<std::size_t>(exponent));
    }
    if (text.find('.') != std::string::npos) {
        text.erase(text.find_last_not_of('0') + 1);
        if (text.back() == '.')
            text.pop_back();
    }
    return text;
}

}  // namespace

std::string decimalText(const mpq_class& q, int significant) {
    if (q == 0)
        return "0";
    const mpq_class a = abs(q);
    long exponent = decimalExponent(a);
    mpz_class digits = roundHalfEven(scaled(a, significant - exponent));
    if (digits == powerOfTen(static_cast<unsigned long>(significant))) {
        digits /= 10;
        ++exponent;
    }
    std::string text = placePoint(digits.get_str(), exponent);
    if (q < 0)
        text.insert(text.begin(), '-');
    return text;
}

std::string fractionText(const mpq_class& q) { return q.get_num().get_str() + "/" + q.get_den().get_str(); }

double nearestDouble(const mpq_class& q) {
    // 17 significant digits name a double uniquely; from_chars then rounds
    // to nearest whatever the locale.
    const std::string text = decimalText(q, 17);
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

}  // namespace solver
