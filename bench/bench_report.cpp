// The table tools/bench prints, from the JSON it collects:
//
//   bench_report [--startup WHERE=FILE]... [--rss WHERE=FILE]...
//                [--handlers LABEL=FILE]... [--command WHERE=FILE]...
//                [--solver LABEL=FILE]...
//
// --startup and --command take hyperfine --export-json outputs, the rounds
// of one WHERE merged; --rss peak_rss's output for a WHERE of --startup;
// --handlers and --solver Google Benchmark's JSON, LABEL naming where it ran.
#include "bench/report.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using nlohmann::json;
// The files of each WHERE or LABEL, in the order first given.
using Labelled = std::vector<std::pair<std::string, std::vector<json>>>;

void add(Labelled& into, const std::string& argument) {
    const std::size_t equals = argument.find('=');
    std::ifstream file(argument.substr(equals == std::string::npos ? 0 : equals + 1), std::ios::binary);
    if (equals == std::string::npos || !file)
        throw std::invalid_argument("not LABEL=FILE with a readable FILE: " + argument);
    const std::string label = argument.substr(0, equals);
    const auto known = std::find_if(into.begin(), into.end(), [&](const auto& entry) { return entry.first == label; });
    std::ostringstream text;
    text << file.rdbuf();
    (known == into.end() ? into.emplace_back(label, std::vector<json>()) : *known)
        .second.push_back(bench::parseBenchmarkJson(text.str()));
}

std::vector<std::pair<std::string, json>> flat(const Labelled& outputs) {
    std::vector<std::pair<std::string, json>> runs;
    for (const auto& [label, files] : outputs)
        for (const json& output : files)
            runs.emplace_back(label, output);
    return runs;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        std::map<std::string, Labelled> inputs;
        for (int i = 1; i + 1 < argc; i += 2) {
            const std::string option = argv[i];
            if (option != "--startup" && option != "--rss" && option != "--handlers" && option != "--command" &&
                option != "--solver")
                throw std::invalid_argument("unknown option " + option);
            add(inputs[option], argv[i + 1]);
        }
        if (argc % 2 == 0)
            throw std::invalid_argument("missing value after " + std::string(argv[argc - 1]));
        std::vector<bench::Row> rows;
        for (const auto& [where, rounds] : inputs["--startup"]) {
            const auto rss = std::find_if(inputs["--rss"].begin(), inputs["--rss"].end(),
                                          [&](const auto& entry) { return entry.first == where; });
            if (rss == inputs["--rss"].end())
                throw std::invalid_argument("no --rss for " + where);
            for (bench::Row& row : bench::startupRows(rounds, rss->second.front(), where))
                rows.push_back(std::move(row));
        }
        if (!inputs["--handlers"].empty())
            for (bench::Row& row : bench::benchmarkRows(flat(inputs["--handlers"])))
                rows.push_back(std::move(row));
        for (const auto& [where, rounds] : inputs["--command"])
            rows.push_back(bench::commandRow(rounds, where));
        if (!inputs["--solver"].empty())
            for (bench::Row& row : bench::benchmarkRows(flat(inputs["--solver"])))
                rows.push_back(std::move(row));
        std::fputs(bench::markdownTable(rows).c_str(), stdout);
        return 0;
    } catch (const std::exception& error) {
        std::fputs(("bench_report: " + std::string(error.what()) + "\n").c_str(), stderr);
        return 1;
    }
}
