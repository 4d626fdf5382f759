#pragma once

#include <QString>

class QWidget;

namespace ui {

// The look every window shares: the button face as background and
// "MS Sans Serif" at 11 px as the default font.
void applyFormLook(QWidget* window);

// Shows a hidden window and brings it to the front with the focus. A window
// that is already visible is left as it is: neither raised nor activated,
// even when it lies behind another window.
void showWindow(QWidget* window);

// The user's decimal separator, read the way QLocale::system() reads the
// environment, but afresh each time, so that a locale change can be
// followed.
QString userDecimalSeparator();

}  // namespace ui
