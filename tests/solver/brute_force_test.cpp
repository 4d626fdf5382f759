// The search against an independent brute force: every register value of
// every timer, mode, TOP kind, prescaler and clock of the chip enumerated
// straight from the data sheets' formulas, ranked by the rules, and the best
// rows compared field by field with solve(). A 16-bit timer has over a
// million settings a query, so the enumeration runs in exact 128-bit
// integers and keeps only the best rows; rationals are built for those alone.
#include "avr/timers.h"
#include "solver/search.h"
#include "solver/waveform.h"

#include <gmpxx.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <compare>
#include <cstdint>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

using solver::Goal;
__extension__ typedef unsigned __int128 u128;

constexpr std::size_t rowsCompared = 25;

// A fraction of 128-bit integers, compared exactly by 256-bit cross products.
struct Fraction {
    u128 num, den;
};

// x * y as (high, low) halves.
std::pair<u128, u128> product(u128 x, u128 y) {
    const u128 mask = ~std::uint64_t{0};
    const u128 x0 = x & mask, x1 = x >> 64, y0 = y & mask, y1 = y >> 64;
    const u128 low = x0 * y0, cross1 = x0 * y1, cross2 = x1 * y0;
    const u128 middle = (low >> 64) + (cross1 & mask) + (cross2 & mask);
    return {x1 * y1 + (cross1 >> 64) + (cross2 >> 64) + (middle >> 64), (middle << 64) | (low & mask)};
}

std::strong_ordering operator<=>(const Fraction& a, const Fraction& b) {
    return product(a.num, b.den) <=> product(b.num, a.den);
}
bool operator==(const Fraction& a, const Fraction& b) { return (a <=> b) == 0; }

// The integer, which must have at most `bits` bits for the sums and
// products below to stay within 128.
u128 narrow(const mpz_class& x, std::size_t bits) {
    if (mpz_sizeinbase(x.get_mpz_t(), 2) > bits)
        throw std::overflow_error("a case too wide for the 128-bit enumeration: " + x.get_str());
    const mpz_class high = x >> 64;
    const mpz_class low = x - (high << 64);
    return u128{high.get_ui()} << 64 | low.get_ui();
}

mpq_class rational(const Fraction& f) {
    const auto wide = [](u128 x) -> mpz_class {
        return mpz_class(static_cast<unsigned long>(x >> 64)) << 64 | mpz_class(static_cast<unsigned long>(x));
    };
    mpq_class q(wide(f.num), wide(f.den));
    q.canonicalize();
    return q;
}

struct Case {
    const char* chip;
    mpq_class clock;
    Goal goal;
    mpq_class target;
    std::optional<mpq_class> crystal{};
    std::optional<mpq_class> pll{};
    std::optional<int> timer{};
    std::optional<avr::Mode> mode{};
    std::optional<avr::Top> top{};
    std::optional<int> preferredTimer{};
};

std::string describe(const Case& c) {
    const auto optional = [](const char* name, const auto& value) {
        return value ? std::string(", ") + name + " " + std::to_string(static_cast<int>(*value)) : std::string();
    };
    return std::string(c.chip) + ", clock " + c.clock.get_str() + " Hz, goal " +
           std::to_string(static_cast<int>(c.goal)) + ", target " + c.target.get_str() +
           (c.crystal ? ", crystal " + c.crystal->get_str() : "") + (c.pll ? ", PLL " + c.pll->get_str() : "") +
           optional("timer", c.timer) + optional("mode", c.mode) + optional("top", c.top) +
           optional("preferred", c.preferredTimer);
}

// What a timer counts, and the target measured in its ticks.
struct Clock {
    mpq_class hz;
    // The target's period in ticks: interval times hz, or hz over the frequency.
    u128 periodNum, periodDen;
    u128 hzNum, hzDen;
    // CPU cycles a tick, for the software count's floor.
    u128 cyclesNum, cyclesDen;
    // Ticks from the overflow until a preload written in the interrupt lands.
    u128 reloadDelay;
    u128 crystalLatch;  // ticks a TCNTn write waits for on the crystal
};

