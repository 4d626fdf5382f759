#include "solver/explain.h"

#include "solver/search.h"
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
    bool given(std::string_view reg) const { return values_.contains(std::string(reg)); }
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

// The registers that make a timer do something; the interrupt masks and
// ASSR only count when they set one of its bits.
bool configures(const avr::Timer& t, const Registers& r) {
    std::vector<std::string> ignored;
    const auto given = [&](std::string_view reg) { return r.given(reg); };
    if (std::ranges::any_of(t.control, given) || r.given(t.counter))
        return true;
    for (const avr::CompareUnit& unit : t.compareUnits)
        if (r.given(unit.ocr) || r.set(unit.interrupt, ignored))
            return true;
    return r.set(t.overflowInterrupt, ignored) || r.set(t.crystal, ignored);
}

// Every register some timer of the chip has, with the DDRs of its pins; the
// flag registers are accepted and tell nothing about the setup.
bool known(const avr::Chip& chip, std::string_view reg) {
    for (const avr::Timer& t : chip.timers) {
        if (!searched(t))
            continue;
        if (std::ranges::find(t.control, reg) != t.control.end() || reg == t.counter ||
            reg == t.overflowInterrupt.reg || reg == t.overflowFlag.reg || (t.countsCrystal() && reg == t.crystal.reg))
            return true;
        for (const avr::CompareUnit& unit : t.compareUnits)
            if (reg == unit.ocr || reg == unit.ddr.reg || reg == unit.interrupt.reg || reg == unit.flag.reg)
                return true;
    }
    return false;
}

// A Phase Correct or Fast PWM mode with TOP at OCRnA lets COMnA = 01 toggle
// OCnA; the same code disconnects it with TOP at 0xFF where that mode
// exists, and is reserved otherwise.
PinAction pwmAction(const avr::Timer& t, const avr::WaveformMode& mode, std::size_t unit, int com,
                    const std::string& reg) {
    switch (com) {
    case 0: return PinAction::Disconnected;
    case 2: return PinAction::NonInverting;
    case 3: return PinAction::Inverting;
    default: break;
    }
    const bool hasOcraTop = t.waveform(mode.mode, Top::Ocr, 0) != nullptr;
    if (unit == 0 && hasOcraTop)
        return mode.top == Top::Ocr ? PinAction::Toggle : PinAction::Disconnected;
    throw ExplainError(ExplainError::Kind::ReservedOutput, reg, com);
}

PinAction actionOf(const avr::Timer& t, const avr::WaveformMode& mode, std::size_t unit, int com,
                   const std::string& reg) {
    if (mode.mode == Mode::Normal || mode.mode == Mode::Ctc) {
        constexpr std::array actions{PinAction::Disconnected, PinAction::Toggle, PinAction::Clear, PinAction::Set};
        return actions[static_cast<std::size_t>(com)];
    }
    return pwmAction(t, mode, unit, com, reg);
}

class Decoder {
public:
    Decoder(const avr::Timer& t, const Registers& r, const std::optional<mpq_class>& clockHz,
            const std::optional<mpq_class>& crystalHz)
        : t_(t), r_(r), clockHz_(clockHz), crystalHz_(crystalHz) {}

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
        e_.top = e_.mode.top == Top::Ocr ? r_.value(t_.topOcr, e_.assumed)
                 : e_.mode.mode == Mode::Normal ? t_.max()
                                                : e_.mode.fixedTop;
    }

    void clock() {
        e_.clockCode = codeOf(t_.cs, r_, e_.assumed);
        e_.crystal = r_.set(t_.crystal, unnoted_);
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
    }

    std::optional<mpq_class> secondsOf(int ticks) const {
        const std::optional<mpq_class>& hz = e_.crystal ? crystalHz_ : clockHz_;
        if (e_.clock != ClockSource::Prescaled || !hz || ticks == 0)
            return std::nullopt;
        return mpq_class(mpq_class(ticks) * e_.prescaler / *hz);
    }

    mpq_class dutyOf(PinAction action, int compare) const {
        const mpq_class high = highPart(e_.mode.mode, compare, e_.top);
        return action == PinAction::NonInverting ? high : mpq_class(1 - high);
    }

    void outputs() {
        for (std::size_t i = 0; i < t_.compareUnits.size(); ++i) {
            const avr::CompareUnit& unit = t_.compareUnits[i];
            OutputExplained out;
            out.unit = &unit;
            const int com = codeOf(unit.com, r_, e_.assumed);
            out.action = actionOf(t_, e_.mode, i, com, std::string(unit.com.front().reg));
            const bool pwm = out.action == PinAction::NonInverting || out.action == PinAction::Inverting;
            if (pwm || r_.given(unit.ocr))
                out.compare = r_.value(unit.ocr, e_.assumed);
            if (r_.given(unit.ddr.reg))
                out.pinIsOutput = r_.set(unit.ddr, unnoted_);
            if (out.action == PinAction::Toggle && e_.periodSeconds)
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
    // TOP is 0xFF), at TOP in Fast PWM and at BOTTOM in Phase Correct PWM;
    // a compare flag once a period when its value is within the count.
    void interrupts() {
        if (r_.set(t_.overflowInterrupt, unnoted_)) {
            InterruptExplained i{t_.overflowVector, e_.ticks, false, std::nullopt};
            if (e_.mode.mode == Mode::Ctc && e_.top != t_.max())
                i.ticks.reset();
            add(i);
        }
        for (std::size_t u = 0; u < t_.compareUnits.size(); ++u) {
            const avr::CompareUnit& unit = t_.compareUnits[u];
            if (!r_.set(unit.interrupt, unnoted_))
                continue;
            const int compare = r_.value(unit.ocr, e_.assumed);
            const bool reached = e_.mode.mode == Mode::Normal || compare <= e_.top;
            InterruptExplained i{unit.vector, std::nullopt, false, std::nullopt};
            if (reached)
                i.ticks = e_.ticks;
            i.twicePerPeriod = reached && e_.mode.mode == Mode::PhasePwm && compare != 0 && compare != e_.top;
            add(i);
        }
    }

    void add(InterruptExplained i) {
        if (i.ticks)
            i.periodSeconds = secondsOf(*i.ticks);
        e_.interrupts.push_back(i);
    }

    const avr::Timer& t_;
    const Registers& r_;
    const std::optional<mpq_class>& clockHz_;
    const std::optional<mpq_class>& crystalHz_;
    Explained e_;
    // The interrupt masks, ASSR and DDRs: not given, they are simply off.
    std::vector<std::string> unnoted_;
};

}  // namespace

ExplainError::ExplainError(Kind kind, std::string reg, int code)
    : std::runtime_error("register values that no timer can have"), kind_(kind), reg_(std::move(reg)), code_(code) {}

std::vector<Explained> explain(const avr::Chip& chip, const std::vector<RegisterValue>& values,
                               const std::optional<mpq_class>& clockHz, const std::optional<mpq_class>& crystalHz) {
    for (const RegisterValue& v : values)
        if (!known(chip, v.name))
            throw ExplainError(ExplainError::Kind::UnknownRegister, v.name, v.value);
    const Registers registers(values);
    std::vector<Explained> explained;
    for (const avr::Timer& t : chip.timers)
        if (searched(t) && configures(t, registers))
            explained.push_back(Decoder(t, registers, clockHz, crystalHz).decode());
    if (explained.empty())
        throw ExplainError(ExplainError::Kind::NoTimer, {}, 0);
    return explained;
}

}  // namespace solver
