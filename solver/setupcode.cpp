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
// reached only inverted where the non-inverted output never gets there.
Action actionOf(const Setting& s, int dutyPercent) {
    if (s.output == nullptr)
        return Action::None;
    if (s.mode() == Mode::Normal || s.mode() == Mode::Ctc)
        return Action::Toggle;
    const int top = s.topValue();
    const bool reachesZero = highPart(*s.waveform, compareForDuty(*s.waveform, 0, top), top) == 0;
    return dutyPercent == 0 && !reachesZero ? Action::Inverting : Action::NonInverting;
}

// The compare value for the duty and the duty it gives; the inverted
// output's 0 % is OCR = TOP.
std::pair<int, mpq_class> dutySetting(const Setting& s, Action action, int dutyPercent) {
    const int top = s.topValue();
    const int ocr = action == Action::Inverting ? top : compareForDuty(*s.waveform, dutyPercent, top);
    const mpq_class high = highPart(*s.waveform, ocr, top);
    return {ocr, action == Action::Inverting ? mpq_class(1 - high) : high};
}

// LSM halves the PLL clock, 64 MHz when the RC oscillator runs at its 8 MHz:
// a PLL clock nearer 32 MHz than 64 MHz is the low-speed one.
bool lowSpeedPll(const mpq_class& hz) { return hz < 48000000; }

