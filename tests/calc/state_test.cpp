#include "calc/errors.h"
#include "calc/state.h"

#include <gtest/gtest.h>

using namespace calc;

TEST(ClockTable, EntriesGiveTheirFrequency) {
    CalculatorState s;
    applyClockTable(s, 1, "ignored");
    EXPECT_EQ(s.clockHz, 1200000);
    applyClockTable(s, 8, "");
    EXPECT_EQ(s.clockHz, 20000000);
}

TEST(ClockTable, TypedTextIsAnIntegerNumberOfHertz) {
    CalculatorState s;
    applyClockTable(s, -1, "3686400");
    EXPECT_EQ(s.clockHz, 3686400);
    applyClockTable(s, 9, "$10");
    EXPECT_EQ(s.clockHz, 16);
    EXPECT_THROW(applyClockTable(s, -1, "1 MH"), EConvertError);
    EXPECT_EQ(s.clockHz, 16);
}

TEST(PrescalerTable, TypedDivisorIsIgnored) {
    CalculatorState s;
    s.prescaler = 1;
    applyPrescalerTable(s, 4);
    EXPECT_EQ(s.prescaler, 128);
    applyPrescalerTable(s, -1);
    applyPrescalerTable(s, 7);
    EXPECT_EQ(s.prescaler, 128);
}

TEST(TimeUnitTable, OutsideTheTableTheUnitStays) {
    CalculatorState s;
    s.timeUnitFactor = 0.000001;
    applyTimeUnitTable(s, -1);
    EXPECT_EQ(s.timeUnitFactor, 0.000001);
    applyTimeUnitTable(s, 1);
    EXPECT_EQ(s.timeUnitFactor, 0.001);
    applyTimeUnitTable(s, 2);
    EXPECT_EQ(s.timeUnitFactor, 1.0);
}

TEST(FrequencyUnitTable, ScalesOnlyForAnEntry) {
    EXPECT_EQ(applyFrequencyUnitTable(2.5, 0), 2.5);
    EXPECT_EQ(applyFrequencyUnitTable(2.5, 1), 2500);
    EXPECT_EQ(applyFrequencyUnitTable(2.5, -1), 2.5);
    EXPECT_THROW(applyFrequencyUnitTable(1e306, 1), EOverflow);
}
