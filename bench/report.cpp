#include "bench/report.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <optional>
#include <stdexcept>

namespace bench {
namespace {

using nlohmann::json;

// A benchmark's entry in Google Benchmark's JSON: its first run by run_name
// (manually timed benchmarks are "NAME/manual_time"), or an aggregate by its
// full name ("NAME/manual_time_median").
const json& benchmarksOf(const json& results) {
    static const json none = json::array();
    const auto found = results.is_object() ? results.find("benchmarks") : results.end();
    return found != results.end() && found->is_array() ? *found : none;
}

const json* entryOf(const json& results, const std::string& key, const char* field) {
    for (const json& entry : benchmarksOf(results))
        if (entry.value(field, "") == key)
            return &entry;
    return nullptr;
}

std::optional<double> counter(const json* entry, const char* name) {
    if (entry == nullptr || !entry->contains(name) || !(*entry)[name].is_number())
        return std::nullopt;
    return (*entry)[name].get<double>();
}

// The width of a cell as a terminal shows it: UTF-8 continuation bytes
// ("µ", "≤") take no column of their own.
std::size_t columns(std::string_view text) {
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// Google Benchmark names a manually timed benchmark "NAME/manual_time" and
// its aggregates "NAME/manual_time_median" and so on.
std::string handlerName(const std::string& row) { return row.substr(0, row.find('/')); }

// One run's figure for one handler, or why it has none.
struct Figure {
    std::string text;
    bool measured = false;
    double medianUs = 0;
    double targetUs = 0;
    int labelsPainted = -1;  // -1 for a benchmark that paints nothing
};

Figure figureOf(const json& results, const std::string& name) {
    const json* run = entryOf(results, name + "/manual_time", "run_name");
    if (run != nullptr && run->value("error_occurred", false))
        return {"failed: " + run->value("error_message", std::string())};
    const json* row = entryOf(results, name + "/manual_time_median", "name");
    const std::optional<double> median = counter(row, "call_median_us");
    const std::optional<double> target = counter(row, "target_us");
    if (!median || !target)
        return {"no figure"};
    Figure figure{fixed(*median, 1) + " µs", true, *median, *target,
                  static_cast<int>(counter(row, "labels_painted").value_or(-1))};
    const std::optional<double> slot = counter(row, "slot_median_us");
    const std::optional<double> events = counter(row, "events_median_us");
    if (slot && events)
        figure.text += " (slot " + fixed(*slot, 1) + ", queued events " + fixed(*events, 1) + ")";
    return figure;
}

// A user's keystroke may be handled on any processor, so the target holds
// only if every run meets it.
Row handlerRow(const std::vector<HandlerRun>& runs, const std::string& name) {
    std::vector<Figure> figures;
    for (const HandlerRun& run : runs)
        figures.push_back(figureOf(run.results, name));
    std::string cell;
    for (std::size_t i = 0; i < runs.size(); ++i)
        cell += (i == 0 ? "" : "; ") + (runs[i].label.empty() ? "" : runs[i].label + ": ") + figures[i].text;
    const bool measured = std::all_of(figures.begin(), figures.end(), [](const Figure& f) { return f.measured; });
    if (!measured)
        return {name, cell, "—", "—", "FAILED"};
    const Figure& first = figures.front();
    std::string metric = name + ", median of one call";
    if (first.labelsPainted >= 0)
        metric += ", " + std::to_string(first.labelsPainted) + (first.labelsPainted == 1 ? " label" : " labels") +
                  " repainted";
    // A benchmark without a target measures a floor to compare with.
    if (first.targetUs == 0)
        return {metric, cell, "—", "floor, no target", "—"};
    const bool met = std::all_of(figures.begin(), figures.end(),
                                 [](const Figure& f) { return f.medianUs < f.targetUs; });
    return {metric, cell, "—", "target < " + fixed(first.targetUs, 0) + " µs", verdict(met)};
}

}  // namespace

Spread spreadOf(std::vector<double> samples) {
    if (samples.empty())
        throw std::invalid_argument("no samples");
    std::sort(samples.begin(), samples.end());
    const std::size_t n = samples.size();
    const double median = n % 2 == 1 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2;
    return {median, samples.front(), samples.back()};
}

std::string fixed(double value, int decimals) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    return std::string(buffer, result.ptr);
}

std::string spreadText(const Spread& spread, std::string_view unit, int decimals) {
    return fixed(spread.median, decimals) + " " + std::string(unit) + " (min " + fixed(spread.min, decimals) +
           ", max " + fixed(spread.max, decimals) + ")";
}

ProgramSamples hyperfineSamples(const std::vector<json>& exports, const std::string& command) {
    ProgramSamples samples;
    for (const json& output : exports) {
        const auto results = output.value("results", json::array());
        const auto result = std::find_if(results.begin(), results.end(),
                                         [&](const json& r) { return r.value("command", "") == command; });
        if (result == results.end())
            throw std::runtime_error("no runs of " + command + " in the hyperfine output");
        for (const json& seconds : result->at("times"))
            samples.wallMs.push_back(seconds.get<double>() * 1e3);
        samples.cpuMs.push_back((result->at("user").get<double>() + result->at("system").get<double>()) * 1e3);
    }
    return samples;
}

std::string otherCommand(const json& hyperfineExport, const std::string& baseline) {
    for (const json& result : hyperfineExport.value("results", json::array()))
        if (result.value("command", "") != baseline)
            return result.value("command", "");
    throw std::runtime_error("no command beside " + baseline + " in the hyperfine output");
}

std::string verdict(bool met) { return met ? "met" : "MISSED"; }

std::vector<Row> startupRows(const ProgramSamples& app, const ProgramSamples& bare, const std::string& platform) {
    const std::string where = ", " + platform + ", " + std::to_string(app.wallMs.size()) + " runs";
    const Spread appWall = spreadOf(app.wallMs), bareWall = spreadOf(bare.wallMs);
    const Spread appCpu = spreadOf(app.cpuMs), bareCpu = spreadOf(bare.cpuMs);
    const Spread appRss = spreadOf(app.rssMiB), bareRss = spreadOf(bare.rssMiB);
    const double wallRatio = appWall.median / bareWall.median;
    const double extraRss = appRss.median - bareRss.median;
    // std::to_chars writes the minus sign itself.
    const std::string extraRssText = (extraRss < 0 ? std::string() : std::string("+")) + fixed(extraRss, 1);
    return {
        {"start-up, exec to exit" + where, spreadText(appWall, "ms", 1), spreadText(bareWall, "ms", 1),
         "ratio " + fixed(wallRatio, 2) + " (target ≤ " + fixed(startupRatioTarget, 2) + ")",
         verdict(wallRatio <= startupRatioTarget)},
        {"start-up CPU time, user + sys" + where, spreadText(appCpu, "ms", 1),
         spreadText(bareCpu, "ms", 1), "ratio " + fixed(appCpu.median / bareCpu.median, 2), "—"},
        {"peak RSS (ru_maxrss)" + where, spreadText(appRss, "MiB", 1), spreadText(bareRss, "MiB", 1),
         extraRssText + " MiB (target ≤ +" + fixed(extraRssTargetMiB, 0) + " MiB)",
         verdict(extraRss <= extraRssTargetMiB)},
    };
}

Row startupFloorRow(const ProgramSamples& floor, const ProgramSamples& bare, const std::string& platform) {
    const Spread floorWall = spreadOf(floor.wallMs), bareWall = spreadOf(bare.wallMs);
    return {"start-up of the bare window with one label (floor), " + platform + ", " +
                std::to_string(floor.wallMs.size()) + " runs",
            spreadText(floorWall, "ms", 1), spreadText(bareWall, "ms", 1),
            "ratio " + fixed(floorWall.median / bareWall.median, 2), "—"};
}

Row commandRow(const ProgramSamples& command, const ProgramSamples& minimal, const std::string& what,
               const std::string& where) {
    const Spread commandWall = spreadOf(command.wallMs), minimalWall = spreadOf(minimal.wallMs);
    const double ratio = commandWall.median / minimalWall.median;
    return {what + ", exec to exit, against a minimal C++ program, " + where + ", " +
                std::to_string(command.wallMs.size()) + " runs",
            spreadText(commandWall, "ms", 2), spreadText(minimalWall, "ms", 2),
            "ratio " + fixed(ratio, 2) + " (target ≤ " + fixed(commandRatioTarget, 2) + ")", verdict(ratio <= commandRatioTarget)};
}

std::vector<Row> handlerRows(const std::vector<HandlerRun>& runs) {
    std::vector<std::string> names;
    for (const HandlerRun& run : runs)
        for (const json& entry : benchmarksOf(run.results)) {
            const std::string name = handlerName(entry.value("run_name", ""));
            if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end())
                names.push_back(name);
        }
    std::vector<Row> rows;
    for (const std::string& name : names)
        rows.push_back(handlerRow(runs, name));
    if (rows.empty())
        rows.push_back({"handlers", "no benchmark in the output", "—", "—", "FAILED"});
    return rows;
}

std::string markdownTable(const std::vector<Row>& rows) {
    using Cells = std::array<std::string, 5>;
    std::vector<Cells> all{{"metric", "avrtimer", "baseline", "ratio or target", "verdict"}};
    for (const Row& row : rows)
        all.push_back({row.metric, row.avrtimer, row.bare, row.target, row.verdict});
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
