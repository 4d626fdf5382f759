#include "app/rankingmodel.h"

#include "app/searchtexts.h"
#include "solver/words.h"

#include <QFont>

#include <algorithm>

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

}  // namespace

RankingModel::RankingModel(QObject* parent) : QAbstractTableModel(parent) {}

void RankingModel::setRanking(solver::Ranking ranking, solver::Goal goal) {
    beginResetModel();
    ranking_ = std::move(ranking);
    goal_ = goal;
    rows_.clear();
    endResetModel();
}

void RankingModel::clear() {
    beginResetModel();
    ranking_.reset();
    rows_.clear();
    endResetModel();
}

const solver::Row* RankingModel::rowAt(int row) const {
    if (row < 0 || row >= rowCount())
        return nullptr;
    auto found = rows_.find(row);
    if (found == rows_.end())
        found = rows_.emplace(row, ranking_->row(static_cast<std::size_t>(row))).first;
    return &found->second;
}

int RankingModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !ranking_ ? 0 : static_cast<int>(std::min<std::size_t>(ranking_->size(), maxRows));
}

int RankingModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QString RankingModel::text(const solver::Row& row, int column) const {
    const solver::Setting& s = row.setting;
    const bool interval = goal_ == solver::Goal::Interval;
    switch (column) {
    case Timer: return QStringLiteral("Timer%1%2").arg(s.timer->number).arg(clockNote(s.clock));
    case Mode: return app::modeText(s.mode());
    case Prescaler: return QString::number(s.prescaler);
    case Registers: return app::registersText(s);
    case Count: return QString::number(s.count);
    case Achieved:
        return localized(interval ? solver::timeText(row.achieved) : solver::frequencyText(row.achieved), separator_);
    case Error:
        return row.exact() ? QStringLiteral("dokładnie") : localized(solver::signedText(row.error * 1000000), separator_);
    case Drift: return localized(solver::signedText(row.driftPerDay), separator_);
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
        lines << app::warningText(w);
    return lines.join('\n');
}

QVariant RankingModel::data(const QModelIndex& index, int role) const {
    const solver::Row* row = rowAt(index.row());
    if (row == nullptr)
        return {};
    switch (role) {
    case Qt::DisplayRole: return text(*row, index.column());
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
                                         "Dryf [s/dobę]"};
    return section >= 0 && section < ColumnCount ? QString::fromUtf8(titles[section]) : QString();
}

}  // namespace app
