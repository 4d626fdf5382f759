#include "solver/setupcode.h"

#include "solver/decimal.h"
#include "solver/waveform.h"
#include "solver/words.h"

#include <fmt/format.h>

#include <algorithm>
#include <map>
#include <stdexcept>

namespace solver {
namespace {

using avr::Bit;
using avr::Mode;
using avr::Top;

// What a setup makes its compare unit's pin do.
enum class Action { None, Toggle, NonInverting, Inverting };

int comCode(Action action) {
    switch (action) {
    case Action::None: return 0;
    case Action::Toggle: return 1;
    case Action::NonInverting: return 2;
    case Action::Inverting: return 3;
    }
    return 0;
}

// A square wave toggles its pin; PWM is non-inverting, except that 0 % is
// reached only inverted.
Action actionOf(const Setting& s, int dutyPercent) {
    if (s.output == nullptr)
        return Action::None;
    if (s.mode() == Mode::Normal || s.mode() == Mode::Ctc)
        return Action::Toggle;
    return s.mode() == Mode::FastPwm && dutyPercent == 0 ? Action::Inverting : Action::NonInverting;
}

// The compare value for the duty and the duty it gives; 0 % is reached only
// by the inverted Fast PWM at OCR = TOP.
std::pair<int, mpq_class> compareForDuty(const Setting& s, Action action, int dutyPercent) {
    const int top = s.topValue();
    const int ocr = action == Action::Inverting ? top : solver::compareForDuty(s.mode(), dutyPercent, top);
    const mpq_class high = highPart(s.mode(), ocr, top);
    return {ocr, action == Action::Inverting ? mpq_class(1 - high) : high};
}

std::string ticksText(long ticks) { return fmt::format("{} tick{}", ticks, ticks == 1 ? "" : "s"); }

std::string modeText(const Setting& s) {
    if (s.mode() == Mode::Normal)
        return "NORMAL";
    return fmt::format("{}, TOP {}", modeName(s.mode()), topText(s));
}

std::string actionText(const avr::CompareUnit& unit, Action action) {
    switch (action) {
    case Action::None: break;
    case Action::Toggle: return fmt::format("{} toggles on compare match", unit.output);
    case Action::NonInverting: return fmt::format("{} non-inverting PWM", unit.output);
    case Action::Inverting: return fmt::format("{} inverting PWM", unit.output);
    }
    return {};
}

// Builds the steps: the pin and the crystal first, then every control
// register but the one with the clock-select bits, the counter and the
// compare values, the interrupt, and last the clock select, which starts
// the timer. A crystal-clocked timer has its writes waited for before its
// interrupt is enabled, as the data sheet asks.
class Builder {
public:
    Builder(const Row& row, int dutyPercent)
        : s_(row.setting), t_(*row.setting.timer), action_(actionOf(s_, dutyPercent)),
          dutyPercent_(dutyPercent) {}

    Setup build() {
        setup_.timer = &t_;
        setup_.count = s_.count;
        collectControlBits();
        if (onCrystal())
            merge(t_.crystal.reg, {t_.crystal}, "Timer2 counts the watch crystal on TOSC1/TOSC2");
        if (s_.output != nullptr)
            merge(s_.output->ddr.reg, {s_.output->ddr},
                  fmt::format("{} ({}) is an output", s_.output->output, s_.output->pin));
        for (std::string_view reg : t_.control)
            if (reg != clockRegister())
                assignControl(reg);
        counterAndCompare();
        if (onCrystal()) {
            assignControl(clockRegister());
            waitForCrystal();
            interrupt();
        } else {
            interrupt();
            assignControl(clockRegister());
        }
        return std::move(setup_);
    }

private:
    bool onCrystal() const { return s_.clock == TimerClock::Crystal; }
    std::string_view clockRegister() const { return t_.cs.front().reg; }

