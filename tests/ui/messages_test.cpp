// The two dialogs the handlers use, inspected while they are open.
#include "ui/messages.h"
#include "../qstring_printer.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// Runs `inspect` on the modal dialog once it is up, then presses `key`.
void whileOpen(const std::function<void(QWidget*)>& inspect, Qt::Key key) {
    QTimer::singleShot(0, [=] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        inspect(dialog);
        QTest::keyClick(dialog, key);
    });
}

QString expectedTitle() { return QCoreApplication::applicationFilePath().section('/', -1).section('.', 0, 0).toLower(); }

TEST(ShowMessage, TitledOkDialogWithoutIcon) {
    ui::DialogMessageService service;
    for (Qt::Key closeKey : {Qt::Key_Return, Qt::Key_Escape}) {
        bool inspected = false;
        whileOpen(
            [&](QWidget* dialog) {
                inspected = true;
                EXPECT_EQ(dialog->windowTitle(), expectedTitle());
                const auto buttons = dialog->findChildren<QPushButton*>();
                ASSERT_EQ(buttons.size(), 1);
                EXPECT_EQ(buttons[0]->text().remove('&'), "OK");
                EXPECT_TRUE(buttons[0]->isDefault());
                const auto labels = dialog->findChildren<QLabel*>();
                ASSERT_EQ(labels.size(), 1);
                EXPECT_EQ(labels[0]->text(), QString::fromUtf8("Podana wartość nie jest liczbą !"));
                EXPECT_TRUE(labels[0]->pixmap().isNull());
                EXPECT_LE(labels[0]->width(), dialog->screen()->availableGeometry().width() / 2);
            },
            closeKey);
        service.showMessage(QString::fromUtf8("Podana wartość nie jest liczbą !"));
        EXPECT_TRUE(inspected);
    }
}

TEST(ShowMessage, LongTextWrapsToHalfTheScreen) {
    ui::DialogMessageService service;
    const QString text = QString("slowo ").repeated(400);
    whileOpen(
        [&](QWidget* dialog) {
            const int half = dialog->screen()->availableGeometry().width() / 2;
            EXPECT_LE(dialog->findChild<QLabel*>()->width(), half);
        },
        Qt::Key_Return);
    service.showMessage(text);
}

TEST(ReportError, CriticalBoxOwnedByTheMainWindow) {
    QWidget owner;
    owner.show();
    ui::DialogMessageService service;
    service.setOwner(&owner);
    bool inspected = false;
    whileOpen(
        [&](QWidget* dialog) {
            inspected = true;
            auto* box = qobject_cast<QMessageBox*>(dialog);
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->icon(), QMessageBox::Critical);
            EXPECT_EQ(box->text(), "Floating point division by zero.");
            EXPECT_EQ(box->windowTitle(), expectedTitle());
            EXPECT_EQ(box->parentWidget(), &owner);
            EXPECT_EQ(box->windowModality(), Qt::ApplicationModal);
        },
        Qt::Key_Return);
    service.reportError("Floating point division by zero.");
    EXPECT_TRUE(inspected);
}

}  // namespace
