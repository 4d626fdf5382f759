#include "cli/diagram_command.h"

#include "cli/cli.h"
#include "cli/svg.h"
#include "solver/decimal.h"
#include "solver/timeline.h"
#include "solver/words.h"

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <fstream>
#include <map>
#include <ostream>
#include <utility>
#include <vector>

namespace cli {
namespace {

using nlohmann::ordered_json;
using solver::Timeline;

// ----------------------------------------------------------------- JSON

// A time of the timeline: its CPU cycle when it is a whole one, and its
// seconds.
ordered_json timeJson(const mpq_class& cycle, const mpq_class& cpuHz) {
    const bool whole = cycle.get_den() == 1 && cycle.get_num().fits_slong_p();
    return {{"cycle", whole ? ordered_json(cycle.get_num().get_si()) : ordered_json(nullptr)},
            {"s", valueJson(mpq_class(cycle / cpuHz), solver::Goal::Interval)}};
}

ordered_json levelJson(const mpq_class& cycle, bool high, const mpq_class& cpuHz) {
    return {{"t", timeJson(cycle, cpuHz)}, {"level", high ? 1 : 0}};
}

void printJson(const DiagramOptions& o, const solver::Query& query, const solver::Row& row, const Timeline& t,
               std::ostream& out) {
    const mpq_class& hz = query.clockHz;
    ordered_json counter = ordered_json::array();
    for (const solver::CounterVertex& v : t.counter)
        counter.push_back({{"t", timeJson(v.cycle, hz)}, {"value", v.value}});
    ordered_json outputs = ordered_json::object();
    for (const solver::OutputTimeline& pin : t.outputs) {
        ordered_json levels = ordered_json::array({levelJson(0, pin.startsHigh, hz)});
        for (const solver::PinTransition& change : pin.transitions)
            levels.push_back(levelJson(change.cycle, change.high, hz));
        outputs[std::string(pin.unit->output)] = levels;
    }
    ordered_json interrupts = ordered_json::array();
    for (const solver::FlagRaise& raise : t.interrupts)
        interrupts.push_back({{"t", timeJson(raise.cycle, hz)}, {"vector", raise.vector}});
    ordered_json asked = queryJson(o.query, query);
    asked["pick"] = o.pick.value;
    asked["duty"] = o.duty;
    asked["periods"] = o.periods;
    const ordered_json json{
        {"query", asked},
        {"result", resultJson(static_cast<std::size_t>(o.pick.value), {row}, query.goal)},
        {"counter", counter},
        {"outputs", outputs},
        {"interrupts", interrupts},
        {"end", timeJson(t.end, hz)},
    };
    out << json.dump(2) << "\n";
}

// ------------------------------------------------------------------ SVG

constexpr double pageWidth = 960;
constexpr double left = 210;  // the labels' margin
constexpr double right = 24;
constexpr double plotWidth = pageWidth - left - right;
constexpr double counterTop = 80;
constexpr double counterHeight = 180;
constexpr double rowHeight = 44;  // of a pin or an interrupt
constexpr double labelGap = 8;
constexpr double labelSpacing = 13;

constexpr std::string_view titleStyle = R"(font-size="14" font-weight="bold" fill="#222222")";
constexpr std::string_view labelStyle = R"(fill="#333333")";
constexpr std::string_view counterStyle = R"(stroke="#1f5fbf" stroke-width="1.5")";
constexpr std::string_view referenceStyle = R"(stroke="#c03030" stroke-dasharray="6 4")";
constexpr std::string_view referenceLabelStyle = R"(fill="#c03030")";
constexpr std::string_view pinStyle = R"(stroke="#207a20" stroke-width="1.5")";
constexpr std::string_view markStyle = R"(stroke="#7a2bb0" stroke-width="1.5")";
constexpr std::string_view markDotStyle = R"(fill="#7a2bb0")";
constexpr std::string_view gridStyle = R"(stroke="#e2e2e2")";
constexpr std::string_view axisStyle = R"(stroke="#333333")";

// A dashed line across the counter, at a value it is compared with.
struct Reference {
    int value;
    std::vector<std::string> names;  // "TOP", "OCR1A", equal to the value
};

class Drawing {
public:
    Drawing(const solver::Query& query, const solver::Row& row, const Timeline& t)
        : q_(query), row_(row), t_(t), r_(t.registers), svg_(pageWidth, pageHeight()) {}

