#include "solver/search.h"

#include "solver/waveform.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <tuple>
#include <unordered_map>
#include <utility>

namespace solver {

using avr::Mode;
using avr::Top;

namespace {

static_assert(sizeof(unsigned long) == 8, "cycle counts up to 2^59 are passed to GMP as unsigned long");

constexpr unsigned long maxCount = 0xFFFFFFFFul;
constexpr long secondsPerDay = 86400;
// Far above the error of the double approximation of a rank error
// (a few units in the last place), far below any real difference.
constexpr double nearTie = 1e-12;
// A group's lower bound is lowered by this much before it is compared with
// a setting's approximate error: so much more than either's rounding that a
// setting taken before a group is better than all of the group exactly.
constexpr double boundMargin = 1e-9;
// Groups this small are listed rather than bounded.
constexpr int smallGroup = 16;
// A group with many counts, up to this size, is bounded by a scan of its
// settings' errors in doubles, and listed when opened.
constexpr int scannedGroup = 128;
// A group whose settings have at most this many different counts has its
// best setting found directly, one candidate per count.
constexpr unsigned long fewCounts = 4;

// GCC's 128-bit integer; __extension__ keeps -Wpedantic quiet about it.
__extension__ typedef unsigned __int128 Wide;

bool fits64(const mpz_class& x) { return mpz_sizeinbase(x.get_mpz_t(), 2) <= 64; }

// Most terms fit in 64 bits, whose conversion the processor does itself.
double toDouble(Wide x) {
    return x >> 64 == 0 ? static_cast<double>(static_cast<std::uint64_t>(x)) : static_cast<double>(x);
}

mpz_class floorOf(const mpq_class& x) {
    mpz_class result;
    mpz_fdiv_q(result.get_mpz_t(), x.get_num_mpz_t(), x.get_den_mpz_t());
    return result;
}

mpz_class ceilOf(const mpq_class& x) {
    mpz_class result;
    mpz_cdiv_q(result.get_mpz_t(), x.get_num_mpz_t(), x.get_den_mpz_t());
    return result;
}

// The clock a timer counts, and the target measured in its cycles: the
// interval's length, or one period of the wanted frequency, as p/q.
struct Source {
    mpq_class hz;
    mpz_class p, q, twiceP;
    unsigned long countingFloor = 0;  // countingFloorCycles in this clock's cycles
    unsigned long routineFloor = 0;   // routineRoundTripCycles in this clock's cycles
    // Cycles of this clock from the overflow to the reload's write: a
    // prescaler larger than that loses no tick to it.
    unsigned long reloadDelay = 0;
    mpq_class cpuCyclesPerCycle;
    // The length of one cycle of this clock in a unit common to all the
    // clocks, for comparing ticks as integers; 0 when it would need over
    // 49 bits.
    std::uint64_t cycleLength = 0;
    // p and q when both fit in 64 bits, as for any clock and target typed
    // with a few digits: the candidates are then made without GMP.
    bool narrow = false;
    std::uint64_t pNarrow = 0, qNarrow = 0;
    double target = 0;  // p / q
};

// One way of setting up a family's periods: a timer, its waveform mode,
// the register that sets the period and the pin driven. The register holds
// registerBase + registerSign · u for a period of u.
struct Variant {
    const avr::Timer* timer = nullptr;
    const avr::WaveformMode* waveform = nullptr;
    RegisterRole role = RegisterRole::None;
    const avr::CompareUnit* output = nullptr;
    int registerBase = 0, registerSign = 0;
    int first = 0, last = 0;  // the values of u it has
    // The values of u the register steps over for the neighbours; the
    // variant's own when 0.
    int stepFirst = 0, stepLast = 0;
    // Values of u this variant leaves out: a variable TOP equal to a fixed
    // TOP of the same mode, which that mode gives with one more output.
    std::array<int, 3> excluded{};
    std::size_t excludedCount = 0;
    int modeClass = 3;  // CTC 0, NORMAL 1, NORMAL with a preload 2, PWM 3

    bool excludes(int u) const {
        const auto end = excluded.begin() + static_cast<std::ptrdiff_t>(excludedCount);
        return std::find(excluded.begin(), end, u) != end;
    }
    bool has(int u) const { return u >= first && u <= last && !excludes(u); }
    int registerAt(int u) const { return registerBase + registerSign * u; }
};

// Settings whose period is multiplier · u ticks of one prescaler of one
// clock, for u from first to last, and which rank alike for the same u: the
// same timer set up in twin modes, and twin timers. The search bounds and
// walks each family once for all of its variants.
struct Family {
    TimerClock source;
    int prescaler;
    int multiplier;
    int first, last, stepFirst, stepLast;
    // Cycles a reload loses, lengthening every period: 0 but for a preload
    // added at a prescaler no larger than the interrupt's latency.
    unsigned long delay = 0;
    bool counted = false;  // one period cannot reach the target: counted in software
    int lowest = 1;        // the first u allowed: the counting floor and 2^32 counts
    // The first u whose interrupts are far enough apart to serve, whatever
    // the variants' range: where the register's steps for the neighbours end.
    int servedFrom = 1;
    std::vector<Variant> variants;  // in the order they rank among equals
    int bestClass = 3;

