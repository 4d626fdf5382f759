// The baseline of the start-up measurements: what any Qt Widgets program
// pays to put one window on screen. It has the main window's size, so that
// both programs paint and keep a backing store of the same area.
//
// Built a second time as label_window, with one label in it: the floor of
// any window that shows text, which has to set up the font database and
// load a font first.
#include "bench/quit_when_painted.h"

#include <QApplication>
#include <QLabel>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QWidget window;
    window.setObjectName("BareWindow");
    window.resize(635, 549);
#ifdef AVRTIMER_BARE_WITH_LABEL
    QLabel label(QStringLiteral("Zegar"), &window);
#endif
    const bench::QuitWhenPainted quitWhenPainted(&window);
    window.show();
    return QApplication::exec();
}
