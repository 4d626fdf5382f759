// avrtimer-calc run in-process as a script runs it: arguments in, exit
// status, standard output and standard error out.
#include "cli/cli.h"
#include "cli/solve_command.h"

#include <gmpxx.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdint>
#include <sstream>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct Outcome {
    int status;
    std::string out, err;
};

Outcome run(std::vector<std::string> args) {
    args.insert(args.begin(), "avrtimer-calc");
    std::vector<const char*> argv;
    for (const std::string& a : args)
        argv.push_back(a.c_str());
    std::ostringstream out, err;
    const int status = cli::run(static_cast<int>(argv.size()), argv.data(), out, err);
    return {status, out.str(), err.str()};
}

struct BadInput {
    const char* name;
    std::vector<std::string> args;
    const char* says;  // part of the one line on stderr
};

void PrintTo(const BadInput& row, std::ostream* out) { *out << row.name; }

const BadInput badInputs[] = {
    {"UnknownUnit", {"solve", "--clock", "16MHzz", "--interval", "1ms"},
     "--clock: '16MHzz' has an unknown unit 'MHzz' (Hz, kHz, MHz); for example --clock 16MHz"},
    {"EmptyClock", {"solve", "--clock", "", "--interval", "1ms"}, "--clock: '' is not a number"},
    // An empty word sent the option library looking for an option group of that name for ever.
    {"EmptyWord", {"solve", "", "--json"}, "an empty word is neither an option nor its value"},
    {"EmptyWordAfterAnotherCommandsOption", {"solve", "--svg", "", "--pick"},
     "an empty word is neither an option nor its value"},
    // --mcu takes --duty for its value, so the empty word after it is no value.
    {"EmptyWordAfterAnOptionsValue", {"code", "--mcu", "--duty", "", "solve"},
     "an empty word is neither an option nor its value"},
    {"WordForClock", {"solve", "--clock", "fast", "--interval", "1ms"}, "--clock: 'fast' is not a number"},
    {"BareExponent", {"solve", "--clock", "16e", "--interval", "1ms"}, "--clock: '16e' is not a number"},
    {"HugeExponent", {"solve", "--clock", "1e999", "--interval", "1ms"}, "an exponent beyond 100"},
    {"TimeForFrequency", {"solve", "--clock", "1ms", "--interval", "1ms"}, "is a time, not a frequency"},
    {"FrequencyForTime", {"solve", "--clock", "16MHz", "--interval", "1kHz"}, "is a frequency, not a time"},
    {"ZeroClock", {"solve", "--clock", "0", "--interval", "1ms"}, "--clock: '0' is not above zero"},
    {"NegativeClock", {"solve", "--clock", "-16MHz", "--interval", "1ms"}, "--clock: '-16MHz' is not above zero"},
    {"NegativeTarget", {"solve", "--clock", "16MHz", "--interval", "-1ms"}, "--interval: '-1ms' is not above zero"},
    {"ZeroTarget", {"solve", "--clock", "16MHz", "--pwm-frequency", "0"}, "--pwm-frequency: '0' is not above zero"},
    {"BelowOneCycle", {"solve", "--clock", "16MHz", "--interval", "0.05us"},
     "--interval: '0.05us' is shorter than one cycle of the 16 MHz clock"},
    {"FasterThanClock", {"solve", "--clock", "16MHz", "--frequency", "20MHz"}, "is faster than one cycle"},
    {"FasterThanHalfTheClock", {"solve", "--clock", "16MHz", "--frequency", "16MHz"},
     "--frequency: '16MHz' is faster than half the 16 MHz clock (8 MHz)"},
    {"ShorterThanTheRoutine", {"solve", "--clock", "16MHz", "--interval", "0.1us"},
     "the shortest interval at 16 MHz is 1.625 us (26 cycles)"},
    {"TooManyInterrupts", {"solve", "--clock", "16MHz", "--interval", "1e12s"}, "2^32 interrupts"},
    {"CrystalOnTimer0", {"solve", "--clock", "8MHz", "--interval", "1s", "--timer", "0", "--timer2-clock", "32768"},
     "--timer2-clock: '32768' drives Timer2, but --timer 0 was asked for"},
    {"CrystalTooFast", {"solve", "--clock", "8MHz", "--interval", "1s", "--timer2-clock", "4MHz"},
     "is not under a quarter of the 8 MHz CPU clock"},
    {"NoSuchTimer", {"solve", "--clock", "16MHz", "--interval", "1ms", "--timer", "3"},
     "--timer: '3' is not a timer of the ATmega328P"},
    {"TimerListsTheChipsTimers", {"solve", "--clock", "16MHz", "--interval", "1ms", "--timer", "7"},
     "--timer: '7' is not a timer of the ATmega328P (0, 1, 2); for example --timer 0"},
    {"PllClockWithoutAPllTimer", {"solve", "--clock", "16MHz", "--interval", "1ms", "--timer1-clock", "64MHz"},
     "--timer1-clock: '64MHz' is the clock of a timer the ATmega328P does not have; for example "
     "--timer1-clock 64MHz --mcu attiny85"},
    {"CrystalOnTheTinyNamesAChipWithTimer2", {"solve", "--mcu", "attiny85", "--clock", "8MHz", "--interval", "1s",
                                              "--timer2-clock", "32768"},
     "'32768' is the clock of a timer the ATtiny85 does not have; for example --timer2-clock 32768 --mcu atmega328p"},
    {"TopTheModeLacks",
     {"solve", "--clock", "16MHz", "--interval", "1ms", "--timer", "0", "--mode", "ctc", "--top", "icr"},
     "--top: 'icr' gives no periodic interrupt with --mode ctc --timer 0 on the ATmega328P; for example --top ocr"},
    {"ModeWithoutGoal", {"solve", "--clock", "16MHz", "--interval", "1ms", "--mode", "fast-pwm"},
     "--mode: 'fast-pwm' gives no periodic interrupt on the ATmega328P; for example --mode ctc"},
    {"UnknownMode", {"solve", "--clock", "16MHz", "--interval", "1ms", "--mode", "slow"}, "--mode: 'slow' is not one of"},
    {"NegativeMaxError", {"solve", "--clock", "16MHz", "--interval", "1ms", "--max-error", "-5"},
     "--max-error: '-5' is below zero"},
    {"MaxErrorWithUnit", {"solve", "--clock", "16MHz", "--interval", "1ms", "--max-error", "5ms"},
     "--max-error: '5ms' is not a plain number"},
    {"ZeroLimit", {"solve", "--clock", "16MHz", "--interval", "1ms", "--limit", "0"},
     "--limit: '0' is not a whole number from 1"},
    {"NoClock", {"solve", "--interval", "1ms"}, "solve needs --clock; for example: avrtimer-calc solve"},
    {"TwoTargets", {"solve", "--clock", "16MHz", "--interval", "1ms", "--frequency", "1kHz"},
     "--interval and --frequency are given together; give one of them; for example"},
    {"NoTarget", {"solve", "--clock", "16MHz"}, "solve needs one of --interval, --frequency, --pwm-frequency"},
    {"QuantitySplitAtItsUnit", {"solve", "--clock", "16MHz", "--interval", "1", "kHz"},
     "--interval takes one quantity; write 1kHz without a space"},
    {"OptionTwice", {"solve", "--clock", "16MHz", "--interval", "1ms", "--interval", "2ms"},
     "--interval is given more than once; give it once"},
    {"WordOfNoOption", {"code", "--clock", "16MHz", "--interval", "1ms", "fast"},
     "'fast' is the value of no option of code; for example: avrtimer-calc code"},
    {"CommandNearMiss", {"slove", "--clock", "16MHz", "--interval", "1ms"},
     "'slove' is not a command of avrtimer-calc (solve, code, diagram, explain, figures); did you mean solve?"},
    {"OptionNearMiss", {"solve", "--clock", "16MHz", "--intervall", "1ms"},
     "--intervall is not an option of solve; did you mean --interval?"},
    {"OptionOfAnotherCommand", {"explain", "--duty", "5", "TCCR0A=1"},
     "--duty is not an option of explain; see avrtimer-calc explain --help"},
    {"ChipLettersSwapped", {"solve", "--mcu", "atmgea328p", "--clock", "16MHz", "--interval", "1ms"},
     "--mcu: 'atmgea328p' is not a chip avrtimer-calc knows; did you mean atmega328p?"},
    {"ChipWithoutAt", {"solve", "--mcu", "tiny85", "--clock", "8MHz", "--interval", "1ms"}, "did you mean attiny85?"},
    {"ChipAsAvrdudeNamesIt", {"solve", "--mcu", "m328p", "--clock", "16MHz", "--interval", "1ms"},
     "did you mean atmega328p?"},
    {"ClockBlamedForTooManyInterrupts", {"solve", "--clock", "1e30", "--interval", "1ms"},
     "--clock: '1e30' is above the 20 MHz the ATmega328P is rated for, so fast that 1ms would need 2^32 interrupts"},
    {"BareClockTooSlow", {"solve", "--clock", "16", "--interval", "1ms"},
     "--clock: '16' is 16 Hz, as a bare number is in hertz: too slow for 1ms; for example --clock 16MHz"},
    {"ExampleFitsTheClock", {"solve", "--clock", "500Hz", "--interval", "1ms"},
     "--interval: '1ms' is shorter than one cycle of the 500 Hz clock; for example --interval 2s"},
    {"NoSubcommand", {}, "for example: avrtimer-calc solve"},
    {"PrescalerNotOfEitherTimer", {"figures", "--clock", "16MHz", "--prescaler", "48"},
     "--prescaler: '48' is not a prescaler of Timer0 (1, 8, 64, 256, 1024) or Timer2"},
    {"FractionalClock", {"figures", "--clock", "1.5Hz", "--prescaler", "1"}, "is not a whole number of hertz"},
    {"ClockBeyondWindow", {"figures", "--clock", "3GHz", "--prescaler", "1"}, "unknown unit 'GHz'"},
    {"MegahertzSquareWave", {"figures", "--clock", "16MHz", "--prescaler", "1", "--frequency", "1MHz"},
     "is not in Hz or kHz"},
    {"RegisterBeyondByte", {"figures", "--clock", "16MHz", "--prescaler", "1", "--register", "256"},
     "--register: '256' is not a whole number from 0 to 255"},
    {"UnknownChip", {"solve", "--mcu", "atmega9", "--clock", "16MHz", "--interval", "1ms"},
     "--mcu: 'atmega9' is not a chip avrtimer-calc knows; did you mean atmega8?"},
    {"ChipFarFromAny", {"solve", "--mcu", "pic16f84", "--clock", "16MHz", "--interval", "1ms"},
     "--mcu: 'pic16f84' is not a chip avrtimer-calc knows (atmega48,"},
    {"NoTimer2OnTheTiny", {"code", "--mcu", "attiny85", "--clock", "8MHz", "--interval", "1ms", "--timer", "2"},
     "--timer: '2' is not a timer of the ATtiny85"},
    {"PickBeyondTheRanking", {"code", "--clock", "16MHz", "--interval", "1ms", "--max-error", "0", "--pick", "42"},
     "--pick: '42' is beyond the 34 rows of the ranking"},
    {"HeaderOnAFractionalClock", {"code", "--clock", "1000.5Hz", "--interval", "1s", "--header"},
     "--clock: '1000.5Hz' is not a whole number of hertz"},
    {"RegisterTheChipLacks", {"explain", "--mcu", "atmega8", "TCCR0A=1"},
     "TCCR0A: the ATmega8 has no timer register TCCR0A; did you mean TCCR0?"},
    {"RegisterFarFromAny", {"explain", "PORTB=1"}, "PORTB: the ATmega328P has no timer register PORTB; for example"},
    {"RegisterNearMissInSmallLetters", {"explain", "tccr0=1"}, "TCCR0: the ATmega328P has no timer register TCCR0; "
                                                                 "did you mean TCCR0A?"},
    {"RegisterGivenTwice", {"explain", "TCCR0A=2", "TCCR0B=3", "tccr0a=0"}, "TCCR0A: given more than once"},
    {"ReservedBitsSet", {"explain", "TCCR0A=0x0E"}, "TCCR0A: bits 3 and 2 are reserved on the ATmega328P"},
    {"ReservedBitOfTheCountingTimer0", {"explain", "--mcu", "atmega8", "TCCR0=0x09"},
     "TCCR0: bit 3 is reserved on the ATmega8; write it as 0"},
    {"ReservedBitOfTheTinysPll", {"explain", "--mcu", "attiny85", "TCCR1=1", "PLLCSR=0x08"},
     "PLLCSR: bit 3 is reserved on the ATtiny85"},
    {"ValueBeyondAByte", {"explain", "OCR0A=0x12C"}, "OCR0A: 300 does not fit the 8-bit register (0..255)"},
    {"ValueBeyondSixteenBits", {"explain", "OCR1A=70000"},
     "OCR1A: 70000 does not fit the 16-bit register (0..65535) of the ATmega328P"},
    {"ValueBeyondAnyRegister", {"explain", "ICR1=99999999999"},
     "'ICR1=99999999999' is not REGISTER=VALUE with a whole number from 0"},
    {"ReservedSixteenBitWaveform", {"explain", "TCCR1A=0x01", "TCCR1B=0x18"},
     "TCCR1A: the WGM bits give code 13, which is reserved on the ATmega328P"},
    {"TimerTheChipLacks", {"explain", "TCCR3A=0"}, "TCCR3A: the ATmega328P has no timer register TCCR3A"},
    {"ZeroPllClockToExplain", {"explain", "--mcu", "attiny85", "--timer1-clock", "0", "TCCR1=1"},
     "--timer1-clock: '0' is not above zero; for example --timer1-clock 64MHz"},
    {"ReservedWaveform", {"explain", "TCCR0B=0x08"}, "TCCR0A: the WGM bits give code 4, which is reserved"},
    {"ReservedOutput", {"explain", "TCCR0A=0x13"}, "TCCR0A: the COM bits give code 1, which is reserved in this mode"},
    {"ZeroClockToExplain", {"explain", "--clock", "0", "TCCR0B=1"},
     "--clock: '0' is not above zero; for example --clock 16MHz"},
    {"NoPeriods", {"diagram", "--clock", "16MHz", "--interval", "1ms", "--json", "--periods", "0"},
     "--periods: '0' is not a whole number from 1 to 1000; for example --periods 2"},
    {"TooManyPeriods", {"diagram", "--clock", "16MHz", "--interval", "1ms", "--json", "--periods", "1001"},
     "--periods: '1001' is not a whole number from 1 to 1000"},
    {"DiagramWithoutFormat", {"diagram", "--clock", "16MHz", "--interval", "1ms"},
     "for example: avrtimer-calc diagram --clock 16MHz --interval 1ms --svg diagram.svg"},
    {"DiagramInBothFormats", {"diagram", "--clock", "16MHz", "--interval", "1ms", "--json", "--svg", "-"},
     "for example: avrtimer-calc diagram"},
    {"SvgInNoFolder", {"diagram", "--clock", "16MHz", "--interval", "1ms", "--svg", "/nonexistent/d.svg"},
     "--svg: '/nonexistent/d.svg' cannot be written; for example --svg diagram.svg"},
    {"NegativeCrystalToExplain", {"explain", "--timer2-clock", "-5", "ASSR=0x20", "TCCR2B=0x05"},
     "--timer2-clock: '-5' is not above zero; for example --timer2-clock 32768"},
};

