// Start-up time and peak memory of the calculator against a bare Qt window,
// both measured in the same run, and the table of every figure against its
// target. The handler figures come from a CSV file written by handlers_bench.
//
//   startup_bench --app PATH --bare PATH [--floor PATH] [--runs N]
//                 [--platform NAME]... [--cpu N]... [--handlers-csv [LABEL=]FILE]...
//                 [--command "PATH ARGS..." --minimal PATH] [--solver-csv [LABEL=]FILE]...
//
// The floor program, when given, is timed in the same runs and shown
// against the bare window too. With --cpu the programs run pinned to that
// processor, and the measurement is repeated for each one given: a virtual
// machine's processors can differ in speed for minutes, and a start-up
// landing now on one, now on the other, gives a median of neither.
//
// LABEL names where that handlers_bench run ran, e.g. "CPU 0".
//
// --command is a whole avrtimer-calc run (its words split at spaces), timed
// against the minimal program on each processor, the two taking turns.
//
// Each run is a whole process: fork, exec, first paint of the window, quit,
// exit, wait4. The programs take turns, in an order that turns round every
// round, so that drifting load on the machine falls on all of them alike.
#include "bench/process_timer.h"
#include "bench/report.h"

#include <sched.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <exception>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

using bench::Row;

struct Options {
    std::string app;
    std::string bare;
    std::string floor;
    int runs = 21;
    std::vector<std::string> platforms;
    std::vector<int> cpus;
    std::vector<std::string> handlersCsvs;
    std::vector<std::string> command;
    std::string minimal;
    std::vector<std::string> solverCsvs;
};

std::vector<std::string> words(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string word; in >> word;)
        result.push_back(word);
    return result;
}

int positiveInteger(const std::string& text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 1)
        throw std::invalid_argument("not a positive integer: " + text);
    return value;
}

int cpuNumber(const std::string& text) {
    int value = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 0 || value >= CPU_SETSIZE)
        throw std::invalid_argument("not a processor number: " + text);
    return value;
}

// The children inherit the affinity.
void pinTo(int cpu) {
    cpu_set_t set;
    CPU_ZERO(&set);
    CPU_SET(cpu, &set);
    if (sched_setaffinity(0, sizeof set, &set) != 0)
        throw std::runtime_error("cannot run on CPU " + std::to_string(cpu));
}

Options parseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (i + 1 == argc)
            throw std::invalid_argument("missing value after " + option);
        const std::string value = argv[++i];
        if (option == "--app")
            options.app = value;
        else if (option == "--bare")
            options.bare = value;
        else if (option == "--floor")
            options.floor = value;
        else if (option == "--runs")
            options.runs = positiveInteger(value);
        else if (option == "--platform")
            options.platforms.push_back(value);
        else if (option == "--cpu")
            options.cpus.push_back(cpuNumber(value));
        else if (option == "--handlers-csv")
            options.handlersCsvs.push_back(value);
        else if (option == "--command")
            options.command = words(value);
        else if (option == "--minimal")
            options.minimal = value;
        else if (option == "--solver-csv")
            options.solverCsvs.push_back(value);
        else
            throw std::invalid_argument("unknown option " + option);
    }
    if (options.app.empty() || options.bare.empty())
        throw std::invalid_argument("--app and --bare are required");
    if (options.command.empty() != options.minimal.empty())
        throw std::invalid_argument("--command and --minimal go together");
    if (options.platforms.empty())
        options.platforms.push_back("offscreen");
    return options;
}

void add(bench::ProgramSamples& samples, const bench::ProcessRun& run) {
    samples.wallMs.push_back(run.wallMs);
    samples.cpuMs.push_back(run.cpuMs);
    samples.rssMiB.push_back(run.peakRssMiB);
}

struct StartupSamples {
    bench::ProgramSamples app, bare, floor;
};

