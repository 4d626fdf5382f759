// Program entry. The main window ends the program when it is closed, by
// "&Koniec", Esc or the close box.
#include "app/calculator.h"

int main(int argc, char** argv) { return app::runCalculator(argc, argv); }
