#include "cli/clock_notes.h"

#include "solver/quantity.h"
#include "solver/words.h"

#include <fmt/format.h>

namespace cli {
namespace {

// No AVR runs below 1 kHz: a bare number under it was meant in kHz or MHz.
bool bareHertz(const Given<mpq_class>& clock) {
    try {
        return solver::parseQuantity(clock.text, solver::Dimension::Frequency).unit.empty() && clock.value > 0 &&
               clock.value < 1000;
    } catch (const solver::QuantityError&) {
        return false;
    }
}

std::string ratedText(const avr::Chip& chip) {
    return fmt::format("the {} the {} is rated for", solver::frequencyText(chip.maxClockHz), chip.title);
}

}  // namespace

std::vector<std::string> clockNotes(const avr::Chip& chip, const Given<mpq_class>* clock,
                                    const std::optional<Given<mpq_class>>& crystal) {
    std::vector<std::string> notes;
    if (clock == nullptr)
        return notes;
    if (bareHertz(*clock))
        notes.push_back(fmt::format("--clock {0} is {0} Hz, as a bare number is in hertz; for {0} MHz write {0}MHz",
                                    clock->text));
    if (clock->value > chip.maxClockHz)
        notes.push_back(fmt::format("--clock {} is above {}", clock->text, ratedText(chip)));
    if (crystal && chip.rcClockWithCrystalHz != 0 && clock->value > chip.rcClockWithCrystalHz)
        notes.push_back(fmt::format(
            "on the {} the watch crystal of --timer2-clock takes the XTAL pins (TOSC1/TOSC2 are XTAL1/XTAL2), so the "
            "CPU runs on its internal RC oscillator, at most {}, not the {} of --clock",
            chip.title, solver::frequencyText(chip.rcClockWithCrystalHz), solver::frequencyText(clock->value)));
    return notes;
}

std::optional<InputError> clockAtFault(solver::Problem problem, const avr::Chip& chip, const Given<mpq_class>& clock,
                                       std::string_view target) {
    using solver::Problem;
    if (problem == Problem::TooManyInterrupts && clock.value > chip.maxClockHz)
        return badInput("--clock", clock.text,
                        fmt::format("is above {}, so fast that {} would need 2^32 interrupts or more", ratedText(chip),
                                    target),
                        "16MHz");
    const bool tooShort = problem == Problem::TargetBelowCycle || problem == Problem::TargetAboveHalfClock ||
                          problem == Problem::IntervalBelowRoutine;
    if (tooShort && bareHertz(clock))
        return badInput("--clock", clock.text,
                        fmt::format("is {} Hz, as a bare number is in hertz: too slow for {}", clock.text, target),
                        clock.text + "MHz");
    return std::nullopt;
}

}  // namespace cli
