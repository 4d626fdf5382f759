#pragma once

#include "solver/search.h"
#include "solver/timeline.h"

#include <QString>
#include <QWidget>

#include <optional>

namespace app {

// A row's timing diagram, as avrtimer-calc diagram draws it: the setting in
// a title line, the counter against TOP and the compare values, a trace per
// output pin, a row of marks per interrupt and a time axis in the largest
// unit the timeline lasts at least one of. Every length comes from the
// font, so a larger font or scale draws the same picture larger; figures
// carry the user's decimal separator. Empty until given a timeline.
class TimelineView : public QWidget {
    Q_OBJECT
public:
    explicit TimelineView(QWidget* parent = nullptr);

    void setTimeline(const solver::Query& query, const solver::Row& row, solver::Timeline timeline);
    void clear();
    // Null when empty.
    const solver::Timeline* timeline() const { return shown_ ? &shown_->timeline : nullptr; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Shown {
        solver::Timeline timeline;
        mpq_class cpuHz;
        QString title;
        std::vector<solver::CounterLine> lines;
        QString separator;
    };

    std::optional<Shown> shown_;
};

}  // namespace app
