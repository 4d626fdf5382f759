#pragma once

#include "app/shell.h"
#include "ui/windows.h"

#include <QApplication>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

// Shows a window through the same path the main window uses and waits until
// it has the focus, so that keys reach it.
inline void showActive(QWidget& window) {
    ui::showWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
}

template <typename T>
T* child(QWidget& window, const char* name) {
    T* found = window.findChild<T*>(QLatin1String(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}
