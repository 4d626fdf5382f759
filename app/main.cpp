// Program entry: the main window, whose creation runs the first
// recalculation; the prescaler reference, about and settings search windows
// are made when first asked for.
// The program ends when the main window is closed, by "&Koniec", Esc or the
// close box; nothing is saved.
#include "app/form2.h"
#include "app/form3.h"
#include "app/form4.h"
#include "app/icon.h"
#include "ui/fonts.h"
#include "ui/form1.h"
#include "ui/messages.h"

#include <QApplication>

#include <memory>

#ifdef AVRTIMER_QUIT_WHEN_SHOWN
#include "bench/quit_when_painted.h"
#endif

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    ui::installFontSubstitutes();
    QApplication::setWindowIcon(app::applicationIcon());

    ui::DialogMessageService messages;
    ui::TForm1 form1(messages);
    messages.setOwner(&form1);
    form1.setSecondaryWindows([] { return std::make_unique<TForm2>(); }, [] { return std::make_unique<TForm3>(); });
    form1.setSettingsSearch([] { return std::make_unique<TForm4>(); });

#ifdef AVRTIMER_QUIT_WHEN_SHOWN
    // Only in avrtimer_startup_probe, the copy the start-up benchmark runs.
    const bench::QuitWhenPainted quitWhenPainted(&form1);
#endif
    form1.show();
    return QApplication::exec();
}
