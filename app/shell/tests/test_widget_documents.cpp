#include <gtest/gtest.h>

#include <QQmlComponent>
#include <QQmlEngine>
#include <QTest>

#include <memory>

#include "shell/datadir.h"
#include "shell/qmltypes.h"

// Every common widget and quote panel document loads offscreen, inside a
// window as the views hold them, without a single warning.
TEST(WidgetDocuments, LoadWithoutWarnings)
{
    registerQmlTypes();
    QQmlEngine engine;
    engine.setOfflineStoragePath(dataDirectory());
    QStringList warnings;
    QObject::connect(&engine, &QQmlEngine::warnings, [&](const QList<QQmlError>& list) {
        for (const QQmlError& e : list)
            warnings << e.toString();
    });
    const char* documents[] = {"Hbtn",           "QToolsBar",  "QAutoToolsBar",  "QAlert",           "QMsgBox",
                               "QPopTextField",  "QPopup",     "QLoading",       "QSpinBox",         "QTextField",
                               "QRMenuItem",     "QRMenuSub",  "QRMenuBg",       "LiteTitle",        "LiteTitle2",
                               "QTitleView2",    "PriceView",  "PriceIndexView", "QDataSyncService", "QPopupNotice",
                               "QNoticeService", "QNewsList",  "QBlockView",     "QPieSeries",       "MQNewsView",
                               "WindowFrame",    "FlatButton", "DialogButton",   "ActionButton",     "GlyphButton",
                               "LinkButton"};
    for (const char* name : documents) {
        const QByteArray source = QByteArray(
                                      "import QtQuick 2.15\nimport QtQuick.Window 2.15\nimport \"qrc:/qml/\" as W\n"
                                      "Window { width: 400; height: 300; W.") +
                                  name + " {} }\n";
        QQmlComponent component(&engine);
        component.setData(source, QUrl(QString("qrc:/qml/test_%1.qml").arg(name)));
        std::unique_ptr<QObject> object(component.create());
        EXPECT_TRUE(object) << name << ": " << component.errorString().toStdString();
        QTest::qWait(10);
        EXPECT_TRUE(warnings.isEmpty()) << name << ": " << warnings.join("\n").toStdString();
        warnings.clear();
    }
}
