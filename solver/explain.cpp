#include "solver/explain.h"

#include "solver/waveform.h"

#include <algorithm>
#include <array>
#include <map>
#include <utility>

namespace solver {
namespace {

using avr::Bit;
using avr::Mode;
using avr::Top;

class Registers {
public:
    explicit Registers(const std::vector<RegisterValue>& values) {
        for (const RegisterValue& v : values)
            values_[v.name] = v.value;
    }
    bool given(std::string_view reg) const { return !reg.empty() && values_.contains(std::string(reg)); }
    // 0, the reset value, for a register not given; noted once.
    int value(std::string_view reg, std::vector<std::string>& assumed) const {
        const auto found = values_.find(std::string(reg));
        if (found != values_.end())
            return found->second;
        if (std::ranges::find(assumed, reg) == assumed.end())
            assumed.emplace_back(reg);
        return 0;
    }
    bool set(const Bit& bit, std::vector<std::string>& assumed) const {
        return bit.exists() && (value(bit.reg, assumed) >> bit.position & 1) != 0;
    }

private:
    std::map<std::string, int> values_;
};

template <std::size_t N>
int codeOf(const std::array<Bit, N>& bits, const Registers& r, std::vector<std::string>& assumed) {
    int code = 0;
    for (std::size_t i = 0; i < N; ++i)
        if (r.set(bits[i], assumed))
            code |= 1 << i;
    return code;
}

// The registers that hold a count, a compare value or a capture: as wide as
// the counter.
std::vector<std::string_view> countRegisters(const avr::Timer& t) {
    std::vector<std::string_view> regs{t.counter, t.topOcr};
    for (const avr::CompareUnit& unit : t.compareUnits)
        regs.push_back(unit.ocr);
    if (t.capture)
        regs.push_back(t.capture->icr);
    return regs;
}

// Every register of the timer, with the DDRs of its pins; the flag
// registers are accepted and tell nothing about the setup.
std::vector<std::string_view> registersOf(const avr::Timer& t) {
    std::vector<std::string_view> regs = countRegisters(t);
    regs.insert(regs.end(), t.control.begin(), t.control.end());
    regs.insert(regs.end(), {t.forceCompare, t.overflowInterrupt.reg, t.overflowFlag.reg, t.crystal.reg});
    for (const avr::CompareUnit& unit : t.compareUnits)
        regs.insert(regs.end(), {unit.ddr.reg, unit.interrupt.reg, unit.flag.reg});
    if (t.capture)
        regs.insert(regs.end(), {t.capture->ddr.reg, t.capture->interrupt.reg, t.capture->flag.reg});
    if (t.pll)
        regs.push_back(t.pll->select.reg);
    std::erase(regs, std::string_view());
    return regs;
}

bool has(const std::vector<std::string_view>& regs, std::string_view reg) {
    return std::ranges::find(regs, reg) != regs.end();
}

bool known(const avr::Chip& chip, std::string_view reg) {
    return std::ranges::any_of(chip.timers, [reg](const avr::Timer& t) { return has(registersOf(t), reg); });
}

// The registers that make a timer do something; the interrupt masks, ASSR
// and PLLCSR only count when they set one of its bits.
bool configures(const avr::Timer& t, const Registers& r) {
    std::vector<std::string> ignored;
    const auto given = [&](std::string_view reg) { return r.given(reg); };
    if (std::ranges::any_of(t.control, given) || std::ranges::any_of(countRegisters(t), given) ||
        r.given(t.forceCompare))
        return true;
    for (const avr::CompareUnit& unit : t.compareUnits)
        if (r.set(unit.interrupt, ignored))
            return true;
    return r.set(t.overflowInterrupt, ignored) || r.set(t.crystal, ignored) ||
           (t.capture && r.set(t.capture->interrupt, ignored)) || (t.pll && r.set(t.pll->select, ignored));
}

bool holdsTop(const avr::Timer& t, const avr::CompareUnit& unit) { return unit.ocr == t.topOcr; }

// COM = 01 in a PWM mode. The unit that holds TOP toggles its pin at the
// match where the data sheets allow it; the ATtiny85's Timer1, whose TOP
// register is no compare unit, drives OC1x and ~OC1x as a pair. Otherwise
// the 16-bit timers leave the pin to its port, and the 8-bit ones do so
// only for unit A of a mode whose twin with TOP at OCRnA exists; elsewhere
// the code is reserved.
PinAction pwmToggleCode(const avr::Timer& t, const avr::WaveformMode& mode, const avr::CompareUnit& unit,
                        const std::string& reg) {
    const bool icrToggle = mode.mode == Mode::FastPwm && mode.top == Top::Icr && t.togglesWithIcrTop;
    if (holdsTop(t, unit) && (mode.top == Top::Ocr || icrToggle))
        return PinAction::Toggle;
    const auto topUnit = [&](const avr::CompareUnit& u) { return holdsTop(t, u); };
    if (!t.topOcr.empty() && std::ranges::none_of(t.compareUnits, topUnit))
        return PinAction::Complementary;
    if (t.bits > 8 || (holdsTop(t, unit) && t.waveform(mode.mode, Top::Ocr, 0) != nullptr))
        return PinAction::Disconnected;
    throw ExplainError(ExplainError::Kind::ReservedOutput, reg, 1);
}

PinAction actionOf(const avr::Timer& t, const avr::WaveformMode& mode, const avr::CompareUnit& unit, int com) {
    if (mode.mode == Mode::Normal || mode.mode == Mode::Ctc) {
        constexpr std::array actions{PinAction::Disconnected, PinAction::Toggle, PinAction::Clear, PinAction::Set};
        return actions[static_cast<std::size_t>(com)];
    }
    switch (com) {
    case 0: return PinAction::Disconnected;
    case 2: return PinAction::NonInverting;
    case 3: return PinAction::Inverting;
    default: return pwmToggleCode(t, mode, unit, std::string(unit.com.front().reg));
    }
}

bool isPwm(PinAction action) {
    return action == PinAction::NonInverting || action == PinAction::Inverting || action == PinAction::Complementary;
}

// The PLL's rate with PCKE: 64 MHz, halved by LSM.
mpq_class nominalPllHz(bool lowSpeed) { return lowSpeed ? 32000000 : 64000000; }

class Decoder {
public:
    Decoder(const avr::Timer& t, const Registers& r, const ExplainClocks& clocks) : t_(t), r_(r), clocks_(clocks) {}

