#include "bench/report.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <optional>
#include <regex>
#include <stdexcept>

namespace bench {
namespace {

using nlohmann::json;

constexpr double startupRatioTarget = 1.2;
constexpr double extraRssTargetMiB = 10;
constexpr double commandRatioTarget = 2.0;

// Fixed-point text with a '.' whatever the user's locale.
std::string fixed(double value, int decimals) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    return std::string(buffer, result.ptr);
}

// "61.2 ms (min 58.0, max 70.4)"
std::string spreadText(const Spread& spread, const std::string& unit, int decimals) {
    return fixed(spread.median, decimals) + " " + unit + " (min " + fixed(spread.min, decimals) + ", max " +
           fixed(spread.max, decimals) + ")";
}

std::string verdict(bool met) { return met ? "met" : "MISSED"; }

// Whole runs of one program: wall times per run; hyperfine gives only the
// mean CPU time of a call, so one per round.
struct Samples {
    std::vector<double> wallMs, cpuMs;
};

const json* resultOf(const json& round, const std::string& command) {
    for (const json& result : round.at("results"))
        if (result.at("command") == command)
            return &result;
    return nullptr;
}

Samples samplesOf(const std::vector<json>& rounds, const std::string& command) {
    Samples samples;
    for (const json& round : rounds) {
        const json* result = resultOf(round, command);
        if (result == nullptr)
            throw std::runtime_error("no runs of " + command + " in a hyperfine output");
        for (const json& seconds : result->at("times"))
            samples.wallMs.push_back(seconds.get<double>() * 1e3);
        samples.cpuMs.push_back((result->at("user").get<double>() + result->at("system").get<double>()) * 1e3);
    }
    return samples;
}

std::vector<double> rssOf(const json& rss, const std::string& program) {
    if (!rss.contains(program))
        throw std::runtime_error("no peak RSS of " + program);
    return rss[program].get<std::vector<double>>();
}

std::string runsText(const Samples& samples) { return std::to_string(samples.wallMs.size()) + " runs"; }

// The width of a cell as a terminal shows it: UTF-8 continuation bytes
// ("µ", "≤") take no column of their own.
std::size_t columns(const std::string& text) {
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

std::optional<double> counter(const json* entry, const char* name) {
    if (entry == nullptr || !entry->contains(name) || !(*entry)[name].is_number())
        return std::nullopt;
    return (*entry)[name].get<double>();
}

const json& benchmarksOf(const json& output) {
    static const json none = json::array();
    const auto found = output.is_object() ? output.find("benchmarks") : output.end();
    return found != output.end() && found->is_array() ? *found : none;
}

// A manually timed benchmark's runs are named "NAME/manual_time", its
// median "NAME/manual_time_median".
const json* entryOf(const json& output, const std::string& key, const char* field) {
    for (const json& entry : benchmarksOf(output))
        if (entry.value(field, "") == key)
            return &entry;
    return nullptr;
}

// One run's figure for one benchmark, or why it has none.
struct Figure {
    std::string text;
    bool measured = false;
    double medianUs = 0, targetUs = 0;
    int labelsPainted = -1;  // -1 for a benchmark that paints nothing
};

Figure figureOf(const json& output, const std::string& name) {
    const json* run = entryOf(output, name + "/manual_time", "run_name");
    if (run != nullptr && run->value("error_occurred", false))
        return {"failed: " + run->value("error_message", std::string())};
    const json* row = entryOf(output, name + "/manual_time_median", "name");
    const std::optional<double> median = counter(row, "call_median_us"), target = counter(row, "target_us");
    if (!median || !target)
        return {"no figure"};
    Figure figure{fixed(*median, 1) + " µs", true, *median, *target,
                  static_cast<int>(counter(row, "labels_painted").value_or(-1))};
    const std::optional<double> slot = counter(row, "slot_median_us"), events = counter(row, "events_median_us");
    if (slot && events)
        figure.text += " (slot " + fixed(*slot, 1) + ", queued events " + fixed(*events, 1) + ")";
    return figure;
}

// A user's keystroke may be handled on any processor, so the target holds
// only if every run meets it.
Row benchmarkRow(const std::vector<std::pair<std::string, json>>& runs, const std::string& name) {
    std::vector<Figure> figures;
    std::string cell;
    for (const auto& [label, output] : runs) {
        figures.push_back(figureOf(output, name));
        cell += (cell.empty() ? "" : "; ") + (label.empty() ? "" : label + ": ") + figures.back().text;
    }
    if (!std::all_of(figures.begin(), figures.end(), [](const Figure& f) { return f.measured; }))
        return {name, cell, "—", "—", "FAILED"};
    const Figure& first = figures.front();
    std::string metric = name + ", median of one call";
    if (first.labelsPainted >= 0)
        metric += ", " + std::to_string(first.labelsPainted) + (first.labelsPainted == 1 ? " label" : " labels") +
                  " repainted";
    // A benchmark without a target measures a floor to compare with.
    if (first.targetUs == 0)
        return {metric, cell, "—", "floor, no target", "—"};
    const bool met = std::all_of(figures.begin(), figures.end(), [](const Figure& f) { return f.medianUs < f.targetUs; });
    return {metric, cell, "—", "target < " + fixed(first.targetUs, 0) + " µs", verdict(met)};
}

}  // namespace

Spread spreadOf(std::vector<double> samples) {
    if (samples.empty())
        throw std::invalid_argument("no samples");
    std::sort(samples.begin(), samples.end());
    const std::size_t n = samples.size();
    return {n % 2 == 1 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2, samples.front(), samples.back()};
}

json parseBenchmarkJson(const std::string& text) {
    static const std::regex notANumber(R"(:\s*-?(NaN|nan|Infinity|inf)\b)");
    return json::parse(std::regex_replace(text, notANumber, ": null"));
}

std::vector<Row> startupRows(const std::vector<json>& rounds, const json& rss, const std::string& where) {
    const Samples app = samplesOf(rounds, "avrtimer"), bare = samplesOf(rounds, "bare_window");
    const Spread appWall = spreadOf(app.wallMs), bareWall = spreadOf(bare.wallMs);
    const Spread appCpu = spreadOf(app.cpuMs), bareCpu = spreadOf(bare.cpuMs);
    const Spread appRss = spreadOf(rssOf(rss, "avrtimer")), bareRss = spreadOf(rssOf(rss, "bare_window"));
    const double wallRatio = appWall.median / bareWall.median;
    const double extraRss = appRss.median - bareRss.median;
    const std::string suffix = ", " + where + ", " + runsText(app);
    std::vector<Row> rows{
        {"start-up, exec to exit" + suffix, spreadText(appWall, "ms", 1), spreadText(bareWall, "ms", 1),
         "ratio " + fixed(wallRatio, 2) + " (target ≤ " + fixed(startupRatioTarget, 2) + ")",
         verdict(wallRatio <= startupRatioTarget)},
        {"start-up CPU time, user + sys, mean of each round, " + where + ", " + std::to_string(rounds.size()) +
             " rounds",
         spreadText(appCpu, "ms", 1), spreadText(bareCpu, "ms", 1), "ratio " + fixed(appCpu.median / bareCpu.median, 2),
         "—"},
        // std::to_chars writes the minus sign itself.
        {"peak RSS (ru_maxrss), " + where + ", " + std::to_string(rssOf(rss, "avrtimer").size()) + " runs",
         spreadText(appRss, "MiB", 1), spreadText(bareRss, "MiB", 1),
         (extraRss < 0 ? "" : "+") + fixed(extraRss, 1) + " MiB (target ≤ +" + fixed(extraRssTargetMiB, 0) + " MiB)",
         verdict(extraRss <= extraRssTargetMiB)},
    };
    if (resultOf(rounds.front(), "label_window") != nullptr) {
        const Samples floor = samplesOf(rounds, "label_window");
        const Spread floorWall = spreadOf(floor.wallMs);
        rows.push_back({"start-up of the bare window with one label (floor), " + where + ", " + runsText(floor),
                        spreadText(floorWall, "ms", 1), spreadText(bareWall, "ms", 1),
                        "ratio " + fixed(floorWall.median / bareWall.median, 2), "—"});
    }
    return rows;
}

Row commandRow(const std::vector<json>& rounds, const std::string& where) {
    std::string command;
    for (const json& result : rounds.at(0).at("results"))
        if (result.at("command") != "minimal")
            command = result.at("command");
    const Samples run = samplesOf(rounds, command), minimal = samplesOf(rounds, "minimal");
    const Spread runWall = spreadOf(run.wallMs), minimalWall = spreadOf(minimal.wallMs);
    const double ratio = runWall.median / minimalWall.median;
    return {command + ", exec to exit, against a minimal C++ program, " + where + ", " + runsText(run),
            spreadText(runWall, "ms", 2), spreadText(minimalWall, "ms", 2),
            "ratio " + fixed(ratio, 2) + " (target ≤ " + fixed(commandRatioTarget, 2) + ")",
            verdict(ratio <= commandRatioTarget)};
}

std::vector<Row> benchmarkRows(const std::vector<std::pair<std::string, json>>& runs) {
    std::vector<std::string> names;
    for (const auto& run : runs)
        for (const json& entry : benchmarksOf(run.second)) {
            const std::string runName = entry.value("run_name", "");
            const std::string name = runName.substr(0, runName.find('/'));
            if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end())
                names.push_back(name);
        }
    std::vector<Row> rows;
    for (const std::string& name : names)
        rows.push_back(benchmarkRow(runs, name));
    if (rows.empty())
        rows.push_back({"benchmarks", "no benchmark in the output", "—", "—", "FAILED"});
    return rows;
}

std::string markdownTable(const std::vector<Row>& rows) {
    using Cells = std::array<std::string, 5>;
    std::vector<Cells> all{{"metric", "avrtimer", "baseline", "ratio or target", "verdict"}};
    for (const Row& row : rows)
        all.push_back({row.metric, row.avrtimer, row.baseline, row.target, row.verdict});
    // Markdown wants at least three dashes under each heading.
    std::array<std::size_t, 5> width{3, 3, 3, 3, 3};
    for (const Cells& cells : all)
        for (std::size_t i = 0; i < cells.size(); ++i)
            width[i] = std::max(width[i], columns(cells[i]));
    Cells rule;
    for (std::size_t i = 0; i < rule.size(); ++i)
        rule[i] = std::string(width[i], '-');
    all.insert(all.begin() + 1, rule);
    std::string table;
    for (const Cells& cells : all) {
        table += "|";
        for (std::size_t i = 0; i < cells.size(); ++i)
            table += " " + cells[i] + std::string(width[i] - columns(cells[i]), ' ') + " |";
        table += "\n";
    }
    return table;
}

}  // namespace bench
