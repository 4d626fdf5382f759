#include "app/form2.h"

#include "app/jpegpicture.h"
#include "app/shell.h"
#include "ui/controls.h"
#include "ui/windows.h"

#include <QLabel>
#include <QMouseEvent>

namespace {

QLabel* addLabel(QWidget* form, const char* name, const QString& text, QPoint topLeft) {
    auto* label = new QLabel(text, form);
    label->setObjectName(QLatin1String(name));
    label->move(topLeft);
    label->adjustSize();
    return label;
}

}  // namespace

TForm2::TForm2(QWidget* parent) : QWidget(parent, Qt::Window) {
    app::initResources();
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Preskalery w timerach 8-bitowych"));
    ui::applyFormLook(this);
    // The window was laid out for a 483 x 560 frame around this client area.
    resize(475, 526);
    move(342, 131);

    auto* image1 = new app::JpegPicture(QString::fromLatin1(app::kTimer0Picture), this);
    image1->setObjectName(QStringLiteral("Image1"));
    image1->setGeometry(48, 8, 361, 249);
    connect(image1, &app::JpegPicture::clicked, this, &TForm2::Image1Click);

    auto* image2 = new app::JpegPicture(QString::fromLatin1(app::kTimer2Picture), this);
    image2->setObjectName(QStringLiteral("Image2"));
    image2->setGeometry(48, 256, 313, 265);
    connect(image2, &app::JpegPicture::clicked, this, &TForm2::Image2Click);

    addLabel(this, "Label1", QStringLiteral("Timer0 :"), {8, 8});
    addLabel(this, "Label2", QStringLiteral("Timer2 :"), {8, 264});

    auto* close = new ui::BitBtn(ui::BitBtn::Kind::No, QStringLiteral("Zamknij"), this);
    close->setObjectName(QStringLiteral("BitBtn1"));
    close->setGeometry(368, 488, 75, 25);
    connect(close, &QPushButton::clicked, this, &TForm2::BitBtn1Click);
}

void TForm2::Image1Click() { hide(); }

void TForm2::Image2Click() { hide(); }

void TForm2::FormClick() { hide(); }

void TForm2::BitBtn1Click() { hide(); }

// A plain QLabel ignores mouse presses, so they arrive here as well; only a
// click where no control lies counts as a click on the form.
bool TForm2::onBareBackground(const QMouseEvent* event) const {
    const QPoint at = event->position().toPoint();
    return event->button() == Qt::LeftButton && rect().contains(at) && childAt(at) == nullptr;
}

void TForm2::mousePressEvent(QMouseEvent* event) {
    pressedOnBackground_ = onBareBackground(event);
}

void TForm2::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = pressedOnBackground_ && onBareBackground(event);
    pressedOnBackground_ = false;
    if (click)
        FormClick();
}
