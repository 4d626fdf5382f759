#include "tests/firmware/cases.h"

#include "solver/setupcode.h"
#include "solver/waveform.h"

#include <fmt/format.h>

#include <map>
#include <stdexcept>

namespace firmware {
namespace {

using avr::Mode;
using avr::Top;
using solver::Goal;

// Where a recipe applies, and which output its row drives.
struct Options {
    std::optional<avr::Top> top = std::nullopt;  // every kind of TOP when empty
    int bits = 0;                 // timers of this width only; 0 for all
    bool onlyWithoutCtc = false;  // a counted NORMAL case only where CTC cannot count
    bool lastUnit = false;        // the PWM on the timer's third unit (OCnC), which the ranking leaves free
};

struct Recipe {
    const char* name;
    Goal goal;
    mpq_class target;
    Mode mode;
    Measure measure;
    Options options = {};
};

// At 16 MHz: 1 ms is OCR 249 at prescaler 64 (15999 at 1 on 16 bits);
// 1.024 ms one 8-bit overflow at 64, 32.768 ms one 16-bit overflow at 8;
// 10 ms five compare periods of 2 ms (one of OCR 19999 at 8 on 16 bits);
// 81.92 ms five whole overflows at 1024, which need no preload (simavr
// departs on TCNT writes); 38 kHz OCR 210 at 1; F/(512 · 8) the 8-bit
// overflow toggle at 8, F/(2 · 65536) the 16-bit one at 1; F/(256 · 64)
// Fast PWM with TOP 0xFF at 64, F/(512 · 8) with TOP 0x1FF at 8, F/1024
// TOP 0x3FF at 1.
const Recipe recipes[] = {
    {"ctc", Goal::Interval, mpq_class(1, 1000), Mode::Ctc, Measure::InterruptFlag, {.top = Top::Ocr}},
    {"overflow", Goal::Interval, mpq_class(128, 125000), Mode::Normal, Measure::InterruptFlag, {.bits = 8}},
    {"overflow", Goal::Interval, mpq_class(4096, 125000), Mode::Normal, Measure::InterruptFlag, {.bits = 16}},
    {"counted-ctc", Goal::Interval, mpq_class(1, 100), Mode::Ctc, Measure::CountedProbe, {.top = Top::Ocr}},
    {"counted-normal", Goal::Interval, mpq_class(1024, 12500), Mode::Normal, Measure::CountedProbe,
     {.onlyWithoutCtc = true}},
    {"toggle-ctc", Goal::Frequency, 38000, Mode::Ctc, Measure::PinPeriod, {.top = Top::Ocr}},
    // CTC with ICRn as TOP is proven by its toggle alone: avr8js never sets
    // ICFn, the interval's flag.
    {"toggle-ctc-icr", Goal::Frequency, 38000, Mode::Ctc, Measure::PinPeriod, {.top = Top::Icr}},
    {"toggle-normal", Goal::Frequency, mpq_class(clockHz, 512 * 8), Mode::Normal, Measure::PinPeriod, {.bits = 8}},
    {"toggle-normal", Goal::Frequency, mpq_class(clockHz, 2 * 65536), Mode::Normal, Measure::PinPeriod, {.bits = 16}},
    {"fast-pwm", Goal::PwmFrequency, mpq_class(clockHz, 256 * 64), Mode::FastPwm, Measure::PwmSweep,
     {.top = Top::Fixed}},
    {"fast-pwm-9bit", Goal::PwmFrequency, mpq_class(clockHz, 512 * 8), Mode::FastPwm, Measure::PwmDuty,
     {.top = Top::Fixed, .bits = 16}},
    {"fast-pwm-10bit", Goal::PwmFrequency, mpq_class(clockHz, 1024), Mode::FastPwm, Measure::PwmDuty,
     {.top = Top::Fixed, .bits = 16}},
    // 20 kHz is TOP = OCRnA = 99 at prescaler 8, the PWM on OCnB; on 16
    // bits TOP 799 at 1, in OCRnA or ICRn.
    {"fast-pwm-top", Goal::PwmFrequency, 20000, Mode::FastPwm, Measure::PwmDuty, {.top = Top::Ocr}},
    {"fast-pwm-icr", Goal::PwmFrequency, 20000, Mode::FastPwm, Measure::PwmDuty, {.top = Top::Icr}},
    {"fast-pwm-icr-c", Goal::PwmFrequency, 20000, Mode::FastPwm, Measure::PwmDuty,
     {.top = Top::Icr, .lastUnit = true}},
    // F/(510 · 64) is TOP 0xFF at prescaler 64 on OCnA, F/510 the same at
    // 1, F/(1022 · 8) TOP 0x1FF at 8, F/2046 TOP 0x3FF at 1; 20 kHz TOP =
    // OCRnA = 50 at prescaler 8, the PWM on OCnB, or on 16 bits TOP 400 at
    // 1 in OCRnA or ICRn.
    {"phase-pwm", Goal::PwmFrequency, mpq_class(clockHz, 510 * 64), Mode::PhasePwm, Measure::PwmDuty,
     {.top = Top::Fixed}},
    {"phase-pwm-sweep", Goal::PwmFrequency, mpq_class(clockHz, 510), Mode::PhasePwm, Measure::PwmSweep,
     {.top = Top::Fixed, .bits = 8}},
    {"phase-pwm-9bit", Goal::PwmFrequency, mpq_class(clockHz, 1022 * 8), Mode::PhasePwm, Measure::PwmDuty,
     {.top = Top::Fixed, .bits = 16}},
    {"phase-pwm-10bit", Goal::PwmFrequency, mpq_class(clockHz, 2046), Mode::PhasePwm, Measure::PwmDuty,
     {.top = Top::Fixed, .bits = 16}},
    {"phase-pwm-top", Goal::PwmFrequency, 20000, Mode::PhasePwm, Measure::PwmDuty, {.top = Top::Ocr}},
    {"phase-pwm-icr", Goal::PwmFrequency, 20000, Mode::PhasePwm, Measure::PwmDuty, {.top = Top::Icr}},
    {"phase-frequency-pwm-top", Goal::PwmFrequency, 20000, Mode::PhaseFrequencyPwm, Measure::PwmDuty,
     {.top = Top::Ocr}},
    {"phase-frequency-pwm-icr", Goal::PwmFrequency, 20000, Mode::PhaseFrequencyPwm, Measure::PwmDuty,
     {.top = Top::Icr}},
};

bool offers(const avr::Timer& timer, Mode mode, std::optional<Top> top = {}) {
    return std::ranges::any_of(timer.modes, [&](const avr::WaveformMode& m) {
        return m.mode == mode && (!top || m.top == *top) && (m.top != Top::Icr || timer.capture);
    });
}

bool applies(const Recipe& recipe, const avr::Timer& timer) {
    const Options& o = recipe.options;
    const bool pin = recipe.goal != Goal::Interval;
    return offers(timer, recipe.mode, o.top) && !(pin && timer.compareUnits.empty()) &&
           (o.bits == 0 || timer.bits == o.bits) && !(o.onlyWithoutCtc && offers(timer, Mode::Ctc)) &&
           !(o.lastUnit && timer.compareUnits.size() < 3);
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
                            timer.overflowVector, c.row.setting.output->ocr);
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

std::optional<Simulator> proverOf(const avr::Chip& chip, const avr::Timer& timer, const avr::WaveformMode& mode) {
    const bool icrCtc = mode.mode == Mode::Ctc && mode.top == Top::Icr;
    const bool mega16Core = chip.name == "atmega16" || chip.name == "atmega32";
    const bool simavrRuns = !solver::dualSlope(mode.mode) && !icrCtc && !timer.pll &&
                            !(mega16Core && timer.number == 0 && mode.mode == Mode::Ctc);
    if (simavrRuns)
        return Simulator::Simavr;
    const bool avr8jsRuns = chip.name == "atmega328p" || (timer.pll && mode.mode != Mode::FastPwm);
    return avr8jsRuns ? std::optional(Simulator::Avr8js) : std::nullopt;
}

std::vector<Case> casesOf(const avr::Chip& chip, Simulator simulator) {
    std::vector<Case> cases;
    for (const avr::Timer& timer : chip.timers)
        for (const Recipe& recipe : recipes) {
            if (!applies(recipe, timer))
                continue;
            solver::Query query;
            query.chip = &chip;
            query.clockHz = clockHz;
            query.goal = recipe.goal;
            query.target = recipe.target;
            query.timer = timer.number;
            query.mode = recipe.mode;
            query.top = recipe.options.top;
            solver::Row row = solver::solve(query).row(0);
            if (proverOf(chip, timer, *row.setting.waveform) != simulator)
                continue;
            if (recipe.options.lastUnit)
                row.setting.output = &timer.compareUnits.back();
            cases.push_back({fmt::format("t{}-{}", timer.number, recipe.name), query, row, recipe.measure, simulator});
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
    const solver::Setup setup = solver::setupOf(c.query, c.row, solver::CodeStyle{}.dutyPercent);
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
