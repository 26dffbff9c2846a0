// Qt Quick Test runner of app/qml/tests: the program's QML types and resources,
// a fresh home and the offline storage in its data directory.
#include <QApplication>
#include <QDir>
#include <QQmlContext>
#include <QQmlEngine>
#include <QtQuickTest>
#include <QtWebEngine/qtwebengineglobal.h>

#include "shell/qmltypes.h"
#include "testhome.h"

class QmlTestSetup : public QObject {
    Q_OBJECT
public:
    QmlTestSetup()
    {
        testsupport::setUpTestHome();
        // The offscreen platform has no OpenGL: Qt Quick draws in software.
        if (!qEnvironmentVariableIsSet("QT_QUICK_BACKEND"))
            qputenv("QT_QUICK_BACKEND", "software");
        // Before the application exists: the browser tests' web views.
        QtWebEngine::initialize();
    }

public Q_SLOTS:
    void applicationAvailable() { registerQmlTypes(); }
    void qmlEngineAvailable(QQmlEngine* engine)
    {
        QDir().mkpath(testsupport::testDataDir());
        engine->setOfflineStoragePath(testsupport::testDataDir());
        // Tests run beside the local back end find it here, as the login
        // window does.
        const QString controlUrl = qEnvironmentVariable("TARVOLIN_CONTROL_URL");
        if (!controlUrl.isEmpty())
            engine->rootContext()->setContextProperty(QStringLiteral("controlUrl"), controlUrl);
    }
};

// The program's own main makes a QApplication (Qt Charts draw with widgets);
// so does the runner, before the test set-up runs.
int main(int argc, char** argv)
{
    QTEST_SET_MAIN_SOURCE_PATH
    QmlTestSetup setup;
    QApplication app(argc, argv);
    return quick_test_main_with_setup(argc, argv, "tarvolin", nullptr, &setup);
}

#include "qmltestmain.moc"