    Explained decode() {
        e_.timer = &t_;
        waveform();
        clock();
        e_.ticks = static_cast<int>(periodTicks(e_.mode.mode, e_.top));
        e_.periodSeconds = secondsOf(e_.ticks);
        outputs();
        interrupts();
        return std::move(e_);
    }

private:
    void waveform() {
        const int code = codeOf(t_.wgm, r_, e_.assumed);
        const avr::WaveformMode* found = t_.waveformByCode(code);
        if (found == nullptr)
            throw ExplainError(ExplainError::Kind::ReservedWaveform, std::string(t_.control.front()), code);
        e_.mode = *found;
        switch (e_.mode.top) {
        case Top::Fixed: e_.top = e_.mode.fixedTop; break;
        case Top::Ocr: e_.top = r_.value(t_.topOcr, e_.assumed); break;
        case Top::Icr: e_.top = r_.value(t_.capture->icr, e_.assumed); break;
        }
    }

    void clock() {
        e_.clockCode = codeOf(t_.cs, r_, e_.assumed);
        const auto found = std::ranges::find(t_.prescalers, e_.clockCode, &avr::Prescaler::code);
        if (e_.clockCode == 0) {
            e_.clock = ClockSource::Stopped;
        } else if (found != t_.prescalers.end()) {
            e_.clock = ClockSource::Prescaled;
            e_.prescaler = found->divisor;
        } else if (t_.externalClock && e_.clockCode >= 6) {
            e_.clock = e_.clockCode == 6 ? ClockSource::ExternalFalling : ClockSource::ExternalRising;
        } else {
            throw ExplainError(ExplainError::Kind::ReservedClock, std::string(t_.cs.front().reg), e_.clockCode);
        }
        countedClock();
    }

    void countedClock() {
        if (r_.set(t_.crystal, unnoted_)) {
            e_.counts = TimerClock::Crystal;
            e_.countedHz = clocks_.crystalHz;
        } else if (t_.pll && r_.set(t_.pll->select, unnoted_)) {
            e_.counts = TimerClock::Pll;
            e_.countedHz = clocks_.pllHz ? *clocks_.pllHz : nominalPllHz(r_.set(t_.pll->lowSpeed, unnoted_));
        } else {
            e_.countedHz = clocks_.cpuHz;
        }
    }

    std::optional<mpq_class> secondsOf(int ticks) const {
        if (e_.clock != ClockSource::Prescaled || !e_.countedHz || ticks == 0)
            return std::nullopt;
        return mpq_class(mpq_class(ticks) * e_.prescaler / *e_.countedHz);
    }

    // Whether the counter gets to a compare value at all.
    bool reaches(int compare) const { return e_.mode.mode == Mode::Normal || compare <= e_.top; }

    mpq_class dutyOf(PinAction action, int compare) const {
        const mpq_class high = highPart(e_.mode, compare, e_.top);
        return action == PinAction::Inverting ? mpq_class(1 - high) : high;
    }

