#include "tests/controls/window.h"
#include "ui/controls.h"

#include <QAbstractItemView>
#include <QClipboard>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

const QStringList frequencies = {"1 MHz",  "1,2 MHz", "4 MHz",  "8 MHz", "9,6 MHz",
                                 "10 MHz", "12 MHz",  "16 MHz", "20 MHz"};

// A frequency box on a window that also has a cancel button, entry 0
// selected and its whole text highlighted, as after tabbing into it.
class ComboBoxTest : public testing::Test {
protected:
    void SetUp() override {
        box->addItems(frequencies);
        box->setCurrentIndex(0);
        box->setGeometry(10, 10, 120, 22);
        ASSERT_TRUE(showActive(window));
        box->setFocus();
        box->lineEdit()->selectAll();
    }

    void openList() {
        box->showPopup();
        ASSERT_TRUE(box->view()->isVisible());
    }

    QWidget window;
    ui::ComboBox* box = new ui::ComboBox(&window);
    ui::BitBtn* cancel = new ui::BitBtn(ui::BitBtn::Kind::No, "&Koniec", &window);
    QSignalSpy changes{box, &ui::ComboBox::change};
    QSignalSpy cancelClicks{cancel, &QAbstractButton::clicked};
};

struct Typing {
    const char* name;
    QString keys;
    std::vector<int> reportsAfterEachKey;
    int index;
    QString text;
    QString highlighted;
};

// Names the row in test listings instead of dumping its bytes.
void PrintTo(const Typing& row, std::ostream* out) { *out << row.name; }

class ComboBoxTyping : public ComboBoxTest, public testing::WithParamInterface<Typing> {};

