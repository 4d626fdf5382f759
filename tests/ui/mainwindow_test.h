#pragma once

// A fresh, shown and active main window for each test, with its messages
// recorded in the order they would have been shown.
#include "ui/form1.h"
#include "ui/messages.h"
#include "../qstring_printer.h"

#include <QLabel>
#include <QStringList>
#include <QTest>

#include <gtest/gtest.h>

struct RecordedMessages : ui::MessageService {
    QStringList shown;
    void showMessage(const QString& text) override { shown << "message: " + text; }
    void reportError(const QString& text) override { shown << "error: " + text; }
};

inline bool showActive(QWidget& window) {
    window.show();
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window);
}

class MainWindowTest : public ::testing::Test {
protected:
    RecordedMessages messages;
    ui::TForm1 form{messages};

    void SetUp() override { ASSERT_TRUE(showActive(form)); }

    template <typename T = QWidget>
    T* control(const char* name) {
        T* found = form.findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QString label(const char* name) { return control<QLabel>(name)->text(); }
};
