#include "app/form3.h"
#include "windowtest.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

namespace {

using Form3Test = testing::Test;

TEST_F(Form3Test, OkHidesAndEscapeDoesNothing) {
    TForm3 form;
    EXPECT_EQ(form.objectName(), "Form3");
    EXPECT_EQ(form.windowTitle(), "Form3");
    showActive(form);
    QTest::keyClick(&form, Qt::Key_Escape);
    if (QWidget* focused = QApplication::focusWidget())
        QTest::keyClick(focused, Qt::Key_Escape);
    EXPECT_TRUE(form.isVisible());

    auto* ok = child<QPushButton>(form, "BitBtn1");
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), "OK");
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_FALSE(form.isVisible());
}

TEST_F(Form3Test, CentredFirstThenReopensWhereItWasLeft) {
    TForm3 form;
    showActive(form);
    const QPoint offCentre = form.frameGeometry().center() - form.screen()->availableGeometry().center();
    // The designed frame is centred; without a window manager the client
    // area is off by at most half the frame's extra size.
    EXPECT_LE(std::abs(offCentre.x()), 4);
    EXPECT_LE(std::abs(offCentre.y()), 17);

    form.move(40, 50);
    form.hide();
    showActive(form);
    EXPECT_EQ(form.pos(), QPoint(40, 50));
}

struct LabelRow {
    const char* name;
    const char* text;
    QPoint at;
    const char* family;
    int pixelSize;
    bool bold;
    bool shrinksToFit = false;
};

const LabelRow kLabels[] = {
    {"Label1", "Zliczary 8 bit w mikrokontrolerach AVR", {16, 16}, "Bell Gothic Std Light", 19, true, true},
    {"Label2", "Program umożliwiający skonfigurowanie", {56, 56}, "MS Sans Serif", 13, false},
    {"Label3", "w mikrokontrolerach AVR.", {96, 104}, "MS Sans Serif", 13, false},
    {"Label4", " 8 bitowych timerów", {112, 80}, "MS Sans Serif", 13, false},
    {"Label5", "projekt avrtimer", {24, 136}, "Bookman Old Style", 15, false},
    {"Label6", "2026", {224, 136}, "Bookman Old Style", 15, false},
};

// Every line fits its label and the label fits the window; the framed ones
// lie above the bevel, so a click or a paint there reaches the label.
TEST_F(Form3Test, LabelsShowTheirWholeText) {
    TForm3 form;
    const QRect bevel = child<QWidget>(form, "Bevel1")->geometry();
    EXPECT_EQ(bevel, QRect(16, 48, 313, 113));
    for (const auto& row : kLabels) {
        SCOPED_TRACE(row.name);
        auto* label = child<QLabel>(form, row.name);
        ASSERT_NE(label, nullptr);
        const QString text = QString::fromUtf8(row.text);
        const QFontMetrics metrics(label->font());
        EXPECT_EQ(label->text(), text);
        EXPECT_EQ(label->pos(), row.at);
        EXPECT_EQ(label->font().family(), row.family);
        if (row.shrinksToFit) {
            EXPECT_LE(label->font().pixelSize(), row.pixelSize);
        } else {
            EXPECT_EQ(label->font().pixelSize(), row.pixelSize);
        }
        EXPECT_EQ(label->font().bold(), row.bold);
        EXPECT_GE(label->width(), metrics.horizontalAdvance(text));
        EXPECT_GE(label->height(), metrics.height());
        EXPECT_TRUE(form.rect().contains(label->geometry()));
        if (bevel.contains(label->geometry())) {
            EXPECT_EQ(form.childAt(label->geometry().center()), label);
        }
    }
}

// The title's stand-in face is wider than the one it was designed in; it
// gives up only as much size as it must to stay between the margins.
TEST_F(Form3Test, TitleShrinksOnlyAsFarAsItMust) {
    TForm3 form;
    auto* title = child<QLabel>(form, "Label1");
    ASSERT_NE(title, nullptr);
    const int room = form.width() - 2 * title->x();
    EXPECT_LE(title->width(), room);
    QFont larger = title->font();
    larger.setPixelSize(larger.pixelSize() + 1);
    if (title->font().pixelSize() < 19) {
        EXPECT_GT(QFontMetrics(larger).horizontalAdvance(title->text()), room);
    }
}

}  // namespace