TEST_P(ComboBoxTyping, CompletesToTheFirstEntryAndReportsOnlyNewSelections) {
    const Typing& t = GetParam();
    for (qsizetype i = 0; i < t.keys.size(); ++i) {
        SCOPED_TRACE(i);
        QTest::keyClick(box, t.keys[i].toLatin1());
        EXPECT_EQ(changes.count(), t.reportsAfterEachKey[i]);
    }
    EXPECT_EQ(box->currentIndex(), t.index);
    EXPECT_EQ(box->currentText(), t.text);
    EXPECT_EQ(box->lineEdit()->selectedText(), t.highlighted);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, ComboBoxTyping,
    testing::Values(Typing{"SameEntry", "1", {0}, 0, "1 MHz", " MHz"},
                    Typing{"Sixteen", "16", {0, 1}, 7, "16 MHz", " MHz"},
                    Typing{"SecondEntry", "1,", {0, 1}, 1, "1,2 MHz", "2 MHz"},
                    Typing{"CaseIgnored", "9,6 m", {1, 1, 1, 1, 1}, 4, "9,6 MHz", "Hz"},
                    Typing{"NoEntryFromTheFirstKey", "3686400", {1, 2, 3, 4, 5, 6, 7}, -1, "3686400", ""},
                    Typing{"LeavesTheEntries", "16x", {0, 1, 2}, -1, "16x", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ComboBoxTest, BackspaceDeletesTheHighlightThenACharacterReportingEach) {
    QTest::keyClicks(box, "16");
    changes.clear();
    QTest::keyClick(box, Qt::Key_Backspace);
    EXPECT_EQ(box->currentText(), "16");
    EXPECT_EQ(box->currentIndex(), -1);
    QTest::keyClick(box, Qt::Key_Backspace);
    EXPECT_EQ(box->currentText(), "1");
    EXPECT_EQ(changes.count(), 2);
}

TEST_F(ComboBoxTest, OtherUserEditsDeselectAndReportOnce) {
    struct Edit {
        const char* name;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        QString text;
    };
    const Edit edits[] = {{"Delete", Qt::Key_Delete, Qt::NoModifier, ""},
                          {"Cut", Qt::Key_X, Qt::ControlModifier, ""},
                          {"Paste", Qt::Key_V, Qt::ControlModifier, "3686400"}};
    for (const Edit& edit : edits) {
        SCOPED_TRACE(edit.name);
        box->setCurrentIndex(0);
        box->lineEdit()->selectAll();
        QGuiApplication::clipboard()->setText("3686400");
        changes.clear();
        QTest::keyClick(box, edit.key, edit.modifiers);
        EXPECT_EQ(box->currentText(), edit.text);
        EXPECT_EQ(box->currentIndex(), -1);
        EXPECT_EQ(changes.count(), 1);
    }
}

TEST_F(ComboBoxTest, ArrowsInTheClosedBoxPickNeighbours) {
    struct Step {
        int from;
        Qt::Key key;
        int to;
        int reports;
    };
    const Step steps[] = {{0, Qt::Key_Down, 1, 1}, {1, Qt::Key_Up, 0, 1}, {0, Qt::Key_Up, 0, 0},
                          {8, Qt::Key_Down, 8, 0}, {-1, Qt::Key_Down, 0, 1}};
    for (const Step& step : steps) {
        SCOPED_TRACE(step.from);
        box->setCurrentIndex(step.from);
        changes.clear();
        QTest::keyClick(box, step.key);
        EXPECT_EQ(box->currentIndex(), step.to);
        EXPECT_EQ(box->currentText(), frequencies[step.to]);
        EXPECT_EQ(changes.count(), step.reports);
    }
}

TEST_F(ComboBoxTest, WritesFromCodeReportNothing) {
    box->setCurrentIndex(3);
    box->setEditText("3686400");
    box->setCurrentIndex(-1);
    EXPECT_EQ(changes.count(), 0);
}

// Qt's own box would select the entry equal to the text on Enter and when
// the focus leaves, and report it.
TEST_F(ComboBoxTest, EnterAndLeavingKeepATextEqualToAnEntryUnselected) {
    box->setCurrentIndex(-1);
    box->setEditText("20 MHz");
    QTest::keyClick(box, Qt::Key_Return);
    box->clearFocus();
    EXPECT_EQ(box->currentIndex(), -1);
    EXPECT_EQ(box->currentText(), "20 MHz");
    EXPECT_EQ(changes.count(), 0);
}

TEST_F(ComboBoxTest, KeysInTheOpenListPickEachHighlightAndEnterAddsNothing) {
    openList();
    QTest::keyClick(box->view(), Qt::Key_Down);
    QTest::keyClick(box->view(), Qt::Key_Down);
    EXPECT_EQ(box->currentIndex(), 2);
    EXPECT_EQ(box->currentText(), "4 MHz");
    QTest::keyClick(box->view(), Qt::Key_Return);
    EXPECT_FALSE(box->view()->isVisible());
    EXPECT_EQ(box->currentIndex(), 2);
    EXPECT_EQ(changes.count(), 2);
}

TEST_F(ComboBoxTest, PointerOverTheListOnlyHighlightsAndAClickPicks) {
    openList();
    QWidget* list = box->view()->viewport();
    const QPoint row5 = box->view()->visualRect(box->model()->index(5, 0)).center();
    QTest::mouseMove(list, row5);
    EXPECT_EQ(box->currentIndex(), 0);
    EXPECT_EQ(changes.count(), 0);
    QTest::mouseClick(list, Qt::LeftButton, {}, row5);
    EXPECT_FALSE(box->view()->isVisible());
    EXPECT_EQ(box->currentIndex(), 5);
    EXPECT_EQ(box->currentText(), "10 MHz");
    EXPECT_EQ(changes.count(), 1);
}

TEST_F(ComboBoxTest, EscClosesOnlyTheOpenList) {
    openList();
    QTest::keyClick(box->view(), Qt::Key_Escape);
    EXPECT_FALSE(box->view()->isVisible());
    EXPECT_EQ(cancelClicks.count(), 0);
    QTest::keyClick(box, Qt::Key_Escape);
    EXPECT_EQ(cancelClicks.count(), 1);
    EXPECT_EQ(changes.count(), 0);
}

}  // namespace
