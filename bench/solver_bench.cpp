// The settings search in-process: solve() plus the rows read, timed call by
// call, with the same counters handlers_bench writes so that bench_report
// puts them in its table against the 1 ms target.
//
//   first ten rows   what avrtimer-calc solve prints by default
//   whole ranking    every row ordered (by reading the last one), and the
//                    first ten made, as a table that can scroll to the end
// Making every row's exact figures takes about 3 µs a row; nothing reads
// thousands of rows at once.
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
    mpq_class clockHz;
    solver::Goal goal;
    mpq_class target;
};

// Long intervals make every prescaler count interrupts in software; PWM
// has the most register values.
const SolveCase cases[] = {
    {"solve 1 ms at 16 MHz", 16000000, solver::Goal::Interval, mpq_class(1, 1000)},
    {"solve 1 ms at 11.0592 MHz", 11059200, solver::Goal::Interval, mpq_class(1, 1000)},
    {"solve 1.2345678 s at 11.0592 MHz", 11059200, solver::Goal::Interval, mpq_class(12345678, 10000000)},
    {"solve PWM 20 kHz at 16 MHz", 16000000, solver::Goal::PwmFrequency, 20000},
};

void runSolve(benchmark::State& state, const SolveCase& c, bool wholeRanking) {
    solver::Query query;
    query.chip = avr::findChip(avr::defaultChip);
    query.clockHz = c.clockHz;
    query.goal = c.goal;
    query.target = c.target;
    std::vector<double> callsUs;
    std::size_t rows = 0;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        const solver::Ranking ranking = solver::solve(query);
        if (wholeRanking)
            benchmark::DoNotOptimize(ranking.row(ranking.size() - 1));
        for (std::size_t i = 0; i < std::min<std::size_t>(10, ranking.size()); ++i)
            benchmark::DoNotOptimize(ranking.row(i));
        const double us = std::chrono::duration<double, std::micro>(Clock::now() - start).count();
        state.SetIterationTime(us / 1e6);
        callsUs.push_back(us);
        rows = ranking.size();
    }
    state.counters["call_median_us"] = bench::spreadOf(callsUs).median;
    state.counters["target_us"] = 1000;
    state.counters["rows"] = static_cast<double>(rows);
}

}  // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_NUMERIC, "C");
    for (const SolveCase& c : cases) {
        for (bool wholeRanking : {false, true}) {
            const std::string name = std::string(c.name) + (wholeRanking ? ": whole ranking" : ": first ten rows");
            benchmark::RegisterBenchmark(name.c_str(), [&c, wholeRanking](benchmark::State& state) {
                runSolve(state, c, wholeRanking);
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
