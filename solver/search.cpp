#include "solver/search.h"

#include "solver/waveform.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace solver {

using avr::Mode;
using avr::Top;

namespace {

static_assert(sizeof(unsigned long) == 8, "cycle counts up to 2^51 are passed to GMP as unsigned long");

constexpr unsigned long maxCount = 0xFFFFFFFFul;
constexpr long secondsPerDay = 86400;
// Far above the error of the double approximation of a rank error
// (a few units in the last place), far below any real difference.
constexpr double nearTie = 1e-12;

// How one family of settings counts: the ticks of one period are
// firstTicks + ticksPerStep · (register − firstRegister), over `registers`
// register values; one value and no register when registers is 1.
struct Shape {
    Goal goal;
    Mode mode;
    Top top;
    RegisterRole role;
    int firstRegister, registers, firstTicks, ticksPerStep;
    int outputUnit;  // the compare unit whose pin is driven, -1 for none
};

// A family over `registers` values of the register from firstRegister on;
// the toggled output of a square wave makes each half of its period one
// period of the counter.
constexpr Shape shape(Goal goal, Mode mode, Top top, RegisterRole role, int firstRegister, int registers,
                      int outputUnit) {
    const int halves = goal == Goal::Frequency ? 2 : 1;
    const auto ticks = [&](int reg) {
        return halves * static_cast<int>(role == RegisterRole::Preload ? preloadedTicks(reg)
                                                                       : periodTicks(mode, topOf(top, reg)));
    };
    return {goal, mode, top, role, firstRegister, registers, ticks(firstRegister),
            registers == 1 ? 0 : ticks(firstRegister + 1) - ticks(firstRegister), outputUnit};
}

constexpr std::array shapes{
    // The overflow 256 - preload ticks apart, or the compare match OCRnA + 1.
    shape(Goal::Interval, Mode::Normal, Top::Fixed, RegisterRole::Preload, 0, 256, -1),
    shape(Goal::Interval, Mode::Ctc, Top::Ocr, RegisterRole::Compare, 0, 256, -1),
    // OCnA toggled at each compare match.
    shape(Goal::Frequency, Mode::Normal, Top::Fixed, RegisterRole::None, 0, 1, 0),
    shape(Goal::Frequency, Mode::Ctc, Top::Ocr, RegisterRole::Compare, 0, 256, 0),
    // With OCRnA as TOP the PWM is on OCnB; TOP 255 would repeat the 0xFF
    // mode without its second output, and TOP 0 leaves no duty to set.
    shape(Goal::PwmFrequency, Mode::FastPwm, Top::Fixed, RegisterRole::None, 0, 1, 0),
    shape(Goal::PwmFrequency, Mode::FastPwm, Top::Ocr, RegisterRole::Top, 1, 254, 1),
    shape(Goal::PwmFrequency, Mode::PhasePwm, Top::Fixed, RegisterRole::None, 0, 1, 0),
    shape(Goal::PwmFrequency, Mode::PhasePwm, Top::Ocr, RegisterRole::Top, 1, 254, 1),
};
// The clock a timer counts, and the target measured in its cycles: the
// interval's length, or one period of the wanted frequency, as p/q.
struct Source {
    mpq_class hz;
    mpz_class p, q, twiceP;
    unsigned long countingFloor = 0;  // countingFloorCycles in this clock's cycles
    unsigned long reloadDelay = 0;    // cycles of this clock from overflow to reload
    // The length of one cycle of this clock in a unit common to both
    // clocks, for comparing periods as integers; 0 when a period of 2^20
    // cycles would need over 64 bits.
    std::uint64_t cycleLength = 0;
    // p and q when both fit in 64 bits, as for any clock and target typed
    // with a few digits: the candidates are then made without GMP.
    bool narrow = false;
    std::uint64_t pNarrow = 0, qNarrow = 0;
};

struct Family {
    const avr::Timer* timer;
    const Shape* shape;
    int prescaler;
    int source;  // 0 the CPU clock, 1 the crystal
    bool counted;
    bool reloadLandsLate;  // a reload lands after the first tick of the period

