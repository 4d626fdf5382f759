#include "app/calculator.h"

#include "app/form2.h"
#include "app/form3.h"
#include "app/form4.h"
#include "app/icon.h"
#include "ui/fonts.h"
#include "ui/form1.h"
#include "ui/messages.h"

#include <QApplication>

namespace app {

int runCalculator(int& argc, char** argv, const StartupHook& hook) {
    QApplication application(argc, argv);
    // Where QSettings keeps what the windows remember (the search window's place).
    QApplication::setOrganizationName(QStringLiteral("avrtimer"));
    QApplication::setApplicationName(QStringLiteral("avrtimer"));
    ui::installFontSubstitutes();
    QApplication::setWindowIcon(applicationIcon());

    ui::DialogMessageService messages;
    ui::TForm1 form1(messages);
    messages.setOwner(&form1);
    form1.setSecondaryWindows([] { return std::make_unique<TForm2>(); }, [] { return std::make_unique<TForm3>(); });
    form1.setSettingsSearch([] { return std::make_unique<TForm4>(); });

    const std::unique_ptr<QObject> hooked = hook ? hook(form1) : nullptr;
    form1.show();
    return QApplication::exec();
}

}  // namespace app
