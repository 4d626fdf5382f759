// The setup code's register values read back by explain: the same timer,
// mode, TOP, prescaler, clock and figures as the row they were made for,
// on every chip, timer and mode. What the code does on the chip is proven
// by the simulation (tests/firmware/).
#include "solver/explain.h"
#include "solver/search.h"
#include "solver/setupcode.h"
#include "solver/waveform.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>

namespace {

using avr::Mode;
using avr::Top;
using solver::Goal;
using solver::TimerClock;

struct Want {
    Goal goal;
    mpq_class target;
    Mode mode;
    std::optional<Top> top;  // any when empty
    TimerClock clock;
};

constexpr std::optional<Top> anyTop;

// At 16 MHz: interrupts by CTC, overflow, preload and count, a crystal, the
// PLL; square waves; every kind of TOP of every PWM mode.
const Want wants[] = {
    {Goal::Interval, mpq_class(1, 1000), Mode::Ctc, anyTop, TimerClock::Cpu},
    {Goal::Interval, mpq_class(128, 125000), Mode::Normal, anyTop, TimerClock::Cpu},
    {Goal::Interval, mpq_class(1, 10000), Mode::Normal, anyTop, TimerClock::Cpu},
    {Goal::Interval, 1, Mode::Ctc, anyTop, TimerClock::Cpu},
    {Goal::Interval, 1, Mode::Ctc, Top::Icr, TimerClock::Cpu},
    {Goal::Interval, 1, Mode::Ctc, anyTop, TimerClock::Crystal},
    {Goal::Interval, mpq_class(1, 1000), Mode::Ctc, anyTop, TimerClock::Pll},
    {Goal::Frequency, 38000, Mode::Ctc, anyTop, TimerClock::Cpu},
    {Goal::Frequency, 1000, Mode::Ctc, Top::Icr, TimerClock::Cpu},
    {Goal::Frequency, mpq_class(16000000, 4096), Mode::Normal, anyTop, TimerClock::Cpu},
    {Goal::PwmFrequency, mpq_class(16000000, 16384), Mode::FastPwm, Top::Fixed, TimerClock::Cpu},
    {Goal::PwmFrequency, mpq_class(16000000, 512 * 8), Mode::FastPwm, Top::Fixed, TimerClock::Cpu},
    {Goal::PwmFrequency, mpq_class(16000000, 1024), Mode::FastPwm, Top::Fixed, TimerClock::Cpu},
    {Goal::PwmFrequency, 20000, Mode::FastPwm, Top::Ocr, TimerClock::Cpu},
    {Goal::PwmFrequency, 50, Mode::FastPwm, Top::Icr, TimerClock::Cpu},
    {Goal::PwmFrequency, 40000, Mode::FastPwm, anyTop, TimerClock::Pll},
    {Goal::PwmFrequency, 490, Mode::PhasePwm, Top::Fixed, TimerClock::Cpu},
    {Goal::PwmFrequency, mpq_class(16000000, 1022 * 8), Mode::PhasePwm, Top::Fixed, TimerClock::Cpu},
    {Goal::PwmFrequency, mpq_class(16000000, 2046), Mode::PhasePwm, Top::Fixed, TimerClock::Cpu},
    {Goal::PwmFrequency, 20000, Mode::PhasePwm, Top::Ocr, TimerClock::Cpu},
    {Goal::PwmFrequency, 20000, Mode::PhasePwm, Top::Icr, TimerClock::Cpu},
    {Goal::PwmFrequency, 50, Mode::PhaseFrequencyPwm, Top::Ocr, TimerClock::Cpu},
    {Goal::PwmFrequency, 50, Mode::PhaseFrequencyPwm, Top::Icr, TimerClock::Cpu},
};

std::vector<solver::RegisterValue> valuesOf(const solver::Setup& setup) {
    std::map<std::string, int> values;
    for (const solver::SetupStep& step : setup.steps)
        if (step.kind == solver::SetupStep::Kind::Assign)
            values[std::string(step.reg)] = step.value();
        else if (step.kind == solver::SetupStep::Kind::Merge)
            values[std::string(step.reg)] |= step.value();
    std::vector<solver::RegisterValue> list;
    for (const auto& [name, value] : values)
        list.push_back({name, value});
    return list;
}

void expectReadBack(const solver::Query& query, const solver::Row& row) {
    const solver::Setup setup = solver::setupOf(query, row, 30);
    const auto explained = solver::explain(*query.chip, valuesOf(setup), {query.clockHz, query.crystalHz, query.pllHz});
    ASSERT_EQ(explained.size(), 1u);
    const solver::Explained& e = explained.front();
    const solver::Setting& s = row.setting;
    EXPECT_EQ(e.timer, s.timer);
    EXPECT_EQ(e.mode.mode, s.mode());
    EXPECT_EQ(e.mode.top, s.top());
    EXPECT_EQ(e.clock, solver::ClockSource::Prescaled);
    EXPECT_EQ(e.prescaler, s.prescaler);
    EXPECT_EQ(e.counts, s.clock);
    if (query.goal == Goal::Interval) {
        ASSERT_EQ(e.interrupts.size(), 1u);
        ASSERT_TRUE(e.interrupts.front().periodSeconds);
        // A preload's first period is counted from TCNTn; the register does
        // not hold the reload, so compare the ticks a reloaded period has.
        const mpq_class period = s.role == solver::RegisterRole::Preload
                                     ? mpq_class(solver::preloadedTicks(*s.timer, s.registerValue) * s.prescaler /
                                                 *e.countedHz)
                                     : *e.interrupts.front().periodSeconds;
        EXPECT_EQ(period * s.count, row.achieved);
        return;
    }
    const solver::OutputExplained& out = e.outputs.at(static_cast<std::size_t>(s.output - s.timer->compareUnits.data()));
    ASSERT_TRUE(out.frequencyHz);
    EXPECT_EQ(*out.frequencyHz, row.achieved);
    EXPECT_EQ(out.duty, setup.duty);
}

TEST(SetupReadBack, ExplainGivesBackWhatCodeWrites) {
    int checked = 0;
    for (const avr::Chip& chip : avr::chips())
        for (const avr::Timer& timer : chip.timers)
            for (const Want& want : wants) {
                solver::Query query;
                query.chip = &chip;
                query.clockHz = 16000000;
                query.goal = want.goal;
                query.target = want.target;
                query.timer = timer.number;
                query.mode = want.mode;
                query.top = want.top;
                if ((want.clock == TimerClock::Crystal && !timer.countsCrystal()) ||
                    (want.clock == TimerClock::Pll && !timer.pll))
                    continue;
                if (want.clock == TimerClock::Crystal)
                    query.crystalHz = 32768;
                if (want.clock == TimerClock::Pll)
                    query.pllHz = 64000000;
                try {
                    const solver::Ranking ranking = solver::solve(query);
                    SCOPED_TRACE(std::string(chip.name) + " Timer" + std::to_string(timer.number) + " mode " +
                                 std::to_string(static_cast<int>(want.mode)) + " top " +
                                 std::to_string(static_cast<int>(want.top.value_or(Top::Fixed))));
                    expectReadBack(query, ranking.row(0));
                    ++checked;
                } catch (const solver::QueryError& error) {
                    EXPECT_EQ(error.problem(), solver::Problem::NoSetting);  // the timer lacks the mode
                }
            }
    EXPECT_GT(checked, 400);  // the 8-bit timers alone give about half
}

// The steps as "REG=value", "REG|=value", "until REG&mask", "wait cycles",
// then the interrupt's vector.
std::string stepsText(const solver::Setup& setup) {
    using Kind = solver::SetupStep::Kind;
    std::string text;
    for (const solver::SetupStep& step : setup.steps) {
        const std::string reg(step.reg), value = std::to_string(step.value());
        switch (step.kind) {
        case Kind::Assign: text += reg + "=" + value; break;
        case Kind::Merge: text += reg + "|=" + value; break;
        case Kind::WaitWhile: text += "while " + reg + "&" + value; break;
        case Kind::WaitUntil: text += "until " + reg + "&" + value; break;
        case Kind::Delay: text += "wait " + value; break;
        }
        text += "; ";
    }
    return text + std::string(setup.vector);
}

struct Steps {
    const char* chip;
    mpq_class clockHz;
    Goal goal;
    mpq_class target;
    int timer;
    Mode mode;
    std::optional<Top> top;
    std::optional<mpq_class> pllHz;
    int dutyPercent;
    bool arduino;
    const char* steps;
};

// The order the chip and both simulators need: a 16-bit timer's OCRnx while
// still NORMAL, ICRn once WGM selects it and the clock is stopped; ICRn as
// TOP raises the capture flag, the ATtiny85's OCR1C none; its PLL locked
// before Timer1 counts it, and its PWM reaches 0 % non-inverted. Under
// Arduino a 16-bit timer is stopped in NORMAL mode first.
const Steps stepRows[] = {
    {"atmega328p", 16000000, Goal::Interval, mpq_class(1, 1000), 0, Mode::Ctc, anyTop, {}, 30, false,
     "OCR0A=249; TCCR0A=2; TIMSK0|=2; TCCR0B=3; TIMER0_COMPA_vect"},
    {"atmega328p", 16000000, Goal::Interval, 1, 1, Mode::Ctc, anyTop, {}, 30, false,
     "OCR1A=62499; TCCR1A=0; TIMSK1|=2; TCCR1B=12; TIMER1_COMPA_vect"},
    {"atmega328p", 16000000, Goal::Interval, 1, 1, Mode::Ctc, Top::Icr, {}, 30, false,
     "TCCR1A=0; TCCR1B=24; ICR1=62499; TIMSK1|=32; TCCR1B=28; TIMER1_CAPT_vect"},
    {"atmega328p", 16000000, Goal::PwmFrequency, 50, 1, Mode::FastPwm, Top::Icr, {}, 30, false,
     "DDRB|=2; OCR1A=11999; TCCR1A=130; TCCR1B=24; ICR1=39999; TCCR1B=26; "},
    {"atmega328p", 16000000, Goal::Frequency, 1000, 1, Mode::Ctc, Top::Icr, {}, 30, false,
     "DDRB|=2; OCR1A=7999; TCCR1A=64; TCCR1B=24; ICR1=7999; TCCR1B=25; "},
    {"atmega328p", 16000000, Goal::Interval, 1, 1, Mode::Ctc, anyTop, {}, 30, true,
     "TCCR1B=0; TCCR1A=0; TCNT1=0; OCR1A=62499; TCCR1A=0; TIMSK1|=2; TCCR1B=12; TIMER1_COMPA_vect"},
    {"atmega2560", 16000000, Goal::PwmFrequency, 50, 3, Mode::PhaseFrequencyPwm, Top::Ocr, {}, 30, false,
     "DDRE|=16; OCR3A=20000; OCR3B=6000; TCCR3A=33; TCCR3B=18; "},
    {"attiny85", 8000000, Goal::Interval, mpq_class(1, 1000), 1, Mode::Ctc, anyTop, {}, 30, false,
     "OCR1C=249; OCR1A=249; GTCCR=0; TIMSK|=64; TCCR1=134; TIMER1_COMPA_vect"},
    {"attiny85", 8000000, Goal::PwmFrequency, 250000, 1, Mode::FastPwm, anyTop, 64000000, 30, false,
     "PLLCSR=2; wait 800; until PLLCSR&1; PLLCSR|=4; DDRB|=2; OCR1C=255; OCR1A=76; GTCCR=64; TCCR1=97; "},
    {"attiny85", 8000000, Goal::PwmFrequency, 125000, 1, Mode::FastPwm, anyTop, 32000000, 0, false,
     "PLLCSR=130; wait 800; until PLLCSR&1; PLLCSR|=4; DDRB|=2; OCR1C=255; OCR1A=0; GTCCR=64; TCCR1=97; "},
    // 1 % of 100 ticks: held low at 0, the nearest is two ticks, OCR1A 1.
    {"attiny85", 8000000, Goal::PwmFrequency, 80000, 1, Mode::FastPwm, anyTop, {}, 1, false,
     "DDRB|=2; OCR1C=99; OCR1A=1; GTCCR=64; TCCR1=97; "},
};

TEST(SetupSteps, WriteInTheOrderTheTimerNeeds) {
    for (const Steps& row : stepRows) {
        solver::Query query;
        query.chip = avr::findChip(row.chip);
        query.clockHz = row.clockHz;
        query.goal = row.goal;
        query.target = row.target;
        query.timer = row.timer;
        query.mode = row.mode;
        query.top = row.top;
        query.pllHz = row.pllHz;
        const solver::Setup setup = solver::setupOf(query, solver::solve(query).row(0), row.dutyPercent, row.arduino);
        EXPECT_EQ(stepsText(setup), row.steps) << row.chip << " Timer" << row.timer;
    }
}

struct Commented {
    const char* chip;
    mpq_class clockHz;
    Goal goal;
    mpq_class target;
    int timer;
    Mode mode;
    std::optional<Top> top;
    std::optional<mpq_class> crystalHz;
    int dutyPercent;
    bool arduino;
    const char* says;    // in the comment, its lines joined
    const char* absent;  // nowhere in it; empty for nothing
};

// What the comment tells of the row: the duty it gives and how far from
// the one asked, why a crystal's reload loses ticks, and what of the
// Arduino core would undo the setup.
const Commented commentedRows[] = {
    {"atmega328p", 16000000, Goal::PwmFrequency, 8000000, 0, Mode::PhasePwm, Top::Ocr, {}, 30, false,
     "Warning: the duty is 0 %, a flat line, not the 30 % asked: with TOP 1 Phase Correct PWM sets it in steps of "
     "100 %", "Duty 0 %, exactly"},
    {"atmega328p", 16000000, Goal::PwmFrequency, 62500, 2, Mode::FastPwm, Top::Fixed, {}, 30, false,
     "Duty 30.0781 %, the nearest to the 30 % asked.", "Warning"},
    {"atmega328p", 16000000, Goal::PwmFrequency, 20000, 1, Mode::FastPwm, Top::Ocr, {}, 50, false,
     "Duty 50 %, exactly.", "Warning"},
    {"atmega328p", 8000000, Goal::Interval, mpq_class(100, 32768), 2, Mode::Normal, anyTop, 32768, 30, false,
     "At prescaler 1 the write reaches TCNT2 only 2 crystal cycles after it", "CPU cycles between"},
    {"atmega328p", 16000000, Goal::PwmFrequency, 20000, 2, Mode::FastPwm, Top::Ocr, {}, 30, true,
     "analogWrite() on pins 3 and 11 of the Uno sets it up for its own PWM: call neither with this setup. "
     "analogWrite(11) rewrites OCR2A, which is TOP here.", ""},
    {"atmega328p", 16000000, Goal::Interval, mpq_class(1, 1000), 0, Mode::Ctc, anyTop, {}, 30, true,
     "Nor call analogWrite() on pins 5 and 6 of the Uno, which drives them from Timer0. analogWrite(6) rewrites "
     "OCR0A, which is TOP here.", ""},
    {"atmega2560", 16000000, Goal::Interval, 1, 1, Mode::Ctc, Top::Icr, {}, 30, true,
     "nor analogWrite() on pins 11 and 12 of the Mega, with this setup.", "rewrites"},
};

TEST(SetupCode, CommentSaysWhatTheRowGives) {
    for (const Commented& row : commentedRows) {
        solver::Query query;
        query.chip = avr::findChip(row.chip);
        query.clockHz = row.clockHz;
        query.goal = row.goal;
        query.target = row.target;
        query.timer = row.timer;
        query.mode = row.mode;
        query.top = row.top;
        query.crystalHz = row.crystalHz;
        solver::CodeStyle style;
        style.arduino = row.arduino;
        style.dutyPercent = row.dutyPercent;
        const std::string code = solver::setupCode(query, solver::solve(query).row(0), style);
        std::string comment = code.substr(0, code.find(" */"));
        for (std::size_t at = comment.find("\n * "); at != std::string::npos; at = comment.find("\n * ", at))
            comment.replace(at, 4, " ");
        EXPECT_NE(comment.find(row.says), std::string::npos) << row.says << "\nin\n" << comment;
        if (*row.absent != '\0') {
            EXPECT_EQ(comment.find(row.absent), std::string::npos) << row.absent << "\nin\n" << comment;
        }
    }
}

}  // namespace
