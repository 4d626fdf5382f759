// The settings search in-process: solve() plus the rows read, timed call by
// call, with the same counters handlers_bench writes so that bench_report
// puts them in its table against the 1 ms target.
//
//   first ten rows      what avrtimer-calc solve prints by default
//   first hundred rows  what the search window's table holds
// The ranking is found only as far as it is read: a 16-bit timer alone
// has millions of settings, and nothing reads them all.
#include "avr/timers.h"
#include "bench/report.h"
#include "solver/search.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <clocale>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct SolveCase {
    const char* name;
    const char* chip;
    mpq_class clockHz;
    solver::Goal goal;
    mpq_class target;
};

// Long intervals make most prescalers count interrupts in software, and an
// inexact one leaves no row exact to stop at early; the ATmega2560 has six
// timers; PWM has the most register values.
const SolveCase cases[] = {
    {"solve 1 ms at 16 MHz", "atmega328p", 16000000, solver::Goal::Interval, mpq_class(1, 1000)},
    {"solve 1 ms at 11.0592 MHz", "atmega328p", 11059200, solver::Goal::Interval, mpq_class(1, 1000)},
    {"solve 10 s at 16 MHz, ATmega2560", "atmega2560", 16000000, solver::Goal::Interval, 10},
    {"solve 1.2345678 s at 11.0592 MHz, ATmega2560", "atmega2560", 11059200, solver::Goal::Interval,
     mpq_class(12345678, 10000000)},
    {"solve PWM 20 kHz at 16 MHz, ATmega2560", "atmega2560", 16000000, solver::Goal::PwmFrequency, 20000},
};

void runSolve(benchmark::State& state, const SolveCase& c, std::size_t rowsRead) {
    solver::Query query;
    query.chip = avr::findChip(c.chip);
    query.clockHz = c.clockHz;
    query.goal = c.goal;
    query.target = c.target;
    std::vector<double> callsUs;
    std::size_t rows = 0;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        const solver::Ranking ranking = solver::solve(query);
        for (std::size_t i = 0; i < std::min(rowsRead, ranking.size()); ++i)
            benchmark::DoNotOptimize(ranking.row(i));
        const double us = std::chrono::duration<double, std::micro>(Clock::now() - start).count();
        state.SetIterationTime(us / 1e6);
        callsUs.push_back(us);
        rows = ranking.size();
    }
    state.counters["call_median_us"] = bench::spreadOf(callsUs).median;
    state.counters["target_us"] = rowsRead == 10 ? 1000 : 0;  // the target is for what solve prints
    state.counters["rows"] = static_cast<double>(rows);
}

}  // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_NUMERIC, "C");
    for (const SolveCase& c : cases) {
        for (std::size_t rows : {10, 100}) {
            const std::string name = std::string(c.name) + (rows == 10 ? ": first ten rows" : ": first hundred rows");
            benchmark::RegisterBenchmark(name.c_str(), [&c, rows](benchmark::State& state) {
                runSolve(state, c, rows);
            })->UseManualTime()->Unit(benchmark::kMicrosecond);
        }
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