    int ticks(int reg) const { return shape->firstTicks + shape->ticksPerStep * (reg - shape->firstRegister); }
    unsigned long cycles(int reg) const {
        return static_cast<unsigned long>(prescaler) * static_cast<unsigned long>(ticks(reg));
    }
    bool reloads(int reg) const { return shape->role == RegisterRole::Preload && reg != 0; }
    bool lateReload(int reg) const { return reloadLandsLate && reloads(reg); }
    int lastRegister() const { return shape->firstRegister + shape->registers - 1; }
    unsigned long longestCycles() const { return std::max(cycles(shape->firstRegister), cycles(lastRegister())); }
};

struct Candidate {
    std::uint32_t id;
    std::uint16_t family;
    std::int16_t reg;
    std::uint32_t count;
    double approx;  // the rank error, from its exact numerator and denominator
    double clearlyBelow;  // what is below this is below it exactly too
    // The exact numerator and denominator when both fit in 64 bits, as they
    // do for any clock and target typed with a few digits; their 128-bit
    // cross products then compare exactly without GMP.
    bool small;
    std::uint64_t num, den;
    // The first tie-breaks, precomputed because equal errors are common
    // (prescaler 8 with OCR 255 is prescaler 64 with OCR 31): a software
    // count last, then the mode, then the slower rate first.
    std::uint8_t kind;
    std::uint64_t rate;  // smaller first; unused without exact rates
};

// GCC's 128-bit integer; __extension__ keeps -Wpedantic quiet about it.
__extension__ typedef unsigned __int128 Wide;

bool fits64(const mpz_class& x) { return mpz_sizeinbase(x.get_mpz_t(), 2) <= 64; }

bool timerFits(const avr::Timer& timer, const Shape& shape) {
    const bool needsOcra = shape.role == RegisterRole::Compare || shape.role == RegisterRole::Top;
    const int unitsNeeded = std::max(needsOcra ? 1 : 0, shape.outputUnit + 1);
    return timer.waveform(shape.mode, shape.top, counterMax) != nullptr &&
           static_cast<int>(timer.compareUnits.size()) >= unitsNeeded;
}

mpq_class pow10(int exponent) {
    mpz_class power;
    mpz_ui_pow_ui(power.get_mpz_t(), 10, static_cast<unsigned long>(exponent));
    return mpq_class(power);
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

}  // namespace

struct Ranking::Data {
    Query query;
    std::array<Source, 2> sources;
    std::vector<Family> families;
    // Sorted only as far as rows are read: the CLI reads ten of thousands.
    // The members below change as rows are read, so a Ranking and its
    // copies are for one thread.
    mutable std::vector<Candidate> order;
    mutable std::size_t sorted = 0;
    // The exact rank errors of candidates whose terms exceed 64 bits, made
    // when first compared.
    mutable std::vector<std::optional<mpq_class>> exact;

    explicit Data(const Query& q) : query(q) {}

    bool interval() const { return query.goal == Goal::Interval; }
    const Source& sourceOf(const Family& f) const { return sources[static_cast<std::size_t>(f.source)]; }

    void makeSources();
    void makeFamilies();
    void makeCandidates();

    void rankErrorTerms(const Candidate& c, mpz_class& num, mpz_class& den) const;
    mpq_class rankError(const Candidate& c) const;
    bool before(const Candidate& a, const Candidate& b) const;
    void sortThrough(std::size_t count) const;
    void setTieKeys(Candidate& c) const;
    struct Scratch {
        mpz_class a, b;
    };
    std::uint32_t nearestCount(const Source& s, unsigned long cycles, Scratch& t) const;
    void setApproximation(Candidate& c, Scratch& t) const;
    bool exactRates() const { return sources[0].cycleLength != 0 && sources[1].cycleLength != 0; }
    int compareExactly(const Candidate& a, const Candidate& b) const;
    int tieBreak(const Candidate& a, const Candidate& b) const;

