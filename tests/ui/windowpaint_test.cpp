// The labels as the window paints them. The label kind's pixel tests paint
// each label on its own; inside its window a label's painter is offset to
// the label's place, which Qt's text drawing does not treat alike
// everywhere.
#include "mainwindow_test.h"

#include <functional>

namespace {

class WindowPaint : public MainWindowTest {
protected:
    // The labels whose area in a render of the whole window differs from
    // the label rendered alone.
    QStringList labelsPaintedOtherwise() {
        const QImage window = form.grab().toImage().convertToFormat(QImage::Format_RGB32);
        QStringList differing;
        for (QLabel* label : form.findChildren<QLabel*>()) {
            const QImage alone = label->grab().toImage().convertToFormat(QImage::Format_RGB32);
            if (window.copy(label->geometry()) != alone)
                differing << label->objectName();
        }
        return differing;
    }
    void press(const char* name, Qt::Key key, int times = 1) {
        QWidget* target = control(name);
        target->setFocus();
        for (int i = 0; i < times; ++i)
            QTest::keyClick(target, key);
        QCoreApplication::processEvents();
    }
};

// Steps in turn. The clock is 4 MHz: at 1,2 MHz some figures run past
// their places over the bevels and each other, which a label alone does
// not show.
TEST_F(WindowPaint, EveryLabelAsItPaintsAlone) {
    const struct {
        const char* name;
        std::function<void()> action;
    } steps[] = {
        {"StartUp", [] {}},
        {"FullRecalculation", [this] { press("czest", Qt::Key_Down, 2); }},
        {"SliderMove", [this] { press("TrackBar1", Qt::Key_PageUp); }},
    };
    for (const auto& step : steps) {
        step.action();
        EXPECT_EQ(labelsPaintedOtherwise(), QStringList{}) << step.name;
    }
    EXPECT_EQ(label("Label1"), "15625 Hz");
    EXPECT_EQ(label("Label13"), "2 %");
    EXPECT_TRUE(messages.shown.isEmpty());
}

}  // namespace