class CliBadInput : public testing::TestWithParam<BadInput> {};

TEST_P(CliBadInput, OneLineOnStderrAndStatusTwo) {
    const Outcome r = run(GetParam().args);
    EXPECT_EQ(r.status, cli::exitBadInput);
    EXPECT_TRUE(r.out.empty()) << r.out;
    EXPECT_NE(r.err.find(GetParam().says), std::string::npos) << r.err;
    EXPECT_EQ(r.err.rfind("avrtimer-calc: ", 0), 0u) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
}

INSTANTIATE_TEST_SUITE_P(Rows, CliBadInput, testing::ValuesIn(badInputs),
                         [](const auto& info) { return std::string(info.param.name); });

struct Explained {
    const char* name;
    std::vector<std::string> args;
    std::vector<const char*> says;  // lines of stdout, each in full
};

void PrintTo(const Explained& row, std::ostream* out) { *out << row.name; }

const Explained explainedRows[] = {
    {"CtcOnOcr1aForOneSecond",
     {"explain", "--clock", "16MHz", "TCCR1B=0x0D", "OCR1A=15624", "TIMSK1=0x02"},
     {"  mode        CTC (WGM 4), TOP = OCR1A = 15624: 15625 ticks a period", "  period      1 s (1 Hz)",
      "  interrupt   TIMER1_COMPA_vect every 15625 ticks: 1 s (1 Hz)"}},
    {"FastPwmOnIcr1ForFiftyHertz",
     {"explain", "--clock", "16MHz", "TCCR1A=0x82", "TCCR1B=0x1A", "ICR1=0x9C3F", "OCR1A=3999", "TIMSK1=0x20",
      "DDRB=0x02"},
     {"  mode        Fast PWM (WGM 14), TOP = ICR1 = 39999: 40000 ticks a period",
      "  OC1A (PB1)  non-inverting PWM, OCR1A = 3999, duty 10 %: 50 Hz",
      "  interrupt   TIMER1_CAPT_vect every 40000 ticks: 20 ms (50 Hz)"}},
    {"FastPwmToggleOnIcr1", {"explain", "TCCR1A=0x42", "TCCR1B=0x19", "ICR1=99", "DDRB=0x02"},
     {"  OC1A (PB1)  toggles on compare match"}},
    {"FastPwmToggleOnlyWithOcr1aOnTheAtmega8", {"explain", "--mcu", "atmega8", "TCCR1A=0x42", "TCCR1B=0x19"},
     {"  OC1A (PB1)  disconnected"}},
    {"CaptureOnEdgesOutsideIcrTop", {"explain", "TCCR1B=0x01", "TIMSK1=0x20"},
     {"  interrupt   TIMER1_CAPT_vect at each edge captured on ICP1 (PB0)"}},
    {"PhaseFrequencyCorrectWithUnitCAndForceStrobe",
     {"explain", "--mcu", "atmega2560", "--clock", "16MHz", "TCCR3A=0x0C", "TCCR3B=0x11", "TCCR3C=0x20",
      "ICR3=400", "OCR3C=100", "TIMSK3=0x08", "DDRE=0x20"},
     {"  mode        Phase and Frequency Correct PWM (WGM 8), TOP = ICR3 = 400: 800 ticks a period",
      "  OC3C (PE5)  inverting PWM, OCR3C = 100, duty 75 %: 20 kHz",
      "  interrupt   TIMER3_COMPC_vect twice every 800 ticks: 50 us (20 kHz)"}},
    {"TinyCtc1OnOcr1c", {"explain", "--mcu", "attiny85", "--clock", "8MHz", "TCCR1=0x9B", "OCR1C=124", "TIMSK=0x40", "DDRB=2"},
     {"  mode        CTC (WGM 1), TOP = OCR1C = 124: 125 ticks a period", "  clock       clk/1024 (CS 11)",
      "  OC1A (PB1)  toggles on compare match: 31.25 Hz", "  interrupt   TIMER1_COMPA_vect every 125 ticks: 16 ms (62.5 Hz)"}},
    {"TinyPwmOnTheLowSpeedPll",
     {"explain", "--mcu", "attiny85", "TCCR1=0x53", "GTCCR=0x40", "OCR1C=199", "OCR1A=49", "PLLCSR=0x86", "DDRB=2"},
     {"  clock       PCK/4 (CS 3), the PLL clock of 32 MHz (PCKE)",
      "  OC1A (PB1)  non-inverting PWM, inverted on ~OC1A, OCR1A = 49, duty 25 %: 40 kHz"}},
    {"TinyPwmHeldLowAtZero", {"explain", "--mcu", "attiny85", "TCCR1=0x61", "GTCCR=0x40", "OCR1C=99", "DDRB=2"},
     {"  OC1A (PB1)  non-inverting PWM, OCR1A = 0, duty 0 %"}},
    {"TinyPllClockGiven",
     {"explain", "--mcu", "attiny85", "--timer1-clock", "60MHz", "TCCR1=0x93", "OCR1C=149", "PLLCSR=0x86"},
     {"  period      10 us (100 kHz)"}},
    // A connected output drives its pin only when the pin's DDR bit is set.
    {"PinNotAnOutput", {"explain", "TCCR0A=0x42", "TCCR0B=0x01", "OCR0A=99", "DDRD=0x20"},
     {"  OC0A (PD6)  not driven: PD6 is an input (DDD6 clear in DDRD); set up as toggles on compare match"}},
    {"DdrNotGivenIsClear", {"explain", "TCCR0A=0x42", "TCCR0B=0x01", "OCR0A=99"},
     {"  taken as 0  DDRD (not given)"}},
    {"OneTick", {"explain", "TCCR0A=2", "OCR0A=0", "TCCR0B=1", "TIMSK0=2"},
     {"  mode        CTC (WGM 2), TOP = OCR0A = 0: 1 tick a period", "  interrupt   TIMER0_COMPA_vect every 1 tick"}},
    {"NamesAndUnitsInAnyCase", {"explain", "--clock", "16MHZ", "tccr0a=0x02", "Tccr0b=3", "ocr0a=249", "timsk0=2"},
     {"  interrupt   TIMER0_COMPA_vect every 250 ticks: 1 ms (1 kHz)"}},
    // The force-compare strobes and the capture's edge bits are no reserved bits.
    {"BitsNoSetupWrites", {"explain", "TCCR1B=0xC1", "TCCR1C=0xC0", "TCCR0B=0xC1", "ASSR=0x40", "TCCR2B=1"},
     {"Timer1 of the ATmega328P", "Timer2 of the ATmega328P"}},
};

