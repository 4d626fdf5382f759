#include "app/form2.h"
#include "app/jpegpicture.h"
#include "windowtest.h"

#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QPushButton>

#include <gmock/gmock.h>

#include <functional>

namespace {

using Form2Test = testing::Test;

TEST_F(Form2Test, StartsHiddenWithItsDesignedFrame) {
    TForm2 form;
    EXPECT_EQ(form.objectName(), "Form2");
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.windowTitle(), "Preskalery w timerach 8-bitowych");
    EXPECT_EQ(form.size(), QSize(475, 526));
    EXPECT_EQ(form.pos(), QPoint(342, 131));
    EXPECT_EQ(form.font().family(), "MS Sans Serif");
    EXPECT_EQ(form.font().pixelSize(), 11);
    EXPECT_TRUE(form.autoFillBackground());
    EXPECT_EQ(form.palette().color(QPalette::Window), form.palette().color(QPalette::Button));
}

TEST_F(Form2Test, ControlsSitWhereTheyWereDesigned) {
    TForm2 form;
    const struct {
        const char* name;
        QRect geometry;
    } controls[] = {
        {"Image1", {48, 8, 361, 249}},
        {"Image2", {48, 256, 313, 265}},
        {"BitBtn1", {368, 488, 75, 25}},
    };
    for (const auto& c : controls) {
        SCOPED_TRACE(c.name);
        if (QWidget* w = child<QWidget>(form, c.name)) {
            EXPECT_EQ(w->geometry(), c.geometry);
        }
    }
    const struct {
        const char* name;
        QPoint at;
        const char* text;
    } labels[] = {{"Label1", {8, 8}, "Timer0 :"}, {"Label2", {8, 264}, "Timer2 :"}};
    for (const auto& l : labels) {
        SCOPED_TRACE(l.name);
        if (auto* label = child<QLabel>(form, l.name)) {
            EXPECT_EQ(label->pos(), l.at);
            EXPECT_EQ(label->text(), l.text);
        }
    }
    if (auto* button = child<QPushButton>(form, "BitBtn1")) {
        EXPECT_EQ(button->text(), "Zamknij");
    }
}

// Each picture sits unscaled in its control's top-left corner; the part of
// the control it does not cover shows the window's background.
TEST_F(Form2Test, PicturesAreDrawnUnscaledAtTheirControlsCorner) {
    TForm2 form;
    const QImage shot = form.grab().toImage();
    const QRgb background = form.palette().color(QPalette::Window).rgb();
    const struct {
        const char* name;
        const char* path;
    } pictures[] = {{"Image1", app::kTimer0Picture}, {"Image2", app::kTimer2Picture}};
    for (const auto& p : pictures) {
        SCOPED_TRACE(p.name);
        QFile file(QString::fromLatin1(p.path));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QImage expected = app::decodeJpeg(file.readAll()).image;
        const QWidget* control = child<QWidget>(form, p.name);
        ASSERT_NE(control, nullptr);
        const QPoint origin = control->pos();
        for (QPoint at : {QPoint(0, 0), QPoint(expected.width() / 2, expected.height() / 3),
                          QPoint(expected.width() - 1, expected.height() - 1)})
            EXPECT_EQ(shot.pixel(origin + at), expected.pixel(at)) << at.x() << "," << at.y();
        EXPECT_EQ(shot.pixel(origin + QPoint(expected.width() + 2, expected.height() / 2)), background);
        EXPECT_EQ(shot.pixel(origin + QPoint(expected.width() / 2, expected.height() + 2)), background);
    }
}

void clickChild(TForm2& form, const char* name) {
    if (QWidget* w = child<QWidget>(form, name))
        QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(w->width() - 2, w->height() - 2));
}

struct Gesture {
    const char* name;
    std::function<void(TForm2&)> perform;
    bool staysVisible;
};

void PrintTo(const Gesture& row, std::ostream* out) { *out << row.name; }

class Form2Gesture : public testing::TestWithParam<Gesture> {};

TEST_P(Form2Gesture, HidesOrNotButNeverDestroys) {
    TForm2 form;
    showActive(form);
    QPointer<TForm2> alive(&form);
    GetParam().perform(form);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_FALSE(alive.isNull());
    EXPECT_EQ(form.isVisible(), GetParam().staysVisible);
}

// The pictures are clicked near their controls' far corners, outside the
// drawn table, which still belongs to the control.
const Gesture kGestures[] = {
    {"ClickOnTimer0Picture", [](TForm2& f) { clickChild(f, "Image1"); }, false},
    {"ClickOnTimer2Picture", [](TForm2& f) { clickChild(f, "Image2"); }, false},
    {"ClickOnBackground", [](TForm2& f) { QTest::mouseClick(&f, Qt::LeftButton, {}, {20, 400}); }, false},
    {"RightClickOnBackground", [](TForm2& f) { QTest::mouseClick(&f, Qt::RightButton, {}, {20, 400}); }, true},
    {"CloseButton", [](TForm2& f) { clickChild(f, "BitBtn1"); }, false},
    {"Escape", [](TForm2& f) { QTest::keyClick(&f, Qt::Key_Escape); }, false},
    {"WindowManagerClose", [](TForm2& f) { f.close(); }, false},
    {"ClickOnTimer0Label", [](TForm2& f) { clickChild(f, "Label1"); }, true},
    {"ClickOnTimer2Label", [](TForm2& f) { clickChild(f, "Label2"); }, true},
};

INSTANTIATE_TEST_SUITE_P(Gestures, Form2Gesture, testing::ValuesIn(kGestures),
                         [](const auto& info) { return std::string(info.param.name); });

// A press on a label that is released on the background is no click on
// the form.
TEST_F(Form2Test, PressOnLabelReleasedOnBackgroundKeepsItOpen) {
    TForm2 form;
    showActive(form);
    QLabel* label = child<QLabel>(form, "Label1");
    ASSERT_NE(label, nullptr);
    QTest::mousePress(label, Qt::LeftButton, {}, {2, 2});
    QTest::mouseRelease(&form, Qt::LeftButton, {}, {20, 400});
    EXPECT_TRUE(form.isVisible());
}

TEST_F(Form2Test, ReopensWhereItWas) {
    TForm2 form;
    showActive(form);
    form.move(200, 90);
    form.hide();
    showActive(form);
    EXPECT_EQ(form.pos(), QPoint(200, 90));
}

}  // namespace