    bool late() const { return delay > 0; }
    // The cycles u sets: the timer's period as the register makes it.
    unsigned long cycles(long u) const {
        return static_cast<unsigned long>(prescaler) * static_cast<unsigned long>(multiplier) *
               static_cast<unsigned long>(u);
    }
    // The cycles from one interrupt to the next, a late reload's loss included:
    // what the error is ranked by and the count chosen for.
    unsigned long period(long u) const { return cycles(u) + delay; }
};

// A setting: u of a family with its count, as one of the family's variants.
struct Single {
    std::uint32_t id;  // where its exact error is kept once made
    std::uint16_t family;
    std::uint8_t variant;
    std::int32_t u;
    std::uint32_t count;
    double approx;        // the rank error, from its exact numerator and denominator
    double clearlyBelow;  // what is below this is below it exactly too
    // The exact numerator and denominator when both fit in 64 bits, as they
    // do for any clock and target typed with a few digits; their 128-bit
    // cross products then compare exactly without GMP.
    bool small;
    std::uint64_t num, den;
    // The small group whose other settings wait outside the heap until this
    // one is ranked; noChain for none.
    std::uint32_t chain;
};

constexpr std::uint32_t noChain = UINT32_MAX;
constexpr std::uint8_t noVariant = UINT8_MAX;

// The settings lo to hi of a family, not yet looked at one by one.
struct Group {
    std::uint16_t family;
    std::int32_t lo, hi;
    double bound;  // below every rank error in the group, by boundMargin at least
    std::uint32_t fewestCount;
    bool listed;  // opened into its settings
};

int topOrder(Top top) { return static_cast<int>(top); }

}  // namespace

struct Ranking::Data {
    Query query;
    std::array<Source, 3> sources;
    std::vector<Family> families;
    std::size_t total = 0;
    // The rows found so far, in order; the settings and groups not yet
    // ranked, each a heap with the best at the front.
    std::vector<Single> ranked, singles;
    std::vector<Group> groups;
    // The settings of opened small groups but their best, which wait
    // outside the heap: most are never ranked.
    std::vector<std::vector<Single>> chains;
    // The exact rank errors of settings whose terms exceed 64 bits, made when
    // first compared.
    mutable std::unordered_map<std::uint32_t, mpq_class> exact;
    std::uint32_t made = 0;  // settings made so far, for their ids

    explicit Data(const Query& q) : query(q) {}

    bool interval() const { return query.goal == Goal::Interval; }
    const Source& sourceOf(const Family& f) const { return sources[static_cast<std::size_t>(f.source)]; }
    TimerClock clockOf(const avr::Timer& timer) const;

    void makeSources();
    void makeFamilies();
    void addVariants(const avr::Timer& timer);
    void addInterrupts(const avr::Timer& timer, const avr::WaveformMode& w);
    void addToggles(const avr::Timer& timer, const avr::WaveformMode& w);
    void addPwm(const avr::Timer& timer, const avr::WaveformMode& w);
    void addVariant(const avr::Timer& timer, int multiplier, int first, int last, Variant variant);
    void settleFamily(Family& f);
    void start();

    std::uint32_t countAt(const Family& f, int u) const;
    void errorTerms(const Family& f, int u, std::uint32_t count, mpz_class& num, mpz_class& den) const;
    mpq_class rankError(const Single& c) const;
    std::optional<std::pair<Wide, Wide>> narrowTerms(const Family& f, int u, std::uint32_t count) const;
    void approximate(Single& c) const;
    double errorOf(const Family& f, int u, std::uint32_t count) const;

    Single single(std::uint16_t family, int u);
    std::uint8_t firstVariant(const Single& c) const;
    void pushSingle(std::uint16_t family, int u);
    void pushChain(std::uint16_t family, int lo, int hi);
    void pushNextOfChain(std::size_t index);
    void pushVariant(Single c, std::size_t from);
    void pushGroup(std::uint16_t family, int lo, int hi);
    double scannedBound(const Family& f, int lo, int hi) const;
    std::pair<int, double> bestOf(const Family& f, int lo, int hi, unsigned long kMin, unsigned long kMax) const;
    void open(const Group& g);
    bool groupBefore(const Group& a, const Group& b) const;
    bool groupFirst(const Group& g, const Single& s) const;
    void findThrough(std::size_t rank);
    unsigned long reloadLoss(TimerClock source, const avr::Timer& timer) const;
    Single rankedAt(std::size_t rank) {
        findThrough(rank);
        return ranked.at(rank);
    }

    bool before(const Single& a, const Single& b) const;
    int compareExactly(const Single& a, const Single& b) const;
    int tieBreak(const Single& a, const Single& b) const;
    int compareTicks(const Family& a, const Family& b) const;
    int topValueOf(const Single& c) const;

