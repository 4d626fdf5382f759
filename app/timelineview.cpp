#include "app/timelineview.h"

#include "app/searchtexts.h"
#include "solver/decimal.h"
#include "solver/words.h"
#include "ui/windows.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <algorithm>
#include <array>
#include <map>
#include <utility>
#include <vector>

namespace app {
namespace {

QString fromView(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

const QColor counterColour(0x1f, 0x5f, 0xbf);
const QColor referenceColour(0xc0, 0x30, 0x30);
const QColor pinColour(0x20, 0x7a, 0x20);
const QColor markColour(0x7a, 0x2b, 0xb0);
const QColor gridColour(0xe2, 0xe2, 0xe2);

// In lines of the font: the title and the counter's caption above the
// counter, the gap below it, the time axis at the bottom. A short view
// narrows the rows of pins and interrupts before the counter.
constexpr double headLines = 3;
constexpr double gapLines = 0.8;
constexpr double axisLines = 2.4;
constexpr double rowLines = 2.2, leastRowLines = 1.5;
constexpr double counterLines = 6, leastCounterLines = 3;
// The rows a view is sized for: most settings have a pin and an interrupt.
constexpr int roomForRows = 2;

QString clockText(const mpq_class& hz, const QString& separator) {
    return localized(solver::frequencyText(hz), separator);
}

// "ATmega328P, 16 MHz: Timer1, CTC, preskaler 1, OCR1A = 15999".
QString titleOf(const solver::Query& query, const solver::Row& row, const solver::Timeline& t,
                const QString& separator) {
    const solver::Explained& r = t.registers;
    QStringList parts{QStringLiteral("Timer%1").arg(r.timer->number)};
    if (r.counts == solver::TimerClock::Crystal)
        parts.back() += QStringLiteral(" (kwarc %1)").arg(clockText(*r.countedHz, separator));
    if (r.counts == solver::TimerClock::Pll)
        parts.back() += QStringLiteral(" (PLL %1)").arg(clockText(*r.countedHz, separator));
    parts << modeText(r.mode.mode) << QStringLiteral("preskaler %1").arg(r.prescaler);
    if (row.setting.role != solver::RegisterRole::None || row.setting.mode() != avr::Mode::Normal)
        parts << app::registersText(row.setting);
    for (const solver::OutputExplained& o : r.outputs)
        if (solver::drawn(t, o) && o.unit->ocr != row.setting.registerName())
            parts << QStringLiteral("%1 = %2").arg(fromView(o.unit->ocr)).arg(o.compare);
    if (row.setting.count > 1)
        parts << QStringLiteral("zliczane przerwania: %1").arg(row.setting.count);
    return QStringLiteral("%1, %2: %3").arg(fromView(query.chip->title), clockText(query.clockHz, separator),
                                           parts.join(QStringLiteral(", ")));
}

// A dashed line across the counter, at a value it is compared with.
struct Reference {
    int value;
    QString label;  // "TOP = OCR1A = 15999"
};

std::vector<Reference> referencesOf(const solver::Timeline& t, const std::vector<solver::CounterLine>& lines) {
    std::vector<Reference> list;
    for (const solver::CounterLine& line : lines) {
        QStringList names;
        if (line.top)
            names << (t.registers.mode.mode == avr::Mode::Normal ? QStringLiteral("MAX") : QStringLiteral("TOP"));
        if (!line.topRegister.empty())
            names << fromView(line.topRegister);
        if (line.preload)
            names << QStringLiteral("%1 (przeładowanie)").arg(fromView(t.registers.timer->counter));
        for (const std::string_view compare : line.compares)
            names << fromView(compare);
        list.push_back({line.value, QStringLiteral("%1 = %2").arg(names.join(QStringLiteral(" = "))).arg(line.value)});
    }
    return list;
}

// The interrupts that come at all, each once, in the order explain lists them.
std::vector<std::string_view> vectorsOf(const solver::Timeline& t) {
    std::vector<std::string_view> vectors;
    for (const solver::InterruptExplained& i : t.registers.interrupts)
        if (i.ticks)
            vectors.push_back(i.vector);
    return vectors;
}

QString pinLabel(const solver::OutputTimeline& pin) {
    return QStringLiteral("%1 (%2)").arg(fromView(pin.unit->output), fromView(pin.unit->pin));
}

QString interruptLabel(std::string_view vector) { return QStringLiteral("przerwanie %1").arg(fromView(vector)); }

class Drawing {
public:
    Drawing(QPainter& painter, const QRectF& area, const solver::Timeline& t, const mpq_class& cpuHz,
            const std::vector<solver::CounterLine>& lines, const QString& separator)
        : p_(painter), fm_(painter.fontMetrics()), text_(painter.pen().color()), t_(t), cpuHz_(cpuHz),
          separator_(separator), references_(referencesOf(t, lines)), vectors_(vectorsOf(t)), area_(area),
          em_(fm_.height()), pad_(fm_.averageCharWidth()) {}

    void draw(const QString& title) {
        layOut();
        p_.setPen(text_);
        p_.drawText(QRectF(area_.left() + pad_, area_.top(), area_.width() - 2 * pad_, 1.5 * em_),
                    Qt::AlignLeft | Qt::AlignVCenter, fm_.elidedText(title, Qt::ElideRight, int(area_.width() - 2 * pad_)));
        timeAxis();
        counter();
        double top = rowsTop_;
        for (const solver::OutputTimeline& pin : t_.outputs)
            this->pin(pin, std::exchange(top, top + rowHeight_));
        for (const std::string_view vector : vectors_)
            interrupt(vector, std::exchange(top, top + rowHeight_));
    }

private:
    void layOut() {
        double labels = fm_.horizontalAdvance(QStringLiteral("czas [ms]"));
        for (const Reference& line : references_)
            labels = std::max(labels, double(fm_.horizontalAdvance(line.label)));
        for (const solver::OutputTimeline& pin : t_.outputs)
            labels = std::max(labels, double(fm_.horizontalAdvance(pinLabel(pin))));
        for (const std::string_view vector : vectors_)
            labels = std::max(labels, double(fm_.horizontalAdvance(interruptLabel(vector))));
        left_ = area_.left() + std::min(labels + 2 * pad_, area_.width() / 2);
        right_ = area_.right() - 2 * pad_;
        const double rows = double(t_.outputs.size() + vectors_.size());
        const double room = area_.height() - (headLines + leastCounterLines + gapLines + axisLines) * em_;
        rowHeight_ = rows > 0 ? std::clamp(room / rows, leastRowLines * em_, rowLines * em_) : 0;
        axisY_ = area_.bottom() - axisLines * em_;
        rowsTop_ = axisY_ - rows * rowHeight_;
        counterTop_ = area_.top() + headLines * em_;
        counterBottom_ = std::max(counterTop_ + em_, rowsTop_ - gapLines * em_);
    }

    double x(const mpq_class& cycle) const {
        return left_ + mpq_class(cycle / t_.end).get_d() * (right_ - left_);
    }
    double counterY(int value) const {
        return counterBottom_ - (counterBottom_ - counterTop_) * value / std::max(t_.registers.top, 1);
    }
    QPen pen(const QColor& colour, Qt::PenStyle style = Qt::SolidLine) const {
        QPen line(colour, std::max(1.0, em_ / 9), style);
        line.setCapStyle(Qt::FlatCap);
        return line;
    }
    void label(double y, const QString& text, const QColor& colour) {
        p_.setPen(colour);
        p_.drawText(QRectF(area_.left(), y - em_ / 2, left_ - area_.left() - pad_, em_), Qt::AlignRight | Qt::AlignVCenter,
                    text);
    }

    void timeAxis() {
        const auto [unit, span, step] = solver::timeAxisOf(t_, cpuHz_);
        std::vector<std::pair<double, QString>> ticks;
        double widest = 0;
        for (mpq_class at = 0; at <= span; at += step) {
            ticks.emplace_back(left_ + mpq_class(at / span).get_d() * (right_ - left_),
                               localized(solver::decimalText(at, 9), separator_));
            widest = std::max(widest, double(fm_.horizontalAdvance(ticks.back().second)));
        }
        // Every tick keeps its grid line; a narrow window labels every other.
        const double spacing = ticks.size() > 1 ? ticks[1].first - ticks[0].first : widest;
        const std::size_t stride = spacing < widest + 2 * pad_ ? 2 : 1;
        for (std::size_t i = 0; i < ticks.size(); ++i) {
            const double tickX = ticks[i].first;
            p_.setPen(pen(gridColour));
            p_.drawLine(QPointF(tickX, counterTop_), QPointF(tickX, axisY_));
            p_.setPen(pen(text_));
            p_.drawLine(QPointF(tickX, axisY_), QPointF(tickX, axisY_ + pad_));
            if (i % stride == 0)
                p_.drawText(QRectF(tickX - widest, axisY_ + pad_, 2 * widest, em_), Qt::AlignHCenter | Qt::AlignTop,
                            ticks[i].second);
        }
        p_.drawLine(QPointF(left_, axisY_), QPointF(right_, axisY_));
        label(axisY_ + pad_ + em_ / 2, QStringLiteral("czas [%1]").arg(fromView(unit)), text_);
    }

    void counter() {
        p_.drawText(QPointF(left_, counterTop_ - fm_.descent() - em_ / 4),
                    QStringLiteral("Licznik %1").arg(fromView(t_.registers.timer->counter)));
        // Highest first, each label at least a line below the one above.
        double lastLabel = counterTop_ - 2 * em_;
        for (auto line = references_.rbegin(); line != references_.rend(); ++line) {
            const double y = counterY(line->value);
            p_.setPen(pen(referenceColour, Qt::DashLine));
            p_.drawLine(QPointF(left_, y), QPointF(right_, y));
            lastLabel = std::max(y, lastLabel + em_);
            label(lastLabel, line->label, referenceColour);
        }
        QPolygonF trace;
        for (const solver::CounterVertex& v : t_.counter)
            trace << QPointF(x(v.cycle), counterY(v.value));
        p_.setPen(pen(counterColour));
        p_.drawPolyline(trace);
        p_.setPen(text_);
    }

    void pin(const solver::OutputTimeline& pin, double top) {
        const double high = top + 0.2 * rowHeight_, low = top + 0.8 * rowHeight_;
        const auto levelY = [&](bool isHigh) { return isHigh ? high : low; };
        label((high + low) / 2, pinLabel(pin), text_);
        QPolygonF trace{QPointF(left_, levelY(pin.startsHigh))};
        for (const solver::PinTransition& change : pin.transitions) {
            trace << QPointF(x(change.cycle), trace.back().y()) << QPointF(x(change.cycle), levelY(change.high));
        }
        trace << QPointF(right_, trace.back().y());
        p_.setPen(pen(pinColour));
        p_.drawPolyline(trace);
        p_.setPen(text_);
    }

    void interrupt(std::string_view vector, double top) {
        const double bottom = top + 0.8 * rowHeight_, head = top + 0.3 * rowHeight_;
        label((head + bottom) / 2, interruptLabel(vector), text_);
        p_.setPen(pen(markColour));
        p_.setBrush(markColour);
        const double radius = em_ / 5;
        for (const solver::FlagRaise& raise : t_.interrupts)
            if (raise.vector == vector) {
                p_.drawLine(QPointF(x(raise.cycle), bottom), QPointF(x(raise.cycle), head));
                p_.drawEllipse(QPointF(x(raise.cycle), head), radius, radius);
            }
        p_.setBrush(Qt::NoBrush);
        p_.setPen(text_);
    }

    QPainter& p_;
    const QFontMetricsF fm_;
    const QColor text_;
    const solver::Timeline& t_;
    const mpq_class& cpuHz_;
    const QString& separator_;
    std::vector<Reference> references_;
    std::vector<std::string_view> vectors_;
    const QRectF area_;
    const double em_, pad_;
    double left_ = 0, right_ = 0, counterTop_ = 0, counterBottom_ = 0, rowHeight_ = 0, rowsTop_ = 0, axisY_ = 0;
};

}  // namespace

TimelineView::TimelineView(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
}

void TimelineView::setTimeline(const solver::Query& query, const solver::Row& row, solver::Timeline timeline) {
    const QString separator = ui::userDecimalSeparator();
    QString title = titleOf(query, row, timeline, separator);
    std::vector<solver::CounterLine> lines = solver::counterLinesOf(row, timeline);
    shown_ = Shown{std::move(timeline), query.clockHz, std::move(title), std::move(lines), separator};
    update();
}

// Every keystroke in the search clears it: an empty view stays unpainted.
void TimelineView::clear() {
    if (!shown_)
        return;
    shown_.reset();
    update();
}

QSize TimelineView::sizeHint() const {
    const QFontMetrics fm = fontMetrics();
    const double lines = headLines + counterLines + gapLines + roomForRows * rowLines + axisLines;
    return {60 * fm.averageCharWidth(), int(lines * fm.height())};
}

QSize TimelineView::minimumSizeHint() const {
    const QFontMetrics fm = fontMetrics();
    const double lines = headLines + leastCounterLines + gapLines + roomForRows * leastRowLines + axisLines;
    return {40 * fm.averageCharWidth(), int(lines * fm.height())};
}

void TimelineView::paintEvent(QPaintEvent*) {
    if (!shown_ || shown_->timeline.end <= 0 || shown_->cpuHz <= 0)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(palette().color(QPalette::WindowText));
    Drawing(painter, QRectF(rect()), shown_->timeline, shown_->cpuHz, shown_->lines, shown_->separator)
        .draw(shown_->title);
}

}  // namespace app
