// The typed quantities: exact values, the number and unit as typed, and
// what is refused.
#include "solver/decimal.h"
#include "solver/quantity.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

using solver::Dimension;
using Kind = solver::QuantityError::Kind;

struct Accepted {
    const char* name;
    const char* text;
    Dimension dimension;
    const char* exact;  // p/q
    const char* number;
    const char* unit;
};

void PrintTo(const Accepted& row, std::ostream* out) { *out << row.name; }

const Accepted accepted[] = {
    {"Megahertz", "16MHz", Dimension::Frequency, "16000000/1", "16", "MHz"},
    {"SpaceBeforeUnit", " 16 MHz ", Dimension::Frequency, "16000000/1", "16", "MHz"},
    {"DecimalComma", "3,6864MHz", Dimension::Frequency, "3686400/1", "3.6864", "MHz"},
    {"CommaAndSpace", "3,6864 MHz", Dimension::Frequency, "3686400/1", "3.6864", "MHz"},
    {"Exponent", "16e6", Dimension::Frequency, "16000000/1", "16e6", ""},
    {"BareHertz", "32768", Dimension::Frequency, "32768/1", "32768", ""},
    {"Kilohertz", "32.768kHz", Dimension::Frequency, "32768/1", "32.768", "kHz"},
    {"Milliseconds", "1.5ms", Dimension::Time, "3/2000", "1.5", "ms"},
    {"Microseconds", "250us", Dimension::Time, "1/4000", "250", "us"},
    {"MicroSign", "250\u00b5s", Dimension::Time, "1/4000", "250", "us"},
    {"GreekMu", "250\u03bcs", Dimension::Time, "1/4000", "250", "us"},
    {"UnitInCapitals", "16MHZ", Dimension::Frequency, "16000000/1", "16", "MHz"},
    {"LowerCaseMega", "16mhz", Dimension::Frequency, "16000000/1", "16", "MHz"},
    {"MillisecondsInCapitals", "2MS", Dimension::Time, "1/500", "2", "ms"},
    {"BareSeconds", "2", Dimension::Time, "2/1", "2", ""},
    {"NegativeExponent", "1E-3 s", Dimension::Time, "1/1000", "1E-3", "s"},
    {"LeadingPoint", ".5ms", Dimension::Time, "1/2000", ".5", "ms"},
    {"TrailingPoint", "5.ms", Dimension::Time, "1/200", "5.", "ms"},
    {"Sign", "-1ms", Dimension::Time, "-1/1000", "-1", "ms"},
    {"Tiny", "1e-100 s", Dimension::Time, "1/10000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000", "1e-100", "s"},
};

class QuantityAccepted : public testing::TestWithParam<Accepted> {};

TEST_P(QuantityAccepted, ReadsExactlyWithNumberAndUnitAsTyped) {
    const Accepted& row = GetParam();
    const solver::Quantity q = solver::parseQuantity(row.text, row.dimension);
    EXPECT_EQ(solver::fractionText(q.value), row.exact);
    EXPECT_EQ(q.number, row.number);
    EXPECT_EQ(q.unit, row.unit);
}

INSTANTIATE_TEST_SUITE_P(Rows, QuantityAccepted, testing::ValuesIn(accepted),
                         [](const auto& info) { return std::string(info.param.name); });

struct Refused {
    const char* name;
    const char* text;
    Dimension dimension;
    Kind kind;
};

void PrintTo(const Refused& row, std::ostream* out) { *out << row.name; }

const Refused refused[] = {
    {"Empty", "", Dimension::Frequency, Kind::Empty},
    {"Blank", "   ", Dimension::Frequency, Kind::Empty},
    {"UnitAlone", "MHz", Dimension::Frequency, Kind::NotANumber},
    {"PointAlone", ".", Dimension::Frequency, Kind::NotANumber},
    {"SignAlone", "-", Dimension::Time, Kind::NotANumber},
    {"ExponentWithoutDigits", "1e", Dimension::Time, Kind::NotANumber},
    {"TwoPoints", "1.2.3", Dimension::Time, Kind::UnknownUnit},
    {"SpaceInsideUnit", "1 m s", Dimension::Time, Kind::UnknownUnit},
    {"Hexadecimal", "0x10", Dimension::Frequency, Kind::UnknownUnit},
    {"TimeForFrequency", "1ms", Dimension::Frequency, Kind::WrongDimension},
    {"FrequencyForTime", "1kHz", Dimension::Time, Kind::WrongDimension},
    {"ExponentBeyondLimit", "1e101", Dimension::Frequency, Kind::TooLong},
    {"TooManyDigits", "12345678901234567890123456789012345678901", Dimension::Frequency, Kind::TooLong},
};

class QuantityRefused : public testing::TestWithParam<Refused> {};

TEST_P(QuantityRefused, SaysWhy) {
    try {
        solver::parseQuantity(GetParam().text, GetParam().dimension);
        ADD_FAILURE() << "accepted";
    } catch (const solver::QuantityError& error) {
        EXPECT_EQ(error.kind(), GetParam().kind);
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, QuantityRefused, testing::ValuesIn(refused),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DecimalText, RoundsHalvesToEvenWithoutExponent) {
    const struct {
        mpq_class value;
        int digits;
        const char* text;
    } rows[] = {
        {mpq_class(1, 3), 6, "0.333333"},      {mpq_class(2, 3), 3, "0.667"},
        {1234567, 3, "1230000"},               {mpq_class(125, 1000), 2, "0.12"},
        {mpq_class(135, 1000), 2, "0.14"},     {mpq_class(9999, 10000), 3, "1"},
        {mpq_class(-1, 16000), 9, "-0.0000625"}, {0, 5, "0"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(solver::decimalText(row.value, row.digits), row.text) << row.value.get_str();
}

}  // namespace
