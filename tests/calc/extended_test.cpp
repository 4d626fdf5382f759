#include "calc/errors.h"
#include "calc/extended.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>

using namespace calc;

TEST(Round, HalvesGoToTheEvenNeighbour) {
    const struct {
        const char* name;
        long double x;
        std::int64_t expected;
    } rows[] = {
        {"2.5", 2.5L, 2},
        {"3.5", 3.5L, 4},
        {"-0.5", -0.5L, 0},
        {"-1.5", -1.5L, -2},
        {"127.5", 127.5L, 128},
        {"76.5", 76.5L, 76},
        {"just above a half", 254.50000000000000001L, 255},
        {"just below a half", 0.49999999999999999L, 0},
        {"largest 64-bit", 0x1p63L - 1, std::numeric_limits<std::int64_t>::max()},
        {"smallest 64-bit", -0x1p63L, std::numeric_limits<std::int64_t>::min()},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(Round(row.x), row.expected);
    }
}

TEST(Round, OutsideTheRangeOrNaNIsAnInvalidOperation) {
    const struct {
        const char* name;
        long double x;
    } rows[] = {
        {"2^63", 0x1p63L},
        {"below -2^63", -0x1p63L - 1},
        {"huge", 1e300L},
        {"infinity", std::numeric_limits<long double>::infinity()},
        {"NaN", std::numeric_limits<long double>::quiet_NaN()},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_THROW(Round(row.x), EInvalidOp);
    }
}

TEST(ExtendedArithmetic, RaisesWhereTheUnitWould) {
    EXPECT_THROW(Extended(1) / 0, EZeroDivide);
    EXPECT_THROW(Extended(-5) / 0, EZeroDivide);
    EXPECT_THROW(Extended(0) / 0, EInvalidOp);
    EXPECT_THROW(Extended(LDBL_MAX) * 2, EOverflow);
    EXPECT_THROW(Extended(LDBL_MAX) + LDBL_MAX, EOverflow);
    EXPECT_THROW(Extended(1) / LDBL_MIN / LDBL_MIN, EOverflow);
    try {
        Extended(1) / 0;
        FAIL();
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "Floating point division by zero");
    }
}

TEST(ExtendedArithmetic, UnderflowIsSilent) {
    const Extended tiny = Extended(LDBL_MIN) / 1e10L;
    EXPECT_GT(tiny.value, 0);
    EXPECT_EQ((Extended(LDBL_MIN) * LDBL_MIN).value, 0);
    EXPECT_EQ(toDouble(1e-400L), 0.0);
}

TEST(ExtendedArithmetic, KeepsSixtyFourMantissaBits) {
    // 1 + 2^-63 is exact in extended and lost in double.
    EXPECT_NE((Extended(1) + 0x1p-63L).value, 1.0L);
}

TEST(ToDouble, OverflowsOnlyBeyondTheDoubleRange) {
    EXPECT_EQ(toDouble(DBL_MAX), DBL_MAX);
    EXPECT_THROW(toDouble(1e309L), EOverflow);
    EXPECT_THROW(toDouble(-1e309L), EOverflow);
    EXPECT_TRUE(std::isinf(toDouble(std::numeric_limits<long double>::infinity())));
    EXPECT_EQ(toDouble(1.0L / 3), 1.0 / 3);
}

TEST(Wrap32, IntegerProductsWrapAtThirtyTwoBits) {
    EXPECT_EQ(mul32(2147483647, 2), -2);
    EXPECT_EQ(mul32(16777216, 256), 0);
    EXPECT_EQ(mul32(-1, 510), -510);
    EXPECT_EQ(add32(2147483647, 1), -2147483647 - 1);
    EXPECT_EQ(sub32(256, -2147483647 - 1), -2147483647 + 255);
    EXPECT_EQ(wrap32(0x1FFFFFFFFLL), -1);
}
