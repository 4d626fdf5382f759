#include "ui/windows.h"

#include <QFont>
#include <QLocale>
#include <QPalette>
#include <QWidget>

#include <cstdlib>

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

QString userDecimalSeparator() {
    for (const char* variable : {"LC_ALL", "LC_NUMERIC", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0')
            return QLocale(QString::fromLocal8Bit(value).section('.', 0, 0)).decimalPoint();
    }
    return QLocale::c().decimalPoint();
}

}  // namespace ui
