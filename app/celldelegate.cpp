#include "app/celldelegate.h"

#include <QApplication>
#include <QPainter>
#include <QTextLayout>

namespace app {
namespace {

constexpr QStyleOptionViewItem::ViewItemFeatures styledFeatures =
    QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDecoration | QStyleOptionViewItem::WrapText;

// The pen QCommonStyle gives an item's text.
QColor textColor(const QStyleOptionViewItem& o) {
    QPalette::ColorGroup group = o.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled;
    if (group == QPalette::Normal && !(o.state & QStyle::State_Active))
        group = QPalette::Inactive;
    return o.palette.color(group, o.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text);
}

// One line of the cell's text, laid out in its width.
QTextLine layOut(QTextLayout& layout, int width) {
    layout.beginLayout();
    QTextLine line = layout.createLine();
    if (line.isValid()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, 0));
    }
    layout.endLayout();
    return line;
}

}  // namespace

void CellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QStyleOptionViewItem o = option;
    initStyleOption(&o, index);
    if (o.state & (QStyle::State_HasFocus | QStyle::State_Editing) || o.features & styledFeatures) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    const QStyle* style = o.widget != nullptr ? o.widget->style() : QApplication::style();
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, o.widget) + 1;
    const QRect textRect = o.rect.adjusted(margin, 0, -margin, 0);

    QTextOption textOption;
    textOption.setWrapMode(QTextOption::ManualWrap);
    textOption.setTextDirection(o.direction);
    textOption.setAlignment(QStyle::visualAlignment(o.direction, o.displayAlignment));
    QTextLayout layout(o.text, o.font);
    layout.setTextOption(textOption);
    const QTextLine line = layOut(layout, textRect.width());
    // The style places the text by the whole text's height, then draws it
    // elided, when too wide, as QFontMetrics elides it.
    const QRect aligned = QStyle::alignedRect(Qt::LayoutDirectionAuto, o.displayAlignment & Qt::AlignVertical_Mask,
                                              layout.boundingRect().size().toSize(), textRect);
    if (line.isValid() && line.naturalTextWidth() > textRect.width()) {
        layout.setText(QFontMetrics(o.font).elidedText(o.text, o.textElideMode, textRect.width()));
        layOut(layout, textRect.width());
    }

    painter->save();
    painter->setClipRect(o.rect);
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &o, painter, o.widget);
    if (!o.text.isEmpty()) {
        painter->setPen(textColor(o));
        layout.draw(painter, QPointF(textRect.x(), aligned.top()));
    }
    painter->restore();
}

}  // namespace app
