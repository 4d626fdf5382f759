// The baseline of the start-up measurements: what any Qt Widgets program
// pays to put one window on screen. It has the main window's size, so that
// both programs paint and keep a backing store of the same area.
#include "bench/quit_when_painted.h"

#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QWidget window;
    window.setObjectName("BareWindow");
    window.resize(635, 549);
    const bench::QuitWhenPainted quitWhenPainted(&window);
    window.show();
    return QApplication::exec();
}
