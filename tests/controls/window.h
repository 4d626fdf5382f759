#pragma once

#include <QApplication>
#include <QTest>
#include <QWidget>

// Keyboard focus and window shortcuts need an active window, also offscreen.
inline bool showActive(QWidget& window) {
    window.resize(320, 200);
    window.show();
    QApplication::setActiveWindow(&window);
    return QTest::qWaitForWindowActive(&window);
}
