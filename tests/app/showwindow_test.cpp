#include "app/form2.h"
#include "app/form3.h"
#include "windowtest.h"

#include <functional>
#include <memory>

namespace {

class EventCounter : public QObject {
public:
    explicit EventCounter(QObject* watched) { watched->installEventFilter(this); }
    int count(QEvent::Type type) const { return counts_.value(type); }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        ++counts_[event->type()];
        return false;
    }

private:
    QHash<QEvent::Type, int> counts_;
};

struct Window {
    const char* name;
    std::function<std::unique_ptr<QWidget>()> make;
};

void PrintTo(const Window& row, std::ostream* out) { *out << row.name; }

class ShowWindow : public testing::TestWithParam<Window> {};

TEST_P(ShowWindow, BringsAHiddenWindowToTheFront) {
    const auto window = GetParam().make();
    QWidget other;
    showActive(other);
    EventCounter events(window.get());
    ui::showWindow(window.get());
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(events.count(QEvent::ZOrderChange), 1);
    EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
}

// Asking for a window that is already open must not pull it over the window
// the user is working in, nor open a second one.
TEST_P(ShowWindow, LeavesAVisibleWindowAlone) {
    const auto window = GetParam().make();
    showActive(*window);
    QWidget other;
    showActive(other);
    EventCounter events(window.get());
    ui::showWindow(window.get());
    QCoreApplication::processEvents();
    EXPECT_EQ(events.count(QEvent::Show), 0);
    EXPECT_EQ(events.count(QEvent::ZOrderChange), 0);
    EXPECT_TRUE(other.isActiveWindow());
    int shown = 0;
    for (const QWidget* w : QApplication::topLevelWidgets())
        shown += w->isVisible() && w->objectName() == GetParam().name;
    EXPECT_EQ(shown, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Windows, ShowWindow,
    testing::Values(Window{"Form2", [] { return std::unique_ptr<QWidget>(new TForm2); }},
                    Window{"Form3", [] { return std::unique_ptr<QWidget>(new TForm3); }}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
