#pragma once

#include "solver/search.h"

#include <gmpxx.h>

#include <array>
#include <optional>
#include <string>
#include <string_view>

// English words for what the solver reports in codes, for the command line
// and the comments of the setup code, and texts of values with units.
namespace solver {

std::string_view modeName(avr::Mode mode);        // "CTC", "Fast PWM"

// A code by its keyword, as --mode and --top take it and the JSON writes it.
template <typename Code>
struct Keyword {
    Code code;
    std::string_view keyword;
};
inline constexpr std::array<Keyword<avr::Mode>, 5> modeKeywords{{
    {avr::Mode::Normal, "normal"},
    {avr::Mode::Ctc, "ctc"},
    {avr::Mode::FastPwm, "fast-pwm"},
    {avr::Mode::PhasePwm, "phase-pwm"},
    {avr::Mode::PhaseFrequencyPwm, "phase-frequency-pwm"},
}};
inline constexpr std::array<Keyword<avr::Top>, 3> topKeywords{{
    {avr::Top::Fixed, "fixed"},
    {avr::Top::Ocr, "ocr"},
    {avr::Top::Icr, "icr"},
}};
std::string_view modeKeyword(avr::Mode mode);  // "ctc", "fast-pwm"; empty for a mode not among them
std::optional<avr::Mode> modeOfKeyword(std::string_view keyword);
std::string_view topKeyword(avr::Top top);  // "fixed", "ocr", "icr"
std::optional<avr::Top> topOfKeyword(std::string_view keyword);

// What a query asks for: "an interrupt every 1 ms", "PWM at 20 kHz".
std::string goalText(const Query& query);

std::string_view warningKeyword(Warning warning);  // "reload-latency"
// The one letter a table of rows marks the warning with: 'L', 'A', 'D', 'F', 'C', 'P'.
char warningLetter(Warning warning);
std::string warningText(Warning warning);

// A time in s, ms or us, a frequency in Hz, kHz or MHz, whichever keeps the
// number between 1 and 1000, to `significant` digits: "1.004 ms".
std::string timeText(const mpq_class& seconds, int significant = 9);
std::string frequencyText(const mpq_class& hz, int significant = 9);
// A signed figure: "+1157.41", "-18.0845", "0".
std::string signedText(const mpq_class& value, int significant = 6);

// "OCR0A=249", "TCNT0 preload 6", "TOP=OCR2A 199", "TOP=0xFF", or "-".
std::string registersText(const Setting& setting);
// What the setting counts to: "0x3FF" for a fixed TOP, else its register, "OCR1A".
std::string topText(const Setting& setting);

}  // namespace solver
