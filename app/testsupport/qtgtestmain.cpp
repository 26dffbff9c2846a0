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
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
