// Entry point of the widget tests: an offscreen QApplication (also while
// gtest_discover_tests lists the tests, without the tests' environment), the
// program's font substitutes, and a comma as the decimal separator.
#include "ui/fonts.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr || *std::getenv("QT_QPA_PLATFORM") == '\0')
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("LC_ALL", "pl_PL.UTF-8", 1);
    QApplication app(argc, argv);
    ui::installFontSubstitutes();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
