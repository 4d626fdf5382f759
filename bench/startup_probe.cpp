// The calculator as tools/bench times its start-up: the installed program's
// own code, quitting after the main window's first paint.
#include "app/calculator.h"
#include "bench/quit_when_painted.h"

int main(int argc, char** argv) {
    return app::runCalculator(argc, argv, [](QWidget& mainWindow) -> std::unique_ptr<QObject> {
        return std::make_unique<bench::QuitWhenPainted>(&mainWindow);
    });
}