mpz_class ceilOf(const mpq_class& x) {
    mpz_class r;
    mpz_cdiv_q(r.get_mpz_t(), x.get_num_mpz_t(), x.get_den_mpz_t());
    return r;
}

Clock clockFor(const Case& c, const mpq_class& hz, bool crystal) {
    const mpq_class period = c.goal == Goal::Interval ? mpq_class(c.target * hz) : mpq_class(hz / c.target);
    const mpq_class cycles = c.clock / hz;
    const mpz_class delay =
        ceilOf(solver::reloadLatencyCycles * hz / c.clock) + (crystal ? solver::crystalLatchCycles : 0);
    return {hz,
            narrow(period.get_num(), 125),
            narrow(period.get_den(), 64),
            narrow(hz.get_num(), 64),
            narrow(hz.get_den(), 64),
            narrow(cycles.get_num(), 64),
            narrow(cycles.get_den(), 64),
            narrow(delay, 20),
            crystal ? solver::crystalLatchCycles : 0};
}

// Ticks a late reload loses each period: the routine's read-to-write gap,
// to the nearest tick, and a crystal's latch.
u128 reloadLoss(const Clock& clock, const avr::Timer& timer) {
    const u128 gap = solver::reloadGapCycles(timer.bits, timer.counterInIo);
    return (2 * gap * clock.cyclesDen + clock.cyclesNum) / (2 * clock.cyclesNum) + clock.crystalLatch;  // halves up
}

// One timer, waveform mode, prescaler and clock, over its register range;
// first == last == -1 for a setting with no register.
struct Family {
    const avr::Timer* timer;
    const avr::WaveformMode* waveform;
    const Clock* clock;
    int prescaler;
    int first, last;
    std::vector<int> leftOut;  // variable TOPs that a fixed-TOP mode already gives
    bool counted = false;      // its longest period is shorter than the interval
};

// Timer ticks a period, from the data sheets' mode tables. NORMAL's register
// is the preload (0: none); a frequency is a toggled output, two periods.
long ticks(Goal goal, const Family& f, int reg) {
    const int top = f.waveform->top == avr::Top::Fixed ? f.waveform->fixedTop : reg;
    switch (f.waveform->mode) {
    case avr::Mode::Normal:
        return goal == Goal::Interval ? (1L << f.timer->bits) - reg : 2L << f.timer->bits;
    case avr::Mode::Ctc:
        return (goal == Goal::Interval ? 1L : 2L) * (reg + 1L);
    case avr::Mode::FastPwm:
        return top + 1L;
    case avr::Mode::PhasePwm:
    case avr::Mode::PhaseFrequencyPwm:
        return 2L * top;
    }
    return 0;
}

bool pwm(avr::Mode mode) { return mode != avr::Mode::Normal && mode != avr::Mode::Ctc; }

// The unit whose pin a square wave or a PWM drives: unit A, toggled, or
// for a PWM with TOP in OCRnA the first unit besides it.
const avr::CompareUnit* outputUnit(const avr::Timer& timer, const avr::WaveformMode& w) {
    const auto free = std::ranges::find_if(timer.compareUnits, [&](const avr::CompareUnit& unit) {
        return !pwm(w.mode) || w.top != avr::Top::Ocr || unit.ocr != timer.topOcr;
    });
    return free == timer.compareUnits.end() ? nullptr : &*free;
}

// Whether the timer can serve the goal in this mode: an interrupt needs a
// flag, a wave an output.
bool usable(Goal goal, const avr::Timer& timer, const avr::WaveformMode& w) {
    if (w.top == avr::Top::Icr && !timer.capture)
        return false;
    const bool output = outputUnit(timer, w) != nullptr;
    switch (goal) {
    case Goal::Interval:
        return w.mode == avr::Mode::Normal || (w.mode == avr::Mode::Ctc && (w.top == avr::Top::Icr || output));
    case Goal::Frequency:
        return !pwm(w.mode) && output;
    case Goal::PwmFrequency:
        return pwm(w.mode) && output;
    }
    return false;
}

