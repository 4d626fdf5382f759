#include "calc/errors.h"
#include "calc/numtext.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <limits>

using namespace calc;

TEST(Text, GeneralFormatWithFifteenDigits) {
    const struct {
        const char* name;
        long double x;
        const char* expected;
    } rows[] = {
        {"integer", 1000, "1000"},
        {"pwm", 3906, "3906"},
        {"hundredths", 0.05, "0,05"},
        {"smallest plain", 0.0001, "0,0001"},
        {"first exponent below", 0.00001, "1E-5"},
        {"mantissa with fraction", 0.0000015, "1,5E-6"},
        {"first exponent above", 1e15, "1E15"},
        {"sixteen digits", 1234567890123456.0L, "1,23456789012346E15"},
        {"largest plain", 999999999999999.0L, "999999999999999"},
        {"square wave", 1953.125L, "1953,125"},
        {"third", 1.0L / 3, "0,333333333333333"},
        {"five sixths", 5.0L / 6, "0,833333333333333"},
        {"repeating", 640.0L / 3, "213,333333333333"},
        {"five e-5", 5e-5L, "5E-5"},
        {"long exponent form", 1.0L / 12000, "8,33333333333333E-5"},
        {"negative", -0.875L, "-0,875"},
        {"sevenths", 9999993.0L / 7, "1428570,42857143"},
        {"carry into integer", 9.9999999999999999L, "10"},
        {"carry to plain limit", 0.000099999999999999999L, "0,0001"},
        {"carry to exponent form", 999999999999999.5L, "1E15"},
        {"16th digit rounds up", 123456789012345.67L, "123456789012346"},
        {"18 digits first", 1.2345678901234449999L, "1,23456789012345"},
        {"16th digit below five", 1.2345678901234440001L, "1,23456789012344"},
        {"trailing zeros padded", 1.5e14L, "150000000000000"},
        {"negative exponent form", -2.5e-7L, "-2,5E-7"},
        {"extended range", 1e4000L, "1E4000"},
        {"zero", 0.0L, "0"},
        {"negative zero", -0.0L, "0"},
        {"infinity", std::numeric_limits<long double>::infinity(), "INF"},
        {"negative infinity", -std::numeric_limits<long double>::infinity(), "-INF"},
        {"nan", std::numeric_limits<long double>::quiet_NaN(), "NAN"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(text(row.x, ","), row.expected);
    }
}

TEST(Text, UsesTheGivenSeparator) {
    EXPECT_EQ(text(0.5L, "."), "0.5");
    EXPECT_EQ(text(1.5e-6L, "."), "1.5E-6");
    EXPECT_EQ(text(2.5L, "\u066B"), "2\u066B5");
}

TEST(Hex, LowThirtyTwoBitsUpperCaseAtLeastTwoDigits) {
    const struct {
        const char* name;
        std::int64_t k;
        const char* expected;
    } rows[] = {
        {"zero", 0, "00"},
        {"one digit", 5, "05"},
        {"two digits", 255, "FF"},
        {"three digits", 256, "100"},
        {"mixed", 300, "12C"},
        {"minus one", -1, "FFFFFFFF"},
        {"negative preload", -744, "FFFFFD18"},
        {"above 32 bits", 0x1FFFFFFFFLL, "FFFFFFFF"},
        {"exactly 2^32", 0x100000000LL, "00"},
        {"int64 min", std::numeric_limits<std::int64_t>::min(), "00"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(hex(row.k), row.expected);
    }
}

TEST(IntegerText, Signed) {
    EXPECT_EQ(integerText(0), "0");
    EXPECT_EQ(integerText(100), "100");
    EXPECT_EQ(integerText(-2147483647 - 1), "-2147483648");
}

TEST(ParseDecimal, AcceptedTexts) {
    const struct {
        const char* name;
        const char* text;
        long double expected;
    } rows[] = {
        {"spaces around", " 12 ", 12},
        {"comma fraction", "0,5", 0.5L},
        {"separator alone", ",", 0},
        {"trailing separator", "5,", 5},
        {"leading separator", ",5", 0.5L},
        {"bare exponent letter", "1E", 1},
        {"exponent sign only", "1E+", 1},
        {"lower e", "1e3", 1000},
        {"plus", "+3", 3},
        {"minus", "-3", -3},
        {"exponent plus", "1E+2", 100},
        {"exponent minus", "1E-2", 0.01L},
        {"everything", "  -,5E1  ", -5},
        {"beyond double", "1E500", 1e500L},
        {"exponent digits up to 500", "1E0499", 1e499L},
        {"underflow is zero", "1E-4999", 0},
        {"subnormal kept", "3,6E-4950", 3.6e-4950L},
        {"smallest normal from its text", "3,36210314311209E-4932", 3.36210314311209e-4932L},
        {"long mantissa", "0,333333333333333333333333", 0.333333333333333333333333L},
        {"zero exponent huge", "0E499", 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(parseDecimal(row.text, ","), row.expected);
    }
}

TEST(ParseDecimal, RejectedTexts) {
    const char* rows[] = {
        "", " ", "-", "+", "0.5", "E5", "$1F", "1 2", "1,2,3", "INF", "NAN", "--1", "+-1",
        "1E5 x", "\t1", "1 000", "0x10", "1E5000", "0E5000", "1E4999", "1EE", "1,E,", "- 1",
    };
    for (const char* text : rows) {
        SCOPED_TRACE(text);
        EXPECT_THROW(parseDecimal(text, ","), EConvertError);
    }
}

TEST(ParseDecimal, MessageQuotesTheText) {
    try {
        parseDecimal("0.5", ",");
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "'0.5' is not a valid floating point value");
    }
}

TEST(ParseDecimal, PointIsTheSeparatorOnlyWhenTheLocaleSaysSo) {
    EXPECT_EQ(parseDecimal("0.5", "."), 0.5L);
    EXPECT_THROW(parseDecimal("0,5", "."), EConvertError);
}

TEST(ParseInteger, AcceptedTexts) {
    const struct {
        const char* name;
        const char* text;
        std::int32_t expected;
    } rows[] = {
        {"plain", "12", 12},
        {"leading spaces", "  12", 12},
        {"leading zeros", "00012", 12},
        {"plus", "+5", 5},
        {"dollar hex", "$1F", 31},
        {"x hex", "x1f", 31},
        {"X hex", "X1F", 31},
        {"0x hex", "0x1F", 31},
        {"0X hex", "0X1f", 31},
        {"all ones", "$FFFFFFFF", -1},
        {"largest", "$7FFFFFFF", 2147483647},
        {"negated hex", "-$1", -1},
        {"negated pattern wraps", "-$80000000", -2147483647 - 1},
        {"smallest decimal", "-2147483648", -2147483647 - 1},
        {"largest decimal", "2147483647", 2147483647},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(parseInteger(row.text), row.expected);
        EXPECT_TRUE(isInteger(row.text));
    }
}

TEST(ParseInteger, RejectedTexts) {
    const char* rows[] = {
        "", " ", "-", "+", "$", "0x", "12 ", "1 MH", "1,5", "1e3", "- 1", "2147483648",
        "-2147483649", "99999999999999999999", "$123456789", "$G", "--1", "1-", "0x-1",
    };
    for (const char* text : rows) {
        SCOPED_TRACE(text);
        EXPECT_THROW(parseInteger(text), EConvertError);
        EXPECT_FALSE(isInteger(text));
    }
}

TEST(ParseInteger, MessageQuotesTheText) {
    try {
        parseInteger("1 MH");
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "'1 MH' is not a valid integer value");
        EXPECT_EQ(errorReportText(e.what()), "'1 MH' is not a valid integer value.");
    }
}

TEST(CutNumberText, KeepsTheMagnitudeOfExponentForms) {
    const struct {
        const char* name;
        const char* text;
        const char* expected;
    } rows[] = {
        {"plain cut", "1,70666666666667", "1,706666"},
        {"plain cut three digits", "218,453333333333", "218,4533"},
        {"short exponent form", "5E-5", "5E-5"},
        {"long exponent form", "8,33333333333333E-5", "8,333E-5"},
        {"negative exponent form", "-8,33333333333333E-5", "-8,33E-5"},
        {"short plain", "0,256", "0,256"},
        {"negative plain", "-2,2528", "-2,2528"},
        {"plain cut after separator", "1234567,5", "1234567,"},
        {"no room for the fraction", "1,5E-4932", "1E-4932"},
        {"no room even for a digit", "-1,5E-4932", "-1E-4932"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(cutNumberText(row.text, 8), row.expected);
    }
}

TEST(ErrorReportText, PeriodAddedAfterCharactersSortingAfterIt) {
    const struct {
        const char* message;
        const char* expected;
    } rows[] = {
        {"Floating point division by zero", "Floating point division by zero."},
        {"value1", "value1."},
        {"a/", "a/."},
        {"zażółć", "zażółć."},
        {"done.", "done."},
        {"stop!", "stop!"},
        {"quote'", "quote'"},
        {"paren)", "paren)"},
        {"comma,", "comma,"},
        {"space ", "space "},
        {"dash-", "dash-"},
        {"", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.message);
        EXPECT_EQ(errorReportText(row.message), row.expected);
    }
}

TEST(ApplicationTitle, FileNameCutAtFirstDotFirstCharacterKept) {
    const struct {
        const char* path;
        const char* expected;
    } rows[] = {
        {"/usr/bin/avrtimer", "avrtimer"},
        {"CALC.EXE", "Calc"},
        {"build/AVR.timer.bin", "Avr"},
        {"./aBC", "abc"},
        {"/opt/x/.hidden", ""},
        {"lower", "lower"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path);
        EXPECT_EQ(applicationTitle(row.path), row.expected);
    }
}
