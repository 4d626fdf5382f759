#include "app/form3.h"

#include "app/shell.h"
#include "ui/controls.h"
#include "ui/windows.h"

#include <QFontMetrics>
#include <QLabel>
#include <QScreen>
#include <QShowEvent>

namespace {

// The window was designed as a 364 x 265 frame around a 356 x 231 client
// area. Centring goes by that designed frame: the real one is known only
// once the window is on screen, too late to place it.
constexpr QSize kClientSize(356, 231);
constexpr QSize kFrameSize(364, 265);
constexpr int kMargin = 16;
constexpr int kSmallestTitlePixelSize = 11;

QFont labelFont(const char* family, int pixelSize, bool bold = false) {
    QFont font(QString::fromLatin1(family));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

QLabel* addLabel(QWidget* form, const char* name, const QString& text, QPoint topLeft,
                 const QFont& font) {
    auto* label = new QLabel(text, form);
    label->setObjectName(QLatin1String(name));
    label->setFont(font);
    label->move(topLeft);
    label->adjustSize();
    return label;
}

// The title was designed in a narrow face; its stand-in can be much wider
// (DejaVu Sans Condensed Bold needs 375 px at 19 px for the 315 px the title
// had), so the title steps down in size until it fits between the margins.
void shrinkToWidth(QLabel* label, int width) {
    QFont font = label->font();
    while (font.pixelSize() > kSmallestTitlePixelSize &&
           QFontMetrics(font).horizontalAdvance(label->text()) > width)
        font.setPixelSize(font.pixelSize() - 1);
    label->setFont(font);
    label->adjustSize();
}

void paintTextBlack(QLabel* label) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::black);
    label->setPalette(palette);
}

}  // namespace

TForm3::TForm3(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Form3"));
    ui::applyFormLook(this);
    resize(kClientSize);

    const QFont title = labelFont("Bell Gothic Std Light", 19, true);
    const QFont text = labelFont("MS Sans Serif", 13);
    const QFont credit = labelFont("Bookman Old Style", 15);

    shrinkToWidth(addLabel(this, "Label1", QStringLiteral("Zliczary 8 bit w mikrokontrolerach AVR"),
                           {kMargin, kMargin}, title),
                  kClientSize.width() - 2 * kMargin);
    // Created before the lines it frames so that it is painted under them.
    auto* bevel = new ui::Bevel(this);
    bevel->setObjectName(QStringLiteral("Bevel1"));
    bevel->setGeometry(16, 48, 313, 113);
    addLabel(this, "Label2", QStringLiteral("Program umożliwiający skonfigurowanie"), {56, 56}, text);
    addLabel(this, "Label3", QStringLiteral("w mikrokontrolerach AVR."), {96, 104}, text);
    addLabel(this, "Label4", QStringLiteral(" 8 bitowych timerów"), {112, 80}, text);
    paintTextBlack(addLabel(this, "Label5", QStringLiteral("projekt avrtimer"), {24, 136}, credit));
    paintTextBlack(addLabel(this, "Label6", QStringLiteral("2026"), {224, 136}, credit));

    auto* ok = new ui::BitBtn(ui::BitBtn::Kind::All, QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("BitBtn1"));
    ok->setGeometry(136, 176, 75, 25);
    connect(ok, &QPushButton::clicked, this, &TForm3::BitBtn1Click);
}

void TForm3::BitBtn1Click() { hide(); }

void TForm3::showEvent(QShowEvent* event) {
    if (!placed_) {
        placed_ = true;
        QRect frame(QPoint(), kFrameSize);
        frame.moveCenter(screen()->availableGeometry().center());
        move(frame.topLeft());
    }
    QWidget::showEvent(event);
}
