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
#include <string>

namespace {

using avr::Mode;
using solver::Goal;

struct Want {
    Goal goal;
    mpq_class target;
    Mode mode;
    bool crystal;
};

// At 16 MHz: interrupts by CTC, overflow, preload and count, a crystal;
// square waves; both TOP choices of both PWM modes.
const Want wants[] = {
    {Goal::Interval, mpq_class(1, 1000), Mode::Ctc, false},  {Goal::Interval, mpq_class(128, 125000), Mode::Normal, false},
    {Goal::Interval, mpq_class(1, 10000), Mode::Normal, false}, {Goal::Interval, 1, Mode::Ctc, false},
    {Goal::Interval, 1, Mode::Ctc, true},                    {Goal::Frequency, 38000, Mode::Ctc, false},
    {Goal::Frequency, mpq_class(16000000, 4096), Mode::Normal, false},
    {Goal::PwmFrequency, mpq_class(16000000, 16384), Mode::FastPwm, false},
    {Goal::PwmFrequency, 20000, Mode::FastPwm, false},       {Goal::PwmFrequency, 490, Mode::PhasePwm, false},
    {Goal::PwmFrequency, 20000, Mode::PhasePwm, false},
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
    const solver::Setup setup = solver::setupOf(row, 30);
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
                if (want.crystal && !timer.countsCrystal())
                    continue;
                if (want.crystal)
                    query.crystalHz = 32768;
                try {
                    const solver::Ranking ranking = solver::solve(query);
                    SCOPED_TRACE(std::string(chip.name) + " Timer" + std::to_string(timer.number) + " mode " +
                                 std::to_string(static_cast<int>(want.mode)));
                    expectReadBack(query, ranking.row(0));
                    ++checked;
                } catch (const solver::QueryError& error) {
                    EXPECT_EQ(error.problem(), solver::Problem::NoSetting);  // the timer lacks the mode
                }
            }
    EXPECT_GT(checked, 150);
}

}  // namespace
