#include "ui/controls.h"
#include "ui/windows.h"

#include <QFrame>
#include <QImage>

#include <gtest/gtest.h>

namespace {

struct Size {
    const char* name;
    int width, height;
};

void PrintTo(const Size& row, std::ostream* out) { *out << row.name; }

class BevelSizes : public testing::TestWithParam<Size> {};

// The bevel draws its rim itself; it must look like the sunken panel of a
// QFrame, down to the corners where its light and dark sides meet.
TEST_P(BevelSizes, LooksLikeASunkenQFramePanel) {
    QWidget window;
    ui::applyFormLook(&window);
    QFrame reference(&window);
    reference.setFrameStyle(QFrame::Panel | QFrame::Sunken);
    ui::Bevel bevel(&window);
    for (QWidget* frame : {static_cast<QWidget*>(&reference), static_cast<QWidget*>(&bevel)})
        frame->resize(GetParam().width, GetParam().height);
    EXPECT_TRUE(bevel.grab().toImage() == reference.grab().toImage());
}

INSTANTIATE_TEST_SUITE_P(Sizes, BevelSizes,
                         testing::Values(Size{"MainGroup", 305, 281}, Size{"Wide", 593, 105}, Size{"Square2", 2, 2},
                                         Size{"Line", 40, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
