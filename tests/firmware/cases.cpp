#include "tests/firmware/cases.h"

#include "solver/setupcode.h"

#include <fmt/format.h>

#include <map>
#include <stdexcept>

namespace firmware {
namespace {

using avr::Mode;
using solver::Goal;

struct Recipe {
    const char* name;
    Goal goal;
    mpq_class target;
    Mode mode;
    Measure measure;
    bool onlyWithoutCtc = false;  // a counted NORMAL case only where CTC cannot count
    Simulator simulator = Simulator::Simavr;
};

// At 16 MHz: 1 ms is OCR 249 at prescaler 64; 1.024 ms one overflow at 64;
// 10 ms five compare periods of 2 ms; 38 kHz OCR 104 at 1; F/(512 · 8) the
// overflow toggle at 8; F/(256 · 64) Fast PWM with TOP 0xFF at 64.
const Recipe recipes[] = {
    {"ctc", Goal::Interval, mpq_class(1, 1000), Mode::Ctc, Measure::InterruptFlag},
    {"overflow", Goal::Interval, mpq_class(128, 125000), Mode::Normal, Measure::InterruptFlag},
    {"counted-ctc", Goal::Interval, mpq_class(1, 100), Mode::Ctc, Measure::CountedProbe},
    {"counted-normal", Goal::Interval, mpq_class(1, 100), Mode::Normal, Measure::CountedProbe, true},
    {"toggle-ctc", Goal::Frequency, 38000, Mode::Ctc, Measure::PinPeriod},
    {"toggle-normal", Goal::Frequency, mpq_class(clockHz, 512 * 8), Mode::Normal, Measure::PinPeriod},
    {"fast-pwm", Goal::PwmFrequency, mpq_class(clockHz, 256 * 64), Mode::FastPwm, Measure::PwmSweep},
    // 20 kHz is TOP = OCRnA = 99 at prescaler 8, the PWM on OCnB.
    {"fast-pwm-top", Goal::PwmFrequency, 20000, Mode::FastPwm, Measure::PwmDuty},
    // F/(510 · 64) is TOP 0xFF at prescaler 64 on OCnA, F/510 the same at 1;
    // 20 kHz TOP = OCRnA = 50 at prescaler 8, the PWM on OCnB.
    {"phase-pwm", Goal::PwmFrequency, mpq_class(clockHz, 510 * 64), Mode::PhasePwm, Measure::PwmDuty, false,
     Simulator::Avr8js},
    {"phase-pwm-sweep", Goal::PwmFrequency, mpq_class(clockHz, 510), Mode::PhasePwm, Measure::PwmSweep, false,
     Simulator::Avr8js},
    {"phase-pwm-top", Goal::PwmFrequency, 20000, Mode::PhasePwm, Measure::PwmDuty, false, Simulator::Avr8js},
};

bool offers(const avr::Timer& timer, Mode mode) {
    return std::ranges::any_of(timer.modes, [mode](const avr::WaveformMode& m) { return m.mode == mode; });
}

// The core sleeps between events: the simulator then reports each event at
// its own cycle, where an instruction under way would delay it by a cycle.
constexpr std::string_view sleepForever =
    "    set_sleep_mode(SLEEP_MODE_IDLE);\n    sei();\n    for (;;)\n        sleep_mode();\n}\n";

std::string mainFor(const avr::Timer& timer, const Case& c, const std::optional<Probe>& probe) {
    std::string text;
    if (c.measure == Measure::PwmSweep) {
        // A new compare value each period, which the timer takes at BOTTOM.
        text += fmt::format("\nISR({})\n{{\n    static uint8_t ocr;\n\n    {} = ocr;\n"
                            "    ocr = ocr == 254 ? 0 : ocr + 1;\n}}\n",
                            timer.overflowVector, timer.compareUnits.front().ocr);
    }
    text += "\nint main(void)\n{\n";
    if (c.measure == Measure::CountedProbe)
        text += fmt::format("    DDR{} |= 1 << DD{}{};\n", probe->port, probe->port, probe->bit);
    text += fmt::format("    timer{}_setup();\n", timer.number);
    if (c.measure == Measure::PwmSweep)
        text += fmt::format("    {} |= 1 << {};\n", timer.overflowInterrupt.reg, timer.overflowInterrupt.name);
    return text + std::string(sleepForever);
}

}  // namespace

std::optional<Probe> probeOf(const avr::Chip& chip) {
    static const std::map<std::string_view, Probe> probes{
        {"atmega48", {'B', 0}},  {"atmega88", {'B', 0}},  {"atmega168", {'B', 0}}, {"atmega328", {'B', 0}},
        {"atmega328p", {'B', 0}}, {"atmega8", {'B', 0}},  {"atmega16", {'A', 0}},  {"atmega32", {'A', 0}},
        {"atmega2560", {'A', 0}}, {"attiny85", {'B', 3}},
    };
    const auto found = probes.find(chip.name);
    return found == probes.end() ? std::nullopt : std::optional(found->second);
}

bool simulatorLacks(const avr::Chip& chip, int timer, avr::Mode mode) {
    const bool mega16Core = chip.name == "atmega16" || chip.name == "atmega32";
    return mega16Core && timer == 0 && mode == Mode::Ctc;
}

bool avr8jsRuns(const avr::Chip& chip) { return chip.name == "atmega328p"; }

std::vector<Case> casesOf(const avr::Chip& chip, Simulator simulator) {
    std::vector<Case> cases;
    if (simulator == Simulator::Avr8js && !avr8jsRuns(chip))
        return cases;
    for (const avr::Timer& timer : chip.timers) {
        if (!solver::searched(timer))
            continue;
        for (const Recipe& recipe : recipes) {
            const bool pin = recipe.goal != Goal::Interval;
            if (recipe.simulator != simulator || !offers(timer, recipe.mode) ||
                (pin && timer.compareUnits.empty()) ||
                (simulator == Simulator::Simavr && simulatorLacks(chip, timer.number, recipe.mode)))
                continue;
            if (recipe.measure == Measure::PwmDuty && timer.waveform(recipe.mode, avr::Top::Ocr, 0) == nullptr)
                continue;
            if (recipe.onlyWithoutCtc && offers(timer, Mode::Ctc))
                continue;
            solver::Query query;
            query.chip = &chip;
            query.clockHz = clockHz;
            query.goal = recipe.goal;
            query.target = recipe.target;
            query.timer = timer.number;
            query.mode = recipe.mode;
            const solver::Row row = solver::solve(query).row(0);
            cases.push_back({fmt::format("t{}-{}", timer.number, recipe.name), query, row, recipe.measure, simulator});
        }
    }
    return cases;
}

std::string firmwareSource(const avr::Chip& chip, const Case& c) {
    const avr::Timer& timer = *c.row.setting.timer;
    const std::optional<Probe> probe = probeOf(chip);
    if (c.measure == Measure::CountedProbe && !probe)
        throw std::invalid_argument(fmt::format("no probe pin for the {}", chip.title));
    std::string code = solver::setupCode(c.query, c.row, {});
    if (c.measure == Measure::CountedProbe) {
        const std::size_t marker = code.find("/* Every");
        const std::size_t end = code.find('\n', marker);
        if (marker == std::string::npos || code.find("your code here", marker) > end)
            throw std::invalid_argument("the routine has no place for the user's code");
        code.replace(marker, end - marker, fmt::format("PORT{} ^= 1 << P{}{};", probe->port, probe->port, probe->bit));
    }
    std::string includes = "#include <avr/interrupt.h>\n#include <avr/sleep.h>\n#include <stdint.h>\n";
    return includes + code + mainFor(timer, c, probe);
}

std::vector<const avr::Chip*> allChips() {
    std::vector<const avr::Chip*> all;
    for (const avr::Chip& chip : avr::chips())
        all.push_back(&chip);
    return all;
}

mpz_class claimedHighCycles(const Case& c) {
    const solver::Setup setup = solver::setupOf(c.row, solver::CodeStyle{}.dutyPercent);
    const mpq_class high = *setup.duty * claimedCycles(c);
    if (high.get_den() != 1)
        throw std::logic_error(c.name + " claims a fraction of a cycle high");
    return high.get_num();
}

mpz_class claimedCycles(const Case& c) {
    const mpq_class period = c.query.goal == Goal::Interval ? c.row.achieved : mpq_class(1 / c.row.achieved);
    const mpq_class cycles = period * clockHz;
    if (cycles.get_den() != 1)
        throw std::logic_error(c.name + " claims a fraction of a cycle");
    return cycles.get_num();
}

}  // namespace firmware