std::vector<Family> familiesFor(const Case& c, const avr::Chip& chip, std::vector<Clock>& clocks) {
    clocks.reserve(chip.timers.size());
    std::vector<Family> families;
    for (const avr::Timer& timer : chip.timers) {
        if (c.timer && *c.timer != timer.number)
            continue;
        const bool onCrystal = timer.countsCrystal() && c.crystal;
        const bool onPll = timer.pll && c.pll;
        clocks.push_back(clockFor(c, onCrystal ? *c.crystal : onPll ? *c.pll : c.clock, onCrystal));
        for (const avr::WaveformMode& w : timer.modes) {
            if ((c.mode && *c.mode != w.mode) || (c.top && *c.top != w.top) || !usable(c.goal, timer, w))
                continue;
            Family f{&timer, &w, &clocks.back(), 0, -1, -1, {}};
            if (w.mode == avr::Mode::Ctc || (w.mode == avr::Mode::Normal && c.goal == Goal::Interval))
                f.first = 0, f.last = timer.max();
            else if (w.top != avr::Top::Fixed)
                f.first = solver::minimumVariableTop(timer.bits), f.last = timer.max();
            if (pwm(w.mode) && w.top != avr::Top::Fixed)
                for (const avr::WaveformMode& other : timer.modes)
                    if (other.mode == w.mode && other.top == avr::Top::Fixed)
                        f.leftOut.push_back(other.fixedTop);
            for (const avr::Prescaler& p : timer.prescalers) {
                f.prescaler = p.divisor;
                const long longest = p.divisor * std::max(ticks(c.goal, f, f.first), ticks(c.goal, f, f.last));
                f.counted = c.goal == Goal::Interval && longest * f.clock->periodDen < f.clock->periodNum;
                families.push_back(f);
            }
        }
    }
    return families;
}

// A row of the brute force with its place in the ranking.
struct Candidate {
    const Family* family;
    int reg;
    std::uint64_t count;
    Fraction error;
    bool estimated;  // a late reload's error
    int modeClass;
    Fraction resolution;  // smaller first: the tick, or one over TOP for PWM
    int timerRank;
};

auto rankKey(const Candidate& c) {
    const avr::WaveformMode& w = *c.family->waveform;
    return std::make_tuple(c.error, c.estimated, c.count, c.modeClass, c.resolution, static_cast<int>(w.top),
                           static_cast<int>(w.mode), c.timerRank, c.family->prescaler, c.reg);
}

int modeClass(avr::Mode mode, int reg) {
    switch (mode) {
    case avr::Mode::Ctc:
        return 0;
    case avr::Mode::Normal:
        return reg > 0 ? 2 : 1;
    default:
        return 3;
    }
}

// Whether interrupts `m` timer ticks apart leave the routine time to
// return, and a counted one time to count.
bool served(const Case& c, const Family& f, u128 m) {
    const unsigned long floor = f.counted ? solver::countingFloorCycles : solver::routineRoundTripCycles;
    return c.goal != Goal::Interval || m * f.clock->cyclesNum >= floor * f.clock->cyclesDen;
}