class CliExplains : public testing::TestWithParam<Explained> {};

TEST_P(CliExplains, PrintsTheLines) {
    const Outcome r = run(GetParam().args);
    ASSERT_EQ(r.status, cli::exitOk) << r.err;
    for (const char* line : GetParam().says)
        EXPECT_NE(r.out.find(std::string(line) + "\n"), std::string::npos) << line << "\nin\n" << r.out;
}

INSTANTIATE_TEST_SUITE_P(Rows, CliExplains, testing::ValuesIn(explainedRows),
                         [](const auto& info) { return std::string(info.param.name); });

// A command that ran, with a line on stderr after its output for what the
// input suggests went wrong; empty for none.
TEST(Cli, NotesFollowWhatRan) {
    const struct {
        std::vector<std::string> args;
        const char* note;
    } rows[] = {
        {{"solve", "--clock", "16", "--interval", "10s"},
         "avrtimer-calc: note: --clock 16 is 16 Hz, as a bare number is in hertz; for 16 MHz write 16MHz\n"},
        {{"solve", "--clock", "24MHz", "--interval", "1ms"},
         "avrtimer-calc: note: --clock 24MHz is above the 20 MHz the ATmega328P is rated for\n"},
        {{"explain", "--mcu", "atmega8", "--clock", "20MHz", "TCCR2=1"},
         "avrtimer-calc: note: --clock 20MHz is above the 16 MHz the ATmega8 is rated for\n"},
        {{"code", "--clock", "16MHz", "--timer2-clock", "32768", "--interval", "1s"},
         "the CPU runs on its internal RC oscillator, at most 8 MHz, not the 16 MHz of --clock\n"},
        {{"solve", "--mcu", "atmega16", "--clock", "16MHz", "--timer2-clock", "32768", "--interval", "1s"}, ""},
        {{"solve", "--clock", "8MHz", "--timer2-clock", "32768", "--interval", "1s"}, ""},
        {{"code", "--clock", "16MHz", "--pwm-frequency", "8MHz", "--mode", "phase-pwm", "--duty", "30"},
         "avrtimer-calc: note: the duty is 0 %, a flat line, not the 30 % asked"},
        {{"code", "--clock", "16MHz", "--pwm-frequency", "62.5kHz", "--timer", "2", "--duty", "30"}, ""},
    };
    for (const auto& row : rows) {
        const Outcome r = run(row.args);
        EXPECT_EQ(r.status, cli::exitOk) << r.err;
        EXPECT_FALSE(r.out.empty());
        if (*row.note == '\0')
            EXPECT_EQ(r.err, "");
        else
            EXPECT_NE(r.err.find(row.note), std::string::npos) << r.err;
    }
}