    Row row(const Single& c) const;
    Setting settingOf(const Single& c) const;
    mpq_class valueAt(const Family& f, const mpz_class& u, std::uint32_t count) const;
    void neighbours(const Single& c, Row& row) const;
    std::vector<Warning> warningsOf(const Single& c) const;
};

// ------------------------------------------------------------- the query

QueryError::QueryError(Problem problem) : std::runtime_error("query has no answer"), problem_(problem) {}

namespace {

const avr::Timer* chosenTimer(const Query& query) {
    return query.timer ? query.chip->timer(*query.timer) : nullptr;
}

// Whether the timer asked for, or some timer of the chip, can count it.
template <typename Counts>
bool someTimerCounts(const Query& query, Counts counts) {
    if (query.timer)
        return counts(*chosenTimer(query));
    return std::ranges::any_of(query.chip->timers, counts);
}

void check(const Query& query) {
    if (query.clockHz <= 0)
        throw QueryError(Problem::ClockNotPositive);
    if (query.crystalHz && *query.crystalHz <= 0)
        throw QueryError(Problem::CrystalNotPositive);
    if (query.pllHz && *query.pllHz <= 0)
        throw QueryError(Problem::PllNotPositive);
    if (query.target <= 0)
        throw QueryError(Problem::TargetNotPositive);
    if (query.timer && chosenTimer(query) == nullptr)
        throw QueryError(Problem::NoSuchTimer);
    if (query.crystalHz) {
        if (!someTimerCounts(query, [](const avr::Timer& t) { return t.countsCrystal(); }))
            throw QueryError(Problem::CrystalWithoutTimer2);
        if (4 * *query.crystalHz >= query.clockHz)
            throw QueryError(Problem::CrystalTooFast);
    }
    if (query.pllHz && !someTimerCounts(query, [](const avr::Timer& t) { return t.pll.has_value(); }))
        throw QueryError(Problem::PllWithoutTimer);
    const mpq_class period = query.goal == Goal::Interval ? query.target : mpq_class(1 / query.target);
    if (period * query.clockHz < 1)
        throw QueryError(Problem::TargetBelowCycle);
    if (query.goal != Goal::Interval && 2 * query.target > query.clockHz)
        throw QueryError(Problem::TargetAboveHalfClock);
    if (query.goal == Goal::Interval && query.target * query.clockHz < routineRoundTripCycles)
        throw QueryError(Problem::IntervalBelowRoutine);
}

}  // namespace

TimerClock Ranking::Data::clockOf(const avr::Timer& timer) const {
    if (timer.countsCrystal() && query.crystalHz)
        return TimerClock::Crystal;
    if (timer.pll && query.pllHz)
        return TimerClock::Pll;
    return TimerClock::Cpu;
}

void Ranking::Data::makeSources() {
    const mpq_class hz[] = {query.clockHz, query.crystalHz.value_or(query.clockHz), query.pllHz.value_or(query.clockHz)};
    for (std::size_t i = 0; i < sources.size(); ++i) {
        Source& s = sources[i];
        s.hz = hz[i];
        const mpq_class c = interval() ? mpq_class(query.target * s.hz) : mpq_class(s.hz / query.target);
        s.p = c.get_num();
        s.q = c.get_den();
        s.twiceP = 2 * s.p;
        s.target = c.get_d();
        s.narrow = fits64(s.p) && fits64(s.q);
        s.pNarrow = s.narrow ? mpz_get_ui(s.p.get_mpz_t()) : 0;
        s.qNarrow = s.narrow ? mpz_get_ui(s.q.get_mpz_t()) : 0;
        const mpq_class cpuCyclesPerCycle = query.clockHz / s.hz;
        s.cpuCyclesPerCycle = cpuCyclesPerCycle;
        s.countingFloor = ceilOf(countingFloorCycles / cpuCyclesPerCycle).get_ui();
        s.routineFloor = ceilOf(routineRoundTripCycles / cpuCyclesPerCycle).get_ui();
        s.reloadDelay = ceilOf(reloadLatencyCycles / cpuCyclesPerCycle).get_ui() +
                        (static_cast<TimerClock>(i) == TimerClock::Crystal ? crystalLatchCycles : 0);
    }
    // With the clocks a_i / b_i in lowest terms, a cycle of clock i lasts
    // b_i times the product of the other a_j, in units of 1 / (a_0 a_1 a_2)
    // seconds.
    for (std::size_t i = 0; i < sources.size(); ++i) {
        mpz_class length = sources[i].hz.get_den();
        for (std::size_t j = 0; j < sources.size(); ++j)
            if (j != i)
                length *= sources[j].hz.get_num();
        sources[i].cycleLength = mpz_sizeinbase(length.get_mpz_t(), 2) <= 49 ? mpz_get_ui(length.get_mpz_t()) : 0;
    }
}

// Every family of every timer asked for, in the timer's modes that reach
// the goal: NORMAL and CTC interrupts, compare outputs toggled in NORMAL and
// CTC, and PWM with a fixed or variable TOP.
void Ranking::Data::makeFamilies() {
    for (const avr::Timer& timer : query.chip->timers)
        if (!query.timer || timer.number == *query.timer)
            addVariants(timer);
    if (families.empty())
        throw QueryError(Problem::NoSetting);
    if (interval()) {
        mpq_class longest = 0;
        for (const Family& f : families)
            longest = std::max(longest, mpq_class(mpq_class(f.cycles(f.stepLast)) / sourceOf(f).hz));
        if (query.target > maxCount * longest)
            throw QueryError(Problem::TooManyInterrupts);
    }
    for (Family& f : families)
        settleFamily(f);
    std::erase_if(families, [](const Family& f) { return f.lowest > f.last; });
}

void Ranking::Data::addVariants(const avr::Timer& timer) {
    for (const avr::WaveformMode& w : timer.modes) {
        if ((query.mode && w.mode != *query.mode) || (query.top && w.top != *query.top) ||
            (w.top == Top::Icr && !timer.capture))
            continue;
        switch (query.goal) {
        case Goal::Interval: addInterrupts(timer, w); break;
        case Goal::Frequency: addToggles(timer, w); break;
        case Goal::PwmFrequency: addPwm(timer, w); break;
        }
    }
}

// The overflow of NORMAL, plain or preloaded, and the compare match at TOP
// of CTC (with OCRnA or OCR1C as TOP, through a compare unit's flag).
void Ranking::Data::addInterrupts(const avr::Timer& timer, const avr::WaveformMode& w) {
    const int max = timer.max();
    if (w.mode == Mode::Normal) {
        addVariant(timer, 1, max + 1, max + 1,
                   {.timer = &timer, .waveform = &w, .stepFirst = 1, .stepLast = max + 1, .modeClass = 1});
        addVariant(timer, 1, 1, max,
                   {.timer = &timer, .waveform = &w, .role = RegisterRole::Preload, .registerBase = max + 1,
                    .registerSign = -1, .stepFirst = 1, .stepLast = max + 1, .modeClass = 2});
    } else if (w.mode == Mode::Ctc && (w.top == Top::Icr || !timer.compareUnits.empty())) {
        addVariant(timer, 1, 1, max + 1,
                   {.timer = &timer, .waveform = &w, .role = RegisterRole::Compare, .registerBase = -1,
                    .registerSign = 1, .modeClass = 0});
    }
}

// Unit A's output toggled at each compare match: two counter periods a wave.
void Ranking::Data::addToggles(const avr::Timer& timer, const avr::WaveformMode& w) {
    if (timer.compareUnits.empty())
        return;
    const avr::CompareUnit* unitA = &timer.compareUnits.front();
    const int max = timer.max();
    if (w.mode == Mode::Normal)
        addVariant(timer, 2, max + 1, max + 1, {.timer = &timer, .waveform = &w, .output = unitA, .modeClass = 1});
    else if (w.mode == Mode::Ctc)
        addVariant(timer, 2, 1, max + 1,
                   {.timer = &timer, .waveform = &w, .role = RegisterRole::Compare, .output = unitA,
                    .registerBase = -1, .registerSign = 1, .modeClass = 0});
}

// PWM on the first unit whose register is not TOP, with u the period's
// ticks TOP + 1 single-slope, or its half TOP dual-slope.
void Ranking::Data::addPwm(const avr::Timer& timer, const avr::WaveformMode& w) {
    if (w.mode == Mode::Normal || w.mode == Mode::Ctc)
        return;
    const auto free = std::ranges::find_if(timer.compareUnits, [&](const avr::CompareUnit& unit) {
        return w.top != Top::Ocr || unit.ocr != timer.topOcr;
    });
    if (free == timer.compareUnits.end())
        return;
    const int multiplier = dualSlope(w.mode) ? 2 : 1;
    const int shift = dualSlope(w.mode) ? 0 : 1;
    Variant pwm{.timer = &timer, .waveform = &w, .output = &*free, .modeClass = 3};
    if (w.top == Top::Fixed) {
        addVariant(timer, multiplier, w.fixedTop + shift, w.fixedTop + shift, pwm);
        return;
    }
    pwm.role = RegisterRole::Top;
    pwm.registerBase = -shift, pwm.registerSign = 1;
    for (const avr::WaveformMode& other : timer.modes)
        if (other.mode == w.mode && other.top == Top::Fixed && pwm.excludedCount < pwm.excluded.size())
            pwm.excluded[pwm.excludedCount++] = other.fixedTop + shift;
    addVariant(timer, multiplier, minimumVariableTop(timer.bits) + shift, timer.max() + shift, pwm);
}

// The cycles of the source a late reload loses each period: the read to
// write gap of the routine, to the nearest cycle, and the crystal's latch.
unsigned long Ranking::Data::reloadLoss(TimerClock source, const avr::Timer& timer) const {
    const mpq_class gap = reloadGapCycles(timer.bits, timer.counterInIo) /
                          sources[static_cast<std::size_t>(source)].cpuCyclesPerCycle;
    return floorOf(gap + mpq_class(1, 2)).get_ui() + (source == TimerClock::Crystal ? crystalLatchCycles : 0);
}

// Adds the variant to the family of its clock, prescaler and register
// steps, or starts that family, for each of the timer's prescalers. The
// variants of a family that rank alike have the same error for the same u:
// CTC with either TOP register, and NORMAL with or without a preload, of
// the timer and its twins.
void Ranking::Data::addVariant(const avr::Timer& timer, int multiplier, int first, int last, Variant variant) {
    const TimerClock source = clockOf(timer);
    variant.first = first, variant.last = last;
    if (variant.stepLast == 0)
        variant.stepFirst = first, variant.stepLast = last;
    for (const avr::Prescaler& clockSelect : timer.prescalers) {
        const int prescaler = clockSelect.divisor;
        const Source& s = sources[static_cast<std::size_t>(source)];
        const bool late =
            variant.role == RegisterRole::Preload && static_cast<unsigned long>(prescaler) <= s.reloadDelay;
        const unsigned long delay = late ? reloadLoss(source, timer) : 0;
        const auto same = [&](const Family& f) {
            return f.source == source && f.prescaler == prescaler && f.multiplier == multiplier &&
                   f.stepFirst == variant.stepFirst && f.stepLast == variant.stepLast && f.delay == delay;
        };
        auto family = std::ranges::find_if(families, same);
        if (family == families.end()) {
            families.push_back(Family{.source = source, .prescaler = prescaler, .multiplier = multiplier, .first = first,
                                      .last = last, .stepFirst = variant.stepFirst, .stepLast = variant.stepLast,
                                      .delay = delay, .variants = {}});
            family = families.end() - 1;
        }
        family->first = std::min(family->first, first);
        family->last = std::max(family->last, last);
        family->variants.push_back(variant);
    }
}

// Orders the variants as they rank among equals, and finds which periods
// need a software count and from which u on that count is allowed.
void Ranking::Data::settleFamily(Family& f) {
    const auto timerOrder = [this](const avr::Timer* t) { return query.preferredTimer == t->number ? -1 : t->number; };
    std::ranges::stable_sort(f.variants, [&](const Variant& a, const Variant& b) {
        return std::tuple(a.modeClass, topOrder(a.waveform->top), static_cast<int>(a.waveform->mode), timerOrder(a.timer)) <
               std::tuple(b.modeClass, topOrder(b.waveform->top), static_cast<int>(b.waveform->mode), timerOrder(b.timer));
    });
    for (const Variant& v : f.variants)
        f.bestClass = std::min(f.bestClass, v.modeClass);
    const Source& s = sourceOf(f);
    f.counted = interval() && cmp(mpz_class(s.q * f.cycles(f.stepLast)), s.p) < 0;
    // Interrupts no closer than a routine's round trip, or with a software
    // count the counting floor.
    const unsigned long floor = !interval() ? 0 : f.counted ? s.countingFloor : s.routineFloor;
    const unsigned long perU = f.cycles(1);
    f.servedFrom = std::max(1, static_cast<int>((floor + perU - 1) / perU));
    f.lowest = std::max(f.first, f.servedFrom);
    if (!f.counted)
        return;
    // Counts grow as the period shrinks: the first u within 2^32 counts.
    int lo = f.lowest, hi = f.last + 1;
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        if (countAt(f, mid) == 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    f.lowest = lo;
}

void Ranking::Data::start() {
    // Enough for the rows of most queries without moving them.
    singles.reserve(256);
    groups.reserve(256);
    for (std::size_t fi = 0; fi < families.size(); ++fi) {
        const Family& f = families[fi];
        for (const Variant& v : f.variants) {
            const int first = std::max(v.first, f.lowest);
            total += static_cast<std::size_t>(std::max(0, v.last - first + 1));
            for (std::size_t i = 0; i < v.excludedCount; ++i)
                total -= v.excluded[i] >= first && v.excluded[i] <= v.last ? 1 : 0;
        }
        pushGroup(static_cast<std::uint16_t>(fi), f.lowest, f.last);
    }
}

// ------------------------------------------------------------- errors

// The count nearest the target, floor((2p + q j) / (2 q j)) for j cycles a
// period, at least 2; 1 when the family is not counted; 0 beyond maxCount.
std::uint32_t Ranking::Data::countAt(const Family& f, int u) const {
    if (!f.counted)
        return 1;
    const Source& s = sourceOf(f);
    const unsigned long cycles = f.period(u);
    unsigned long count = 0;
    if (s.narrow) {
        // floor((2p + qj) / (2qj)) from its double estimate, made exact by
        // comparing products: a 128-bit division costs several times more.
        const double estimate = std::floor(s.target / static_cast<double>(cycles) + 0.5);
        if (estimate > static_cast<double>(maxCount) + 1)
            return 0;
        const Wide qj = Wide(s.qNarrow) * cycles, twiceQj = 2 * qj, a = 2 * Wide(s.pNarrow) + qj;
        std::uint64_t k = static_cast<std::uint64_t>(std::max(estimate, 0.0));
        while (k > 0 && twiceQj * k > a)
            --k;
        while (twiceQj * (k + 1) <= a)
            ++k;
        if (k > maxCount)
            return 0;
        count = k;
    } else {
        mpz_class a, b;
        mpz_mul_ui(a.get_mpz_t(), s.q.get_mpz_t(), 2 * cycles);
        mpz_mul_ui(b.get_mpz_t(), s.q.get_mpz_t(), cycles);
        mpz_add(b.get_mpz_t(), b.get_mpz_t(), s.twiceP.get_mpz_t());
        mpz_fdiv_q(b.get_mpz_t(), b.get_mpz_t(), a.get_mpz_t());
        if (mpz_cmp_ui(b.get_mpz_t(), maxCount) > 0)
            return 0;
        count = mpz_get_ui(b.get_mpz_t());
    }
    return static_cast<std::uint32_t>(std::max(2ul, count));
}

// The rank error as num / den, both exact: the relative error of the
// period with a late reload's loss.
void Ranking::Data::errorTerms(const Family& f, int u, std::uint32_t count, mpz_class& num, mpz_class& den) const {
    const Source& s = sourceOf(f);
    mpz_mul_ui(num.get_mpz_t(), s.q.get_mpz_t(), f.period(u) * count);
    if (interval()) {
        // (m q - p) / p, with m the cycles counted
        mpz_sub(num.get_mpz_t(), num.get_mpz_t(), s.p.get_mpz_t());
        mpz_abs(num.get_mpz_t(), num.get_mpz_t());
        den = s.p;
    } else {
        // (p - m q) / (m q), with m the cycles of one period
        den = num;
        mpz_sub(num.get_mpz_t(), s.p.get_mpz_t(), den.get_mpz_t());
        mpz_abs(num.get_mpz_t(), num.get_mpz_t());
    }
}

mpq_class Ranking::Data::rankError(const Single& c) const {
    mpq_class error;
    errorTerms(families[c.family], c.u, c.count, error.get_num(), error.get_den());
    error.canonicalize();
    return error;
}

// The rank error's terms in 128-bit integers, when p and q fit in 64 bits:
// the cycles counted, a reload's loss included, stay below 2^60, so no term
// reaches 2^124.
std::optional<std::pair<Wide, Wide>> Ranking::Data::narrowTerms(const Family& f, int u, std::uint32_t count) const {
    const Source& s = sourceOf(f);
    if (!s.narrow)
        return std::nullopt;
    const Wide p = s.pNarrow, qm = Wide(s.qNarrow) * (f.period(u) * count);
    const Wide num = qm > p ? qm - p : p - qm;
    return std::pair(num, interval() ? p : qm);
}

void Ranking::Data::approximate(Single& c) const {
    const Family& f = families[c.family];
    if (const auto terms = narrowTerms(f, c.u, c.count)) {
        const auto [num, den] = *terms;
        c.approx = toDouble(num) / toDouble(den);
        c.small = num <= UINT64_MAX && den <= UINT64_MAX;
        c.num = static_cast<std::uint64_t>(num);
        c.den = static_cast<std::uint64_t>(den);
    } else {
        mpz_class num, den;
        errorTerms(f, c.u, c.count, num, den);
        c.approx = mpq_class(num, den).get_d();
        c.small = fits64(num) && fits64(den);
        c.num = c.small ? mpz_get_ui(num.get_mpz_t()) : 0;
        c.den = c.small ? mpz_get_ui(den.get_mpz_t()) : 0;
    }
    c.clearlyBelow = c.approx * (1 - nearTie);
}

// The rank error of u with this count, from its exact terms: good to a
// few units in the last place, which boundMargin covers.
double Ranking::Data::errorOf(const Family& f, int u, std::uint32_t count) const {
    if (const auto terms = narrowTerms(f, u, count))
        return toDouble(terms->first) / toDouble(terms->second);
    mpz_class num, den;
    errorTerms(f, u, count, num, den);
    return mpq_class(num, den).get_d();
}

// ------------------------------------------------------------- the walk
//
// Each family starts as one group of all its settings, with a lower bound
// of their errors. The best group or setting comes next: a group is opened
// into smaller groups and settings, a setting is a row. The error of one
// count is unimodal in u, so for a group with few counts the best setting
// of each count is found directly and the rest split off on either side: a
// family without a count is walked outward from its ideal register value.

Single Ranking::Data::single(std::uint16_t family, int u) {
    const Family& f = families[family];
    Single c{};
    c.id = made++;
    c.family = family;
    c.u = u;
    c.count = countAt(f, u);
    c.chain = noChain;
    approximate(c);
    return c;
}

void Ranking::Data::pushSingle(std::uint16_t family, int u) { pushVariant(single(family, u), 0); }

// A small group's best setting into the heap; the others wait in a chain
// until it is ranked, and only then is the next best of them found.
void Ranking::Data::pushChain(std::uint16_t family, int lo, int hi) {
    std::vector<Single> chain;
    for (int u = lo; u <= hi; ++u) {
        Single c = single(family, u);
        c.variant = firstVariant(c);
        c.chain = static_cast<std::uint32_t>(chains.size());
        if (c.variant != noVariant)
            chain.push_back(c);
    }
    chains.push_back(std::move(chain));
    pushNextOfChain(chains.size() - 1);
}

void Ranking::Data::pushNextOfChain(std::size_t index) {
    std::vector<Single>& chain = chains[index];
    if (chain.empty())
        return;
    const auto best = std::ranges::min_element(chain, [this](const Single& a, const Single& b) { return before(a, b); });
    const Single c = *best;
    *best = chain.back();
    chain.pop_back();
    pushVariant(c, c.variant);
}

std::uint8_t Ranking::Data::firstVariant(const Single& c) const {
    const Family& f = families[c.family];
    for (std::size_t v = 0; v < f.variants.size(); ++v)
        if (f.variants[v].has(c.u))
            return static_cast<std::uint8_t>(v);
    return noVariant;
}

// The setting as the first of the family's variants from `from` on that has
// its u, if any.
void Ranking::Data::pushVariant(Single c, std::size_t from) {
    const Family& f = families[c.family];
    for (std::size_t v = from; v < f.variants.size(); ++v) {
        if (!f.variants[v].has(c.u))
            continue;
        c.variant = static_cast<std::uint8_t>(v);
        singles.push_back(c);
        std::ranges::push_heap(singles, [this](const Single& a, const Single& b) { return before(b, a); });
        return;
    }
}

// The best setting of the group for the counts kMin to kMax, and its
// error: for each count the u nearest the target's, below or above.
std::pair<int, double> Ranking::Data::bestOf(const Family& f, int lo, int hi, unsigned long kMin,
                                             unsigned long kMax) const {
    const Source& s = sourceOf(f);
    std::pair<int, double> best{lo, errorOf(f, lo, static_cast<std::uint32_t>(kMin))};
    for (unsigned long k = kMin; k <= kMax; ++k) {
        const double ideal =
            (s.target / static_cast<double>(k) - static_cast<double>(f.delay)) / static_cast<double>(f.cycles(1));
        const double below = std::floor(std::clamp(ideal, static_cast<double>(lo), static_cast<double>(hi)));
        for (const double candidate : {below, below + 1}) {
            const int u = static_cast<int>(std::min(candidate, static_cast<double>(hi)));
            const double error = errorOf(f, u, static_cast<std::uint32_t>(k));
            if (error < best.second)
                best = {u, error};
        }
        const double error = errorOf(f, hi, static_cast<std::uint32_t>(k));
        if (error < best.second)
            best = {hi, error};
    }
    return best;
}

void Ranking::Data::pushGroup(std::uint16_t family, int lo, int hi) {
    if (lo == hi) {
        pushSingle(family, lo);
        return;
    }
    const Family& f = families[family];
    const unsigned long kMin = countAt(f, hi), kMax = countAt(f, lo);
    const bool few = kMax - kMin < fewCounts, listed = hi - lo < smallGroup || (!few && hi - lo < scannedGroup);
    // A large group with many counts may hold any error down to 0.
    const double bound = few ? bestOf(f, lo, hi, kMin, kMax).second : listed ? scannedBound(f, lo, hi) : 0;
    groups.push_back(Group{family, lo, hi, bound * (1 - boundMargin), static_cast<std::uint32_t>(kMin), listed});
    std::ranges::push_heap(groups, [this](const Group& a, const Group& b) { return groupBefore(b, a); });
}

// Below the error of every setting lo to hi, whatever its count: each
// count's product and the target are rounded to doubles at most once each,
// a few units in the last place of the target.
double Ranking::Data::scannedBound(const Family& f, int lo, int hi) const {
    const double target = sourceOf(f).target, perU = static_cast<double>(f.cycles(1));
    double best = target;
    for (int u = lo; u <= hi; ++u) {
        const double made = perU * u + static_cast<double>(f.delay), nearest = std::max(2.0, std::floor(target / made + 0.5));
        for (const double k : {nearest - 1, nearest, nearest + 1})
            best = std::min(best, std::abs(std::max(2.0, k) * made - target));
    }
    return std::max(0.0, best / target - 8 * std::numeric_limits<double>::epsilon());
}

void Ranking::Data::open(const Group& g) {
    if (g.listed) {
        pushChain(g.family, g.lo, g.hi);
        return;
    }
    const Family& f = families[g.family];
    const unsigned long kMin = countAt(f, g.hi), kMax = countAt(f, g.lo);
    if (kMax - kMin < fewCounts) {
        const int u = bestOf(f, g.lo, g.hi, kMin, kMax).first;
        pushSingle(g.family, u);
        if (u > g.lo)
            pushGroup(g.family, g.lo, u - 1);
        if (u < g.hi)
            pushGroup(g.family, u + 1, g.hi);
        return;
    }
    const int middle = g.lo + (g.hi - g.lo) / 2;
    pushGroup(g.family, g.lo, middle);
    pushGroup(g.family, middle + 1, g.hi);
}

// Groups in the order of what they may hold at best, so that when the first
// cannot come before a setting, none can.
bool Ranking::Data::groupBefore(const Group& a, const Group& b) const {
    const Family& fa = families[a.family];
    const Family& fb = families[b.family];
    return std::tuple(a.bound, fa.late(), a.fewestCount, fa.bestClass) <
           std::tuple(b.bound, fb.late(), b.fewestCount, fb.bestClass);
}

// A group comes before a setting unless every setting in it is worse: by
// error, or, both errors 0, by being an estimate, count and mode class alone.
bool Ranking::Data::groupFirst(const Group& g, const Single& s) const {
    if (g.bound < s.approx)
        return true;
    if (g.bound > 0 || s.approx > 0)
        return false;
    const Family& fg = families[g.family];
    const Family& fs = families[s.family];
    return std::tuple(fg.late(), g.fewestCount, fg.bestClass) <=
           std::tuple(fs.late(), s.count, fs.variants[s.variant].modeClass);
}

void Ranking::Data::findThrough(std::size_t rank) {
    const auto groupAfter = [this](const Group& a, const Group& b) { return groupBefore(b, a); };
    const auto singleAfter = [this](const Single& a, const Single& b) { return before(b, a); };
    while (ranked.size() <= rank) {
        if (!groups.empty() && (singles.empty() || groupFirst(groups.front(), singles.front()))) {
            std::ranges::pop_heap(groups, groupAfter);
            const Group g = groups.back();
            groups.pop_back();
            open(g);
            continue;
        }
        if (singles.empty())
            return;
        std::ranges::pop_heap(singles, singleAfter);
        const Single s = singles.back();
        singles.pop_back();
        ranked.push_back(s);
        if (s.chain != noChain)
            pushNextOfChain(s.chain);
        Single again = s;
        again.chain = noChain;
        pushVariant(again, s.variant + 1u);
    }
}

// ------------------------------------------------------------- the order

// The exact order of rank errors, then the tie-breaks. The approximations
// decide whenever they are clearly apart, which they then are exactly too;
// near ties are compared exactly, each exact error made once.
bool Ranking::Data::before(const Single& a, const Single& b) const {
    if (a.approx < b.clearlyBelow)
        return true;
    if (b.approx < a.clearlyBelow)
        return false;
    if (const int order = compareExactly(a, b); order != 0)
        return order < 0;
    return tieBreak(a, b) < 0;
}

int Ranking::Data::compareExactly(const Single& a, const Single& b) const {
    if (a.approx == 0 && b.approx == 0)
        return 0;
    if (a.small && b.small) {
        const Wide left = Wide(a.num) * b.den, right = Wide(b.num) * a.den;
        return left < right ? -1 : left > right ? 1 : 0;
    }
    for (const Single* c : {&a, &b})
        if (!exact.contains(c->id))
            exact.emplace(c->id, rankError(*c));
    return cmp(exact.at(a.id), exact.at(b.id));
}

// The smaller tick first: the prescaler over the clock it divides.
int Ranking::Data::compareTicks(const Family& a, const Family& b) const {
    const Source& sa = sourceOf(a);
    const Source& sb = sourceOf(b);
    if (sa.cycleLength != 0 && sb.cycleLength != 0) {
        const Wide ta = Wide(sa.cycleLength) * static_cast<unsigned>(a.prescaler);
        const Wide tb = Wide(sb.cycleLength) * static_cast<unsigned>(b.prescaler);
        return ta < tb ? -1 : ta > tb ? 1 : 0;
    }
    return cmp(mpq_class(a.prescaler / sa.hz), mpq_class(b.prescaler / sb.hz));
}

int Ranking::Data::topValueOf(const Single& c) const {
    const Variant& v = families[c.family].variants[c.variant];
    if (v.role == RegisterRole::None)
        return v.waveform->mode == Mode::Normal ? v.timer->max() : v.waveform->fixedTop;
    return v.registerAt(c.u);
}

// Among equal errors: fewer interrupts counted, CTC before NORMAL before
// NORMAL with a preload, the finer resolution (the smaller tick, or for PWM
// the larger TOP), a fixed TOP before OCRnA before ICRn, the mode, the lower
// (or preferred) timer, so that twin timers' rows come together, the smaller
// prescaler, the smaller register value.
int Ranking::Data::tieBreak(const Single& a, const Single& b) const {
    const Family& fa = families[a.family];
    const Family& fb = families[b.family];
    const Variant& va = fa.variants[a.variant];
    const Variant& vb = fb.variants[b.variant];
    // A figure that holds before an estimate.
    if (fa.late() != fb.late())
        return fa.late() ? 1 : -1;
    if (a.count != b.count)
        return a.count < b.count ? -1 : 1;
    if (va.modeClass != vb.modeClass)
        return va.modeClass - vb.modeClass;
    if (query.goal == Goal::PwmFrequency) {
        if (const int top = topValueOf(b) - topValueOf(a); top != 0)
            return top;
    } else if (const int ticks = compareTicks(fa, fb); ticks != 0) {
        return ticks;
    }
    const auto timerOrder = [this](const avr::Timer* t) { return query.preferredTimer == t->number ? -1 : t->number; };
    const auto order = [&](const Variant& v, const Family& f, const Single& c) {
        return std::tuple(topOrder(v.waveform->top), static_cast<int>(v.waveform->mode), timerOrder(v.timer),
                          f.prescaler, v.registerAt(c.u), c.family, c.u);
    };
    const auto left = order(va, fa, a), right = order(vb, fb, b);
    return left < right ? -1 : left > right ? 1 : 0;
}

// ------------------------------------------------------------- the rows

Setting Ranking::Data::settingOf(const Single& c) const {
    const Family& f = families[c.family];
    const Variant& v = f.variants[c.variant];
    Setting setting;
    setting.timer = v.timer;
    setting.waveform = v.waveform;
    setting.prescaler = f.prescaler;
    setting.role = v.role;
    setting.registerValue = v.role == RegisterRole::None ? 0 : v.registerAt(c.u);
    setting.count = c.count;
    setting.clock = f.source;
    setting.output = v.output;
    return setting;
}

// The interval or frequency u gives, counted `count` times.
mpq_class Ranking::Data::valueAt(const Family& f, const mpz_class& u, std::uint32_t count) const {
    const mpq_class period = mpq_class(u * f.multiplier * f.prescaler) / sourceOf(f).hz;
    return interval() ? mpq_class(period * count) : mpq_class(1 / period);
}

void Ranking::Data::neighbours(const Single& c, Row& row) const {
    const Family& f = families[c.family];
    const Variant& v = f.variants[c.variant];
    const Source& s = sourceOf(f);
    // The target in u of this prescaler and count.
    const mpq_class wanted = mpq_class(s.p, s.q) / (f.cycles(1) * static_cast<unsigned long>(c.count));
    long fewer = ceilOf(wanted).get_si() - 1, more = floorOf(wanted).get_si() + 1;
    // Never to a setting left out for its interrupts' distance.
    const long first = std::max(v.stepFirst, f.servedFrom);
    fewer = std::min<long>(fewer, v.stepLast);
    more = std::max<long>(more, first);
    while (fewer >= first && v.excludes(static_cast<int>(fewer)))
        --fewer;
    while (more <= v.stepLast && v.excludes(static_cast<int>(more)))
        ++more;
    std::optional<mpq_class> shorter, longer;
    if (fewer >= first)
        shorter = valueAt(f, fewer, c.count);
    if (more <= v.stepLast)
        longer = valueAt(f, more, c.count);
    // More ticks are a longer interval but a lower frequency.
    row.below = interval() ? shorter : longer;
    row.above = interval() ? longer : shorter;
}

std::vector<Warning> Ranking::Data::warningsOf(const Single& c) const {
    const Family& f = families[c.family];
    const Variant& v = f.variants[c.variant];
    std::vector<Warning> warnings;
    if (interval() && f.late())
        warnings.push_back(f.source == TimerClock::Crystal ? Warning::AsynchronousReload : Warning::ReloadLatency);
    if (interval() && c.count == 1 && f.cycles(c.u) < sourceOf(f).countingFloor)
        warnings.push_back(Warning::FrequentInterrupt);
    if (v.waveform->mode == Mode::FastPwm && !v.waveform->lowAtZero)
        warnings.push_back(Warning::NoZeroDuty);
    if (v.waveform->top == Top::Icr)
        warnings.push_back(Warning::InputCaptureLost);
    if (f.source == TimerClock::Pll)
        warnings.push_back(Warning::PllClock);
    return warnings;
}

Row Ranking::Data::row(const Single& c) const {
    const Family& f = families[c.family];
    Row row;
    row.setting = settingOf(c);
    row.achieved = valueAt(f, c.u, c.count);
    row.error = (row.achieved - query.target) / query.target;
    const mpq_class ratio = interval() ? mpq_class(query.target / row.achieved) : mpq_class(row.achieved / query.target);
    row.driftPerDay = secondsPerDay * (ratio - 1);
    neighbours(c, row);
    row.warnings = warningsOf(c);
    row.shownError = row.error;
    if (f.late()) {
        const mpq_class real = mpq_class(mpz_class(f.period(c.u)) * c.count) / sourceOf(f).hz;
        row.shownError = (real - query.target) / query.target;
    }
    return row;
}

// ------------------------------------------------------------- public

int Setting::topValue() const {
    switch (waveform->top) {
    case Top::Fixed: return waveform->mode == Mode::Normal ? timer->max() : waveform->fixedTop;
    case Top::Ocr:
    case Top::Icr: return role == RegisterRole::None ? 0 : registerValue;
    }
    return 0;
}

std::string_view Setting::topRegister() const {
    switch (waveform->top) {
    case Top::Fixed: return {};
    case Top::Ocr: return timer->topOcr;
    case Top::Icr: return timer->capture->icr;
    }
    return {};
}

std::string_view Setting::registerName() const {
    switch (role) {
    case RegisterRole::None: return {};
    case RegisterRole::Preload: return timer->counter;
    case RegisterRole::Compare:
    case RegisterRole::Top: return topRegister();
    }
    return {};
}

bool Row::estimated() const {
    return std::ranges::any_of(warnings, [](Warning w) {
        return w == Warning::ReloadLatency || w == Warning::AsynchronousReload;
    });
}

bool Row::exact() const { return error == 0 && !estimated(); }

mpq_class shownDriftPerDay(const Row& row) {
    if (!row.estimated())
        return row.driftPerDay;
    // Only an interval has a late reload: the clock loses what the period gains.
    return secondsPerDay * (1 / (1 + row.shownError) - 1);
}

Ranking::Ranking(std::shared_ptr<Data> data) : data_(std::move(data)) {}

std::size_t Ranking::size() const { return data_->total; }

Row Ranking::row(std::size_t rank) const { return data_->row(data_->rankedAt(rank)); }

Setting Ranking::setting(std::size_t rank) const { return data_->settingOf(data_->rankedAt(rank)); }

// A late reload's row is an estimate, never exact, even at 0.
bool Ranking::exact(std::size_t rank) const {
    const Single c = data_->rankedAt(rank);
    return !data_->families[c.family].late() && data_->rankError(c) == 0;
}

bool Ranking::twins(std::size_t a, std::size_t b) const {
    const Single c = data_->rankedAt(a);
    const Single d = data_->rankedAt(b);
    const Setting x = data_->settingOf(c);
    const Setting y = data_->settingOf(d);
    const Family& f = data_->families[c.family];
    const Family& g = data_->families[d.family];
    const auto unitIndex = [](const Setting& s) {
        return s.output == nullptr ? -1 : static_cast<int>(s.output - s.timer->compareUnits.data());
    };
    // The same clock, cycles and count give the same figures.
    return x.timer != y.timer && x.waveform->mode == y.waveform->mode && x.top() == y.top() &&
           x.topValue() == y.topValue() && x.prescaler == y.prescaler && x.role == y.role &&
           x.registerValue == y.registerValue && x.count == y.count && x.clock == y.clock &&
           unitIndex(x) == unitIndex(y) && f.cycles(c.u) == g.cycles(d.u) && f.delay == g.delay;
}

Ranking solve(const Query& query) {
    check(query);
    auto data = std::make_shared<Ranking::Data>(query);
    data->makeSources();
    data->makeFamilies();
    data->start();
    if (data->total == 0)
        throw QueryError(Problem::NoSetting);
    return Ranking(std::move(data));
}

}  // namespace solver
