#include "calc/figures.h"

#include "calc/errors.h"
#include "calc/formulas.h"
#include "calc/numtext.h"

#include <exception>
#include <utility>

namespace calc {
namespace {

FigureText withHex(Extended x, std::string_view separator) { return {text(x, separator), hex(Round(x))}; }

FigureText rounded(Extended x, double& stored, std::string_view separator) {
    const std::int64_t whole = Round(x);
    stored = static_cast<double>(whole);
    return {text(stored, separator), hex(whole)};
}

PwmCompareFigures storedPair(CalculatorState& state, Extended nonInverted, Extended inverted,
                             std::string_view separator) {
    return {rounded(nonInverted, state.ocrNonInverted, separator), rounded(inverted, state.ocrInverted, separator)};
}

}  // namespace

std::string fastPwmFigure(CalculatorState& state, std::string_view separator) {
    state.fastPwmHz = static_cast<double>(fastPwmHz(state.clockHz, state.prescaler));
    return text(state.fastPwmHz, separator);
}

std::string phasePwmFigure(CalculatorState& state, std::string_view separator) {
    state.phasePwmHz = static_cast<double>(phasePwmHz(state.clockHz, state.prescaler));
    return text(state.phasePwmHz, separator);
}

std::string tickUsFigure(CalculatorState& state, std::string_view separator) {
    storeTickSeconds(state);
    state.tickPeriod = toDouble(secondsToMicroseconds(state.tickPeriod));
    return text(state.tickPeriod, separator);
}

std::string normalSpanUsFigure(const CalculatorState& state, std::string_view separator) {
    return text(normalSpanUs(state.tickPeriod), separator);
}

std::string timerKHzFigure(const CalculatorState& state, std::string_view separator) {
    return text(timerFrequencyKHz(state.clockHz, state.prescaler), separator);
}

std::string normalSquareWaveFigure(const CalculatorState& state, std::string_view separator) {
    return text(normalSquareWaveHz(state.clockHz, state.prescaler), separator);
}

double typedNumber(std::string_view text, std::string_view separator) {
    return toDouble(parseDecimal(text, separator));
}

void storeTickSeconds(CalculatorState& state) {
    state.tickPeriod = toDouble(tickPeriodSeconds(state.clockHz, state.prescaler));
}

Extended wantedIntervalTicks(CalculatorState& state, int unitIndex) {
    applyTimeUnitTable(state, unitIndex);
    storeTickSeconds(state);
    return wantedTicks(state.timeValue, state.timeUnitFactor, state.tickPeriod);
}

FigureText tcntPreloadFigure(Extended ticks, std::string_view separator) {
    return withHex(tcntPreload(ticks), separator);
}

FigureText ctcOcrFigure(Extended ticks, std::string_view separator) { return withHex(ctcOcr(ticks), separator); }

std::string normalInterruptMsFigure(const CalculatorState& state, std::int32_t v, std::string_view separator) {
    return cutNumberText(text(normalInterruptMs(state.clockHz, state.prescaler, v), separator), 8);
}

std::string ctcInterruptMsFigure(const CalculatorState& state, std::int32_t v, std::string_view separator) {
    return text(ctcInterruptMs(state.tickPeriod, v), separator);
}

std::string ctcSquareWaveFigure(const CalculatorState& state, std::int32_t n, std::string_view separator) {
    return text(ctcSquareWaveHz(state.clockHz, state.prescaler, n), separator);
}

std::string ocrForFrequencyFigure(const CalculatorState& state, double f, std::string_view separator) {
    return text(ocrForFrequency(state.clockHz, state.prescaler, f), separator);
}

PwmCompareFigures fastPwmCompareFigures(CalculatorState& state, std::string_view separator) {
    const std::int32_t d = state.dutyPercent;
    return storedPair(state, fastPwmNonInverted(d), fastPwmInverted(d), separator);
}

PwmCompareFigures phasePwmCompareFigures(CalculatorState& state, std::string_view separator) {
    const std::int32_t d = state.dutyPercent;
    return storedPair(state, phasePwmNonInverted(d), phasePwmInverted(d), separator);
}

// ------------------------------------------------------ all of them at once

namespace {

// The figures in the order the window computes them, on a state of their
// own. Each is computed apart, so that one failing is reported in its place
// and the others are still given.
class Figures {
public:
    Figures(const FigureInputs& inputs, std::string_view separator) : in_(inputs), separator_(separator) {
        state_.clockHz = inputs.clockHz;
        state_.prescaler = inputs.prescaler;
        // The unit the window starts in, kept for a unit outside its table.
        state_.timeUnitFactor = timeUnitTable[0].factor;
    }

