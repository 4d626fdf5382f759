// The figures the main window shows for given inputs, computed through the
// core alone with the stores a handler makes.
#include "calc/errors.h"
#include "calc/formulas.h"
#include "calc/numtext.h"

#include <gtest/gtest.h>

using namespace calc;

namespace {

std::string t(Extended x) { return text(x, ","); }

double storedTick(std::int32_t F, std::int32_t N) { return toDouble(tickPeriodSeconds(F, N)); }

}  // namespace

TEST(Formulas, StartUpFigures) {
    EXPECT_EQ(fastPwmHz(1000000, 1), 3906);
    EXPECT_EQ(phasePwmHz(1000000, 1), 1961);
    const double tickUs = toDouble(secondsToMicroseconds(storedTick(1000000, 1)));
    EXPECT_EQ(t(tickUs), "1");
    EXPECT_EQ(t(normalSpanUs(tickUs)), "256");
    EXPECT_EQ(t(timerFrequencyKHz(1000000, 1)), "1000");
    EXPECT_EQ(t(normalSquareWaveHz(1000000, 1)), "1953,125");
}

TEST(Formulas, PwmFrequenciesRoundHalvesToEven) {
    const struct {
        const char* name;
        std::int32_t F, N;
        std::int64_t fast;
    } rows[] = {
        {"10 MHz / 1", 10000000, 1, 39062},
        {"16 MHz / 8", 16000000, 8, 7812},
        {"1,2 MHz / 1", 1200000, 1, 4688},
        {"9,6 MHz / 8", 9600000, 8, 4688},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(fastPwmHz(row.F, row.N), row.fast);
    }
}