// The data sheet's wait between enabling the PLL and polling its lock.
long pllSettleCycles(const mpq_class& cpuHz) {
    const mpq_class cycles = cpuHz / 10000;  // 100 us
    mpz_class whole;
    mpz_cdiv_q(whole.get_mpz_t(), cycles.get_num_mpz_t(), cycles.get_den_mpz_t());
    return whole.get_si();
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

std::string_view clockName(TimerClock clock) {
    switch (clock) {
    case TimerClock::Cpu: return "clk";
    case TimerClock::Crystal: return "crystal";
    case TimerClock::Pll: return "PCK";
    }
    return {};
}

// Builds the steps: the pin and the timer's clock source first, then the
// counter and the compare values while the timer still counts in NORMAL
// mode and so takes them at once rather than at the first TOP or BOTTOM,
// every control register but the one with the clock-select bits, ICRn only
// once the WGM bits select it with the clock still stopped, the interrupt,
// and last the clock select, which starts the timer. That order works on
// the chip and in both simulators. A crystal-clocked timer has its writes
// waited for before its interrupt is enabled, as the data sheet asks.
// Under Arduino, whose init() leaves a 16-bit timer counting in 8-bit Phase
// Correct PWM, where OCRnx writes wait in a buffer for TOP, it is first
// stopped and put back in NORMAL mode.
class Builder {
public:
    Builder(const Query& query, const Row& row, int dutyPercent, bool arduino)
        : q_(query), s_(row.setting), t_(*row.setting.timer), action_(actionOf(s_, dutyPercent)),
          dutyPercent_(dutyPercent), arduino_(arduino) {}

    Setup build() {
        setup_.timer = &t_;
        setup_.count = s_.count;
        collectControlBits();
        if (onCrystal())
            merge(t_.crystal.reg, {t_.crystal}, "Timer2 counts the watch crystal on TOSC1/TOSC2");
        if (s_.clock == TimerClock::Pll)
            startPll();
        if (s_.output != nullptr)
            merge(s_.output->ddr.reg, {s_.output->ddr},
                  fmt::format("{} ({}) is an output", s_.output->output, s_.output->pin));
        writeInOrder();
        return std::move(setup_);
    }

private:
    bool onCrystal() const { return s_.clock == TimerClock::Crystal; }
    std::string_view clockRegister() const { return t_.cs.front().reg; }
    bool topInIcr() const { return s_.top() == Top::Icr; }

    // The counter and the compare values first, while the timer is still in
    // NORMAL mode: a PWM mode buffers them until TOP, and the first period
    // would run with the old ones, TOP 0 after a reset. ICRn is not buffered
    // but is written once WGM selects it, with the clock stopped; the clock
    // select goes last, or on a crystal before its writes are waited for.
    void writeInOrder() {
        if (arduino_ && t_.bits > 8)
            resetFromArduino();
        counter();
        if (!topInIcr())
            top();
        compares();
        assignControlsButClock();
        if (topInIcr()) {
            assignModeStopped();
            top();
        }
        if (onCrystal()) {
            assignControl(clockRegister());
            waitForCrystal();
            interrupt();
        } else {
            interrupt();
            assignControl(clockRegister());
        }
    }

    void add(SetupStep::Kind kind, std::string_view reg, std::vector<Bit> bits, std::optional<int> number,
             std::string comment, std::string_view stage = {}) {
        setup_.steps.push_back({kind, reg, std::move(bits), number, std::move(comment), stage});
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

    // The data sheet's start: PLLE, 100 us, a wait for PLOCK, and only then
    // PCKE, which switches Timer1 over.
    void startPll() {
        const avr::PllClock& pll = *t_.pll;
        const bool lowSpeed = lowSpeedPll(*q_.pllHz);
        add(SetupStep::Kind::Assign, pll.enable.reg,
            lowSpeed ? std::vector<Bit>{pll.lowSpeed, pll.enable} : std::vector<Bit>{pll.enable}, std::nullopt,
            lowSpeed ? "the PLL starts, in low-speed mode" : "the PLL starts");
        add(SetupStep::Kind::Delay, pll.enable.reg, {}, static_cast<int>(pllSettleCycles(q_.clockHz)),
            "100 us for it to settle");
        add(SetupStep::Kind::WaitUntil, pll.locked.reg, {pll.locked}, std::nullopt, "until it has locked");
        merge(pll.select.reg, {pll.select}, "Timer1 counts the PLL clock");
    }

    void assignControlsButClock() {
        for (std::string_view reg : t_.control)
            if (reg != clockRegister())
                assignControl(reg);
    }

    void assignControl(std::string_view reg) {
        std::vector<std::string> says;
        if (reg == t_.control.front())
            says.push_back(modeText(s_));
        if (s_.output != nullptr && s_.output->com.front().reg == reg)
            says.push_back(actionText(*s_.output, action_));
        if (reg == clockRegister())
            says.push_back(fmt::format("{}/{}: the timer starts", clockName(s_.clock), s_.prescaler));
        if (says.empty())
            says.push_back(disconnectedText(reg));
        add(SetupStep::Kind::Assign, reg, control_[reg], std::nullopt, fmt::format("{}", fmt::join(says, "; ")));
    }

    // What a control register that holds neither the mode's name nor the
    // clock is written for: the outputs it leaves disconnected.
    std::string disconnectedText(std::string_view reg) const {
        std::vector<std::string_view> outputs;
        for (const avr::CompareUnit& unit : t_.compareUnits)
            if (unit.com.front().reg == reg && &unit != s_.output)
                outputs.push_back(unit.output);
        return outputs.empty() ? std::string() : fmt::format("{} disconnected", fmt::join(outputs, ", "));
    }

    // The clock register's mode bits alone, so that ICRn is written to a
    // timer that takes it for TOP and does not count yet.
    void assignModeStopped() {
        std::vector<Bit> bits = control_[clockRegister()];
        std::erase_if(bits, [this](const Bit& bit) { return std::ranges::find(t_.cs, bit.name, &Bit::name) != t_.cs.end(); });
        add(SetupStep::Kind::Assign, clockRegister(), std::move(bits), std::nullopt, "the mode, the clock still stopped",
            "STOPPED");
    }

    void resetFromArduino() {
        add(SetupStep::Kind::Assign, clockRegister(), {}, std::nullopt, "stops what the Arduino core started", "RESET");
        for (std::string_view reg : t_.control)
            if (reg != clockRegister())
                add(SetupStep::Kind::Assign, reg, {}, std::nullopt, "NORMAL mode, whose compare values are not buffered",
                    "RESET");
        if (s_.role != RegisterRole::Preload)
            add(SetupStep::Kind::Assign, t_.counter, {}, 0, "the first period counted from 0", "RESET");
    }

    void counter() {
        if (s_.role == RegisterRole::Preload)
            assignNumber(t_.counter, s_.registerValue, "the first period: " + ticksText(preloadedTicks(t_, s_.registerValue)));
    }

    void top() {
        const long ticks = periodTicks(s_.mode(), s_.registerValue);
        if (s_.role == RegisterRole::Compare)
            assignNumber(s_.topRegister(), s_.registerValue,
                         ticksText(ticks) + (s_.output != nullptr ? " a half period" : " a period"));
        if (s_.role == RegisterRole::Top)
            assignNumber(s_.topRegister(), s_.registerValue, fmt::format("TOP: {} a period", ticksText(ticks)));
    }

    // The unit that acts once a period in CTC: the pin toggled, or the
    // compare match A interrupt unless the capture flag marks TOP.
    const avr::CompareUnit* ctcUnit() const {
        if (s_.output != nullptr)
            return s_.output;
        return topInIcr() ? nullptr : &t_.compareUnits.front();
    }

    void compares() {
        if (s_.mode() == Mode::Ctc) {
            // Its register is not TOP with ICRn or the ATtiny85's OCR1C: at
            // TOP it matches once a period.
            const avr::CompareUnit* unit = ctcUnit();
            if (unit != nullptr && unit->ocr != s_.topRegister())
                assignNumber(unit->ocr, s_.registerValue, fmt::format("= {}: a match at TOP, once a period", s_.topRegister()));
        } else if (s_.mode() != Mode::Normal) {
            const auto [ocr, duty] = dutySetting(s_, action_, dutyPercent_);
            assignNumber(s_.output->ocr, ocr, fmt::format("duty {} %", decimalText(duty * 100, 6)));
            setup_.duty = duty;
        }
    }

    void enable(const Bit& bit, std::string_view vector, std::string comment) {
        setup_.vector = vector;
        merge(bit.reg, {bit}, std::move(comment));
    }

    void interrupt() {
        if (s_.output != nullptr)
            return;
        setup_.reload = s_.role == RegisterRole::Preload ? s_.registerValue : 0;
        if (s_.mode() == Mode::Normal)
            enable(t_.overflowInterrupt, t_.overflowVector, "the overflow interrupt");
        else if (topInIcr())
            enable(t_.capture->interrupt, t_.capture->vector, "the input capture interrupt, raised at TOP");
        else
            enable(t_.compareUnits.front().interrupt, t_.compareUnits.front().vector,
                   t_.compareUnits.size() > 1 ? "the compare match A interrupt" : "the compare match interrupt");
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

    const Query& q_;
    const Setting& s_;
    const avr::Timer& t_;
    Action action_;
    int dutyPercent_;
    bool arduino_;
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
    case SetupStep::Kind::WaitUntil: return fmt::format("while (!({} & ({}))) {{}}", step.reg, valueText(step));
    case SetupStep::Kind::Delay: return fmt::format("__builtin_avr_delay_cycles({});", valueText(step));
    }
    return {};
}

// Lines with their comments lined up after the longest.
// The widest line the C may have, as editors and terminals show it whole.
constexpr std::size_t codeColumns = 100;

std::string commented(const std::vector<std::pair<std::string, std::string>>& lines, std::string_view indent,
                      std::string_view end = "") {
    std::size_t width = 0;
    for (const auto& [code, comment] : lines)
        width = std::max(width, code.size());
    std::string text;
    for (const auto& [code, comment] : lines) {
        std::string body = comment.empty() ? code : fmt::format("{:<{}}  /* {} */", code, width, comment);
        // A comment that would run past the width goes on a line of its own.
        if (indent.size() + body.size() + end.size() > codeColumns)
            text += fmt::format("{}/* {} */{}\n", indent, comment, end), body = code;
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
    const std::string_view estimate = row.estimated() ? "~" : "";
    return fmt::format("Achieved {}{}: error {}{} ppm, drift {}{} s/day.", value, row.exact() ? ", exactly" : "",
                       estimate, signedText(row.shownError * 1000000), estimate, signedText(shownDriftPerDay(row)));
}

std::string settingText(const Query& q, const Row& row) {
    const Setting& s = row.setting;
    std::string mode = fmt::format("{} mode", modeName(s.mode()));
    if (s.top() != Top::Fixed)
        mode += fmt::format(" with TOP = {} = {}", s.topRegister(), s.registerValue);
    else if (s.mode() != Mode::Normal)
        mode += " with TOP = " + topText(s);
    std::string text = fmt::format("Timer{} in {}, prescaler {}", s.timer->number, mode, s.prescaler);
    if (s.clock == TimerClock::Pll)
        text += fmt::format(" of the {} PLL clock", frequencyText(*q.pllHz));
    if (s.role == RegisterRole::Preload)
        text += fmt::format(", {} preloaded with {}", s.registerName(), s.registerValue);
    if (s.count > 1)
        text += fmt::format(", {} interrupts counted per interval", s.count);
    if (s.output != nullptr)
        text += fmt::format(", on {} ({})", s.output->output, s.output->pin);
    return text + ".";
}

// What a PWM row's compare value gives, beside what was asked: 30 % of a
// TOP of 1 is a flat line.
// highPart's fractions come unreduced, and GMP compares only reduced ones.
mpq_class dutyPercentOf(const Setup& setup) {
    mpq_class percent = *setup.duty * 100;
    percent.canonicalize();
    return percent;
}

std::string dutyText(const Setup& setup, int dutyPercent) {
    const mpq_class achieved = dutyPercentOf(setup);
    if (achieved == dutyPercent)
        return fmt::format(" Duty {} %, exactly.", dutyPercent);
    return fmt::format(" Duty {} %, the nearest to the {} % asked.", decimalText(achieved, 6), dutyPercent);
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
    // The crystal's clock domain latches a TCNT2 write late, whatever the
    // CPU does; only at prescaler 1 does that cost whole ticks.
    if (row.setting.clock == TimerClock::Crystal) {
        if (row.setting.prescaler == 1)
            text += fmt::format(" At prescaler 1 the write reaches {} only {} crystal cycles after it: about {} "
                                "ticks a period are lost, which the error above counts. CTC has none of this.",
                                counter, crystalLatchCycles, crystalLatchCycles);
    } else if (row.setting.prescaler == 1) {
        const unsigned long gap = reloadGapCycles(setup.timer->bits, setup.timer->counterInIo);
        text += fmt::format(" At prescaler 1 the {0} CPU cycles between reading and writing {1} are still lost: "
                            "about {0} ticks a period, some {2} ppm longer. CTC has none of this.",
                            gap, counter, decimalText(mpq_class(gap * 1000000, static_cast<unsigned long>(ticks)), 3));
    } else if (row.setting.prescaler == 8) {
        text += fmt::format(" At prescaler 8 a tick that falls between reading and writing {} is lost: up to {} "
                            "ppm longer. CTC has none of this.",
                            counter, decimalText(mpq_class(1000000, ticks), 3));
    }
    return text;
}

// The pins of the chip's Arduino board that analogWrite() drives from the
// timer, in the order of its compare units.
std::vector<const avr::ArduinoPin*> boardPins(const avr::Chip& chip, const avr::Timer& t) {
    std::vector<const avr::ArduinoPin*> pins;
    if (!chip.arduino)
        return pins;
    for (const avr::CompareUnit& unit : t.compareUnits)
        for (const avr::ArduinoPin& pin : chip.arduino->pins)
            if (pin.output == unit.output)
                pins.push_back(&pin);
    return pins;
}

// "pins 5 and 6 of the Uno", or "Timer0's pins" on a chip without a board.
std::string pinsText(const avr::Chip& chip, const avr::Timer& t) {
    std::vector<int> numbers;
    for (const avr::ArduinoPin* pin : boardPins(chip, t))
        numbers.push_back(pin->pin);
    std::ranges::sort(numbers);
    if (numbers.empty())
        return fmt::format("Timer{}'s pins", t.number);
    if (numbers.size() == 1)
        return fmt::format("pin {} of the {}", numbers.front(), chip.arduino->name);
    const std::vector<int> first(numbers.begin(), numbers.end() - 1);
    return fmt::format("pins {} and {} of the {}", fmt::join(first, ", "), numbers.back(), chip.arduino->name);
}

// analogWrite() on the pin of the unit that holds TOP rewrites TOP itself.
std::string topPinText(const avr::Chip& chip, const Setting& s) {
    if (s.top() != Top::Ocr)
        return {};
    for (const avr::ArduinoPin* pin : boardPins(chip, *s.timer))
        for (const avr::CompareUnit& unit : s.timer->compareUnits)
            if (unit.output == pin->output && unit.ocr == s.topRegister())
                return fmt::format(" analogWrite({}) rewrites {}, which is TOP here.", pin->pin, unit.ocr);
    return {};
}

std::string arduinoText(const Query& q, const Row& row) {
    const avr::Timer& t = *row.setting.timer;
    const std::string pins = pinsText(*q.chip, t), top = topPinText(*q.chip, row.setting);
    if (t.number == 0)
        return fmt::format("Arduino: the core runs millis(), micros() and delay() on Timer0 and has its own "
                           "ISR(TIMER0_OVF_vect): this setup stops them, and an overflow routine of yours would not "
                           "link. Nor call analogWrite() on {}, which drives them from Timer0.{}",
                           pins, top);
    if (t.bits > 8)
        return fmt::format("Arduino: the core's init() leaves Timer{0} counting in 8-bit Phase Correct PWM at clk/64 "
                           "for analogWrite(), where OCR{0}x writes wait for TOP and |= would keep WGM{0}0: so this "
                           "setup first stops it in NORMAL mode, then assigns {1} and {2} outright. The Servo library "
                           "uses the 16-bit timers as well (Timer1; on the Mega Timer5, 1, 3 and 4 in turn as servos "
                           "are added): do not use it, nor analogWrite() on {3}, with this setup.{4}",
                           t.number, t.control[0], t.control[1], pins, top);
    if (t.number == 2)
        return fmt::format("Arduino: tone() reprograms Timer2, and analogWrite() on {} sets it up for its own PWM: "
                           "call neither with this setup.{}",
                           pins, top);
    return fmt::format("Arduino: cores for this chip may use Timer{} for analogWrite() or tone(); check yours "
                       "before using this setup.",
                       t.number);
}

std::string commentBlock(const Query& q, const Row& row, const Setup& setup, const CodeStyle& style) {
    std::vector<std::string> paragraphs;
    if (!style.command.empty())
        paragraphs.push_back(fmt::format("Made by: {}", style.command));
    paragraphs.push_back(fmt::format("{} at {}, {}: {} {}{}", q.chip->title, frequencyText(q.clockHz), goalText(q),
                                     settingText(q, row), achievedText(q, row),
                                     setup.duty ? dutyText(setup, style.dutyPercent) : ""));
    if (const std::string miss = dutyMiss(row, setup, style.dutyPercent); !miss.empty())
        paragraphs.push_back(fmt::format("Warning: {}.", miss));
    if (setup.reload != 0)
        paragraphs.push_back(reloadText(setup, row));
    for (Warning w : row.warnings)
        if (w != Warning::ReloadLatency)
            paragraphs.push_back(fmt::format("Note: {}.", warningText(w)));
    if (style.arduino)
        paragraphs.push_back(arduinoText(q, row));
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
    if (!step.stage.empty())
        return fmt::format("{}_{}", step.reg, step.stage);
    if (step.reg == setup.timer->counter)
        return std::string(step.reg) + "_PRELOAD";
    switch (step.kind) {
    case SetupStep::Kind::Assign: return std::string(step.reg) + "_VALUE";
    case SetupStep::Kind::Merge: return std::string(step.reg) + "_BITS";
    case SetupStep::Kind::WaitWhile: return std::string(step.reg) + "_BUSY";
    case SetupStep::Kind::WaitUntil: return std::string(step.reg) + "_READY";
    case SetupStep::Kind::Delay: return std::string(step.reg) + "_SETTLE_CYCLES";
    }
    return {};
}

std::string macroStatement(const Setup& setup, const SetupStep& step) {
    const std::string name = macroName(setup, step);
    switch (step.kind) {
    case SetupStep::Kind::Assign: return fmt::format("{} = {};", step.reg, name);
    case SetupStep::Kind::Merge: return fmt::format("{} |= {};", step.reg, name);
    case SetupStep::Kind::WaitWhile: return fmt::format("while ({} & {}) {{}}", step.reg, name);
    case SetupStep::Kind::WaitUntil: return fmt::format("while (!({} & {})) {{}}", step.reg, name);
    case SetupStep::Kind::Delay: return fmt::format("__builtin_avr_delay_cycles({});", name);
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

std::string dutyMiss(const Row& row, const Setup& setup, int dutyPercent) {
    if (!setup.duty)
        return {};
    const mpq_class achieved = dutyPercentOf(setup);
    if (abs(achieved - dutyPercent) * 2 <= 1)
        return {};
    const Setting& s = row.setting;
    const int top = s.topValue();
    const mpq_class step = mpq_class(100, dualSlope(s.mode()) ? top : top + 1);
    return fmt::format("the duty is {} %{}, not the {} % asked: with TOP {} {} sets it in steps of {} %; a lower PWM "
                       "frequency, with a larger TOP, has finer steps",
                       decimalText(achieved, 6), achieved == 0 || achieved == 100 ? ", a flat line" : "", dutyPercent,
                       top, modeName(s.mode()), decimalText(step, 6));
}

int SetupStep::value() const {
    if (number)
        return *number;
    int value = 0;
    for (const Bit& bit : bits)
        value |= 1 << bit.position;
    return value;
}

Setup setupOf(const Query& query, const Row& row, int dutyPercent, bool arduino) {
    return Builder(query, row, dutyPercent, arduino).build();
}

std::string setupCode(const Query& query, const Row& row, const CodeStyle& style) {
    const Setup setup = setupOf(query, row, style.dutyPercent, style.arduino);
    std::string text = commentBlock(query, row, setup, style);
    if (style.header)
        return text + header(query, setup);
    return text + includes(setup) + "\n" + function(setup) + routine(row, setup);
}

}  // namespace solver
