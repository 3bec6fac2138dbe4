#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv)
{
    // Window tests run headless unless the caller chose a platform (e.g. a real X server).
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
