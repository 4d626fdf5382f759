#pragma once

#include <QString>

class QWidget;

namespace ui {

// How the main window's handlers talk to the user; tests put a recorder in
// its place.
class MessageService {
public:
    virtual ~MessageService() = default;
    // A handler's fixed message; returns when the user has closed it.
    virtual void showMessage(const QString& text) = 0;
    // The report of an error that ended a handler, its text final.
    virtual void reportError(const QString& text) = 0;
};

// Modal dialogs titled with the application title.
class DialogMessageService : public MessageService {
public:
    DialogMessageService();
    // The window that owns the error report.
    void setOwner(QWidget* owner) { owner_ = owner; }

    void showMessage(const QString& text) override;
    void reportError(const QString& text) override;

private:
    QString title_;
    QWidget* owner_ = nullptr;
};

}  // namespace ui
