#include "bench/report.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <stdexcept>

namespace bench {
namespace {

// Splits one CSV line; quoted cells may hold commas, as benchmark names with
// arguments do.
std::vector<std::string> csvCells(std::string_view line) {
    std::vector<std::string> cells(1);
    bool quoted = false;
    for (const char c : line) {
        if (c == '"')
            quoted = !quoted;
        else if (c == ',' && !quoted)
            cells.emplace_back();
        else if (c != '\r')
            cells.back() += c;
    }
    return cells;
}

std::vector<std::string_view> lines(std::string_view text) {
    std::vector<std::string_view> result;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        result.push_back(text.substr(0, end));
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return result;
}

// Google Benchmark prints context lines before the header.
std::vector<std::string_view>::const_iterator headerOf(const std::vector<std::string_view>& all) {
    return std::find_if(all.begin(), all.end(), [](std::string_view line) { return line.starts_with("name,"); });
}

std::optional<double> number(std::string_view text) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
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

Figure figureOf(const std::string& csv, const std::string& name) {
    const std::string row = name + "/manual_time_median";
    const std::optional<std::string> error = csvCell(csv, name + "/manual_time", "error_message");
    if (error && !error->empty())
        return {"failed: " + *error};
    const std::optional<double> median = csvValue(csv, row, "call_median_us");
    const std::optional<double> target = csvValue(csv, row, "target_us");
    if (!median || !target)
        return {"no figure"};
    Figure figure{fixed(*median, 1) + " µs", true, *median, *target,
                  static_cast<int>(csvValue(csv, row, "labels_painted").value_or(-1))};
    const std::optional<double> slot = csvValue(csv, row, "slot_median_us");
    const std::optional<double> events = csvValue(csv, row, "events_median_us");
    if (slot && events)
        figure.text += " (slot " + fixed(*slot, 1) + ", queued events " + fixed(*events, 1) + ")";
    return figure;
}

// A user's keystroke may be handled on any processor, so the target holds
// only if every run meets it.
Row handlerRow(const std::vector<HandlerRun>& runs, const std::string& name) {
    std::vector<Figure> figures;
    for (const HandlerRun& run : runs)
        figures.push_back(figureOf(run.csv, name));
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

std::vector<std::string> csvRowNames(std::string_view csv) {
    const std::vector<std::string_view> all = lines(csv);
    const auto header = headerOf(all);
    std::vector<std::string> names;
    if (header == all.end())
        return names;
    for (auto line = header + 1; line != all.end(); ++line) {
        if (line->empty())
            continue;
        std::string name = csvCells(*line).front();
        if (std::find(names.begin(), names.end(), name) == names.end())
            names.push_back(std::move(name));
    }
    return names;
}

std::optional<std::string> csvCell(std::string_view csv, std::string_view row, std::string_view column) {
    const std::vector<std::string_view> all = lines(csv);
    const auto header = headerOf(all);
    if (header == all.end())
        return std::nullopt;
    const std::vector<std::string> names = csvCells(*header);
    const auto at = std::find(names.begin(), names.end(), column);
    if (at == names.end())
        return std::nullopt;
    const auto index = static_cast<std::size_t>(at - names.begin());
    for (auto line = header + 1; line != all.end(); ++line) {
        std::vector<std::string> cells = csvCells(*line);
        if (cells.front() == row)
            return index < cells.size() ? std::optional(std::move(cells[index])) : std::nullopt;
    }
    return std::nullopt;
}

std::optional<double> csvValue(std::string_view csv, std::string_view row, std::string_view column) {
    const std::optional<std::string> cell = csvCell(csv, row, column);
    return cell ? number(*cell) : std::nullopt;
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
        for (const std::string& row : csvRowNames(run.csv))
            if (std::find(names.begin(), names.end(), handlerName(row)) == names.end())
                names.push_back(handlerName(row));
    std::vector<Row> rows;
    for (const std::string& name : names)
        rows.push_back(handlerRow(runs, name));
    if (rows.empty())
        rows.push_back({"handlers", "no benchmark row in the CSV", "—", "—", "FAILED"});
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
