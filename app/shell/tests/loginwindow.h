// The sign-in window as the program loads it, for tests against a back end:
// LoginView.qml in an engine whose offline storage is the data folder and
// whose control URL names the back end.
#ifndef APP_SHELL_TESTS_LOGINWINDOW_H
#define APP_SHELL_TESTS_LOGINWINDOW_H

#include <gtest/gtest.h>

#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QQuickWindow>
#include <QTest>

#include "shell/datadir.h"

namespace testsupport {

// Loads the window into engine; null when it does not load.
inline QQuickWindow* openLoginWindow(QQmlApplicationEngine& engine, const QString& controlUrl)
{
    engine.setOfflineStoragePath(dataDirectory());
    engine.rootContext()->setContextProperty("controlUrl", controlUrl);
    engine.load(QUrl("qrc:/qml/LoginView.qml"));
    if (engine.rootObjects().isEmpty())
        return nullptr;
    return qobject_cast<QQuickWindow*>(engine.rootObjects().first());
}

// The same, once the service addresses are in.
inline QQuickWindow* openReadyLoginWindow(QQmlApplicationEngine& engine, const QString& controlUrl)
{
    QQuickWindow* w = openLoginWindow(engine, controlUrl);
    if (w && !QTest::qWaitFor([w] { return w->property("addressesReady").toBool(); }, 10000))
        ADD_FAILURE() << "no service addresses";
    return w;
}

}  // namespace testsupport

#endif
