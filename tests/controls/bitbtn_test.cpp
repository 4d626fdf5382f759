#include "tests/controls/window.h"
#include "ui/controls.h"

#include <QLineEdit>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

struct Kind {
    const char* name;
    ui::BitBtn::Kind kind;
    int escClicks;
};

// Names the row in test listings instead of dumping its bytes.
void PrintTo(const Kind& row, std::ostream* out) { *out << row.name; }

class BitBtnKinds : public testing::TestWithParam<Kind> {};

TEST_P(BitBtnKinds, OnlyNoIsPressedByEscAnywhereInItsWindow) {
    QWidget window;
    auto* field = new QLineEdit(&window);
    // Inside a group, as the windows build them.
    auto* group = new QWidget(&window);
    auto* button = new ui::BitBtn(GetParam().kind, "&Koniec", group);
    group->setGeometry(0, 40, 120, 40);
    QSignalSpy clicks(button, &QAbstractButton::clicked);
    ASSERT_TRUE(showActive(window));
    field->setFocus();
    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_EQ(clicks.count(), GetParam().escClicks);
}

INSTANTIATE_TEST_SUITE_P(Kinds, BitBtnKinds,
                         testing::Values(Kind{"No", ui::BitBtn::Kind::No, 1},
                                         Kind{"Help", ui::BitBtn::Kind::Help, 0},
                                         Kind{"All", ui::BitBtn::Kind::All, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