// The row for one register value of a family, if the rules keep it.
std::optional<Candidate> candidate(const Case& c, const Family& f, int reg) {
    const Clock& clock = *f.clock;
    const u128 m = u128(f.prescaler) * ticks(c.goal, f, reg);
    const u128 a = clock.periodNum, b = clock.periodDen;
    if (!served(c, f, m))
        return std::nullopt;
    // A preload added back in the interrupt lengthens every period by the ticks it loses.
    const bool lateReload = c.goal == Goal::Interval && f.waveform->mode == avr::Mode::Normal && reg > 0 &&
                            u128(f.prescaler) <= clock.reloadDelay;
    const u128 period = m + (lateReload ? reloadLoss(clock, *f.timer) : 0);
    u128 count = 1;
    if (f.counted) {
        count = std::max<u128>(2, (2 * a + period * b) / (2 * period * b));  // halves up
        if (count > 0xFFFFFFFFu)
            return std::nullopt;
    }
    Candidate row{&f, reg, static_cast<std::uint64_t>(count), {}, lateReload, modeClass(f.waveform->mode, reg), {}, 0};
    if (c.goal == Goal::Interval) {
        const u128 reached = count * period * b;
        row.error = {reached > a ? reached - a : a - reached, a};
    } else {
        row.error = {m * b > a ? m * b - a : a - m * b, m * b};
    }
    row.resolution = c.goal == Goal::PwmFrequency
                         ? Fraction{1, u128(f.waveform->top == avr::Top::Fixed ? f.waveform->fixedTop : reg)}
                         : Fraction{f.prescaler * clock.hzDen, clock.hzNum};
    row.timerRank = c.preferredTimer == f.timer->number ? -1 : f.timer->number;
    return row;
}

struct Enumeration {
    std::size_t size = 0;
    std::vector<Candidate> best;  // in rank order
};

Enumeration enumerate(const Case& c, const std::vector<Family>& families) {
    Enumeration result;
    const auto before = [](const Candidate& x, const Candidate& y) { return rankKey(x) < rankKey(y); };
    for (const Family& f : families) {
        for (int reg = f.first; reg <= f.last; ++reg) {
            if (std::ranges::find(f.leftOut, reg) != f.leftOut.end())
                continue;
            const std::optional<Candidate> row = candidate(c, f, reg);
            if (!row)
                continue;
            ++result.size;
            if (result.best.size() == rowsCompared && !before(*row, result.best.back()))
                continue;
            result.best.insert(std::ranges::upper_bound(result.best, *row, before), *row);
            if (result.best.size() > rowsCompared)
                result.best.pop_back();
        }
    }
    return result;
}

// The interval or frequency the row's prescaler and count make of a period
// of periodTicks timer ticks.
mpq_class reached(const Case& c, const Candidate& row, long periodTicks) {
    const mpq_class ticksTotal(mpz_class(row.family->prescaler) * periodTicks);
    return c.goal == Goal::Interval ? mpq_class(ticksTotal * mpz_class(row.count) / row.family->clock->hz)
                                    : mpq_class(row.family->clock->hz / ticksTotal);
}

// The nearest values strictly on either side of the target that the row's
// family reaches with the row's count, stepping the register over its range;
// a period too short to serve is reached by no setting.
std::pair<std::optional<mpq_class>, std::optional<mpq_class>> neighbours(const Case& c, const Candidate& row) {
    const Family& f = *row.family;
    const u128 a = f.clock->periodNum, b = f.clock->periodDen;
    std::optional<std::pair<u128, long>> short_, long_;  // (distance from the target, ticks)
    for (int reg = f.first; reg <= f.last; ++reg) {
        if (std::ranges::find(f.leftOut, reg) != f.leftOut.end())
            continue;
        const long t = ticks(c.goal, f, reg);
        if (!served(c, f, u128(f.prescaler) * t))
            continue;
        const u128 total = u128(row.count) * f.prescaler * t * b;
        if (total < a && (!short_ || a - total < short_->first))
            short_ = {a - total, t};
        if (total > a && (!long_ || total - a < long_->first))
            long_ = {total - a, t};
    }
    const auto value = [&](const auto& side) {
        return side ? std::optional<mpq_class>(reached(c, row, side->second)) : std::nullopt;
    };
    // A shorter period is a lower interval but a higher frequency.
    return c.goal == Goal::Interval ? std::pair(value(short_), value(long_)) : std::pair(value(long_), value(short_));
}