TEST(Formulas, PreloadAndCompareForAWantedInterval) {
    const struct {
        const char* name;
        std::int32_t F, N;
        double t, u;
        const char *preload, *preloadHex, *ocr, *ocrHex;
    } rows[] = {
        {"1 MHz/1, 1 us", 1000000, 1, 1, 0.000001, "255", "FF", "0", "00"},
        {"1 MHz/8, 1 us", 1000000, 8, 1, 0.000001, "255,875", "100", "-0,875", "FFFFFFFF"},
        {"4 MHz/8, 1 us", 4000000, 8, 1, 0.000001, "255,5", "100", "-0,5", "00"},
        {"12 MHz/8, 1 us, extended", 12000000, 8, 1, 0.000001, "254,5", "FF", "0,5", "00"},
        {"8 MHz/32, 1 ms", 8000000, 32, 1, 0.001, "5,99999999999998", "06", "249", "F9"},
        {"1 MHz/8, 1 ms", 1000000, 8, 1, 0.001, "131", "83", "124", "7C"},
        {"1,2 MHz/1, 1 us", 1200000, 1, 1, 0.000001, "254,8", "FF", "0,2", "00"},
        {"1 MHz/1, 1 ms", 1000000, 1, 1, 0.001, "-744", "FFFFFD18", "999", "3E7"},
        {"16 MHz/1024, 10 ms", 16000000, 1024, 10, 0.001, "99,75", "64", "155,25", "9B"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const Extended x = wantedTicks(row.t, row.u, storedTick(row.F, row.N));
        EXPECT_EQ(t(tcntPreload(x)), row.preload);
        EXPECT_EQ(hex(Round(tcntPreload(x))), row.preloadHex);
        EXPECT_EQ(t(ctcOcr(x)), row.ocr);
        EXPECT_EQ(hex(Round(ctcOcr(x))), row.ocrHex);
    }
}

TEST(Formulas, DoublesAloneWouldRoundThePreloadDown) {
    const double T = storedTick(12000000, 8);
    const double x = 1 * 0.000001 / T;
    EXPECT_EQ(256 - x, 254.5);
    EXPECT_EQ(Round(tcntPreload(wantedTicks(1, 0.000001, T))), 255);
}

TEST(Formulas, InterruptPeriods) {
    const struct {
        const char* name;
        std::int32_t F, N, v;
        const char *normal, *ctc;
    } rows[] = {
        {"1 MHz/1, v 0", 1000000, 1, 0, "0,256", "0,001"},
        {"1 MHz/1, v 100", 1000000, 1, 100, "0,156", "0,101"},
        {"1,2 MHz/1024, v 0", 1200000, 1024, 0, "218,4533", "0,853333333333333"},
        {"20 MHz/1, v 255", 20000000, 1, 255, "5E-5", "0,0128"},
        {"1,2 MHz/8, v 100", 1200000, 8, 100, "1,04", "0,673333333333333"},
        {"1,2 MHz/8, v 0", 1200000, 8, 0, "1,706666", "0,00666666666666667"},
        {"20 MHz/1024, v 300", 20000000, 1024, 300, "-2,2528", "15,4112"},
        {"12 MHz/1, v 255", 12000000, 1, 255, "8,333E-5", "0,0213333333333333"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(cutNumberText(t(normalInterruptMs(row.F, row.N, row.v)), 8), row.normal);
        EXPECT_EQ(t(ctcInterruptMs(storedTick(row.F, row.N), row.v)), row.ctc);
    }
}

TEST(Formulas, SquareWaves) {
    const struct {
        const char* name;
        std::int32_t F, N, n;
        const char* hz;
    } rows[] = {
        {"1 MHz/1, ocr 1", 1000000, 1, 1, "250000"},
        {"1 MHz/1, ocr 255", 1000000, 1, 255, "1953,125"},
        {"1,2 MHz/1024, ocr 255", 1200000, 1024, 255, "2,288818359375"},
        {"16 MHz/1024, ocr 255", 16000000, 1024, 255, "30,517578125"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(t(ctcSquareWaveHz(row.F, row.N, row.n)), row.hz);
    }
    EXPECT_THROW(ctcSquareWaveHz(1000000, 1, -1), EZeroDivide);
}

TEST(Formulas, CompareValueForAWantedFrequency) {
    const struct {
        const char* name;
        std::int32_t F, N;
        double f;
        const char* ocr;
    } rows[] = {
        {"1 MHz/1, 1 Hz", 1000000, 1, 1, "499999"},
        {"1 MHz/1, 1 kHz", 1000000, 1, 1000, "499"},
        {"16 MHz/64, 1000 Hz", 16000000, 64, 1000, "124"},
        {"20 MHz/1, 7 Hz", 20000000, 1, 7, "1428570,42857143"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(t(ocrForFrequency(row.F, row.N, row.f)), row.ocr);
    }
    EXPECT_THROW(ocrForFrequency(1000000, 1, 0), EZeroDivide);
}

TEST(Formulas, PwmCompareValues) {
    const struct {
        std::int32_t duty;
        std::int64_t fastNon, fastInv, phaseNon, phaseInv;
    } rows[] = {
        {0, -1, 255, 0, 255},
        {10, 25, 229, 26, 230},
        {30, 76, 178, 76, 178},
        {50, 127, 127, 128, 128},
        {100, 255, -1, 255, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.duty);
        EXPECT_EQ(Round(fastPwmNonInverted(row.duty)), row.fastNon);
        EXPECT_EQ(Round(fastPwmInverted(row.duty)), row.fastInv);
        EXPECT_EQ(Round(phasePwmNonInverted(row.duty)), row.phaseNon);
        EXPECT_EQ(Round(phasePwmInverted(row.duty)), row.phaseInv);
    }
}

TEST(Formulas, AZeroClockDividesByZero) {
    EXPECT_EQ(fastPwmHz(0, 1), 0);
    EXPECT_THROW(tickPeriodSeconds(0, 1), EZeroDivide);
}

TEST(Formulas, AHugeIntervalCannotBeRounded) {
    const Extended x = wantedTicks(1e300, 1, storedTick(1000000, 1));
    EXPECT_THROW(Round(tcntPreload(x)), EInvalidOp);
}
