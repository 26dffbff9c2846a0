// GoogleTest main of the program's Qt tests: a fresh home, then a QApplication
// on the offscreen platform unless the run asks for another (xvfb).
#include <gtest/gtest.h>

#include <QApplication>

#include "testhome.h"

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    testsupport::setUpTestHome();
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The offscreen platform has no OpenGL: Qt Quick draws in software.
    if (!qEnvironmentVariableIsSet("QT_QUICK_BACKEND"))
        qputenv("QT_QUICK_BACKEND", "software");
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