solver::RegisterRole roleOf(const Candidate& row) {
    if (row.reg < 0)
        return solver::RegisterRole::None;
    switch (row.family->waveform->mode) {
    case avr::Mode::Normal:
        return row.reg > 0 ? solver::RegisterRole::Preload : solver::RegisterRole::None;
    case avr::Mode::Ctc:
        return solver::RegisterRole::Compare;
    default:
        return solver::RegisterRole::Top;
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
    using avr::Mode;
    using avr::Top;
    const char* mega = "atmega328p";
    std::vector<Case> cases{
        {mega, 16000000, Goal::Interval, mpq_class(1, 1000)},
        {mega, 11059200, Goal::Interval, mpq_class(1, 1000)},
        {mega, 8000000, Goal::Interval, 1, mpq_class(32768)},
        // Digits beyond 64 bits take the search off its 128-bit path.
        {mega, 16000000, Goal::Interval, mpq_class("12345678901234567890123/10000000000000000000000000")},
        // 100 us exactly at /32 and /64, and as estimates at /1 and /8.
        {.chip = mega, .clock = 16000000, .goal = Goal::Interval, .target = mpq_class(1, 10000), .mode = Mode::Normal},
        // Timer1's 65536 ticks at /1 without a preload, on time.
        {.chip = mega, .clock = 16000000, .goal = Goal::Interval, .target = mpq_class(4096, 1000000),
         .mode = Mode::Normal},
        // 32 CPU cycles at /8, whose step below, 24, is too short to serve.
        {.chip = mega, .clock = 3686400, .goal = Goal::Interval, .target = mpq_class(8, 1000000), .top = Top::Ocr},
        // 284 CPU cycles: 256 ticks at /1 are counted twice, as a count is never 1.
        {.chip = "atmega16", .clock = 32768, .goal = Goal::Interval, .target = mpq_class(866, 100000), .timer = 0},
        // Preloads of a few crystal ticks, latched late.
        {.chip = mega, .clock = 8000000, .goal = Goal::Interval, .target = mpq_class(10, 32768), .crystal = 32768,
         .timer = 2, .mode = Mode::Normal},
        // Midway between Timer2's Fast PWM at /32 and /64: the smaller prescaler first.
        {.chip = mega, .clock = 16000000, .goal = Goal::PwmFrequency, .target = mpq_class(46875, 32), .timer = 2,
         .mode = Mode::FastPwm, .top = Top::Fixed},
        // Timer1 without a count at /256 and /1024 but with one below them.
        {.chip = mega, .clock = 16000000, .goal = Goal::Interval, .target = 1, .preferredTimer = 2},
        {.chip = mega, .clock = 7372800, .goal = Goal::Interval, .target = mpq_class(33, 10), .timer = 1,
         .mode = Mode::Normal},
        // Every family of Timer1 counted.
        {.chip = mega, .clock = 16000000, .goal = Goal::Interval, .target = 10, .timer = 1},
        // The servo's 20 ms: ICR1 = 39999 at /8.
        {mega, 16000000, Goal::PwmFrequency, 50},
        {.chip = mega, .clock = 16000000, .goal = Goal::PwmFrequency, .target = 50, .top = Top::Icr},
        {mega, 16000000, Goal::Frequency, 1},
        {.chip = mega, .clock = 8000000, .goal = Goal::Frequency, .target = 38000, .mode = Mode::Ctc,
         .top = Top::Icr},
        // Six timers, four of them twins.
        {.chip = "atmega2560", .clock = 16000000, .goal = Goal::Interval, .target = mpq_class(1, 1000),
         .preferredTimer = 4},
        {"atmega2560", 16000000, Goal::Interval, 10},
        {.chip = "atmega2560", .clock = 16000000, .goal = Goal::PwmFrequency, .target = 20000,
         .mode = Mode::PhaseFrequencyPwm},
        {"atmega2560", 14745600, Goal::Frequency, 440},
        // Timer1's fifteen prescalers, on the CPU clock or the PLL, where a
        // late reload loses far more ticks.
        {"attiny85", 8000000, Goal::Interval, mpq_class(1, 1000)},
        {.chip = "attiny85", .clock = 8000000, .goal = Goal::Interval, .target = mpq_class(1, 1000), .pll = 64000000},
        {.chip = "attiny85", .clock = 16500000, .goal = Goal::PwmFrequency, .target = 250000, .pll = 64000000},
        {.chip = "attiny85", .clock = 8000000, .goal = Goal::Frequency, .target = 38000, .pll = 32000000, .timer = 1},
        {"atmega8", 8000000, Goal::PwmFrequency, 50},
    };
    const std::vector<mpq_class> clocks{3686400, 7372800, 11059200, 14745600, 18432000, 16000000, 1000000, 32768};
    std::mt19937 random(20261209);
    for (const mpq_class& clock : clocks) {
        cases.push_back({mega, clock, Goal::Interval, decimal(random, 3, -4, 1)});
        cases.push_back({mega, clock, Goal::Frequency, decimal(random, 3, 1, 4)});
        cases.push_back({mega, clock, Goal::PwmFrequency, decimal(random, 2, 1, 4)});
        if (clock > 4 * 32768)
            cases.push_back({mega, clock, Goal::Interval, decimal(random, 2, -2, 1), mpq_class(32768)});
    }
    return cases;
}

TEST(BruteForce, RankingMatchesEveryRegisterValueEnumerated) {
    for (const Case& c : sample()) {
        SCOPED_TRACE(describe(c));
        const avr::Chip* chip = avr::findChip(c.chip);
        ASSERT_NE(chip, nullptr);
        mpq_class target = c.target;  // as the table writes it, 10/32768
        target.canonicalize();
        const solver::Ranking ranking = solver::solve({.chip = chip,
                                                       .clockHz = c.clock,
                                                       .goal = c.goal,
                                                       .target = target,
                                                       .timer = c.timer,
                                                       .mode = c.mode,
                                                       .top = c.top,
                                                       .crystalHz = c.crystal,
                                                       .pllHz = c.pll,
                                                       .preferredTimer = c.preferredTimer});
        std::vector<Clock> clocks;
        const std::vector<Family> families = familiesFor(c, *chip, clocks);
        const Enumeration expected = enumerate(c, families);
        EXPECT_EQ(ranking.size(), expected.size);
        for (std::size_t i = 0; i < std::min(expected.best.size(), ranking.size()); ++i) {
            SCOPED_TRACE("row " + std::to_string(i + 1));
            const solver::Row row = ranking.row(i);
            const Candidate& e = expected.best[i];
            const auto [below, above] = neighbours(c, e);
            EXPECT_EQ(row.setting.timer->number, e.family->timer->number);
            EXPECT_EQ(row.setting.mode(), e.family->waveform->mode);
            EXPECT_EQ(row.setting.top(), e.family->waveform->top);
            EXPECT_EQ(row.setting.prescaler, e.family->prescaler);
            EXPECT_EQ(row.setting.role, roleOf(e));
            if (roleOf(e) != solver::RegisterRole::None) {
                EXPECT_EQ(row.setting.registerValue, e.reg);
            }
            EXPECT_EQ(row.setting.count, e.count);
            EXPECT_EQ(row.setting.output,
                      c.goal == Goal::Interval ? nullptr : outputUnit(*e.family->timer, *e.family->waveform));
            EXPECT_EQ(row.achieved, reached(c, e, ticks(c.goal, *e.family, e.reg)));
            EXPECT_EQ(row.exact(), e.error.num == 0 && !e.estimated);
            EXPECT_EQ(abs(row.shownError), rational(e.error));
            EXPECT_EQ(row.below, below);
            EXPECT_EQ(row.above, above);
        }
    }
}

}  // namespace
