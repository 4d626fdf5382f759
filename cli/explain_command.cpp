#include "cli/explain_command.h"

#include "cli/cli.h"
#include "cli/suggest.h"
#include "solver/decimal.h"
#include "solver/explain.h"
#include "solver/words.h"

#include <fmt/format.h>

#include <bit>
#include <charconv>
#include <ostream>

namespace cli {
namespace {

using solver::ExplainError;

}  // namespace

std::optional<solver::RegisterValue> registerValue(const std::string& text) {
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos || equals == 0)
        return std::nullopt;
    std::string_view digits = std::string_view(text).substr(equals + 1);
    int base = 10;
    if (digits.starts_with("0x") || digits.starts_with("0X") || digits.starts_with("0b") || digits.starts_with("0B")) {
        base = digits[1] == 'x' || digits[1] == 'X' ? 16 : 2;
        digits.remove_prefix(2);
    }
    int value = -1;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() || value < 0)
        return std::nullopt;
    // Names as avr-libc spells them, whatever the case typed: tccr0a=2.
    std::string name = text.substr(0, equals);
    for (char& c : name)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return solver::RegisterValue{std::move(name), value};
}

namespace {

// "7, 5 and 4": the positions of the set bits, highest first.
std::string bitsText(int mask) {
    std::vector<int> positions;
    for (int bit = 15; bit >= 0; --bit)
        if ((mask >> bit & 1) != 0)
            positions.push_back(bit);
    if (positions.size() == 1)
        return std::to_string(positions.front());
    const std::vector<int> first(positions.begin(), positions.end() - 1);
    return fmt::format("{} and {}", fmt::join(first, ", "), positions.back());
}

// "1 tick", "250 ticks".
std::string ticksText(int ticks) { return fmt::format("{} tick{}", ticks, ticks == 1 ? "" : "s"); }

InputError explainError(const ExplainError& e, const avr::Chip& chip) {
    const std::string example = fmt::format("{}=0x03", chip.timers.front().control.back());
    switch (e.kind()) {
    case ExplainError::Kind::UnknownRegister: {
        const std::string near = didYouMean(e.reg(), solver::registerNames(chip));
        return InputError(fmt::format("{}: the {} has no timer register {}{}", e.reg(), chip.title, e.reg(),
                                      near.empty() ? "; for example " + example : near));
    }
    case ExplainError::Kind::GivenTwice:
        return InputError(fmt::format("{}: given more than once; give each register once", e.reg()));
    case ExplainError::Kind::ReservedBit:
        return InputError(fmt::format("{}: bit{} {} {} reserved on the {}; write {} as 0", e.reg(),
                                      std::popcount(static_cast<unsigned>(e.code())) == 1 ? "" : "s", bitsText(e.code()),
                                      std::popcount(static_cast<unsigned>(e.code())) == 1 ? "is" : "are", chip.title,
                                      std::popcount(static_cast<unsigned>(e.code())) == 1 ? "it" : "them"));
    case ExplainError::Kind::ReservedWaveform:
        return InputError(fmt::format("{}: the WGM bits give code {}, which is reserved on the {}", e.reg(), e.code(), chip.title));
    case ExplainError::Kind::ReservedClock:
        return InputError(fmt::format("{}: the CS bits give code {}, which is reserved on the {}", e.reg(), e.code(), chip.title));
    case ExplainError::Kind::ReservedOutput:
        return InputError(fmt::format("{}: the COM bits give code {}, which is reserved in this mode", e.reg(), e.code()));
    case ExplainError::Kind::NoTimer:
        return InputError(fmt::format("none of the registers given sets up a timer; for example {}", example));
    case ExplainError::Kind::TooWide: {
        const int bits = solver::registerBits(chip, e.reg());
        return InputError(fmt::format("{}: {} does not fit the {}-bit register (0..{}) of the {}", e.reg(), e.code(),
                                      bits, (1 << bits) - 1, chip.title));
    }
    }
    return InputError("bad registers");
}

std::string periodText(const std::optional<mpq_class>& seconds) {
    return seconds ? fmt::format(": {} ({})", solver::timeText(*seconds), solver::frequencyText(1 / *seconds)) : "";
}

std::string topText(const solver::Explained& e) {
    switch (e.mode.top) {
    case avr::Top::Fixed:
        return fmt::format("{} 0x{:X}", e.mode.mode == avr::Mode::Normal ? "counting to" : "TOP =", e.top);
    case avr::Top::Ocr: return fmt::format("TOP = {} = {}", e.timer->topOcr, e.top);
    case avr::Top::Icr: return fmt::format("TOP = {} = {}", e.timer->capture->icr, e.top);
    }
    return {};
}

std::string modeLine(const solver::Explained& e) {
    return fmt::format("{} (WGM {}), {}: {} a period", solver::modeName(e.mode.mode), e.mode.code, topText(e),
                       ticksText(e.ticks));
}

std::string countedText(const solver::Explained& e) {
    switch (e.counts) {
    case solver::TimerClock::Cpu: return "clk";
    case solver::TimerClock::Crystal: return "crystal";
    case solver::TimerClock::Pll: return "PCK";
    }
    return {};
}

std::string clockLine(const solver::Explained& e) {
    switch (e.clock) {
    case solver::ClockSource::Stopped: return "stopped (CS 0)";
    case solver::ClockSource::Prescaled: {
        const std::string line = fmt::format("{}/{} (CS {})", countedText(e), e.prescaler, e.clockCode);
        if (e.counts != solver::TimerClock::Pll)
            return line;
        return line + fmt::format(", the PLL clock of {} (PCKE)", solver::frequencyText(*e.countedHz));
    }
    case solver::ClockSource::ExternalFalling: return fmt::format("falling edges on pin T{} (CS 6)", e.timer->number);
    case solver::ClockSource::ExternalRising: return fmt::format("rising edges on pin T{} (CS 7)", e.timer->number);
    }
    return {};
}

std::string outputLine(const solver::OutputExplained& out) {
    std::string text;
    switch (out.action) {
    case solver::PinAction::Disconnected: return "disconnected";
    case solver::PinAction::Toggle: text = "toggles on compare match"; break;
    case solver::PinAction::Clear: text = "cleared on compare match"; break;
    case solver::PinAction::Set: text = "set on compare match"; break;
    case solver::PinAction::NonInverting: text = "non-inverting PWM"; break;
    case solver::PinAction::Inverting: text = "inverting PWM"; break;
    case solver::PinAction::Complementary: text = fmt::format("non-inverting PWM, inverted on ~{}", out.unit->output); break;
    }
    if (out.duty)
        text += fmt::format(", {} = {}, duty {} %", out.unit->ocr, out.compare, solver::decimalText(*out.duty * 100, 6));
    if (out.frequencyHz)
        text += fmt::format(": {}", solver::frequencyText(*out.frequencyHz));
    if (!out.pinIsOutput)
        return fmt::format("not driven: {} is an input ({} clear in {}); set up as {}", out.unit->pin,
                           out.unit->ddr.name, out.unit->ddr.reg, text);
    return text;
}

std::string interruptLine(const solver::InterruptExplained& i) {
    if (i.edges)
        return fmt::format("{} at each edge captured on {} ({})", i.vector, i.edges->input, i.edges->pin);
    if (!i.ticks)
        return fmt::format("{} never: the counter does not get there", i.vector);
    return fmt::format("{} {}every {}{}", i.vector, i.twicePerPeriod ? "twice " : "", ticksText(*i.ticks),
                       periodText(i.periodSeconds));
}

void print(const solver::Explained& e, const avr::Chip& chip, std::ostream& out) {
    std::vector<std::pair<std::string, std::string>> lines{{"mode", modeLine(e)}, {"clock", clockLine(e)}};
    if (e.periodSeconds)
        lines.push_back({"period", periodText(e.periodSeconds).substr(2)});
    for (const solver::OutputExplained& o : e.outputs)
        lines.push_back({fmt::format("{} ({})", o.unit->output, o.unit->pin), outputLine(o)});
    for (const solver::InterruptExplained& i : e.interrupts)
        lines.push_back({"interrupt", interruptLine(i)});
    if (e.interrupts.empty())
        lines.push_back({"interrupts", "none enabled"});
    if (!e.assumed.empty())
        lines.push_back({"taken as 0", fmt::format("{} (not given)", fmt::join(e.assumed, ", "))});
    out << fmt::format("Timer{} of the {}\n", e.timer->number, chip.title);
    for (const auto& [what, says] : lines)
        out << fmt::format("  {:<12}{}\n", what, says);
}

// A clock of zero would divide the periods by zero, one below it make them
// negative.
std::optional<mpq_class> positiveHz(const std::optional<Given<mpq_class>>& clock, std::string_view option,
                                    std::string_view example) {
    if (!clock)
        return std::nullopt;
    if (clock->value <= 0)
        throw badInput(option, clock->text, "is not above zero", example);
    return clock->value;
}

}  // namespace

int runExplain(const ExplainOptions& o, std::ostream& out) {
    const avr::Chip& chip = *o.chip;
    const solver::ExplainClocks clocks{positiveHz(o.clock, "--clock", "16MHz"),
                                       positiveHz(o.crystal, "--timer2-clock", "32768"),
                                       positiveHz(o.pll, "--timer1-clock", "64MHz")};
    try {
        const auto explained = solver::explain(chip, o.registers, clocks);
        for (std::size_t i = 0; i < explained.size(); ++i) {
            if (i > 0)
                out << "\n";
            print(explained[i], chip, out);
        }
    } catch (const ExplainError& error) {
        throw explainError(error, chip);
    }
    return exitOk;
}

}  // namespace cli