    std::vector<Figure> all() {
        timerFigures();
        if (in_.interval)
            intervalFigures(*in_.interval);
        if (in_.registerValue)
            registerFigures(*in_.registerValue);
        if (in_.ocr)
            add("ctc_square_wave_hz", [&] { return ctcSquareWaveFigure(state_, *in_.ocr, separator_); });
        if (in_.frequency)
            add("ocr_for_frequency", [&] { return ocrForFrequencyFigure(state_, wantedFrequency(), separator_); });
        if (in_.duty)
            dutyFigures(*in_.duty);
        return std::move(figures_);
    }

private:
    template <typename Compute>
    void add(std::string_view name, const Compute& compute) {
        try {
            figures_.push_back(shown(name, compute()));
        } catch (const std::exception& error) {
            figures_.push_back({name, {}, {}, errorReportText(error.what())});
        }
    }
    static Figure shown(std::string_view name, std::string number) { return {name, std::move(number), {}, {}}; }
    static Figure shown(std::string_view name, FigureText text) {
        return {name, std::move(text.number), std::move(text.hex), {}};
    }

    void timerFigures() {
        add("fast_pwm_hz", [&] { return fastPwmFigure(state_, separator_); });
        add("phase_pwm_hz", [&] { return phasePwmFigure(state_, separator_); });
        add("tick_us", [&] { return tickUsFigure(state_, separator_); });
        add("normal_span_us", [&] { return normalSpanUsFigure(state_, separator_); });
        add("timer_khz", [&] { return timerKHzFigure(state_, separator_); });
        add("normal_square_wave_hz", [&] { return normalSquareWaveFigure(state_, separator_); });
    }

    // Read for each figure, so that a text that is not a number is reported
    // in the place of both.
    void intervalFigures(const TypedNumber& interval) {
        const auto ticks = [&] {
            state_.timeValue = typedNumber(interval.text, separator_);
            return wantedIntervalTicks(state_, interval.unitIndex);
        };
        add("tcnt_preload", [&] { return tcntPreloadFigure(ticks(), separator_); });
        add("ctc_ocr", [&] { return ctcOcrFigure(ticks(), separator_); });
    }

    // Whatever the interval, the window has its tick in seconds by the time
    // a register value is typed.
    void registerFigures(std::int32_t v) {
        add("register", [&] { return FigureText{integerText(v), hex(v)}; });
        add("normal_interrupt_ms", [&] { return normalInterruptMsFigure(state_, v, separator_); });
        add("ctc_interrupt_ms", [&] {
            storeTickSeconds(state_);
            return ctcInterruptMsFigure(state_, v, separator_);
        });
    }

    double wantedFrequency() const {
        const TypedNumber& typed = *in_.frequency;
        return applyFrequencyUnitTable(typedNumber(typed.text, separator_), typed.unitIndex);
    }

    // A duty's compare values cannot fail: its products stay far inside
    // Round's range.
    void dutyFigures(std::int32_t d) {
        state_.dutyPercent = d;
        addPair("fast_pwm_ocr_non_inverted", "fast_pwm_ocr_inverted", fastPwmCompareFigures(state_, separator_));
        addPair("phase_pwm_ocr_non_inverted", "phase_pwm_ocr_inverted", phasePwmCompareFigures(state_, separator_));
    }
    void addPair(std::string_view nonInvertedName, std::string_view invertedName, const PwmCompareFigures& pair) {
        add(nonInvertedName, [&] { return pair.nonInverted; });
        add(invertedName, [&] { return pair.inverted; });
    }

    const FigureInputs& in_;
    std::string separator_;
    CalculatorState state_;
    std::vector<Figure> figures_;
};

}  // namespace

std::vector<Figure> windowFigures(const FigureInputs& inputs, std::string_view separator) {
    return Figures(inputs, separator).all();
}

}  // namespace calc
