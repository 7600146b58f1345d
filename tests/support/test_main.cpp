// Every test executable runs inside a QApplication (offscreen platform), so
// widgets, timers and message boxes behave as in the program; a window asked
// for a control name it does not declare fails the test.
#include "support/undeclared_names.h"

#include <gtest/gtest.h>
#include <QApplication>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    FailTestsOnUndeclaredNames();
    return RUN_ALL_TESTS();
}
