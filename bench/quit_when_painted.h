#pragma once

// Start-up measurements need the program to end by itself once its window is
// on screen. The programs compared (the calculator's probe build and the bare
// window) share this one criterion, so the comparison stays fair.
#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTimer>
#include <QWidget>

namespace bench {

// Quits the application after the watched window's first paint. The zero
// timer runs only once the paint has been flushed to the platform window, so
// the measured time covers a complete first frame.
class QuitWhenPainted : public QObject {
public:
    explicit QuitWhenPainted(QWidget* window) { window->installEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !quitting_) {
            quitting_ = true;
            QTimer::singleShot(0, QCoreApplication::instance(), &QCoreApplication::quit);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool quitting_ = false;
};

}  // namespace bench
