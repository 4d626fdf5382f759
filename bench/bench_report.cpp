// The table of every figure against its target, from the outputs tools/bench
// collects:
//
//   bench_report [--startup WHERE=FILE]... [--rss WHERE=FILE]...
//                [--handlers LABEL=FILE]... [--command WHERE=FILE]...
//                [--solver LABEL=FILE]...
//
// --startup and --command take hyperfine --export-json outputs; the files
// given for one WHERE are merged, as tools/bench runs hyperfine in rounds.
// The start-ups name their commands avrtimer, bare_window and, optionally,
// label_window; the command comparison names its baseline "minimal". --rss
// takes peak_rss's output for the same WHERE. --handlers and --solver take
// Google Benchmark's JSON output, LABEL naming where it ran.
#include "bench/report.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

using bench::Row;
using nlohmann::json;

// Files in the order their WHERE or LABEL was first given.
using Labelled = std::vector<std::pair<std::string, std::vector<json>>>;

struct Inputs {
    Labelled startup, rss, handlers, command, solver;
};

json readJson(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw std::runtime_error("cannot read " + path);
    return json::parse(file);
}

void add(Labelled& into, const std::string& argument) {
    const std::size_t equals = argument.find('=');
    if (equals == std::string::npos)
        throw std::invalid_argument("not LABEL=FILE: " + argument);
    const std::string label = argument.substr(0, equals);
    json contents = readJson(argument.substr(equals + 1));
    for (auto& [known, files] : into)
        if (known == label) {
            files.push_back(std::move(contents));
            return;
        }
    into.push_back({label, {std::move(contents)}});
}

Inputs parseArguments(int argc, char** argv) {
    Inputs inputs;
    const std::pair<const char*, Labelled*> options[] = {{"--startup", &inputs.startup},
                                                         {"--rss", &inputs.rss},
                                                         {"--handlers", &inputs.handlers},
                                                         {"--command", &inputs.command},
                                                         {"--solver", &inputs.solver}};
    for (int i = 1; i < argc; i += 2) {
        const std::string option = argv[i];
        if (i + 1 == argc)
            throw std::invalid_argument("missing value after " + option);
        const auto known = std::find_if(std::begin(options), std::end(options),
                                        [&](const auto& entry) { return option == entry.first; });
        if (known == std::end(options))
            throw std::invalid_argument("unknown option " + option);
        add(*known->second, argv[i + 1]);
    }
    return inputs;
}

std::vector<double> rssOf(const Labelled& rss, const std::string& where, const std::string& program) {
    for (const auto& [label, files] : rss)
        if (label == where && files.front().contains(program))
            return files.front()[program].get<std::vector<double>>();
    throw std::runtime_error("no peak RSS of " + program + " for " + where);
}

bool hasCommand(const json& hyperfineExport, const std::string& command) {
    for (const json& result : hyperfineExport.value("results", json::array()))
        if (result.value("command", "") == command)
            return true;
    return false;
}

void appendStartupRows(const Inputs& inputs, std::vector<Row>& rows) {
    for (const auto& [where, files] : inputs.startup) {
        bench::ProgramSamples app = bench::hyperfineSamples(files, "avrtimer");
        bench::ProgramSamples bare = bench::hyperfineSamples(files, "bare_window");
        app.rssMiB = rssOf(inputs.rss, where, "avrtimer");
        bare.rssMiB = rssOf(inputs.rss, where, "bare_window");
        const std::vector<Row> more = bench::startupRows(app, bare, where);
        rows.insert(rows.end(), more.begin(), more.end());
        if (hasCommand(files.front(), "label_window"))
            rows.push_back(bench::startupFloorRow(bench::hyperfineSamples(files, "label_window"), bare, where));
    }
}

void appendBenchmarkRows(const Labelled& outputs, std::vector<Row>& rows) {
    if (outputs.empty())
        return;
    std::vector<bench::HandlerRun> runs;
    for (const auto& [label, files] : outputs)
        for (const json& results : files)
            runs.push_back({label, results});
    const std::vector<Row> more = bench::handlerRows(runs);
    rows.insert(rows.end(), more.begin(), more.end());
}

void appendCommandRows(const Inputs& inputs, std::vector<Row>& rows) {
    for (const auto& [where, files] : inputs.command) {
        const std::string command = bench::otherCommand(files.front(), "minimal");
        rows.push_back(bench::commandRow(bench::hyperfineSamples(files, command),
                                         bench::hyperfineSamples(files, "minimal"), command, where));
    }
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const Inputs inputs = parseArguments(argc, argv);
        std::vector<Row> rows;
        appendStartupRows(inputs, rows);
        appendBenchmarkRows(inputs.handlers, rows);
        appendCommandRows(inputs, rows);
        appendBenchmarkRows(inputs.solver, rows);
        std::fputs(bench::markdownTable(rows).c_str(), stdout);
        return 0;
    } catch (const std::exception& error) {
        std::fputs(("bench_report: " + std::string(error.what()) + "\n").c_str(), stderr);
        return 1;
    }
}
