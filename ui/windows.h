#pragma once

class QWidget;

namespace ui {

// The look every window shares: the button face as background and
// "MS Sans Serif" at 11 px as the default font.
void applyFormLook(QWidget* window);

// Shows a hidden window and brings it to the front with the focus. A window
// that is already visible is left as it is: neither raised nor activated,
// even when it lies behind another window.
void showWindow(QWidget* window);

}  // namespace ui