    void add(SetupStep::Kind kind, std::string_view reg, std::vector<Bit> bits, std::optional<int> number,
             std::string comment) {
        setup_.steps.push_back({kind, reg, std::move(bits), number, std::move(comment)});
    }
    void merge(std::string_view reg, std::vector<Bit> bits, std::string comment) {
        add(SetupStep::Kind::Merge, reg, std::move(bits), std::nullopt, std::move(comment));
    }
    void assignNumber(std::string_view reg, int number, std::string comment) {
        add(SetupStep::Kind::Assign, reg, {}, number, std::move(comment));
    }

    void addBits(const std::array<Bit, 4>& bits, int code) {
        for (std::size_t i = 0; i < bits.size(); ++i)
            if ((code >> i & 1) != 0)
                control_[bits[i].reg].push_back(bits[i]);
    }

    void collectControlBits() {
        addBits(t_.wgm, s_.waveform->code);
        addBits(t_.cs, t_.prescaler(s_.prescaler)->code);
        if (s_.output != nullptr) {
            const int com = comCode(action_);
            for (std::size_t i = 0; i < s_.output->com.size(); ++i)
                if ((com >> i & 1) != 0)
                    control_[s_.output->com[i].reg].push_back(s_.output->com[i]);
        }
        for (auto& [reg, bits] : control_)
            std::ranges::sort(bits, std::greater{}, &Bit::position);
    }

    void assignControl(std::string_view reg) {
        std::vector<std::string> says;
        if (reg == t_.control.front())
            says.push_back(modeText(s_));
        if (s_.output != nullptr && s_.output->com.front().reg == reg)
            says.push_back(actionText(*s_.output, action_));
        if (reg == clockRegister())
            says.push_back(fmt::format("{}/{}: the timer starts", onCrystal() ? "crystal" : "clk", s_.prescaler));
        add(SetupStep::Kind::Assign, reg, control_[reg], std::nullopt, fmt::format("{}", fmt::join(says, "; ")));
    }

    void counterAndCompare() {
        if (s_.role == RegisterRole::Preload)
            assignNumber(t_.counter, s_.registerValue, "the first period: " + ticksText(preloadedTicks(t_, s_.registerValue)));
        if (s_.role == RegisterRole::Compare)
            assignNumber(t_.topOcr, s_.registerValue,
                         ticksText(periodTicks(s_.mode(), s_.registerValue)) +
                             (s_.output != nullptr ? " a half period" : " a period"));
        if (s_.role == RegisterRole::Top)
            assignNumber(t_.topOcr, s_.registerValue,
                         fmt::format("TOP: {} a period", ticksText(periodTicks(s_.mode(), s_.registerValue))));
        if (s_.mode() == Mode::FastPwm || s_.mode() == Mode::PhasePwm) {
            const auto [ocr, duty] = compareForDuty(s_, action_, dutyPercent_);
            assignNumber(s_.output->ocr, ocr, fmt::format("duty {} %", decimalText(duty * 100, 6)));
            setup_.duty = duty;
        }
    }

    void interrupt() {
        if (s_.output != nullptr)
            return;
        const bool overflow = s_.mode() == Mode::Normal;
        const Bit& enable = overflow ? t_.overflowInterrupt : t_.compareUnits.front().interrupt;
        setup_.vector = overflow ? t_.overflowVector : t_.compareUnits.front().vector;
        setup_.reload = s_.role == RegisterRole::Preload ? s_.registerValue : 0;
        const bool units = t_.compareUnits.size() > 1;
        merge(enable.reg, {enable},
              overflow ? "the overflow interrupt" : units ? "the compare match A interrupt" : "the compare match interrupt");
    }

    void waitForCrystal() {
        add(SetupStep::Kind::WaitWhile, t_.crystal.reg, {t_.crystalBusy.begin(), t_.crystalBusy.end()}, std::nullopt,
            "until the writes have reached the crystal's clock");
        std::vector<Bit> flags{t_.overflowFlag};
        for (const avr::CompareUnit& unit : t_.compareUnits)
            flags.push_back(unit.flag);
        std::ranges::sort(flags, std::greater{}, &Bit::position);
        add(SetupStep::Kind::Assign, t_.overflowFlag.reg, flags, std::nullopt, "clears what the switch may have raised");
    }

