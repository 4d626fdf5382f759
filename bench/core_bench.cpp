// The core's share of a keystroke: number text, parsing, and the formulas of
// one full recalculation.
#include "calc/formulas.h"
#include "calc/numtext.h"

#include <benchmark/benchmark.h>

using namespace calc;

static void BM_TextFraction(benchmark::State& state) {
    const long double x = 1.0L / 3;
    for (auto _ : state)
        benchmark::DoNotOptimize(text(x, ","));
}
BENCHMARK(BM_TextFraction);

static void BM_TextInteger(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(text(3906.0L, ","));
}
BENCHMARK(BM_TextInteger);

static void BM_TextExponent(benchmark::State& state) {
    const long double x = 1.0L / 12000;
    for (auto _ : state)
        benchmark::DoNotOptimize(text(x, ","));
}
BENCHMARK(BM_TextExponent);

static void BM_ParseDecimal(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(parseDecimal(" 255,875E-3", ","));
}
BENCHMARK(BM_ParseDecimal);

static void BM_ParseInteger(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(parseInteger("3686400"));
}
BENCHMARK(BM_ParseInteger);

// Every formula a clock change evaluates, with the stores it makes, but
// without the texts.
static void BM_FullRecalculationFormulas(benchmark::State& state) {
    const std::int32_t F = 12000000, N = 8;
    for (auto _ : state) {
        benchmark::DoNotOptimize(fastPwmHz(F, N));
        benchmark::DoNotOptimize(phasePwmHz(F, N));
        const double tickUs = toDouble(secondsToMicroseconds(toDouble(tickPeriodSeconds(F, N))));
        benchmark::DoNotOptimize(normalSpanUs(tickUs));
        benchmark::DoNotOptimize(timerFrequencyKHz(F, N));
        benchmark::DoNotOptimize(normalSquareWaveHz(F, N));
        const double T = toDouble(tickPeriodSeconds(F, N));
        const Extended x = wantedTicks(1, 0.000001, T);
        benchmark::DoNotOptimize(Round(tcntPreload(x)));
        benchmark::DoNotOptimize(Round(ctcOcr(x)));
        benchmark::DoNotOptimize(normalInterruptMs(F, N, 100));
        benchmark::DoNotOptimize(ctcInterruptMs(T, 100));
        benchmark::DoNotOptimize(ctcSquareWaveHz(F, N, 1));
        benchmark::DoNotOptimize(ocrForFrequency(F, N, 1));
    }
}
BENCHMARK(BM_FullRecalculationFormulas);
