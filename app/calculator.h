#pragma once

#include <QObject>
#include <QWidget>

#include <functional>
#include <memory>

namespace app {

// Given the main window just before it is first shown; what it returns lives
// as long as the window. The start-up probe hooks in here to quit after the
// first paint, so the installed program carries no such code.
using StartupHook = std::function<std::unique_ptr<QObject>(QWidget& mainWindow)>;

// The whole program: the application, the main window, whose creation runs
// the first recalculation, and the event loop; the prescaler reference,
// about and settings search windows are made when first asked for. Returns
// the exit status once the main window is closed; nothing is saved.
int runCalculator(int& argc, char** argv, const StartupHook& hook = {});

}  // namespace app
