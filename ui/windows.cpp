#include "ui/windows.h"

#include <QFont>
#include <QPalette>
#include <QWidget>

namespace ui {

void applyFormLook(QWidget* window) {
    QPalette palette = window->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::Button));
    window->setPalette(palette);
    window->setAutoFillBackground(true);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    // Latin text needs no OpenType shaping, which is most of the cost of
    // laying out a result label anew on every keystroke. The price is
    // DejaVu's kerning, which only the shaper applies; the font the windows
    // were designed in did not kern.
    font.setStyleStrategy(QFont::PreferNoShaping);
    window->setFont(font);
}

void showWindow(QWidget* window) {
    if (window->isVisible())
        return;
    window->show();
    window->raise();
    window->activateWindow();
}

}  // namespace ui
