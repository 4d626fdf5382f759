#pragma once

#include <QStyledItemDelegate>

namespace app {

// Paints a table's plain text cells as QStyledItemDelegate does, pixel for
// pixel, with one text layout a cell instead of the style's three (two
// for text too wide, elided). Each keystroke in the settings search window
// repaints every cell in sight, and the style's own layouts were most of
// that keystroke's time. A cell with focus, a decoration or a check box is
// left to the style.
class CellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

}  // namespace app
