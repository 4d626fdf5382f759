#include "app/rankingmodel.h"

#include "app/searchtexts.h"
#include "solver/decimal.h"
#include "solver/words.h"

#include <QFont>

#include <exception>

namespace app {
namespace {

// What the timer counts, when not the CPU clock.
QString clockNote(solver::TimerClock clock) {
    switch (clock) {
    case solver::TimerClock::Cpu: break;
    case solver::TimerClock::Crystal: return QStringLiteral(" (kwarc)");
    case solver::TimerClock::Pll: return QStringLiteral(" (PLL)");
    }
    return {};
}

// A late reload's figures are estimates, marked as the command line marks them.
QString estimateMark(const solver::Row& row) { return row.estimated() ? QStringLiteral("~") : QString(); }

QString errorText(const solver::Row& row, const QString& separator) {
    if (row.exact())
        return QStringLiteral("dokładnie");
    return estimateMark(row) + localized(solver::signedText(row.shownError * 1000000), separator);
}

// "L: Przy preskalerze 1 i 8…"
QString noteText(solver::Warning warning) {
    return QChar::fromLatin1(solver::warningLetter(warning)) + QStringLiteral(": ") + app::warningText(warning);
}

QString notesOf(const solver::Row& row) {
    QString letters;
    for (solver::Warning w : row.warnings)
        letters += QLatin1Char(solver::warningLetter(w));
    return letters;
}

}  // namespace

RankingModel::RankingModel(QObject* parent) : QAbstractTableModel(parent) {}

void RankingModel::setRanking(const solver::Ranking& ranking, solver::Goal goal, Unit unit) {
    beginResetModel();
    goal_ = goal;
    unit_ = std::move(unit);
    ranking_ = ranking;
    shown_.clear();
    exactCount_ = 0;
    for (std::size_t rank = 0; rank < ranking.size(); ++rank) {
        const QString timer = QStringLiteral("Timer%1").arg(ranking.setting(rank).timer->number);
        if (!shown_.empty() && ranking.twins(shown_.back().rank, rank)) {
            shown_.back().timers << timer;
            continue;
        }
        if (shown_.size() == maxRows)
            break;
        shown_.push_back({rank, {timer}, std::nullopt});
        exactCount_ += ranking.exact(rank) ? 1 : 0;
    }
    endResetModel();
}

void RankingModel::clear() {
    beginResetModel();
    shown_.clear();
    ranking_.reset();
    exactCount_ = 0;
    endResetModel();
}

// Null, too, for a row that could not be made: a paint event must not throw.
const solver::Row* RankingModel::rowAt(int row) const {
    if (row < 0 || row >= rowCount())
        return nullptr;
    const Shown& shown = shown_[static_cast<std::size_t>(row)];
    if (!shown.row) {
        try {
            shown.row = ranking_->row(shown.rank);
        } catch (const std::exception&) {
            return nullptr;
        }
    }
    return &*shown.row;
}

int RankingModel::exactCount() const { return exactCount_; }

QString RankingModel::rowText(int row) const {
    const solver::Row* r = rowAt(row);
    if (r == nullptr)
        return {};
    QStringList cells;
    for (int column = 0; column < ColumnCount; ++column)
        cells << text(shown_[static_cast<std::size_t>(row)], *r, column);
    return cells.join(QLatin1Char('\t'));
}

QString RankingModel::rowName(int row) const {
    const solver::Row* r = rowAt(row);
    if (r == nullptr)
        return {};
    return QStringLiteral("Timer%1%2, %3, %4")
        .arg(r->setting.timer->number)
        .arg(clockNote(r->setting.clock), app::modeText(r->setting.mode()), app::registersText(r->setting));
}

QStringList RankingModel::notesText(int row) const {
    QStringList notes;
    if (const solver::Row* r = rowAt(row))
        for (solver::Warning w : r->warnings)
            notes << noteText(w);
    return notes;
}

int RankingModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(shown_.size());
}

int RankingModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QString RankingModel::text(const Shown& shown, const solver::Row& row, int column) const {
    const solver::Setting& s = row.setting;
    switch (column) {
    case Timer: return shown.timers.join(QStringLiteral(", ")) + clockNote(s.clock);
    case Mode: return app::modeText(s.mode());
    case Prescaler: return QString::number(s.prescaler);
    case Registers: return app::registersText(s);
    case Count: return QString::number(s.count);
    case Achieved:
        return localized(solver::decimalText(row.achieved / unit_.size, 9), separator_) + QLatin1Char(' ') + unit_.name;
    case Error: return errorText(row, separator_);
    case Drift: return estimateMark(row) + localized(solver::signedText(solver::shownDriftPerDay(row)), separator_);
    case Notes: return notesOf(row);
    default: break;
    }
    return {};
}

QString RankingModel::toolTip(const solver::Row& row) const {
    QStringList lines;
    if (row.setting.output != nullptr)
        lines << QStringLiteral("Wyjście %1 (%2)")
                     .arg(QString::fromUtf8(row.setting.output->output.data()), QString::fromUtf8(row.setting.output->pin.data()));
    for (solver::Warning w : row.warnings)
        lines << noteText(w);
    return lines.join('\n');
}

QVariant RankingModel::data(const QModelIndex& index, int role) const {
    const solver::Row* row = rowAt(index.row());
    if (row == nullptr)
        return {};
    switch (role) {
    case Qt::DisplayRole: return text(shown_[static_cast<std::size_t>(index.row())], *row, index.column());
    case Qt::ToolTipRole: {
        const QString tip = toolTip(*row);
        return tip.isEmpty() ? QVariant() : QVariant(tip);
    }
    case Qt::FontRole:
        if (row->exact()) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        break;
    case Qt::TextAlignmentRole:
        if (index.column() == Notes)
            return QVariant(Qt::AlignCenter);
        if (index.column() == Prescaler || index.column() >= Count)
            return QVariant(Qt::AlignRight | Qt::AlignVCenter);
        break;
    default: break;
    }
    return {};
}

QVariant RankingModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    static const char* const titles[] = {"Timer", "Tryb", "Preskaler", "Rejestry", "Licznik", "Uzyskano", "Błąd [ppm]",
                                         "Dryf [s/dobę]", "Uwagi"};
    return section >= 0 && section < ColumnCount ? QString::fromUtf8(titles[section]) : QString();
}

}  // namespace app
