// GoogleTest main for tests that need a QApplication (windows, timers, serial port notifications).
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // No test syncs with the team server a developer's settings may name; a test that wants
    // one names its own.
    if (!qEnvironmentVariableIsSet("ZEPRA_ARCHIVE_SERVER")) qputenv("ZEPRA_ARCHIVE_SERVER", "");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