    std::string document() {
        const std::string heading = title();
        svg_.text({12, 26}, heading, Svg::Anchor::Start, titleStyle);
        svg_.text({12, 46}, subtitle(), Svg::Anchor::Start, labelStyle);
        timeAxis();
        counter();
        double top = rowsTop();
        for (const solver::OutputTimeline& pin : t_.outputs)
            this->pin(pin, std::exchange(top, top + rowHeight));
        for (const solver::InterruptExplained& i : r_.interrupts)
            if (i.ticks)
                interrupt(i.vector, std::exchange(top, top + rowHeight));
        return svg_.document(heading);
    }

private:
    double x(const mpq_class& cycle) const { return left + mpq_class(cycle / t_.end).get_d() * plotWidth; }
    double counterY(int value) const {
        return counterTop + counterHeight - counterHeight * value / std::max(r_.top, 1);
    }
    static double rowsTop() { return counterTop + counterHeight + 28; }
    std::size_t rows() const {
        return t_.outputs.size() +
               static_cast<std::size_t>(std::ranges::count_if(r_.interrupts, [](const auto& i) { return i.ticks.has_value(); }));
    }
    double axisY() const { return rowsTop() + rowHeight * static_cast<double>(rows()) + 8; }
    double pageHeight() const { return axisY() + 48; }

    std::string title() const {
        std::vector<std::string> registers;
        if (const std::string text = solver::registersText(row_.setting); text != "-")
            registers.push_back(text);
        for (const solver::OutputExplained& o : r_.outputs)
            if (solver::drawn(t_, o) && o.unit->ocr != row_.setting.registerName())
                registers.push_back(fmt::format("{}={}", o.unit->ocr, o.compare));
        std::string clock;
        if (r_.counts == solver::TimerClock::Crystal)
            clock = fmt::format(" on a {} crystal", solver::frequencyText(*r_.countedHz));
        if (r_.counts == solver::TimerClock::Pll)
            clock = fmt::format(" on a {} PLL clock", solver::frequencyText(*r_.countedHz));
        return fmt::format("{} at {}: Timer{}{}, {}, prescaler {}{}{}", q_.chip->title,
                           solver::frequencyText(q_.clockHz), r_.timer->number, clock,
                           solver::modeName(r_.mode.mode), r_.prescaler, registers.empty() ? "" : ", ",
                           fmt::join(registers, ", "));
    }

    std::string subtitle() const {
        const std::string achieved = q_.goal == solver::Goal::Interval ? solver::timeText(row_.achieved)
                                                                       : solver::frequencyText(row_.achieved);
        std::string text = fmt::format("{}: achieved {}{}", solver::goalText(q_), achieved, row_.exact() ? ", exactly" : "");
        if (row_.setting.count > 1)
            text += fmt::format(", {} interrupts counted per interval", row_.setting.count);
        return text;
    }

    void timeAxis() {
        const auto [unit, span, step] = solver::timeAxisOf(t_, q_.clockHz);
        const double y = axisY();
        svg_.line({left, y}, {left + plotWidth, y}, axisStyle);
        for (mpq_class at = 0; at <= span; at += step) {
            const double tickX = left + mpq_class(at / span).get_d() * plotWidth;
            svg_.line({tickX, counterTop}, {tickX, y}, gridStyle);
            svg_.line({tickX, y}, {tickX, y + 5}, axisStyle);
            svg_.text({tickX, y + 18}, solver::decimalText(at, 9), Svg::Anchor::Middle, labelStyle);
        }
        svg_.text({left - 2 * labelGap, y + 18}, fmt::format("time [{}]", unit), Svg::Anchor::End, labelStyle);
    }

