#include "tests/controls/window.h"
#include "ui/controls.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QSignalSpy>
#include <QToolButton>

#include <gtest/gtest.h>

#include <limits>

namespace {

// Keys that reach the window behind a field.
class KeyRecorder : public QWidget {
public:
    QList<int> keys;

protected:
    void keyPressEvent(QKeyEvent* event) override { keys << event->key(); }
};

class SpinEditTest : public testing::Test {
protected:
    void SetUp() override {
        other->setGeometry(10, 10, 65, 22);
        spin->setGeometry(10, 40, 65, 22);
        ASSERT_TRUE(showActive(window));
        spin->setFocus();
    }

    // Sets the text as the user had typed it, caret at its end.
    void start(const QString& text) {
        spin->setText(text);
        spin->lineEdit()->end(false);
        changes.clear();
    }

    KeyRecorder window;
    QLineEdit* other = new QLineEdit(&window);
    ui::SpinEdit* spin = new ui::SpinEdit(0, 255, &window);
    QSignalSpy changes{spin, &ui::SpinEdit::change};
};

struct Key {
    const char* name;
    Qt::Key key;
    QString text;
    QString separator;
    QString result;  // empty: swallowed
};

// Names the row in test listings instead of dumping its bytes.
void PrintTo(const Key& row, std::ostream* out) { *out << row.name; }

class SpinEditKeys : public SpinEditTest, public testing::WithParamInterface<Key> {};

TEST_P(SpinEditKeys, AcceptsOnlyNumberCharactersAndControlKeys) {
    const Key& k = GetParam();
    if (!k.separator.isEmpty())
        spin->setDecimalSeparator(k.separator);
    start("12");
    QTest::sendKeyEvent(QTest::Click, spin->lineEdit(), k.key, k.text, Qt::NoModifier);
    if (k.result.isEmpty()) {
        EXPECT_EQ(spin->text(), "12");
        EXPECT_TRUE(window.keys.isEmpty());
    } else {
        EXPECT_EQ(spin->text(), k.result);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Filter, SpinEditKeys,
    testing::Values(Key{"Digit", Qt::Key_7, "7", "", "127"}, Key{"Plus", Qt::Key_Plus, "+", "", "12+"},
                    Key{"Minus", Qt::Key_Minus, "-", "", "12-"},
                    Key{"LocaleSeparator", Qt::Key_Comma, ",", "", "12,"},
                    Key{"SetSeparator", Qt::Key_Period, ".", ".", "12."},
                    Key{"Backspace", Qt::Key_Backspace, "\b", "", "1"},
                    Key{"PeriodWhenCommaIsTheSeparator", Qt::Key_Period, ".", "", ""},
                    Key{"CommaWhenPeriodIsTheSeparator", Qt::Key_Comma, ",", ".", ""},
                    Key{"Letter", Qt::Key_A, "a", "", ""}, Key{"Space", Qt::Key_Space, " ", "", ""},
                    Key{"Return", Qt::Key_Return, "\r", "", ""}, Key{"Enter", Qt::Key_Enter, "\r", "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SpinEditTest, NavigationAndClipboardKeysWorkAndPasteIsNotFiltered) {
    start("12");
    QTest::keyClick(spin->lineEdit(), Qt::Key_Home);
    QTest::keyClick(spin->lineEdit(), Qt::Key_Delete);
    EXPECT_EQ(spin->text(), "2");
    QTest::keyClick(spin->lineEdit(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(spin->lineEdit(), Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "2");
    QGuiApplication::clipboard()->setText("x y");
    QTest::keyClick(spin->lineEdit(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(spin->text(), "x y");
    EXPECT_EQ(changes.count(), 3);
}

TEST_F(SpinEditTest, ValueParsesWithoutClampingAndFallsBackToTheMinimum) {
    ui::SpinEdit fromOne(1, 255);
    const std::pair<QString, int> cases[] = {{"300", 300}, {"-4", -4}, {"$FF", 255}, {" 0x10", 16},
                                             {"", 1},      {"12,5", 1}, {"1 2", 1}};
    for (const auto& [text, value] : cases) {
        fromOne.setText(text);
        EXPECT_EQ(fromOne.value(), value) << text.toStdString();
    }
}

TEST_F(SpinEditTest, WritesClampAndReportOnlyAChangedText) {
    struct Write {
        int minimum, maximum;
        QString before;
        int value;
        QString after;
        int reports;
    };
    const Write writes[] = {{0, 255, "10", 300, "255", 1}, {0, 255, "10", -5, "0", 1},
                            {0, 255, "255", 300, "255", 0}, {0, 255, "10", 10, "10", 0},
                            {0, 0, "1", -7, "-7", 1}};
    for (const Write& w : writes) {
        SCOPED_TRACE(w.after.toStdString());
        ui::SpinEdit field(w.minimum, w.maximum);
        field.setText(w.before);
        QSignalSpy reports(&field, &ui::SpinEdit::change);
        field.setValue(w.value);
        EXPECT_EQ(field.text(), w.after);
        EXPECT_EQ(reports.count(), w.reports);
    }
}

TEST_F(SpinEditTest, ArrowKeysStepWithinTheLimits) {
    struct Step {
        int minimum, maximum;
        QString before;
        Qt::Key key;
        QString after;
        int reports;
    };
    constexpr int top = std::numeric_limits<int>::max();
    const Step steps[] = {{0, 255, "254", Qt::Key_Up, "255", 1},
                          {0, 255, "255", Qt::Key_Up, "255", 0},
                          {0, 255, "0", Qt::Key_Down, "0", 0},
                          {0, 255, "abc", Qt::Key_Up, "1", 1},
                          {0, 255, "300", Qt::Key_Down, "255", 1},
                          {0, 0, QString::number(top), Qt::Key_Up, QString::number(top), 0}};
    for (const Step& s : steps) {
        SCOPED_TRACE(s.before.toStdString());
        ui::SpinEdit field(s.minimum, s.maximum);
        field.setText(s.before);
        QSignalSpy reports(&field, &ui::SpinEdit::change);
        QTest::keyClick(field.lineEdit(), s.key);
        EXPECT_EQ(field.text(), s.after);
        EXPECT_EQ(reports.count(), s.reports);
    }
}

TEST_F(SpinEditTest, LeavingClampsAnIntegerOutsideTheLimitsOnly) {
    const std::pair<QString, QString> cases[] = {{"999", "255"}, {"-1", "0"}, {"abc", "abc"}, {"$FF", "$FF"}};
    for (const auto& [typed, left] : cases) {
        SCOPED_TRACE(typed.toStdString());
        spin->setFocus();
        start(typed);
        other->setFocus();
        EXPECT_EQ(spin->text(), left);
        EXPECT_EQ(changes.count(), typed == left ? 0 : 1);
    }
}

TEST_F(SpinEditTest, HoldingAnArrowStepsAtOnceThenRepeats) {
    other->setFocus();
    start("10");
    auto* up = spin->findChild<QToolButton*>("up");
    QElapsedTimer held;
    held.start();
    QTest::mousePress(up, Qt::LeftButton);
    EXPECT_TRUE(spin->lineEdit()->hasFocus());
    EXPECT_EQ(spin->value(), 11);
    QTest::qWait(650);
    const int steps = spin->value() - 10;
    const qint64 elapsed = held.elapsed();
    QTest::mouseRelease(up, Qt::LeftButton);
    // One step at the press, then one at 400 ms and every 100 ms after.
    const int expected = 1 + (elapsed >= 400 ? 1 + int((elapsed - 400) / 100) : 0);
    EXPECT_NEAR(steps, expected, 1) << elapsed << " ms";
    EXPECT_EQ(spin->value(), 10 + steps);
}

TEST_F(SpinEditTest, TabbingInSelectsTheWholeText) {
    spin->setText("128");
    spin->lineEdit()->setSelection(1, 1);
    other->setFocus();
    QTest::keyClick(other, Qt::Key_Tab);
    ASSERT_TRUE(spin->lineEdit()->hasFocus());
    EXPECT_EQ(spin->lineEdit()->selectedText(), "128");
}

}  // namespace
