#include "calc/figures.h"

#include "calc/errors.h"
#include "calc/formulas.h"
#include "calc/numtext.h"
#include "calc/state.h"

#include <exception>
#include <functional>

namespace calc {
namespace {

class Figures {
public:
    Figures(const FigureInputs& inputs, std::string_view separator) : in_(inputs), separator_(separator) {}

    std::vector<Figure> all() {
        timerFigures();
        if (in_.interval)
            intervalFigures(*in_.interval);
        if (in_.registerValue)
            registerFigures(*in_.registerValue);
        if (in_.ocr)
            add("ctc_square_wave_hz", [&] { return number(ctcSquareWaveHz(F(), N(), *in_.ocr)); });
        if (in_.frequency)
            add("ocr_for_frequency", [&] { return number(ocrForFrequency(F(), N(), wantedFrequency())); });
        if (in_.duty)
            dutyFigures(*in_.duty);
        return std::move(figures_);
    }

private:
    std::int32_t F() const { return in_.clockHz; }
    std::int32_t N() const { return in_.prescaler; }
    // The tick in seconds as the state stores it between handlers.
    double tick() const { return toDouble(tickPeriodSeconds(F(), N())); }
    Figure number(Extended x) const { return {{}, text(x, separator_), {}, {}}; }
    Figure withHex(Extended x) const { return {{}, text(x, separator_), hex(Round(x)), {}}; }

    void add(std::string_view name, const std::function<Figure()>& compute) {
        Figure figure;
        try {
            figure = compute();
        } catch (const std::exception& error) {
            figure = {{}, {}, {}, errorReportText(error.what())};
        }
        figure.name = name;
        figures_.push_back(std::move(figure));
    }

    void timerFigures() {
        add("fast_pwm_hz", [&] { return number(static_cast<double>(fastPwmHz(F(), N()))); });
        add("phase_pwm_hz", [&] { return number(static_cast<double>(phasePwmHz(F(), N()))); });
        add("tick_us", [&] { return number(tickUs()); });
        add("normal_span_us", [&] { return number(normalSpanUs(tickUs())); });
        add("timer_khz", [&] { return number(timerFrequencyKHz(F(), N())); });
        add("normal_square_wave_hz", [&] { return number(normalSquareWaveHz(F(), N())); });
    }
    double tickUs() const { return toDouble(secondsToMicroseconds(tick())); }

    void intervalFigures(const TypedNumber& interval) {
        const auto ticks = [&] {
            CalculatorState state;
            state.timeUnitFactor = 0.000001;
            applyTimeUnitTable(state, interval.unitIndex);
            return wantedTicks(toDouble(parseDecimal(interval.text, separator_)), state.timeUnitFactor, tick());
        };
        add("tcnt_preload", [&] { return withHex(tcntPreload(ticks())); });
        add("ctc_ocr", [&] { return withHex(ctcOcr(ticks())); });
    }

    void registerFigures(std::int32_t v) {
        add("register", [&] { return Figure{{}, integerText(v), hex(v), {}}; });
        add("normal_interrupt_ms", [&] {
            return Figure{{}, cutNumberText(text(normalInterruptMs(F(), N(), v), separator_), 8), {}, {}};
        });
        add("ctc_interrupt_ms", [&] { return number(ctcInterruptMs(tick(), v)); });
    }

    double wantedFrequency() const {
        const TypedNumber& typed = *in_.frequency;
        return applyFrequencyUnitTable(toDouble(parseDecimal(typed.text, separator_)), typed.unitIndex);
    }

    // The stored whole number is shown, with the hexadecimal of the
    // unrounded value's Round.
    Figure rounded(Extended x) const {
        return {{}, text(static_cast<double>(Round(x)), separator_), hex(Round(x)), {}};
    }

    void dutyFigures(std::int32_t d) {
        add("fast_pwm_ocr_non_inverted", [&] { return rounded(fastPwmNonInverted(d)); });
        add("fast_pwm_ocr_inverted", [&] { return rounded(fastPwmInverted(d)); });
        add("phase_pwm_ocr_non_inverted", [&] { return rounded(phasePwmNonInverted(d)); });
        add("phase_pwm_ocr_inverted", [&] { return rounded(phasePwmInverted(d)); });
    }

    const FigureInputs& in_;
    std::string separator_;
    std::vector<Figure> figures_;
};

}  // namespace

std::vector<Figure> windowFigures(const FigureInputs& inputs, std::string_view separator) {
    return Figures(inputs, separator).all();
}

}  // namespace calc
