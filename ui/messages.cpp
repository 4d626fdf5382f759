#include "ui/messages.h"

#include "calc/numtext.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace ui {

DialogMessageService::DialogMessageService()
    : title_(QString::fromStdString(calc::applicationTitle(QCoreApplication::applicationFilePath().toStdString()))) {}

void DialogMessageService::showMessage(const QString& text) {
    QDialog dialog;
    dialog.setWindowTitle(title_);
    auto* label = new QLabel(text, &dialog);
    label->setWordWrap(true);
    label->setFont(QGuiApplication::font());
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        label->setMaximumWidth(screen->availableGeometry().width() / 2);
    // Enter presses OK as the default button; Esc rejects, which closes too.
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
    buttons->setCenterButtons(true);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(label);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    dialog.adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        dialog.move(screen->availableGeometry().center() - dialog.rect().center());
    dialog.exec();
}

void DialogMessageService::reportError(const QString& text) {
    QMessageBox box(QMessageBox::Critical, title_, text, QMessageBox::Ok, owner_);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

}  // namespace ui
