#include "calc/state.h"

#include "calc/extended.h"
#include "calc/numtext.h"

namespace calc {
namespace {

template <typename Table>
bool inTable(const Table& table, int itemIndex) {
    return itemIndex >= 0 && static_cast<std::size_t>(itemIndex) < table.size();
}

}  // namespace

void applyClockTable(CalculatorState& state, int itemIndex, std::string_view typedText) {
    state.clockHz = inTable(clockTable, itemIndex) ? clockTable[itemIndex].hz : parseInteger(typedText);
}

void applyPrescalerTable(CalculatorState& state, int itemIndex) {
    if (inTable(prescalerTable, itemIndex))
        state.prescaler = prescalerTable[itemIndex].divisor;
}

void applyTimeUnitTable(CalculatorState& state, int itemIndex) {
    if (inTable(timeUnitTable, itemIndex))
        state.timeUnitFactor = timeUnitTable[itemIndex].factor;
}

double applyFrequencyUnitTable(double frequency, int itemIndex) {
    if (!inTable(frequencyUnitTable, itemIndex))
        return frequency;
    return toDouble(Extended(frequency) * frequencyUnitTable[itemIndex].factor);
}

}  // namespace calc