TEST(Cli, NothingWithinMaxErrorPrintsTheNearestWithStatusOne) {
    const Outcome r = run({"solve", "--clock", "11.0592MHz", "--interval", "1ms", "--max-error", "15"});
    EXPECT_EQ(r.status, cli::exitNoResult);
    EXPECT_NE(r.out.find("OCR1A=11058"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("ICR1=11058"), std::string::npos) << "only the nearest row";
    EXPECT_NE(r.err.find("no setting is within --max-error 15 ppm; the nearest, printed, is -18.0845 ppm off"),
              std::string::npos)
        << r.err;
}

TEST(Cli, FigureTheWindowReportsAsAnErrorGivesStatusOne) {
    const Outcome r = run({"figures", "--clock", "16MHz", "--prescaler", "1", "--interval", "1e30s"});
    EXPECT_EQ(r.status, cli::exitNoResult);
    EXPECT_NE(r.out.find("tcnt_preload                error: Invalid floating point operation."), std::string::npos)
        << r.out;
}

TEST(Cli, HelpOfEverySubcommandHasExamplesAndStatusZero) {
    for (const std::vector<std::string>& args : {std::vector<std::string>{"--help"}, {"solve", "--help"},
                                                {"figures", "--help"}, {"diagram", "--help"},
                                                {"--help-all"}}) {
        const Outcome r = run(args);
        EXPECT_EQ(r.status, cli::exitOk);
        EXPECT_NE(r.out.find("Examples:"), std::string::npos) << args.front();
    }
}

// Every result's exact value is its decimal value, and the fields scripts
// rely on are there.
TEST(Cli, JsonReadsBackToTheSameFigures) {
    const Outcome r = run({"solve", "--clock", "11,0592 MHz", "--interval", "1.5ms", "--json", "--limit", "20"});
    ASSERT_EQ(r.status, cli::exitOk) << r.err;
    const nlohmann::json json = nlohmann::json::parse(r.out);
    EXPECT_EQ(json["query"]["clock_hz"]["exact"], "11059200/1");
    EXPECT_EQ(json["query"]["target"]["exact"], "3/2000");
    ASSERT_EQ(json["results"].size(), 20u);
    double previous = 0;
    for (const auto& result : json["results"]) {
        for (const char* key : {"timer", "mode", "prescaler", "registers", "count", "achieved", "error_ppm",
                                "drift_s_per_day", "below", "above", "warnings", "exact_hit"})
            EXPECT_TRUE(result.contains(key)) << key;
        const mpq_class exact(result["achieved"]["exact"].get<std::string>());
        // The value is the exact one to 15 significant digits.
        EXPECT_NEAR(std::stod(result["achieved"]["value"].get<std::string>()), exact.get_d(), exact.get_d() * 1e-14);
        const mpq_class error = (exact - mpq_class(3, 2000)) / mpq_class(3, 2000) * 1000000;
        // A late reload's estimate: its latency only lengthens the period.
        if (result["error_estimated"].get<bool>())
            EXPECT_GT(result["error_ppm"].get<double>(), error.get_d());
        else
            EXPECT_DOUBLE_EQ(result["error_ppm"].get<double>(), error.get_d());
        // Ranked by the error shown.
        EXPECT_GE(std::abs(result["error_ppm"].get<double>()) + 1e-9, previous);
        previous = std::abs(result["error_ppm"].get<double>());
    }
}

// The best row, as the JSON gives it.
struct BestRow {
    const char* name;
    std::vector<std::string> args;
    int timer;
    const char* mode;
    int prescaler;
    const char* clock;
    const char* reg;
    int value;
    std::uint32_t count;
    const char* topRegister;
    const char* warnings;  // as the JSON lists them
};

void PrintTo(const BestRow& row, std::ostream* out) { *out << row.name; }

const BestRow bestRows[] = {
    {"OneSecondInOneCompareMatch", {"--clock", "16MHz", "--interval", "1s"}, 1, "ctc", 256, "cpu", "OCR1A", 62499, 1,
     "OCR1A", R"([])"},
    {"ServoPwm", {"--clock", "16MHz", "--pwm-frequency", "50Hz"}, 1, "fast-pwm", 8, "cpu", "OCR1A", 39999, 1, "OCR1A",
     R"(["no-zero-duty"])"},
    {"IcrAsTop", {"--clock", "16MHz", "--pwm-frequency", "50Hz", "--top", "icr"}, 1, "fast-pwm", 8, "cpu", "ICR1",
     39999, 1, "ICR1", R"(["no-zero-duty","input-capture-lost"])"},
    {"TinyOnItsPll", {"--mcu", "attiny85", "--clock", "8MHz", "--timer1-clock", "64MHz", "--interval", "1ms"}, 1,
     "ctc", 256, "pll", "OCR1C", 249, 1, "OCR1C", R"(["pll-clock"])"},
    // Its PWM holds a compare of 0 low: 0 % is there without inverting.
    {"TinyPwmOnItsPll", {"--mcu", "attiny85", "--clock", "8MHz", "--timer1-clock", "64MHz", "--pwm-frequency", "250kHz"},
     1, "fast-pwm", 1, "pll", "OCR1C", 255, 1, "OCR1C", R"(["pll-clock"])"},
};

class CliBestRow : public testing::TestWithParam<BestRow> {};

TEST_P(CliBestRow, IsExactWithItsRegister) {
    const BestRow& want = GetParam();
    std::vector<std::string> args{"solve", "--json", "--limit", "1"};
    args.insert(args.end(), want.args.begin(), want.args.end());
    const Outcome r = run(args);
    ASSERT_EQ(r.status, cli::exitOk) << r.err;
    const nlohmann::json best = nlohmann::json::parse(r.out)["results"].at(0);
    EXPECT_EQ(best["timer"], want.timer);
    EXPECT_EQ(best["mode"], want.mode);
    EXPECT_EQ(best["prescaler"], want.prescaler);
    EXPECT_EQ(best["clock"], want.clock);
    EXPECT_EQ(best["registers"], nlohmann::json({{want.reg, want.value}}));
    EXPECT_EQ(best["count"], want.count);
    EXPECT_EQ(best["top"], want.value);
    EXPECT_EQ(best["top_register"], want.topRegister);
    EXPECT_EQ(best["exact_hit"], true);
    EXPECT_EQ(best["warnings"].dump(), want.warnings);
}

INSTANTIATE_TEST_SUITE_P(Rows, CliBestRow, testing::ValuesIn(bestRows),
                         [](const auto& info) { return std::string(info.param.name); });

// A note's letter stands in the row and is explained under the table.
TEST(Cli, NotesOfTheNewWarningsHaveLettersAndLegends) {
    const struct {
        std::vector<std::string> args;
        const char* legend;
    } rows[] = {
        {{"--clock", "16MHz", "--interval", "1s", "--top", "icr"}, "\nC: ICRn holds TOP"},
        {{"--mcu", "attiny85", "--clock", "8MHz", "--timer1-clock", "64MHz", "--interval", "1ms"}, "\nP: the PLL clock"},
    };
    for (const auto& row : rows) {
        std::vector<std::string> args{"solve", "--limit", "1"};
        args.insert(args.end(), row.args.begin(), row.args.end());
        const Outcome r = run(args);
        ASSERT_EQ(r.status, cli::exitOk) << r.err;
        const std::size_t first = r.out.find("\n1  ");
        ASSERT_NE(first, std::string::npos) << r.out;
        EXPECT_EQ(r.out.at(r.out.find('\n', first + 1) - 1), row.legend[1]) << r.out;
        EXPECT_NE(r.out.find(row.legend), std::string::npos) << r.out;
    }
}

// What the text of solve and code says of a row, or of the query.
struct Said {
    const char* name;
    std::vector<std::string> args;
    const char* says;
};

void PrintTo(const Said& row, std::ostream* out) { *out << row.name; }

const Said saidRows[] = {
    // A late reload's figures are the estimate with its latency, as --max-error weighs them.
    // 160 ticks at /1, of which the reload loses 2.
    {"LateReloadIsAnEstimate",
     {"solve", "--clock", "16MHz", "--interval", "10us", "--mode", "normal", "--timer", "0", "--limit", "4"},
     "4  Timer0  NORMAL  1          TCNT0 preload 96  1      10 us      ~+12500      ~-1066.67"},
    {"CodeCommentGivesTheEstimate",
     {"code", "--clock", "16MHz", "--interval", "10us", "--mode", "normal", "--timer", "0", "--pick", "4"},
     "Achieved 10 us: error ~+12500 ppm"},
    // in, in, subi, sbci, out, out: the ATmega8's TCNT1 is in the I/O space.
    {"ReloadLosesTheTimersOwnGap",
     {"code", "--mcu", "atmega8", "--clock", "16MHz", "--interval", "10us", "--mode", "normal", "--timer", "1"},
     "(about 19 CPU cycles) stay counted. At prescaler 1 the 5 CPU cycles"},
    // An estimate of 0 ranks after an exact 0.
    {"ExactBeforeAnEstimate", {"solve", "--clock", "16MHz", "--interval", "100us", "--mode", "normal", "--limit", "1"},
     "1  Timer2  NORMAL  32         TCNT2 preload 206  1      100 us    exact"},
    {"TwinsShownOnce", {"solve", "--clock", "16MHz", "--interval", "1ms", "--limit", "5"},
     "\n5  Timer0, Timer1, Timer2  CTC   64         OCR0A=249"},
    {"PwmStepsAndEachTwinsOutput", {"solve", "--clock", "16MHz", "--pwm-frequency", "62.5kHz", "--limit", "2"},
     "TOP=OCR0A 128  OC0B (PD5), OC1B (PB2), OC2B (PD3)  128    62.5 kHz"},
    {"WaveBelowTheTimersReach", {"solve", "--clock", "16MHz", "--frequency", "1Hz", "--timer", "0", "--limit", "1"},
     "\nTimer0 reaches 30.5175781 Hz to 8 MHz for a square wave with the clock at 16 MHz, not 1 Hz: toggle the pin in an interrupt "
     "every 500 ms, counted in software (solve --interval 500ms), or take Timer1, which reaches 0.11920929 Hz "
     "(--timer 1).\n"},
    {"PwmBelowEveryTimersReach", {"solve", "--mcu", "attiny85", "--clock", "8MHz", "--pwm-frequency", "1Hz"},
     "The timers of the ATtiny85 reach 1.90734863 Hz to 4 MHz for a PWM with the clock at 8 MHz, not 1 Hz: switch the pin in 1 % "
     "steps in an interrupt every 10 ms, counted in software (solve --interval 10ms).\n"},
};

class CliSays : public testing::TestWithParam<Said> {};

TEST_P(CliSays, ItsLine) {
    const Outcome r = run(GetParam().args);
    ASSERT_EQ(r.status, cli::exitOk) << r.err;
    EXPECT_NE(r.out.find(GetParam().says), std::string::npos) << r.out;
}

INSTANTIATE_TEST_SUITE_P(Rows, CliSays, testing::ValuesIn(saidRows),
                         [](const auto& info) { return std::string(info.param.name); });

// --limit counts rows as shown: twins once, with every timer in `timers`.
TEST(Cli, JsonNamesEveryTwinOfARow) {
    const Outcome r = run({"solve", "--clock", "16MHz", "--interval", "1ms", "--json", "--limit", "5"});
    ASSERT_EQ(r.status, cli::exitOk) << r.err;
    const nlohmann::json results = nlohmann::json::parse(r.out)["results"];
    ASSERT_EQ(results.size(), 5u);
    EXPECT_EQ(results[0]["timers"], nlohmann::json({1}));
    EXPECT_EQ(results[4]["timer"], 0);
    EXPECT_EQ(results[4]["timers"], nlohmann::json({0, 1, 2}));
}

// A terminal narrower than the table loses the drift, below and above
// columns and has its notes wrapped; --wide keeps them.
TEST(Cli, TableFitsTheWidth) {
    const struct {
        bool wide;
        bool fits;
    } rows[] = {{false, true}, {true, false}};
    for (const auto& row : rows) {
        cli::SolveOptions o;
        o.clock = {"16MHz", 16000000};
        o.interval = cli::Given<mpq_class>{"1s", 1};
        o.top = cli::Given<avr::Top>{"icr", avr::Top::Icr};
        o.width = 80;
        o.wide = row.wide;
        std::ostringstream out, err;
        ASSERT_EQ(cli::runSolve(o, out, err), cli::exitOk) << err.str();
        std::istringstream lines(out.str());
        std::size_t widest = 0;
        for (std::string line; std::getline(lines, line);)
            widest = std::max(widest, line.size());
        EXPECT_EQ(widest <= 80, row.fits) << out.str();
        EXPECT_EQ(out.str().find("drift [s/day]") == std::string::npos, row.fits) << out.str();
    }
}

// Among exact rows the finest tick comes first, OCR1A before ICR1 as TOP.
TEST(Cli, SolveRanksTheFinestExactTickFirst) {
    const Outcome r = run({"solve", "--clock", "16MHz", "--interval", "1ms", "--json"});
    ASSERT_EQ(r.status, cli::exitOk) << r.err;
    const nlohmann::json results = nlohmann::json::parse(r.out)["results"];
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(results[i]["timer"], 1);
        EXPECT_EQ(results[i]["mode"], "ctc");
        EXPECT_EQ(results[i]["prescaler"], 1);
        EXPECT_EQ(results[i]["registers"][i == 0 ? "OCR1A" : "ICR1"], 15999);
        EXPECT_EQ(results[i]["exact_hit"], true);
    }
}

