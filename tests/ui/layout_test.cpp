// What the user sees of the main window before touching it, and how the
// keyboard moves through it and ends the program.
#include "mainwindow_test.h"
#include "ui/controls.h"

#include <QAbstractItemView>
#include <QScreen>
#include <QTimer>

#include <memory>
#include <vector>

namespace {

class MainWindowLayout : public MainWindowTest {
protected:
    // The named control that holds the keyboard focus.
    QString focusedControl() {
        for (QWidget* w = QApplication::focusWidget(); w != nullptr && w != &form; w = w->parentWidget())
            if (!w->objectName().isEmpty() && w->parentWidget() == &form)
                return w->objectName();
        return {};
    }
    // Runs the event loop until the program is told to end, after `action`.
    int exitCodeAfter(const std::function<void()>& action) {
        QTimer::singleShot(0, &form, action);
        QTimer::singleShot(3000, &form, [] { QApplication::exit(99); });
        return QApplication::exec();
    }
};

TEST_F(MainWindowLayout, InputsAtTheirDesignedPlaces) {
    const struct {
        const char* name;
        QRect geometry;
    } rows[] = {
        {"TrackBar1", {352, 208, 150, 45}}, {"presk", {112, 24, 81, 21}},  {"BitBtn1", {528, 496, 75, 25}},
        {"czest", {16, 24, 81, 21}},        {"Edit1", {24, 192, 49, 21}},  {"wielkosc", {80, 192, 57, 21}},
        {"SpinEdit1", {80, 288, 65, 22}},   {"ocr", {120, 432, 57, 22}},   {"Edit2", {96, 456, 81, 21}},
        {"ComboBox1", {184, 456, 57, 21}},  {"BitBtn2", {448, 496, 75, 25}}, {"Bevel3", {16, 96, 305, 281}},
        {"Bevel1", {336, 96, 273, 281}},    {"Bevel2", {16, 384, 593, 105}},
    };
    for (const auto& row : rows)
        EXPECT_EQ(control(row.name)->geometry(), row.geometry) << row.name;
    EXPECT_EQ(form.objectName(), "Form1");
    EXPECT_EQ(form.windowTitle(), QString::fromUtf8("Obliczanie wartości rejestrów 8-bitowych TIMER'ów AVR"));
}

TEST_F(MainWindowLayout, FirstShownInTheMiddleOfTheScreen) {
    const QPoint middle = form.screen()->availableGeometry().center();
    EXPECT_EQ(form.pos(), middle - QPoint(643 / 2, 583 / 2));
    form.hide();
    form.move(10, 10);
    form.show();
    EXPECT_EQ(form.pos(), QPoint(10, 10));
}

TEST_F(MainWindowLayout, NoLabelClipsItsText) {
    const auto labels = form.findChildren<QLabel*>();
    EXPECT_EQ(labels.size(), 41);
    for (const QLabel* label : labels) {
        const int needed = label->fontMetrics().horizontalAdvance(label->text());
        EXPECT_GE(label->width(), needed) << label->objectName().toStdString();
        EXPECT_GE(label->height(), label->fontMetrics().height()) << label->objectName().toStdString();
    }
}

std::string describe(const QWidget* w) {
    const QRect r = w->geometry();
    return w->objectName().toStdString() + QString(" (%1,%2 %3x%4)").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()).toStdString();
}

TEST_F(MainWindowLayout, NoTwoControlsOverlap) {
    QList<QWidget*> controls;
    for (QWidget* child : form.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!qobject_cast<ui::Bevel*>(child))
            controls << child;
    for (qsizetype i = 0; i < controls.size(); ++i)
        for (qsizetype j = i + 1; j < controls.size(); ++j)
            EXPECT_FALSE(controls[i]->geometry().intersects(controls[j]->geometry()))
                << describe(controls[i]) << " and " << describe(controls[j]);
}

TEST_F(MainWindowLayout, FontsAsDesigned) {
    const struct {
        const char* name;
        int pixels;
        bool bold, underline;
    } rows[] = {
        {"Label1", 16, true, false}, {"Label5", 19, true, false},  {"Label2", 13, false, false},
        {"Label7", 11, false, true}, {"Label28", 11, false, false}, {"Label13", 16, true, false},
    };
    for (const auto& row : rows) {
        const QFont font = control(row.name)->font();
        EXPECT_EQ(font.pixelSize(), row.pixels) << row.name;
        EXPECT_EQ(font.bold(), row.bold) << row.name;
        EXPECT_EQ(font.underline(), row.underline) << row.name;
    }
    EXPECT_EQ(control("Label7")->cursor().shape(), Qt::PointingHandCursor);
}

