#include "cli/figures_command.h"

#include "calc/figures.h"
#include "calc/state.h"
#include "cli/cli.h"

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <climits>
#include <ostream>

namespace cli {
namespace {

using nlohmann::ordered_json;

std::int32_t clockOf(const Given<solver::Quantity>& clock) {
    const mpq_class& hz = clock.value.value;
    if (hz <= 0)
        throw badInput("--clock", clock.text, "is not above zero", "16MHz");
    if (hz.get_den() != 1 || hz > INT32_MAX)
        throw badInput("--clock", clock.text, "is not a whole number of hertz up to 2147483647, as the window takes it",
                       "16MHz");
    return static_cast<std::int32_t>(hz.get_num().get_si());
}

std::int32_t prescalerOf(const std::string& text) {
    const auto& table = calc::prescalerTable;
    const auto* found = std::ranges::find(table, text, &calc::PrescalerEntry::text);
    if (found == table.end())
        throw badInput("--prescaler", text,
                       "is not a prescaler of Timer0 (1, 8, 64, 256, 1024) or Timer2 (1, 8, 32, 64, 128, 256, 1024)",
                       "64");
    return found->divisor;
}

// The unit box's entry for the unit typed; a bare number is in seconds or
// hertz.
template <typename Table>
int unitIndexOf(const Table& table, const std::string& unit, std::string_view bare) {
    const std::string_view wanted = unit.empty() ? bare : std::string_view(unit);
    const auto* found = std::ranges::find(table, wanted, &calc::UnitEntry::text);
    return found == table.end() ? -1 : static_cast<int>(found - table.begin());
}

calc::TypedNumber intervalOf(const solver::Quantity& q) {
    return {q.number, unitIndexOf(calc::timeUnitTable, q.unit, "s")};
}

calc::TypedNumber frequencyOf(const Given<solver::Quantity>& frequency) {
    const solver::Quantity& q = frequency.value;
    const int index = unitIndexOf(calc::frequencyUnitTable, q.unit, "Hz");
    if (index < 0)
        throw badInput("--frequency", frequency.text, "is not in Hz or kHz, the units of the window's frequency box", "38kHz");
    return {q.number, index};
}

calc::FigureInputs inputsOf(const FiguresOptions& o) {
    calc::FigureInputs in;
    in.clockHz = clockOf(o.clock);
    in.prescaler = prescalerOf(o.prescaler);
    if (o.interval)
        in.interval = intervalOf(o.interval->value);
    if (o.registerValue)
        in.registerValue = o.registerValue->value;
    if (o.ocr)
        in.ocr = o.ocr->value;
    if (o.frequency)
        in.frequency = frequencyOf(*o.frequency);
    if (o.duty)
        in.duty = o.duty->value;
    return in;
}

void printText(const std::vector<calc::Figure>& figures, std::ostream& out) {
    for (const calc::Figure& f : figures) {
        const std::string value = !f.error.empty() ? "error: " + f.error
                                  : f.hex.empty()  ? f.text
                                                   : f.text + "  0x" + f.hex;
        out << fmt::format("{:<28}{}\n", f.name, value);
    }
}

void printJson(const FiguresOptions& o, const std::vector<calc::Figure>& figures, std::ostream& out) {
    ordered_json query{{"clock", o.clock.text}, {"prescaler", o.prescaler}};
    const auto echo = [&query](const char* name, const auto& given) {
        if (given)
            query[name] = given->text;
    };
    echo("interval", o.interval);
    echo("register", o.registerValue);
    echo("ocr", o.ocr);
    echo("frequency", o.frequency);
    echo("duty", o.duty);
    ordered_json values = ordered_json::object();
    for (const calc::Figure& f : figures) {
        ordered_json figure;
        if (!f.error.empty())
            figure["error"] = f.error;
        else
            figure["text"] = f.text;
        if (f.error.empty() && !f.hex.empty())
            figure["hex"] = f.hex;
        values[std::string(f.name)] = figure;
    }
    out << ordered_json{{"query", query}, {"figures", values}}.dump(2) << "\n";
}

}  // namespace

int runFigures(const FiguresOptions& o, std::ostream& out) {
    const std::vector<calc::Figure> figures = calc::windowFigures(inputsOf(o), ".");
    if (o.json)
        printJson(o, figures, out);
    else
        printText(figures, out);
    return std::ranges::any_of(figures, [](const calc::Figure& f) { return !f.error.empty(); }) ? exitNoResult
                                                                                                  : exitOk;
}

}  // namespace cli
