// The sign-in window as the program loads it, for tests against a back end:
// LoginView.qml in an engine whose offline storage is the data folder and
// whose control URL names the back end.
#ifndef APP_SHELL_TESTS_LOGINWINDOW_H
#define APP_SHELL_TESTS_LOGINWINDOW_H

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonObject>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QQuickWindow>
#include <QTest>

#include "shell/datadir.h"
#include "shell/qbaseservice.h"
#include "shell/qmltypes.h"

namespace testsupport {

// A sign-in as on a first start: the data folder keeps no start-up file of an
// earlier test (nor the `also` files), the QML types are registered (once per
// process) and no one is signed in.
inline void startSignInAfresh(std::initializer_list<const char*> also = {})
{
    for (const char* name :
         {"board.json", "stock_rating.json", "stock_rzrq.json", "formula.json", "StockPool.json", "start_image.json"})
        QFile::remove(dataDirectory() + "/" + name);
    for (const char* name : also)
        QFile::remove(dataDirectory() + "/" + name);
    static bool registered = false;
    if (!registered)
        registerQmlTypes();
    registered = true;
    QBaseService().setLoginInfo(QJsonObject());
}

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