    const Setting& s_;
    const avr::Timer& t_;
    Action action_;
    int dutyPercent_;
    std::map<std::string_view, std::vector<Bit>> control_;
    Setup setup_;
};

// ------------------------------------------------------------- C text

std::string bitsText(const std::vector<Bit>& bits) {
    std::vector<std::string> terms;
    for (const Bit& bit : bits)
        terms.push_back(fmt::format("1 << {}", bit.name));
    return terms.empty() ? "0" : fmt::format("{}", fmt::join(terms, " | "));
}

std::string valueText(const SetupStep& step) {
    return step.number ? std::to_string(*step.number) : bitsText(step.bits);
}

std::string statement(const SetupStep& step) {
    switch (step.kind) {
    case SetupStep::Kind::Assign: return fmt::format("{} = {};", step.reg, valueText(step));
    case SetupStep::Kind::Merge: return fmt::format("{} |= {};", step.reg, valueText(step));
    case SetupStep::Kind::WaitWhile: return fmt::format("while ({} & ({})) {{}}", step.reg, valueText(step));
    }
    return {};
}

// Lines with their comments lined up after the longest.
std::string commented(const std::vector<std::pair<std::string, std::string>>& lines, std::string_view indent,
                      std::string_view end = "") {
    std::size_t width = 0;
    for (const auto& [code, comment] : lines)
        width = std::max(width, code.size());
    std::string text;
    for (const auto& [code, comment] : lines) {
        const std::string body = comment.empty() ? code : fmt::format("{:<{}}  /* {} */", code, width, comment);
        text += fmt::format("{}{}{}\n", indent, body, end);
    }
    return text;
}

std::vector<std::string> wrapped(std::string_view text, std::size_t width) {
    std::vector<std::string> lines{""};
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(' ', start);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view word = text.substr(start, end - start);
        if (!lines.back().empty() && lines.back().size() + 1 + word.size() > width)
            lines.emplace_back();
        if (!lines.back().empty())
            lines.back() += ' ';
        lines.back() += word;
        start = end + 1;
    }
    return lines;
}

std::string achievedText(const Query& q, const Row& row) {
    const std::string value = q.goal == Goal::Interval ? timeText(row.achieved) : frequencyText(row.achieved);
    return fmt::format("Achieved {}{}: error {} ppm, drift {} s/day.", value, row.exact() ? ", exactly" : "",
                       signedText(row.error * 1000000), signedText(row.driftPerDay));
}

std::string settingText(const Setup& setup, const Row& row) {
    const Setting& s = row.setting;
    std::string mode = fmt::format("{} mode", modeName(s.mode()));
    if (s.top() != Top::Fixed)
        mode += fmt::format(" with TOP = {} = {}", s.topRegister(), s.registerValue);
    else if (s.mode() != Mode::Normal)
        mode += " with TOP = " + topText(s);
    std::string text = fmt::format("Timer{} in {}, prescaler {}", s.timer->number, mode, s.prescaler);
    if (s.role == RegisterRole::Preload)
        text += fmt::format(", {} preloaded with {}", s.registerName(), s.registerValue);
    if (s.count > 1)
        text += fmt::format(", {} interrupts counted per interval", s.count);
    if (s.output != nullptr)
        text += fmt::format(", on {} ({})", s.output->output, s.output->pin);
    if (setup.duty)
        text += fmt::format(", duty {} %", decimalText(*setup.duty * 100, 6));
    return text + ".";
}

// The reload of a NORMAL row adds the preload to the counter, so that the
// ticks counted while the interrupt was being entered stay counted.
std::string reloadText(const Setup& setup, const Row& row) {
    const std::string counter(setup.timer->counter);
    const long ticks = preloadedTicks(*setup.timer, setup.reload);
    std::string text = fmt::format(
        "The interrupt adds the preload to {0} ({0} += {1}) instead of writing it, so that the ticks counted while "
        "the interrupt was entered (about {2} CPU cycles) stay counted.",
        counter, setup.reload, reloadLatencyCycles);
    if (row.setting.prescaler == 1)
        text += fmt::format(" At prescaler 1 the two CPU cycles between reading and writing {} are still lost: "
                            "about 2 ticks a period, some {} ppm longer. CTC has none of this.",
                            counter, decimalText(mpq_class(2000000, ticks), 3));
    else if (row.setting.prescaler == 8)
        text += fmt::format(" At prescaler 8 a tick that falls between reading and writing {} is lost: up to {} "
                            "ppm longer. CTC has none of this.",
                            counter, decimalText(mpq_class(1000000, ticks), 3));
    return text;
}

std::string arduinoText(const Row& row) {
    if (row.setting.timer->number == 0)
        return "Arduino: the core runs millis(), micros() and delay() on Timer0 and has its own "
               "ISR(TIMER0_OVF_vect): this setup stops them, and an overflow routine of yours would not link.";
    return "Arduino: tone() reprograms Timer2; do not call it with this setup.";
}

std::string commentBlock(const Query& q, const Row& row, const Setup& setup, const CodeStyle& style) {
    std::vector<std::string> paragraphs;
    if (!style.command.empty())
        paragraphs.push_back(fmt::format("Made by: {}", style.command));
    paragraphs.push_back(fmt::format("{} at {}, {}: {} {}", q.chip->title, frequencyText(q.clockHz), goalText(q),
                                     settingText(setup, row), achievedText(q, row)));
    if (setup.reload != 0)
        paragraphs.push_back(reloadText(setup, row));
    for (Warning w : row.warnings)
        if (w != Warning::ReloadLatency)
            paragraphs.push_back(fmt::format("Note: {}.", warningText(w)));
    if (style.arduino)
        paragraphs.push_back(arduinoText(row));
    const std::string name = fmt::format("timer{}", setup.timer->number);
    paragraphs.push_back(style.header ? fmt::format("Run {}_SETUP() once{}.", fmt::format("TIMER{}", setup.timer->number),
                                                    setup.vector.empty() ? "" : ", then sei()")
                                      : fmt::format("Call {}_setup() once{}.", name,
                                                    setup.vector.empty() ? "" : ", then sei()"));
    std::string text = "/*\n";
    for (std::size_t i = 0; i < paragraphs.size(); ++i) {
        if (i > 0)
            text += " *\n";
        for (const std::string& line : wrapped(paragraphs[i], 74))
            text += fmt::format(" * {}\n", line);
    }
    return text + " */\n";
}

std::string function(const Setup& setup) {
    std::vector<std::pair<std::string, std::string>> lines;
    for (const SetupStep& step : setup.steps)
        lines.push_back({statement(step), step.comment});
    std::string text = fmt::format("static inline void timer{}_setup(void)\n{{\n", setup.timer->number);
    text += commented(lines, "    ");
    return text + "}\n";
}

std::string routine(const Row& row, const Setup& setup) {
    if (setup.vector.empty())
        return {};
    const std::string every = fmt::format("/* Every {}: your code here. */", timeText(row.achieved));
    std::string text = fmt::format("\nISR({})\n{{\n", setup.vector);
    if (setup.count > 1) {
        const std::string_view type = setup.count <= 0xFF ? "uint8_t" : setup.count <= 0xFFFF ? "uint16_t" : "uint32_t";
        text += fmt::format("    static {} interrupts;\n\n", type);
    }
    if (setup.reload != 0)
        text += fmt::format("    {} += {};\n", setup.timer->counter, setup.reload);
    if (setup.count > 1)
        text += fmt::format("    if (++interrupts < {}{})\n        return;\n    interrupts = 0;\n", setup.count,
                            setup.count > 0xFFFF ? "UL" : "");
    return text + fmt::format("    {}\n}}\n", every);
}

std::string includes(const Setup& setup) {
    std::string text = "#include <avr/io.h>\n";
    if (!setup.vector.empty())
        text += "#include <avr/interrupt.h>\n";
    if (setup.count > 1)
        text += "#include <stdint.h>\n";
    return text;
}

// ---------------------------------------------------------- header text

std::string macroName(const Setup& setup, const SetupStep& step) {
    if (step.reg == setup.timer->counter)
        return std::string(step.reg) + "_PRELOAD";
    switch (step.kind) {
    case SetupStep::Kind::Assign: return std::string(step.reg) + "_VALUE";
    case SetupStep::Kind::Merge: return std::string(step.reg) + "_BITS";
    case SetupStep::Kind::WaitWhile: return std::string(step.reg) + "_BUSY";
    }
    return {};
}

std::string macroStatement(const Setup& setup, const SetupStep& step) {
    const std::string name = macroName(setup, step);
    switch (step.kind) {
    case SetupStep::Kind::Assign: return fmt::format("{} = {};", step.reg, name);
    case SetupStep::Kind::Merge: return fmt::format("{} |= {};", step.reg, name);
    case SetupStep::Kind::WaitWhile: return fmt::format("while ({} & {}) {{}}", step.reg, name);
    }
    return {};
}

std::string header(const Query& q, const Setup& setup) {
    if (q.clockHz.get_den() != 1)
        throw std::invalid_argument("F_CPU names a whole number of hertz");
    const std::string hz = q.clockHz.get_num().get_str();
    const int n = setup.timer->number;
    std::string text = fmt::format("#ifndef AVRTIMER_TIMER{0}_H\n#define AVRTIMER_TIMER{0}_H\n\n", n);
    text += includes(setup);
    text += fmt::format("\n#ifndef F_CPU\n#error \"F_CPU is not defined; these values are for {0} Hz\"\n"
                        "#elif F_CPU != {0}UL\n"
                        "#error \"these values are for F_CPU {0} Hz: run avrtimer-calc code again for this clock\"\n"
                        "#endif\n\n",
                        hz);
    for (const SetupStep& step : setup.steps) {
        const std::string value = step.number ? valueText(step) : fmt::format("({})", valueText(step));
        text += fmt::format("/* {} */\n#define {} {}\n", step.comment, macroName(setup, step), value);
    }
    if (!setup.vector.empty())
        text += fmt::format("/* ISR(TIMER{0}_VECTOR) */\n#define TIMER{0}_VECTOR {1}\n", n, setup.vector);
    if (setup.count > 1)
        text += fmt::format("/* interrupts counted per interval */\n#define TIMER{}_COUNT {}{}\n", n, setup.count,
                            setup.count > 0xFFFF ? "UL" : "");
    std::vector<std::pair<std::string, std::string>> body;
    for (const SetupStep& step : setup.steps)
        body.push_back({macroStatement(setup, step), ""});
    text += fmt::format("\n#define TIMER{}_SETUP() \\\n    do {{ \\\n", n);
    text += commented(body, "        ", " \\");
    return text + fmt::format("    }} while (0)\n\n#endif\n");
}

}  // namespace

int SetupStep::value() const {
    if (number)
        return *number;
    int value = 0;
    for (const Bit& bit : bits)
        value |= 1 << bit.position;
    return value;
}

Setup setupOf(const Row& row, int dutyPercent) { return Builder(row, dutyPercent).build(); }

std::string setupCode(const Query& query, const Row& row, const CodeStyle& style) {
    const Setup setup = setupOf(row, style.dutyPercent);
    std::string text = commentBlock(query, row, setup, style);
    if (style.header)
        return text + header(query, setup);
    return text + includes(setup) + "\n" + function(setup) + routine(row, setup);
}

}  // namespace solver
