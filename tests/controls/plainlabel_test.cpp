#include "ui/controls.h"
#include "ui/windows.h"

#include <QImage>
#include <QLabel>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

#include <vector>

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

struct Rewrite {
    const char* name;
    std::vector<const char*> texts;  // written in turn
};

void PrintTo(const Rewrite& row, std::ostream* out) { *out << row.name; }

// Each rewrite keeps a different share of the old text: the repaint must
// cover exactly what changed, also where a glyph leaves its cell.
const Rewrite rewrites[] = {
    {"FigureGrows", {"Licznik zwiększany co 1 us.", "Licznik zwiększany co 0,0625 us."}},
    {"FigureShrinks", {"Licznik zwiększany co 0,0625 us.", "Licznik zwiększany co 1 us."}},
    {"LastDigit", {"OCRx = 127  -  0x7F", "OCRx = 128  -  0x80", "OCRx = 129  -  0x81"}},
    {"NothingShared", {"1953,125 Hz", "0 %", "62,5 kHz"}},
    {"OneShared", {"Wpisując ", "W NORMAL MODE TCNTx = 0"}},
    {"Emptied", {"8,333E-5 ms", "", "8 ms"}},
    {"SameLength", {"Częstotliwość Timera : 1000 kHz", "Częstotliwość Timera : 1250 kHz"}},
    {"KerningAtTheChange", {"AVR Timer To", "AVR Timer Ty", "AVR Timer TAV"}},
};

class PlainLabelRewrites : public testing::TestWithParam<Rewrite> {};

// What is on screen after the partial repaints must be what a repaint of
// the whole window draws. The window carries a second label under the
// first, as the main window's labels overlap in places.
TEST_P(PlainLabelRewrites, LeaveTheScreenAsAFullRepaintWould) {
    QWidget window;
    ui::applyFormLook(&window);
    window.resize(320, 60);
    auto* under = new ui::PlainLabel("Non-Inverted PWM :", &window);
    under->move(60, 14);
    under->adjustSize();
    auto* label = new ui::PlainLabel(QString::fromUtf8(GetParam().texts.front()), &window);
    QFont bold = label->font();
    bold.setPixelSize(16);
    label->setFont(bold);
    label->move(8, 8);
    label->adjustSize();
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QScreen* screen = window.screen();
    for (const char* text : GetParam().texts) {
        label->setText(QString::fromUtf8(text));
        label->adjustSize();
        QCoreApplication::processEvents();
        const QImage incremental = screen->grabWindow(window.winId()).toImage();
        window.repaint();
        const QImage full = screen->grabWindow(window.winId()).toImage();
        ASSERT_FALSE(full.isNull());
        EXPECT_TRUE(incremental == full) << "after " << text;
    }
}

INSTANTIATE_TEST_SUITE_P(Rewrites, PlainLabelRewrites, testing::ValuesIn(rewrites),
                         [](const auto& info) { return std::string(info.param.name); });