// What an XML parser would refuse in the little XML the SVG writer makes:
// tags out of balance, an attribute without its quoted value, a bare & or <.
bool entityAt(std::string_view text, std::size_t i) {
    for (std::string_view entity : {"&amp;", "&lt;", "&gt;", "&quot;", "&apos;"})
        if (text.substr(i, entity.size()) == entity)
            return true;
    return false;
}

bool plainText(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] == '<' || text[i] == '>' || text[i] == '"' || (text[i] == '&' && !entityAt(text, i)))
            return false;
    return true;
}

bool attributeList(std::string_view text) {
    const auto nameChar = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == ':'; };
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t name = text.find_first_not_of(" \n", i);
        if (name == std::string_view::npos)
            return true;
        if (name == i || !std::isalpha(static_cast<unsigned char>(text[name])))
            return false;
        std::size_t eq = name;
        while (eq < text.size() && nameChar(text[eq]))
            ++eq;
        if (text.substr(eq, 2) != "=\"")
            return false;
        const std::size_t close = text.find('"', eq + 2);
        if (close == std::string_view::npos || !plainText(text.substr(eq + 2, close - eq - 2)))
            return false;
        i = close + 1;
    }
    return true;
}

std::string xmlFault(const std::string& xml) {
    const std::string declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    if (!xml.starts_with(declaration))
        return "no XML declaration";
    std::vector<std::string> open;
    int roots = 0;
    for (std::size_t at = declaration.size(); at < xml.size();) {
        const std::size_t tag = xml.find('<', at);
        const std::string_view between = std::string_view(xml).substr(at, tag - at);
        if (!plainText(between) || (open.empty() && between.find_first_not_of(" \n") != std::string::npos))
            return "text out of place: " + std::string(between);
        if (tag == std::string::npos)
            break;
        const std::size_t end = xml.find('>', tag);
        if (end == std::string::npos)
            return "a tag not closed";
        std::string inside = xml.substr(tag + 1, end - tag - 1);
        at = end + 1;
        if (inside.starts_with('/')) {
            if (open.empty() || open.back() != inside.substr(1))
                return "</" + inside.substr(1) + "> out of turn";
            open.pop_back();
            continue;
        }
        const bool empty = inside.ends_with('/');
        if (empty)
            inside.pop_back();
        const std::size_t nameEnd = std::min(inside.find_first_of(" \n"), inside.size());
        if (!attributeList(std::string_view(inside).substr(nameEnd)))
            return "attributes of <" + inside + ">";
        if (open.empty() && ++roots > 1)
            return "a second root";
        if (!empty)
            open.push_back(inside.substr(0, nameEnd));
    }
    return open.empty() ? "" : "<" + open.back() + "> not closed";
}

