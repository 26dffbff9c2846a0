// GoogleTest main of the library's test host: a QApplication (offscreen
// unless the run asks for another platform) with a fresh data location.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_DATA_HOME", (home.path() + "/share").toUtf8());
    QApplication app(argc, argv);
    const int rc = RUN_ALL_TESTS();
    // Quitting as a host does lets the library end its dialog.
    QTimer::singleShot(0, &app, &QCoreApplication::quit);
    app.exec();
    return rc;
}
