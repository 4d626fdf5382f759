#include "solver/words.h"

#include "solver/decimal.h"
#include "solver/waveform.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>

namespace solver {
namespace {

struct Scale {
    std::string_view unit;
    mpq_class factor;  // value in this unit = value in the base unit · factor
};

// The first scale at which the value reaches 1, the last one otherwise.
template <std::size_t N>
std::string scaledText(const mpq_class& value, const std::array<Scale, N>& scales, int significant) {
    const Scale* chosen = &scales.back();
    for (const Scale& scale : scales) {
        if (abs(value * scale.factor) >= 1) {
            chosen = &scale;
            break;
        }
    }
    return decimalText(value * chosen->factor, significant) + " " + std::string(chosen->unit);
}

}  // namespace

std::string_view modeName(avr::Mode mode) {
    switch (mode) {
    case avr::Mode::Normal: return "NORMAL";
    case avr::Mode::Ctc: return "CTC";
    case avr::Mode::FastPwm: return "Fast PWM";
    case avr::Mode::PhasePwm: return "Phase Correct PWM";
    case avr::Mode::PhaseFrequencyPwm: return "Phase and Frequency Correct PWM";
    }
    return {};
}

namespace {

template <typename Code, std::size_t N>
std::string_view keywordOf(const std::array<Keyword<Code>, N>& keywords, Code code) {
    const auto* found = std::ranges::find(keywords, code, &Keyword<Code>::code);
    return found == keywords.end() ? std::string_view() : found->keyword;
}

template <typename Code, std::size_t N>
std::optional<Code> codeOf(const std::array<Keyword<Code>, N>& keywords, std::string_view keyword) {
    const auto* found = std::ranges::find(keywords, keyword, &Keyword<Code>::keyword);
    return found == keywords.end() ? std::nullopt : std::optional(found->code);
}

}  // namespace

std::string_view modeKeyword(avr::Mode mode) { return keywordOf(modeKeywords, mode); }
std::optional<avr::Mode> modeOfKeyword(std::string_view keyword) { return codeOf(modeKeywords, keyword); }
std::string_view topKeyword(avr::Top top) { return keywordOf(topKeywords, top); }
std::optional<avr::Top> topOfKeyword(std::string_view keyword) { return codeOf(topKeywords, keyword); }

std::string goalText(const Query& query) {
    switch (query.goal) {
    case Goal::Interval: return "an interrupt every " + timeText(query.target);
    case Goal::Frequency: return "a square wave of " + frequencyText(query.target);
    case Goal::PwmFrequency: return "PWM at " + frequencyText(query.target);
    }
    return {};
}

std::string_view warningKeyword(Warning warning) {
    switch (warning) {
    case Warning::ReloadLatency: return "reload-latency";
    case Warning::AsynchronousReload: return "asynchronous-reload";
    case Warning::NoZeroDuty: return "no-zero-duty";
    case Warning::FrequentInterrupt: return "frequent-interrupt";
    case Warning::InputCaptureLost: return "input-capture-lost";
    case Warning::PllClock: return "pll-clock";
    }
    return {};
}

char warningLetter(Warning warning) {
    switch (warning) {
    case Warning::ReloadLatency: return 'L';
    case Warning::AsynchronousReload: return 'A';
    case Warning::NoZeroDuty: return 'D';
    case Warning::FrequentInterrupt: return 'F';
    case Warning::InputCaptureLost: return 'C';
    case Warning::PllClock: return 'P';
    }
    return '?';
}

std::string warningText(Warning warning) {
    switch (warning) {
    case Warning::ReloadLatency:
        return fmt::format("at prescalers 1 and 8 the ticks that fall between reading TCNTn and adding the "
                           "preload back in the interrupt are lost, {} to {} CPU cycles a period by the timer, so "
                           "the real period is longer than shown; prefer CTC",
                           reloadGapCycles(8, true), reloadGapCycles(16, false));
    case Warning::AsynchronousReload:
        return fmt::format("Timer2 counting the crystal latches a TCNT2 write {} crystal cycles late, so the real "
                           "period is longer than shown; prefer CTC",
                           crystalLatchCycles);
    case Warning::NoZeroDuty:
        return "non-inverted Fast PWM cannot reach 0 %: OCR 0 still gives a one-tick spike; disconnect "
               "the output (COMnx = 0) or use the inverted mode";
    case Warning::FrequentInterrupt:
        return fmt::format("the interrupts come less than {} CPU cycles apart, which leaves little time for the "
                           "routine and the program",
                           countingFloorCycles);
    case Warning::InputCaptureLost:
        return "ICRn holds TOP, so the timer gives up input capture: edges on its ICPn pin are not recorded, "
               "and the capture flag is raised at TOP instead";
    case Warning::PllClock:
        return "the PLL clock is 8 times the internal RC oscillator, not the crystal, so it is only as accurate "
               "as that oscillator's calibration";
    }
    return {};
}

std::string timeText(const mpq_class& seconds, int significant) {
    static const std::array<Scale, 3> scales{{{"s", 1}, {"ms", 1000}, {"us", 1000000}}};
    return scaledText(seconds, scales, significant);
}

std::string frequencyText(const mpq_class& hz, int significant) {
    static const std::array<Scale, 3> scales{{{"MHz", mpq_class(1, 1000000)}, {"kHz", mpq_class(1, 1000)}, {"Hz", 1}}};
    return scaledText(hz, scales, significant);
}

std::string signedText(const mpq_class& value, int significant) {
    std::string text = decimalText(value, significant);
    if (value > 0)
        text.insert(text.begin(), '+');
    return text;
}

std::string registersText(const Setting& setting) {
    const std::string_view name = setting.registerName();
    switch (setting.role) {
    case RegisterRole::Compare: return fmt::format("{}={}", name, setting.registerValue);
    case RegisterRole::Preload: return fmt::format("{} preload {}", name, setting.registerValue);
    case RegisterRole::Top: return fmt::format("TOP={} {}", name, setting.registerValue);
    case RegisterRole::None: break;
    }
    return setting.mode() == avr::Mode::Normal ? "-" : "TOP=" + topText(setting);
}

std::string topText(const Setting& setting) {
    return setting.top() == avr::Top::Fixed ? fmt::format("0x{:X}", setting.topValue())
                                            : std::string(setting.topRegister());
}

}  // namespace solver
