#include "tests/controls/window.h"
#include "ui/controls.h"

#include <QStyle>
#include <QStyleOptionSlider>

#include <gtest/gtest.h>

namespace {

class TrackBarTest : public testing::Test {
protected:
    void SetUp() override {
        bar->setGeometry(10, 10, 250, 45);
        ASSERT_TRUE(showActive(window));
        bar->setFocus();
        // The position each report's handler reads.
        QObject::connect(bar, &ui::TrackBar::change, [this] { reported << bar->value(); });
    }

    QRect handle() const {
        QStyleOptionSlider option;
        option.initFrom(bar);
        option.orientation = bar->orientation();
        option.minimum = bar->minimum();
        option.maximum = bar->maximum();
        option.sliderPosition = bar->sliderPosition();
        option.tickPosition = bar->tickPosition();
        return bar->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, bar);
    }

    QWidget window;
    ui::TrackBar* bar = new ui::TrackBar(&window);
    QList<int> reported;
};

TEST_F(TrackBarTest, EachScrollKeyReportsOnPressAndAgainOnRelease) {
    struct Press {
        const char* name;
        int from;
        Qt::Key key;
        int to;
    };
    const Press presses[] = {{"Right", 0, Qt::Key_Right, 1},   {"LeftAtZero", 0, Qt::Key_Left, 0},
                             {"HomeAtZero", 0, Qt::Key_Home, 0}, {"End", 0, Qt::Key_End, 100},
                             {"PageDown", 50, Qt::Key_PageDown, 48}};
    for (const Press& p : presses) {
        SCOPED_TRACE(p.name);
        bar->setValue(p.from);
        reported.clear();
        QTest::keyClick(bar, p.key);
        EXPECT_EQ(reported, QList<int>({p.to, p.to}));
    }
}

TEST_F(TrackBarTest, WritesFromCodeAndOtherKeysReportNothing) {
    bar->setValue(30);
    QTest::keyClick(bar, Qt::Key_A);
    EXPECT_TRUE(reported.isEmpty());
}

TEST_F(TrackBarTest, DraggingReportsEachStepAndTheRelease) {
    const QPoint grip = handle().center();
    QTest::mousePress(bar, Qt::LeftButton, {}, grip);
    QTest::mouseMove(bar, grip + QPoint(40, 0));
    QTest::mouseMove(bar, grip + QPoint(80, 0));
    QTest::mouseRelease(bar, Qt::LeftButton, {}, grip + QPoint(80, 0));
    ASSERT_EQ(reported.size(), 3);
    EXPECT_GT(reported[0], 0);
    EXPECT_GT(reported[1], reported[0]);
    EXPECT_EQ(reported[2], reported[1]);
    EXPECT_EQ(reported[2], bar->value());
}

TEST_F(TrackBarTest, ThumbIsTwentyPixelsAcrossTheChannel) {
    EXPECT_EQ(handle().height(), 20);
}

}  // namespace