    std::vector<Reference> references() const {
        std::vector<Reference> list;
        for (const solver::CounterLine& line : solver::counterLinesOf(row_, t_)) {
            Reference reference{line.value, {}};
            if (line.top)
                reference.names.emplace_back(r_.mode.mode == avr::Mode::Normal ? "MAX" : "TOP");
            if (!line.topRegister.empty())
                reference.names.emplace_back(line.topRegister);
            if (line.preload)
                reference.names.push_back(fmt::format("{} preload", r_.timer->counter));
            for (const std::string_view compare : line.compares)
                reference.names.emplace_back(compare);
            list.push_back(std::move(reference));
        }
        return list;
    }

    void counter() {
        svg_.text({left, counterTop - 10}, std::string(r_.timer->counter), Svg::Anchor::Start, labelStyle);
        std::vector<Reference> lines = references();
        // Highest first, each label at least a line below the one above.
        std::ranges::reverse(lines);
        double lastLabel = 0;
        for (const Reference& line : lines) {
            const double y = counterY(line.value);
            svg_.line({left, y}, {left + plotWidth, y}, referenceStyle);
            lastLabel = std::max(y + 4, lastLabel + labelSpacing);
            svg_.text({left - labelGap, lastLabel}, fmt::format("{} = {}", fmt::join(line.names, " = "), line.value),
                      Svg::Anchor::End, referenceLabelStyle);
        }
        std::vector<Point> trace;
        for (const solver::CounterVertex& v : t_.counter)
            trace.push_back({x(v.cycle), counterY(v.value)});
        svg_.polyline(trace, counterStyle);
    }

    void pin(const solver::OutputTimeline& pin, double top) {
        const auto levelY = [top](bool high) { return top + (high ? 10 : 34); };
        svg_.text({left - labelGap, top + 26}, fmt::format("{} ({})", pin.unit->output, pin.unit->pin),
                  Svg::Anchor::End, labelStyle);
        std::vector<Point> trace{{left, levelY(pin.startsHigh)}};
        for (const solver::PinTransition& change : pin.transitions) {
            trace.push_back({x(change.cycle), trace.back().y});
            trace.push_back({x(change.cycle), levelY(change.high)});
        }
        trace.push_back({left + plotWidth, trace.back().y});
        svg_.polyline(trace, pinStyle);
    }

    void interrupt(std::string_view vector, double top) {
        svg_.text({left - labelGap, top + 26}, vector, Svg::Anchor::End, labelStyle);
        for (const solver::FlagRaise& raise : t_.interrupts)
            if (raise.vector == vector) {
                svg_.line({x(raise.cycle), top + 34}, {x(raise.cycle), top + 14}, markStyle);
                svg_.circle({x(raise.cycle), top + 12}, 3.5, markDotStyle);
            }
    }

    const solver::Query& q_;
    const solver::Row& row_;
    const Timeline& t_;
    const solver::Explained& r_;
    Svg svg_;
};

void writeSvg(const std::string& file, const std::string& text, std::ostream& out) {
    if (file == "-") {
        out << text;
        return;
    }
    std::ofstream stream(file, std::ios::binary | std::ios::trunc);
    stream << text;
    stream.close();
    if (!stream)
        throw badInput("--svg", file, "cannot be written", "diagram.svg");
}

}  // namespace

std::string diagramSvg(const solver::Query& query, const solver::Row& row, const solver::Timeline& timeline) {
    return Drawing(query, row, timeline).document();
}

int runDiagram(const DiagramOptions& o, std::ostream& out, std::ostream& err) {
    const solver::Query query = queryOf(o.query);
    const solver::Ranking ranking = rankingOf(o.query, query);
    const auto [row, within] = pickedRow(o.query, ranking, o.pick);
    const Timeline timeline = solver::timelineOf(query, row, o.duty, o.periods);
    if (o.json)
        printJson(o, query, row, timeline, out);
    else
        writeSvg(*o.svg, diagramSvg(query, row, timeline), out);
    if (within)
        return exitOk;
    err << noneWithin(o.query, row);
    return exitNoResult;
}

}  // namespace cli
