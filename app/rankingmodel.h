#pragma once

#include "solver/search.h"

#include <QAbstractTableModel>
#include <QString>

#include <optional>
#include <vector>

namespace app {

// The best rows of the solver's ranking as the settings search window's
// table. Rows that differ only in the timer rank side by side and are shown
// once, naming every timer ("Timer1, Timer3"); the table stops at maxRows
// shown rows, past which no row is one a user would pick. Which rows are
// shown, twins and exact hits are known at once, from the settings alone; a
// row's figures are made when it first comes into sight, as a keystroke
// searches again and only some twenty rows are in sight.
class RankingModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Timer, Mode, Prescaler, Registers, Count, Achieved, Error, Drift, Notes, ColumnCount };

    static constexpr int maxRows = 100;

    // The unit "Uzyskano" is given in, the target's: its name and its size in
    // seconds or hertz.
    struct Unit {
        QString name;
        mpq_class size;
    };

    explicit RankingModel(QObject* parent = nullptr);

    void setRanking(const solver::Ranking& ranking, solver::Goal goal, Unit unit);
    void clear();
    void setDecimalSeparator(const QString& separator) { separator_ = separator; }
    // Null for a row outside the table; of twins, the first timer's.
    const solver::Row* rowAt(int row) const;
    int exactCount() const;
    // The row's cells as shown, between tabs.
    QString rowText(int row) const;
    // "Timer1, CTC, OCR1A = 62499": the row as the status line names it.
    QString rowName(int row) const;
    // Each note of the row, its letter and what it means; empty without one.
    QStringList notesText(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    struct Shown {
        std::size_t rank;    // the first twin's
        QStringList timers;  // "Timer1", then its twins'
        mutable std::optional<solver::Row> row;
    };

    QString text(const Shown& shown, const solver::Row& row, int column) const;
    QString toolTip(const solver::Row& row) const;

    std::optional<solver::Ranking> ranking_;
    std::vector<Shown> shown_;
    int exactCount_ = 0;
    solver::Goal goal_ = solver::Goal::Interval;
    Unit unit_{QStringLiteral("s"), 1};
    QString separator_ = QStringLiteral(".");
};

}  // namespace app