    void outputs() {
        for (const avr::CompareUnit& unit : t_.compareUnits) {
            OutputExplained out;
            out.unit = &unit;
            out.action = actionOf(t_, e_.mode, unit, codeOf(unit.com, r_, e_.assumed));
            const bool pwm = isPwm(out.action);
            if (pwm || r_.given(unit.ocr))
                out.compare = r_.value(unit.ocr, e_.assumed);
            if (out.action != PinAction::Disconnected)
                out.pinIsOutput = r_.set(unit.ddr, e_.assumed);
            if (out.action == PinAction::Toggle && e_.periodSeconds && reaches(out.compare))
                out.frequencyHz = 1 / (2 * *e_.periodSeconds);
            if (pwm) {
                out.duty = dutyOf(out.action, out.compare);
                if (e_.periodSeconds)
                    out.frequencyHz = 1 / *e_.periodSeconds;
            }
            e_.outputs.push_back(out);
        }
    }

    // The overflow flag rises at MAX in NORMAL and CTC (never in CTC unless
    // TOP is MAX), at TOP in Fast PWM and at BOTTOM in the dual-slope modes;
    // a compare flag once a period when its value is within the count, and
    // the capture flag at TOP when ICRn holds it, otherwise at the edges of
    // its pin.
    void interrupts() {
        if (r_.set(t_.overflowInterrupt, unnoted_)) {
            InterruptExplained i = on(t_.overflowVector);
            i.ticks = e_.ticks;
            if (e_.mode.mode == Mode::Ctc && e_.top != t_.max())
                i.ticks.reset();
            add(i);
        }
        for (const avr::CompareUnit& unit : t_.compareUnits) {
            if (!r_.set(unit.interrupt, unnoted_))
                continue;
            const int compare = r_.value(unit.ocr, e_.assumed);
            InterruptExplained i = on(unit.vector);
            if (reaches(compare)) {
                i.ticks = e_.ticks;
                i.twicePerPeriod = dualSlope(e_.mode.mode) && compare != 0 && compare != e_.top;
            }
            add(i);
        }
        if (t_.capture && r_.set(t_.capture->interrupt, unnoted_)) {
            InterruptExplained i = on(t_.capture->vector);
            if (e_.mode.top == Top::Icr)
                i.ticks = e_.ticks;
            else
                i.edges = &*t_.capture;
            add(i);
        }
    }

    static InterruptExplained on(std::string_view vector) {
        InterruptExplained i;
        i.vector = vector;
        return i;
    }

    void add(InterruptExplained i) {
        if (i.ticks)
            i.periodSeconds = secondsOf(*i.ticks);
        e_.interrupts.push_back(i);
    }

    const avr::Timer& t_;
    const Registers& r_;
    const ExplainClocks& clocks_;
    Explained e_;
    // The interrupt masks, ASSR, PLLCSR and DDRs: not given, they are simply
    // off.
    std::vector<std::string> unnoted_;
};

}  // namespace

ExplainError::ExplainError(Kind kind, std::string reg, int code)
    : std::runtime_error("register values that no timer can have"), kind_(kind), reg_(std::move(reg)), code_(code) {}

std::vector<std::string_view> registerNames(const avr::Chip& chip) {
    std::vector<std::string_view> names;
    for (const avr::Timer& t : chip.timers)
        for (std::string_view reg : registersOf(t))
            if (!has(names, reg))
                names.push_back(reg);
    return names;
}

int registerBits(const avr::Chip& chip, std::string_view reg) {
    const auto wide = [reg](const avr::Timer& t) { return t.bits > 8 && has(countRegisters(t), reg); };
    return std::ranges::any_of(chip.timers, wide) ? 16 : 8;
}

std::vector<Explained> explain(const avr::Chip& chip, const std::vector<RegisterValue>& values,
                               const ExplainClocks& clocks) {
    for (auto v = values.begin(); v != values.end(); ++v) {
        if (!known(chip, v->name))
            throw ExplainError(ExplainError::Kind::UnknownRegister, v->name, v->value);
        if (v->value < 0 || v->value >> registerBits(chip, v->name) != 0)
            throw ExplainError(ExplainError::Kind::TooWide, v->name, v->value);
        if (std::any_of(values.begin(), v, [&](const RegisterValue& before) { return before.name == v->name; }))
            throw ExplainError(ExplainError::Kind::GivenTwice, v->name, v->value);
        // Counters, compare values and DDRs hold every bit.
        if (const int known = avr::knownBits(chip, v->name); known != 0 && (v->value & ~known) != 0)
            throw ExplainError(ExplainError::Kind::ReservedBit, v->name, v->value & ~known);
    }
    const Registers registers(values);
    std::vector<Explained> explained;
    for (const avr::Timer& t : chip.timers)
        if (configures(t, registers))
            explained.push_back(Decoder(t, registers, clocks).decode());
    if (explained.empty())
        throw ExplainError(ExplainError::Kind::NoTimer, {}, 0);
    return explained;
}

}  // namespace solver