    Row row(const Candidate& c) const;
    Setting settingOf(const Family& f, const Candidate& c) const;
    mpq_class valueAt(const Family& f, const mpz_class& ticks, std::uint32_t count) const;
    void neighbours(const Family& f, const Candidate& c, Row& row) const;
    std::vector<Warning> warningsOf(const Family& f, const Candidate& c) const;
};

// ------------------------------------------------------------- the query

QueryError::QueryError(Problem problem) : std::runtime_error("query has no answer"), problem_(problem) {}

namespace {

void check(const Query& query) {
    if (query.clockHz <= 0)
        throw QueryError(Problem::ClockNotPositive);
    if (query.crystalHz && *query.crystalHz <= 0)
        throw QueryError(Problem::CrystalNotPositive);
    if (query.target <= 0)
        throw QueryError(Problem::TargetNotPositive);
    const avr::Timer* chosen = query.timer ? query.chip->timer(*query.timer) : nullptr;
    if (query.timer && (chosen == nullptr || !searched(*chosen)))
        throw QueryError(Problem::NoSuchTimer);
    if (query.crystalHz) {
        const auto counts = [](const avr::Timer& t) { return t.countsCrystal(); };
        const bool chosenCounts = chosen == nullptr || chosen->countsCrystal();
        if (!chosenCounts || std::ranges::none_of(query.chip->timers, counts))
            throw QueryError(Problem::CrystalWithoutTimer2);
        if (4 * *query.crystalHz >= query.clockHz)
            throw QueryError(Problem::CrystalTooFast);
    }
    const mpq_class period = query.goal == Goal::Interval ? query.target : mpq_class(1 / query.target);
    if (period * query.clockHz < 1)
        throw QueryError(Problem::TargetBelowCycle);
}

}  // namespace

void Ranking::Data::makeSources() {
    const mpq_class cpuCyclesPerSource[] = {1, query.crystalHz ? mpq_class(query.clockHz / *query.crystalHz) : 1};
    const mpq_class hz[] = {query.clockHz, query.crystalHz.value_or(query.clockHz)};
    for (std::size_t i = 0; i < sources.size(); ++i) {
        Source& s = sources[i];
        s.hz = hz[i];
        const mpq_class c = interval() ? mpq_class(query.target * s.hz) : mpq_class(s.hz / query.target);
        s.p = c.get_num();
        s.q = c.get_den();
        s.twiceP = 2 * s.p;
        s.narrow = fits64(s.p) && fits64(s.q);
        s.pNarrow = s.narrow ? mpz_get_ui(s.p.get_mpz_t()) : 0;
        s.qNarrow = s.narrow ? mpz_get_ui(s.q.get_mpz_t()) : 0;
        s.countingFloor = ceilOf(countingFloorCycles / cpuCyclesPerSource[i]).get_ui();
        s.reloadDelay = ceilOf(reloadLatencyCycles / cpuCyclesPerSource[i]).get_ui() + (i == 1 ? crystalLatchCycles : 0);
    }
    // With the clocks a0/b0 and a1/b1 in lowest terms, a cycle lasts a1 b0
    // and a0 b1 units of 1 / (a0 a1) seconds.
    const mpz_class lengths[] = {sources[1].hz.get_num() * sources[0].hz.get_den(),
                                 sources[0].hz.get_num() * sources[1].hz.get_den()};
    for (std::size_t i = 0; i < sources.size(); ++i)
        sources[i].cycleLength =
            mpz_sizeinbase(lengths[i].get_mpz_t(), 2) <= 44 ? mpz_get_ui(lengths[i].get_mpz_t()) : 0;
}

void Ranking::Data::makeFamilies() {
    for (const avr::Timer& timer : query.chip->timers) {
        if (!searched(timer) || (query.timer && timer.number != *query.timer))
            continue;
        const int source = timer.countsCrystal() && query.crystalHz ? 1 : 0;
        for (const Shape& shape : shapes) {
            if (shape.goal != query.goal || (query.mode && shape.mode != *query.mode) || !timerFits(timer, shape))
                continue;
            for (const avr::Prescaler& clockSelect : timer.prescalers) {
                const int prescaler = clockSelect.divisor;
                const Source& s = sources[static_cast<std::size_t>(source)];
                Family family{&timer, &shape, prescaler, source, false, static_cast<unsigned long>(prescaler) <= s.reloadDelay};
                // Counted only when one period cannot reach the target.
                family.counted = interval() && cmp(mpz_class(s.q * family.longestCycles()), s.p) < 0;
                families.push_back(family);
            }
        }
    }
    if (families.empty())
        throw QueryError(Problem::NoSetting);
    if (interval()) {
        mpq_class longest = 0;
        for (const Family& f : families)
            longest = std::max(longest, mpq_class(mpq_class(f.longestCycles()) / sourceOf(f).hz));
        if (query.target > maxCount * longest)
            throw QueryError(Problem::TooManyInterrupts);
    }
}

// The rank error as num / den, both exact: the relative error, plus for a
// reload the cycles its latency may add to every period.
void Ranking::Data::rankErrorTerms(const Candidate& c, mpz_class& num, mpz_class& den) const {
    const Family& f = families[c.family];
    const Source& s = sourceOf(f);
    const unsigned long cycles = f.cycles(c.reg) * c.count;
    mpz_mul_ui(num.get_mpz_t(), s.q.get_mpz_t(), cycles);
    if (interval()) {
        // (m q - p) / p, with m the cycles counted
        mpz_sub(num.get_mpz_t(), num.get_mpz_t(), s.p.get_mpz_t());
        mpz_abs(num.get_mpz_t(), num.get_mpz_t());
        if (f.lateReload(c.reg))
            mpz_addmul_ui(num.get_mpz_t(), s.q.get_mpz_t(), s.reloadDelay * c.count);
        den = s.p;
    } else {
        // (p - m q) / (m q), with m the cycles of one period
        den = num;
        mpz_sub(num.get_mpz_t(), s.p.get_mpz_t(), den.get_mpz_t());
        mpz_abs(num.get_mpz_t(), num.get_mpz_t());
    }
}

mpq_class Ranking::Data::rankError(const Candidate& c) const {
    mpq_class error;
    rankErrorTerms(c, error.get_num(), error.get_den());
    error.canonicalize();
    return error;
}

// The count nearest the target, floor((2p + q j) / (2 q j)) for j cycles
// a period, at least 2; 0 when it would exceed maxCount.
std::uint32_t Ranking::Data::nearestCount(const Source& s, unsigned long cycles, Scratch& t) const {
    unsigned long count = 0;
    if (s.narrow) {
        const Wide qj = Wide(s.qNarrow) * cycles;
        const Wide k = (2 * Wide(s.pNarrow) + qj) / (2 * qj);
        if (k > maxCount)
            return 0;
        count = static_cast<unsigned long>(k);
    } else {
        mpz_mul_ui(t.a.get_mpz_t(), s.q.get_mpz_t(), 2 * cycles);
        mpz_mul_ui(t.b.get_mpz_t(), s.q.get_mpz_t(), cycles);
        mpz_add(t.b.get_mpz_t(), t.b.get_mpz_t(), s.twiceP.get_mpz_t());
        mpz_fdiv_q(t.b.get_mpz_t(), t.b.get_mpz_t(), t.a.get_mpz_t());
        if (mpz_cmp_ui(t.b.get_mpz_t(), maxCount) > 0)
            return 0;
        count = mpz_get_ui(t.b.get_mpz_t());
    }
    return static_cast<std::uint32_t>(std::max(2ul, count));
}

// The rank error's terms of rankErrorTerms, in 128-bit integers when p and
// q fit in 64 bits: the cycles counted stay below 2^51 and the reload
// allowance below 2^40, so no term reaches 2^116.
void Ranking::Data::setApproximation(Candidate& c, Scratch& t) const {
    const Family& f = families[c.family];
    const Source& s = sourceOf(f);
    if (!s.narrow) {
        rankErrorTerms(c, t.a, t.b);
        c.approx = t.a.get_d() / t.b.get_d();
        c.small = fits64(t.a) && fits64(t.b);
        c.num = c.small ? mpz_get_ui(t.a.get_mpz_t()) : 0;
        c.den = c.small ? mpz_get_ui(t.b.get_mpz_t()) : 0;
        return;
    }
    const Wide p = s.pNarrow, qm = Wide(s.qNarrow) * (f.cycles(c.reg) * c.count);
    Wide num = qm > p ? qm - p : p - qm, den = qm;
    if (interval()) {
        if (f.lateReload(c.reg))
            num += Wide(s.qNarrow) * (s.reloadDelay * c.count);
        den = p;
    }
    c.approx = static_cast<double>(num) / static_cast<double>(den);
    c.small = num <= UINT64_MAX && den <= UINT64_MAX;
    c.num = static_cast<std::uint64_t>(num);
    c.den = static_cast<std::uint64_t>(den);
}

void Ranking::Data::makeCandidates() {
    order.reserve(families.size() * 256);
    Scratch scratch;
    for (std::size_t fi = 0; fi < families.size(); ++fi) {
        const Family& f = families[fi];
        const Source& s = sourceOf(f);
        for (int reg = f.shape->firstRegister; reg <= f.lastRegister(); ++reg) {
            Candidate c{};
            c.id = static_cast<std::uint32_t>(order.size());
            c.family = static_cast<std::uint16_t>(fi);
            c.reg = static_cast<std::int16_t>(reg);
            c.count = 1;
            if (f.counted) {
                if (f.cycles(reg) < s.countingFloor)
                    continue;
                c.count = nearestCount(s, f.cycles(reg), scratch);
                if (c.count == 0)
                    continue;
            }
            setApproximation(c, scratch);
            c.clearlyBelow = c.approx * (1 - nearTie);
            setTieKeys(c);
            order.push_back(c);
        }
    }
    exact.resize(order.size());
}

void Ranking::Data::setTieKeys(Candidate& c) const {
    const Family& f = families[c.family];
    const auto modeOrder = [&] {
        switch (f.shape->mode) {
        case Mode::Ctc: return 0;
        case Mode::Normal: return f.reloads(c.reg) ? 2 : 1;
        case Mode::FastPwm: return 3;
        case Mode::PhasePwm:
        case Mode::PhaseFrequencyPwm: return 4;
        }
        return 5;
    };
    c.kind = static_cast<std::uint8_t>((c.count > 1 ? 8 : 0) + modeOrder());
    if (query.goal == Goal::PwmFrequency)
        c.rate = 255 - (f.shape->top == Top::Fixed ? 255 : c.reg);  // the larger TOP, the finer the duty
    else  // the longer period, the fewer interrupts or compare matches
        c.rate = ~(f.cycles(c.reg) * sourceOf(f).cycleLength);
}

int Ranking::Data::tieBreak(const Candidate& a, const Candidate& b) const {
    const Family& fa = families[a.family];
    const Family& fb = families[b.family];
    if (a.kind != b.kind)
        return a.kind - b.kind;
    if (query.goal == Goal::PwmFrequency || exactRates()) {
        if (a.rate != b.rate)
            return a.rate < b.rate ? -1 : 1;
    } else if (const int rate = cmp(mpq_class(fb.cycles(b.reg) / sourceOf(fb).hz),
                                    mpq_class(fa.cycles(a.reg) / sourceOf(fa).hz));
               rate != 0) {
        return rate;
    }
    if (fa.timer->number != fb.timer->number) {
        const auto order = [this](int timer) { return query.preferredTimer == timer ? -1 : timer; };
        return order(fa.timer->number) - order(fb.timer->number);
    }
    if (fa.prescaler != fb.prescaler)
        return fa.prescaler - fb.prescaler;
    return a.reg - b.reg;
}

// The exact order of rank errors, then the tie-breaks. The approximations
// decide whenever they are clearly apart, which they then are exactly too;
// near ties are compared exactly, each exact error made once.
bool Ranking::Data::before(const Candidate& a, const Candidate& b) const {
    if (a.approx < b.clearlyBelow)
        return true;
    if (b.approx < a.clearlyBelow)
        return false;
    if (const int order = compareExactly(a, b); order != 0)
        return order < 0;
    return tieBreak(a, b) < 0;
}

int Ranking::Data::compareExactly(const Candidate& a, const Candidate& b) const {
    if (a.approx == 0 && b.approx == 0)
        return 0;
    if (a.small && b.small) {
        const Wide left = Wide(a.num) * b.den, right = Wide(b.num) * a.den;
        return left < right ? -1 : left > right ? 1 : 0;
    }
    for (const Candidate* c : {&a, &b})
        if (!exact[c->id])
            exact[c->id] = rankError(*c);
    return cmp(*exact[a.id], *exact[b.id]);
}

// The best `count` candidates in order at the front; the ones after them
// are the rest, in no order.
void Ranking::Data::sortThrough(std::size_t count) const {
    if (count <= sorted)
        return;
    const std::size_t through = std::min(order.size(), std::max({count, 2 * sorted, std::size_t{16}}));
    const auto first = order.begin() + static_cast<std::ptrdiff_t>(sorted);
    const auto less = [this](const Candidate& a, const Candidate& b) { return before(a, b); };
    // A heap pays off only for a small part of the rest.
    if (4 * (through - sorted) >= order.size() - sorted) {
        std::sort(first, order.end(), less);
        sorted = order.size();
        return;
    }
    std::partial_sort(first, order.begin() + static_cast<std::ptrdiff_t>(through), order.end(), less);
    sorted = through;
}

// ------------------------------------------------------------- the rows

Setting Ranking::Data::settingOf(const Family& f, const Candidate& c) const {
    Setting setting;
    setting.timer = f.timer;
    setting.mode = f.shape->mode;
    setting.top = f.shape->top;
    setting.prescaler = f.prescaler;
    setting.role = f.shape->registers == 1 || (f.shape->role == RegisterRole::Preload && c.reg == 0)
                       ? RegisterRole::None
                       : f.shape->role;
    setting.registerValue = c.reg;
    setting.count = c.count;
    setting.crystal = f.source == 1;
    if (f.shape->outputUnit >= 0)
        setting.output = &f.timer->compareUnits[static_cast<std::size_t>(f.shape->outputUnit)];
    return setting;
}

// The interval or frequency `ticks` ticks a period give.
mpq_class Ranking::Data::valueAt(const Family& f, const mpz_class& ticks, std::uint32_t count) const {
    const mpq_class period = mpq_class(ticks * f.prescaler) / sourceOf(f).hz;
    return interval() ? mpq_class(period * count) : mpq_class(1 / period);
}

void Ranking::Data::neighbours(const Family& f, const Candidate& c, Row& row) const {
    const Source& s = sourceOf(f);
    const int first = f.ticks(f.shape->firstRegister), last = f.ticks(f.lastRegister());
    const int lowest = std::min(first, last), highest = std::max(first, last);
    const int step = std::max(1, std::abs(f.shape->ticksPerStep));
    // The target in ticks of this prescaler and count.
    const mpq_class wanted = mpq_class(s.p, s.q) / (f.prescaler * static_cast<unsigned long>(c.count));
    const mpq_class steps = (wanted - lowest) / step;
    const mpz_class fewer = lowest + step * (ceilOf(steps) - 1);
    const mpz_class more = lowest + step * (floorOf(steps) + 1);
    std::optional<mpq_class> shorter, longer;
    if (fewer >= lowest)
        shorter = valueAt(f, std::min(fewer, mpz_class(highest)), c.count);
    if (more <= highest)
        longer = valueAt(f, std::max(more, mpz_class(lowest)), c.count);
    // More ticks are a longer interval but a lower frequency.
    row.below = interval() ? shorter : longer;
    row.above = interval() ? longer : shorter;
}

std::vector<Warning> Ranking::Data::warningsOf(const Family& f, const Candidate& c) const {
    std::vector<Warning> warnings;
    if (interval() && f.lateReload(c.reg))
        warnings.push_back(f.source == 1 ? Warning::AsynchronousReload : Warning::ReloadLatency);
    if (interval() && c.count == 1 && f.cycles(c.reg) < sourceOf(f).countingFloor)
        warnings.push_back(Warning::FrequentInterrupt);
    if (f.shape->mode == Mode::FastPwm)
        warnings.push_back(Warning::NoZeroDuty);
    return warnings;
}

Row Ranking::Data::row(const Candidate& c) const {
    const Family& f = families[c.family];
    Row row;
    row.setting = settingOf(f, c);
    row.achieved = valueAt(f, f.ticks(c.reg), c.count);
    row.error = (row.achieved - query.target) / query.target;
    const mpq_class ratio = interval() ? mpq_class(query.target / row.achieved) : mpq_class(row.achieved / query.target);
    row.driftPerDay = secondsPerDay * (ratio - 1);
    neighbours(f, c, row);
    row.warnings = warningsOf(f, c);
    return row;
}

// ------------------------------------------------------------- public

bool searched(const avr::Timer& timer) { return timer.bits == 8 && !timer.pll; }

std::string_view Setting::registerName() const {
    switch (role) {
    case RegisterRole::None: return {};
    case RegisterRole::Preload: return timer->counter;
    case RegisterRole::Compare:
    case RegisterRole::Top: return timer->topOcr;
    }
    return {};
}

bool Row::exact() const {
    return error == 0 && std::ranges::none_of(warnings, [](Warning w) {
               return w == Warning::ReloadLatency || w == Warning::AsynchronousReload;
           });
}

Ranking::Ranking(std::shared_ptr<const Data> data) : data_(std::move(data)) {}

std::size_t Ranking::size() const { return data_->order.size(); }

Row Ranking::row(std::size_t rank) const {
    data_->sortThrough(rank + 1);
    return data_->row(data_->order.at(rank));
}

std::size_t Ranking::countWithin(const mpq_class& maxErrorPpm) const {
    const mpq_class limit = maxErrorPpm / pow10(6);
    const auto within = [&](const Candidate& c) { return data_->rankError(c) <= limit; };
    // Sorted further until a row beyond the limit is among the sorted ones.
    std::size_t count = 16;
    data_->sortThrough(count);
    while (data_->sorted < size() && within(data_->order[data_->sorted - 1]))
        data_->sortThrough(count *= 2);
    const auto end = data_->order.begin() + static_cast<std::ptrdiff_t>(data_->sorted);
    return static_cast<std::size_t>(std::partition_point(data_->order.begin(), end, within) - data_->order.begin());
}

Ranking solve(const Query& query) {
    check(query);
    auto data = std::make_shared<Ranking::Data>(query);
    data->makeSources();
    data->makeFamilies();
    data->makeCandidates();
    if (data->order.empty())
        throw QueryError(Problem::NoSetting);
    return Ranking(std::move(data));
}

}  // namespace solver
