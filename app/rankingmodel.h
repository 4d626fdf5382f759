#pragma once

#include "solver/search.h"

#include <QAbstractTableModel>
#include <QString>

#include <map>
#include <optional>

namespace app {

// The best rows of the solver's ranking as the settings search window's
// table. Rows are made from the ranking as the view asks for them, so only
// the rows on screen cost anything; the table stops at maxRows, past which
// no row is one a user would pick, and whose every row the view's header
// would otherwise measure on each keystroke.
class RankingModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Timer, Mode, Prescaler, Registers, Count, Achieved, Error, Drift, ColumnCount };

    static constexpr int maxRows = 100;

    explicit RankingModel(QObject* parent = nullptr);

    void setRanking(solver::Ranking ranking, solver::Goal goal);
    void clear();
    void setDecimalSeparator(const QString& separator) { separator_ = separator; }
    // Null for a row outside the ranking.
    const solver::Row* rowAt(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QString text(const solver::Row& row, int column) const;
    QString toolTip(const solver::Row& row) const;

    std::optional<solver::Ranking> ranking_;
    solver::Goal goal_ = solver::Goal::Interval;
    mutable std::map<int, solver::Row> rows_;
    QString separator_ = QStringLiteral(".");
};

}  // namespace app
