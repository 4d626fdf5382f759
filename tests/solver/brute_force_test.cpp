// The search against an independent brute force: every register value of
// both ATmega328P timers enumerated in exact rationals straight from the data
// sheet's formulas, ranked by the rules, compared row by row with solve().
#include "avr/timers.h"
#include "solver/search.h"

#include <gmpxx.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>
#include <string>
#include <tuple>
#include <vector>

namespace {

using solver::Goal;

// One family of the data sheet's tables: ticks(reg) per period.
struct Way {
    avr::Mode mode;
    int first, last;
    int (*ticks)(int);
    int modeOrder;  // reloads add one
    bool pwmTopIsRegister;
};

struct Expected {
    int timer;
    avr::Mode mode;
    int prescaler;
    int reg;
    unsigned long count;
    mpq_class achieved, rankError, period;
    int modeOrder, top;
    std::optional<mpq_class> below, above;
    Way way;
    mpq_class clk;
    mpq_class slowness;
};

struct Case {
    mpq_class clock;
    Goal goal;
    mpq_class target;
    std::optional<mpq_class> crystal;
};

std::string describe(const Case& c) {
    return "clock " + c.clock.get_str() + " Hz, goal " + std::to_string(static_cast<int>(c.goal)) + ", target " +
           c.target.get_str() + (c.crystal ? ", crystal " + c.crystal->get_str() : "");
}

std::vector<Way> waysFor(Goal goal) {
    switch (goal) {
    case Goal::Interval:
        return {{avr::Mode::Ctc, 0, 255, [](int ocr) { return ocr + 1; }, 0, false},
                {avr::Mode::Normal, 0, 255, [](int preload) { return 256 - preload; }, 1, false}};
    case Goal::Frequency:
        return {{avr::Mode::Ctc, 0, 255, [](int ocr) { return 2 * (ocr + 1); }, 0, false},
                {avr::Mode::Normal, 0, 0, [](int) { return 512; }, 1, false}};
    case Goal::PwmFrequency:
        return {{avr::Mode::FastPwm, -1, -1, [](int) { return 256; }, 3, false},
                {avr::Mode::FastPwm, 1, 254, [](int top) { return top + 1; }, 3, true},
                {avr::Mode::PhasePwm, -1, -1, [](int) { return 510; }, 4, false},
                {avr::Mode::PhasePwm, 1, 254, [](int top) { return 2 * top; }, 4, true}};
    }
    return {};
}

mpz_class floorOf(const mpq_class& x) {
    mpz_class r;
    mpz_fdiv_q(r.get_mpz_t(), x.get_num_mpz_t(), x.get_den_mpz_t());
    return r;
}

mpz_class ceilOf(const mpq_class& x) {
    mpz_class r;
    mpz_cdiv_q(r.get_mpz_t(), x.get_num_mpz_t(), x.get_den_mpz_t());
    return r;
}

std::vector<Expected> bruteForce(const Case& c) {
    const std::vector<std::pair<int, std::vector<int>>> timers{{0, {1, 8, 64, 256, 1024}},
                                                                {2, {1, 8, 32, 64, 128, 256, 1024}}};
    std::vector<Expected> all;
    for (const auto& [timer, prescalers] : timers) {
        const bool onCrystal = timer == 2 && c.crystal.has_value();
        const mpq_class clk = onCrystal ? *c.crystal : c.clock;
        // Cycles of clk from the overflow until a reload is written.
        const mpz_class delay = onCrystal ? mpz_class(ceilOf(19 * clk / c.clock) + 2) : mpz_class(19);
        for (const Way& way : waysFor(c.goal)) {
            for (int n : prescalers) {
                const mpq_class longest = mpq_class(n * std::max(way.ticks(way.first), way.ticks(way.last))) / clk;
                const bool counted = c.goal == Goal::Interval && longest < c.target;
                for (int reg = way.first; reg <= way.last; ++reg) {
                    const mpq_class period = mpq_class(n * way.ticks(reg)) / clk;
                    unsigned long count = 1;
                    if (counted) {
                        if (period * c.clock < 256)
                            continue;
                        const mpz_class nearest = floorOf(c.target / period + mpq_class(1, 2));  // halves up
                        if (nearest > 4294967295ul)
                            continue;
                        count = std::max(2ul, nearest.get_ui());
                    }
                    Expected e{timer, way.mode, n, reg, count, 0, 0, period, way.modeOrder, way.pwmTopIsRegister ? reg : 255, {}, {}, way, clk, 0};
                    e.achieved = c.goal == Goal::Interval ? mpq_class(period * count) : mpq_class(1 / period);
                    e.rankError = abs(mpq_class((e.achieved - c.target) / c.target));
                    const bool reloads = way.mode == avr::Mode::Normal && c.goal == Goal::Interval && reg != 0;
                    if (reloads)
                        ++e.modeOrder;
                    if (reloads && delay >= n)
                        e.rankError += mpq_class(delay * count) / (c.target * clk);
                    all.push_back(e);
                }
            }
        }
    }
    // Slower first: the longer period, for PWM the larger TOP.
    for (Expected& e : all)
        e.slowness = c.goal == Goal::PwmFrequency ? mpq_class(-e.top) : mpq_class(-e.period);
    std::ranges::sort(all, [](const Expected& a, const Expected& b) {
        const bool countedA = a.count > 1, countedB = b.count > 1;
        return std::tie(a.rankError, countedA, a.modeOrder, a.slowness, a.timer, a.prescaler, a.reg) <
               std::tie(b.rankError, countedB, b.modeOrder, b.slowness, b.timer, b.prescaler, b.reg);
    });
    return all;
}

// The values the row's timer, mode, prescaler and count reach nearest the
// target on either side, over every register value.
void addNeighbours(const Case& c, Expected& e) {
    for (int r = e.way.first; r <= e.way.last; ++r) {
        const mpq_class period = mpq_class(e.prescaler * e.way.ticks(r)) / e.clk;
        const mpq_class v = c.goal == Goal::Interval ? mpq_class(period * e.count) : mpq_class(1 / period);
        if (v < c.target && (!e.below || v > *e.below))
            e.below = v;
        if (v > c.target && (!e.above || v < *e.above))
            e.above = v;
    }
}

mpq_class decimal(std::mt19937& random, int digits, int lowExponent, int highExponent) {
    mpz_class m = 0;
    for (int i = 0; i < digits; ++i)
        m = m * 10 + std::uniform_int_distribution<int>(i == 0 ? 1 : 0, 9)(random);
    const int exponent = std::uniform_int_distribution<int>(lowExponent, highExponent)(random) - digits;
    mpz_class power;
    mpz_ui_pow_ui(power.get_mpz_t(), 10, static_cast<unsigned long>(std::abs(exponent)));
    return exponent < 0 ? mpq_class(m, power) : mpq_class(m * power);
}

std::vector<Case> sample() {
    const std::vector<mpq_class> clocks{3686400, 7372800, 11059200, 14745600, 18432000, 16000000, 1000000, 32768};
    std::mt19937 random(20261209);
    std::vector<Case> cases{
        {16000000, Goal::Interval, mpq_class(1, 1000), {}},
        {11059200, Goal::Interval, mpq_class(1, 1000), {}},
        {8000000, Goal::Interval, 1, mpq_class(32768)},
        // Digits beyond 64 bits take the search off its 128-bit path.
        {16000000, Goal::Interval, mpq_class("12345678901234567890123/10000000000000000000000000"), {}},
    };
    for (const mpq_class& clock : clocks) {
        cases.push_back({clock, Goal::Interval, decimal(random, 3, -4, 1), {}});
        cases.push_back({clock, Goal::Frequency, decimal(random, 3, 1, 4), {}});
        cases.push_back({clock, Goal::PwmFrequency, decimal(random, 2, 1, 4), {}});
        if (clock > 4 * 32768)
            cases.push_back({clock, Goal::Interval, decimal(random, 2, -2, 1), mpq_class(32768)});
    }
    return cases;
}

TEST(BruteForce, RankingMatchesEveryRegisterValueEnumerated) {
    const avr::Chip* chip = avr::findChip("atmega328p");
    for (const Case& c : sample()) {
        SCOPED_TRACE(describe(c));
        solver::Query query;
        query.chip = chip;
        query.clockHz = c.clock;
        query.goal = c.goal;
        query.target = c.target;
        query.crystalHz = c.crystal;
        const solver::Ranking ranking = solver::solve(query);
        const std::vector<Expected> expected = bruteForce(c);
        ASSERT_EQ(ranking.size(), expected.size());
        for (std::size_t i = 0; i < std::min<std::size_t>(expected.size(), 25); ++i) {
            SCOPED_TRACE("row " + std::to_string(i + 1));
            const solver::Row row = ranking.row(i);
            Expected e = expected[i];
            addNeighbours(c, e);
            EXPECT_EQ(row.setting.timer->number, e.timer);
            EXPECT_EQ(row.setting.mode(), e.mode);
            EXPECT_EQ(row.setting.prescaler, e.prescaler);
            if (e.reg >= 0) {
                EXPECT_EQ(row.setting.registerValue, e.reg);
            }
            EXPECT_EQ(row.setting.count, e.count);
            EXPECT_EQ(row.achieved, e.achieved);
            EXPECT_EQ(row.exact(), e.rankError == 0);
            EXPECT_EQ(row.below, e.below);
            EXPECT_EQ(row.above, e.above);
        }
    }
}

}  // namespace