struct Diagram {
    const char* name;
    std::vector<std::string> query;    // as solve takes it
    std::vector<std::string> options;  // diagram's own
    std::vector<const char*> labels;   // texts of the SVG, from their start
    bool betweenCycles;                // some times fall between CPU cycles
};

void PrintTo(const Diagram& row, std::ostream* out) { *out << row.name; }

const Diagram diagrams[] = {
    {"Interrupt", {"--clock", "16MHz", "--interval", "1ms"}, {}, {"TIMER1_COMPA_vect", "TOP = OCR1A = 15999", "TCNT1",
     "time [ms]", "ATmega328P at 16 MHz: Timer1, CTC, prescaler 1, OCR1A=15999"}, false},
    {"Pwm", {"--clock", "16MHz", "--pwm-frequency", "50Hz", "--top", "icr"}, {"--duty", "30"},
     {"OC1A (PB1)", "TOP = ICR1 = 39999", "OCR1A = 11999"}, false},
    {"Preload", {"--clock", "16MHz", "--interval", "100us", "--mode", "normal"}, {"--periods", "5"},
     {"TIMER2_OVF_vect", "MAX = 255", "TCNT2 preload = 206", "time [us]"}, false},
    {"Crystal", {"--clock", "8MHz", "--timer2-clock", "32768", "--interval", "10ms", "--timer", "2"}, {},
     {"ATmega328P at 8 MHz: Timer2 on a 32.768 kHz crystal, CTC, prescaler 8, OCR2A=40"}, true},
};