// One round runs every program once; the order turns round each time.
void runRound(const Options& options, const std::string& platform, StartupSamples& samples, int round) {
    std::vector<std::pair<const std::string*, bench::ProgramSamples*>> programs{
        {&options.app, &samples.app}, {&options.bare, &samples.bare}};
    if (!options.floor.empty())
        programs.push_back({&options.floor, &samples.floor});
    if (round % 2 == 1)
        std::reverse(programs.begin(), programs.end());
    for (const auto& [program, into] : programs)
        add(*into, bench::timeProcess(*program, platform));
}

StartupSamples measureStartups(const Options& options, const std::string& platform) {
    // One unrecorded round fills the page cache and fontconfig's cache.
    StartupSamples warmUp;
    runRound(options, platform, warmUp, 0);
    StartupSamples samples;
    for (int i = 0; i < options.runs; ++i)
        runRound(options, platform, samples, i);
    return samples;
}

// The command and the minimal program in turns, after one unrecorded pair.
std::pair<bench::ProgramSamples, bench::ProgramSamples> measureCommand(const Options& options) {
    const std::vector<std::string> minimal{options.minimal};
    bench::timeProcess(options.command, "offscreen");
    bench::timeProcess(minimal, "offscreen");
    bench::ProgramSamples command, baseline;
    for (int i = 0; i < options.runs; ++i) {
        const bool commandFirst = i % 2 == 0;
        add(commandFirst ? command : baseline, bench::timeProcess(commandFirst ? options.command : minimal, "offscreen"));
        add(commandFirst ? baseline : command, bench::timeProcess(commandFirst ? minimal : options.command, "offscreen"));
    }
    return {command, baseline};
}

std::string readFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw std::runtime_error("cannot read " + path);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::vector<bench::HandlerRun> readHandlerRuns(const std::vector<std::string>& arguments) {
    std::vector<bench::HandlerRun> runs;
    for (const std::string& argument : arguments) {
        const std::size_t equals = argument.find('=');
        if (equals == std::string::npos)
            runs.push_back({"", readFile(argument)});
        else
            runs.push_back({argument.substr(0, equals), readFile(argument.substr(equals + 1))});
    }
    return runs;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const Options options = parseOptions(argc, argv);
        std::vector<Row> rows;
        // -1: wherever the system runs them.
        const std::vector<int> cpus = options.cpus.empty() ? std::vector<int>{-1} : options.cpus;
        for (const std::string& platform : options.platforms)
            for (int cpu : cpus) {
                if (cpu >= 0)
                    pinTo(cpu);
                const std::string where = cpu < 0 ? platform : platform + ", CPU " + std::to_string(cpu);
                std::fputs(("startup_bench: " + std::to_string(options.runs) + " runs of each program under "
                            "QT_QPA_PLATFORM=" + where + "\n")
                               .c_str(),
                           stderr);
                const StartupSamples samples = measureStartups(options, platform);
                const std::vector<Row> more = bench::startupRows(samples.app, samples.bare, where);
                rows.insert(rows.end(), more.begin(), more.end());
                if (!options.floor.empty())
                    rows.push_back(bench::startupFloorRow(samples.floor, samples.bare, where));
            }
        if (!options.handlersCsvs.empty()) {
            const std::vector<Row> more = bench::handlerRows(readHandlerRuns(options.handlersCsvs));
            rows.insert(rows.end(), more.begin(), more.end());
        }
        if (!options.command.empty()) {
            std::string what = "avrtimer-calc";
            for (std::size_t i = 1; i < options.command.size(); ++i)
                what += " " + options.command[i];
            for (int cpu : cpus) {
                if (cpu >= 0)
                    pinTo(cpu);
                const auto [command, minimal] = measureCommand(options);
                rows.push_back(bench::commandRow(command, minimal, what, cpu < 0 ? "unpinned" : "CPU " + std::to_string(cpu)));
            }
        }
        if (!options.solverCsvs.empty()) {
            const std::vector<Row> more = bench::handlerRows(readHandlerRuns(options.solverCsvs));
            rows.insert(rows.end(), more.begin(), more.end());
        }
        std::fputs(bench::markdownTable(rows).c_str(), stdout);
        return 0;
    } catch (const std::exception& error) {
        std::fputs(("startup_bench: " + std::string(error.what()) + "\n").c_str(), stderr);
        return 1;
    }
}
