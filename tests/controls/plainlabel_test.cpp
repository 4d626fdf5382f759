#include "ui/controls.h"
#include "ui/windows.h"

#include <QImage>
#include <QLabel>

#include <gtest/gtest.h>

namespace {

struct Look {
    const char* name;
    const char* text;
    int fontPixels;  // 0 keeps the window's font
    bool bold = false;
    bool underline = false;
    bool noShaping = false;
};

void PrintTo(const Look& row, std::ostream* out) { *out << row.name; }

// Leading and trailing spaces, Polish letters, the bold and underlined
// captions, long results and the empty text are where a layout of its own
// could part from QLabel's.
const Look looks[] = {
    {"Tick", "Licznik zwiększany co 0,000976562 us.", 0},
    {"LongPreload", "W NORMAL MODE TCNTx = -1,5E-5  - 0xFFFFFFFFFFFFFFFF", 0},
    {"LeadingSpace", " - 0x00", 0},
    {"TrailingSpace", "Wpisując ", 0},
    {"PolishCaption", "Częstotliwość Timera : 1000 kHz", 0},
    {"Empty", "", 0},
    {"BoldFrequency", "1953,125 Hz", 16, true},
    {"TitleSize", "8-bit Timer:", 19, true},
    {"Underlined", "Preskaler", 11, false, true},
    {"Caption13", "licznik zwiekszany co", 13},
    {"UnshapedResult", "Maksymalnie w NORMAL MODE: 65280 us.", 0, false, false, true},
    {"UnshapedBold", "31250 Hz", 16, true, false, true},
};

class PlainLabelLooks : public testing::TestWithParam<Look> {
protected:
    // Both kinds side by side in a window with the main window's look.
    void SetUp() override {
        ui::applyFormLook(&window_);
        const QString text = QString::fromUtf8(GetParam().text);
        reference_ = new QLabel(text, &window_);
        plain_ = new ui::PlainLabel(text, &window_);
        for (QLabel* label : {reference_, static_cast<QLabel*>(plain_)}) {
            label->setFont(lookFont(label->font()));
            label->adjustSize();
        }
    }

    QFont lookFont(QFont font) const {
        const Look& look = GetParam();
        if (look.fontPixels != 0)
            font.setPixelSize(look.fontPixels);
        font.setBold(look.bold);
        font.setUnderline(look.underline);
        if (look.noShaping)
            font.setStyleStrategy(QFont::PreferNoShaping);
        return font;
    }

    QWidget window_;
    QLabel* reference_ = nullptr;
    ui::PlainLabel* plain_ = nullptr;
};

TEST_P(PlainLabelLooks, TakesTheSizeOfAQLabel) {
    EXPECT_EQ(plain_->size(), reference_->size());
    EXPECT_EQ(plain_->minimumSizeHint(), reference_->minimumSizeHint());
}

TEST_P(PlainLabelLooks, PaintsThePixelsOfAQLabel) {
    const QImage expected = reference_->grab().toImage();
    const QImage painted = plain_->grab().toImage();
    EXPECT_EQ(painted.size(), expected.size());
    EXPECT_TRUE(painted == expected);
}

INSTANTIATE_TEST_SUITE_P(Looks, PlainLabelLooks, testing::ValuesIn(looks),
                         [](const auto& info) { return std::string(info.param.name); });

// The result labels are written through QLabel's own setText and font, which
// this class cannot intercept; what it lays out must follow them anyway.
TEST(PlainLabel, FollowsTextAndFontWrittenThroughQLabel) {
    QWidget window;
    ui::applyFormLook(&window);
    QLabel reference(&window);
    auto* plain = new ui::PlainLabel("0 Hz", &window);
    QLabel* asQLabel = plain;
    asQLabel->adjustSize();
    const QSize before = plain->size();

    asQLabel->setText("1953,125 Hz");
    reference.setText("1953,125 Hz");
    plain->adjustSize();
    reference.adjustSize();
    EXPECT_GT(plain->width(), before.width());
    EXPECT_EQ(plain->size(), reference.size());

    QFont bold = plain->font();
    bold.setPixelSize(16);
    bold.setBold(true);
    asQLabel->setFont(bold);
    reference.setFont(bold);
    plain->adjustSize();
    reference.adjustSize();
    EXPECT_EQ(plain->size(), reference.size());
    EXPECT_TRUE(plain->grab().toImage() == reference.grab().toImage());
}

}  // namespace