class CliDiagram : public testing::TestWithParam<Diagram> {};

TEST_P(CliDiagram, SvgIsWellFormedAndJsonIsSolvesRowInTime) {
    const Diagram& d = GetParam();
    std::vector<std::string> args{"diagram"};
    args.insert(args.end(), d.query.begin(), d.query.end());
    args.insert(args.end(), d.options.begin(), d.options.end());
    std::vector<std::string> svgArgs = args;
    svgArgs.insert(svgArgs.end(), {"--svg", "-"});
    const Outcome svg = run(svgArgs);
    ASSERT_EQ(svg.status, cli::exitOk) << svg.err;
    EXPECT_EQ(xmlFault(svg.out), "");
    for (const char* label : d.labels)
        EXPECT_NE(svg.out.find(std::string(">") + label), std::string::npos) << label;
    for (const char* wrong : {"NaN", "nan", "inf", "width=\"-", "height=\"-", " r=\"-"})
        EXPECT_EQ(svg.out.find(wrong), std::string::npos) << wrong;

    args.push_back("--json");
    const Outcome json = run(args);
    ASSERT_EQ(json.status, cli::exitOk) << json.err;
    std::vector<std::string> solveArgs{"solve", "--json", "--limit", "1"};
    solveArgs.insert(solveArgs.end(), d.query.begin(), d.query.end());
    const nlohmann::json timeline = nlohmann::json::parse(json.out);
    EXPECT_EQ(timeline["result"], nlohmann::json::parse(run(solveArgs).out)["results"][0]);
    EXPECT_EQ(timeline["counter"].back()["t"], timeline["end"]);
    std::vector<nlohmann::json> times{timeline["end"]};
    for (const auto& vertex : timeline["counter"])
        times.push_back(vertex["t"]);
    for (const auto& raise : timeline["interrupts"])
        times.push_back(raise["t"]);
    for (const auto& [pin, levels] : timeline["outputs"].items())
        for (const auto& level : levels)
            times.push_back(level["t"]);
    const mpq_class clock(timeline["query"]["clock_hz"]["exact"].get<std::string>());
    bool between = false;
    for (const nlohmann::json& t : times) {
        const mpq_class cycle = mpq_class(t["s"]["exact"].get<std::string>()) * clock;
        between = between || t["cycle"].is_null();
        if (t["cycle"].is_null())
            EXPECT_NE(cycle.get_den(), 1) << t;
        else
            EXPECT_EQ(cycle, t["cycle"].get<long>()) << t;
    }
    EXPECT_EQ(between, d.betweenCycles);
}

INSTANTIATE_TEST_SUITE_P(Rows, CliDiagram, testing::ValuesIn(diagrams),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