TEST_F(MainWindowLayout, BoxesStartWithTextButOnlyTheClockSelected) {
    const struct {
        const char* name;
        int index;
        const char* text;
        int entries;
    } rows[] = {
        {"presk", -1, "1", 7}, {"czest", 0, "1 MHz", 9}, {"wielkosc", -1, "us", 3}, {"ComboBox1", -1, "Hz", 2},
    };
    for (const auto& row : rows) {
        const auto* box = control<ui::ComboBox>(row.name);
        EXPECT_EQ(box->currentIndex(), row.index) << row.name;
        EXPECT_EQ(box->currentText(), row.text) << row.name;
        EXPECT_EQ(box->count(), row.entries) << row.name;
    }
    EXPECT_EQ(control<ui::ComboBox>("czest")->itemText(4), "9,6 MHz");
    EXPECT_EQ(control<ui::SpinEdit>("SpinEdit1")->text(), "0");
    EXPECT_EQ(control<ui::SpinEdit>("ocr")->text(), "1");
    EXPECT_EQ(control<ui::TrackBar>("TrackBar1")->value(), 0);
}

TEST_F(MainWindowLayout, TabOrderStartsAtThePrescaler) {
    EXPECT_EQ(focusedControl(), "presk");
    const QStringList order{"BitBtn1", "czest", "TrackBar1", "Edit1", "wielkosc", "SpinEdit1",
                            "ocr",     "Edit2", "ComboBox1", "BitBtn2", "presk"};
    for (const QString& next : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(focusedControl(), next);
    }
}

// Each window is made on its first showing and kept: closed and asked for
// again, it is the same window that comes back.
TEST_F(MainWindowLayout, PrescalerLabelAndAboutButtonShowTheirWindows) {
    std::vector<QWidget*> made;
    const auto maker = [&made](const char* name) {
        return [&made, name] {
            auto window = std::make_unique<QWidget>();
            window->setObjectName(name);
            made.push_back(window.get());
            return window;
        };
    };
    form.setSecondaryWindows(maker("reference"), maker("about"));
    EXPECT_TRUE(made.empty());
    QTest::mouseClick(control("Label7"), Qt::LeftButton);
    ASSERT_EQ(made.size(), 1u);
    EXPECT_EQ(made[0]->objectName(), "reference");
    EXPECT_TRUE(made[0]->isVisible());
    made[0]->close();
    QTest::mouseClick(control("Label7"), Qt::LeftButton);
    EXPECT_EQ(made.size(), 1u);
    EXPECT_TRUE(made[0]->isVisible());
    QTest::mouseClick(control("BitBtn2"), Qt::LeftButton);
    ASSERT_EQ(made.size(), 2u);
    EXPECT_EQ(made[1]->objectName(), "about");
    EXPECT_TRUE(made[1]->isVisible());
}

TEST_F(MainWindowLayout, KoniecEndsTheProgram) {
    EXPECT_EQ(exitCodeAfter([this] { QTest::mouseClick(control("BitBtn1"), Qt::LeftButton); }), 0);
}

TEST_F(MainWindowLayout, EscEndsTheProgram) {
    EXPECT_EQ(exitCodeAfter([this] { QTest::keyClick(control("Edit1"), Qt::Key_Escape); }), 0);
}

TEST_F(MainWindowLayout, CloseBoxEndsTheProgram) {
    EXPECT_EQ(exitCodeAfter([this] { form.close(); }), 0);
}

TEST_F(MainWindowLayout, EscWithAnOpenListOnlyClosesTheList) {
    auto* presk = control<ui::ComboBox>("presk");
    const int code = exitCodeAfter([presk] {
        presk->showPopup();
        QTest::keyClick(presk->view(), Qt::Key_Escape);
        const bool closed = !presk->view()->isVisible();
        QTimer::singleShot(200, [closed] { QApplication::exit(closed ? 7 : 8); });
    });
    EXPECT_EQ(code, 7);
    EXPECT_TRUE(form.isVisible());
}

}  // namespace
