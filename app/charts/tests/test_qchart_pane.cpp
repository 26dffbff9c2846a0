// The pane document qchart.qml around a real chart item: removing a layer's
// last slot drops its child from the list and keeps it, hidden, for the next.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QJSValue>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>

#include <memory>

#include "chartfixtures.h"
#include "charts/qchart.h"
#include "shell/qmltypes.h"

// A removed layer's child is hidden and kept for the next new layer (a stock
// switch lays its overlays anew); more than four kept are destroyed.
TEST(QChartPane, RemovingALayerKeepsItsChildForTheNextLayer)
{
    ensureStandardCatalogue();
    registerQmlTypes();
    QQmlEngine engine;
    QQmlComponent pane(&engine, QUrl("qrc:/qml/qchart.qml"));
    std::unique_ptr<QObject> root(pane.create());
    ASSERT_TRUE(root) << pane.errorString().toStdString();
    auto* chart = qobject_cast<QChart*>(root.get());
    ASSERT_NE(nullptr, chart);
    const auto list = [&root](const char* name) { return root->property(name).value<QJSValue>().toVariant().toList(); };

    QQmlComponent childKind(&engine);
    childKind.setData("import QtQuick 2.15\nItem {}", QUrl());
    QObject* a = childKind.create();
    QObject* b = childKind.create();
    ASSERT_TRUE(a && b);
    a->setObjectName("subFChart_1");
    b->setObjectName("subFChart_2");
    QQmlEngine::setObjectOwnership(a, QQmlEngine::JavaScriptOwnership);
    QQmlEngine::setObjectOwnership(b, QQmlEngine::JavaScriptOwnership);
    root->setProperty("subFChart", QVariant::fromValue(QVariantList{QVariant::fromValue(a), QVariant::fromValue(b)}));

    chart->appendFormula(0, "KLINE", "KSCALES", "KCROSSHAIR", 0);
    chart->appendFormula(1, "VOL", "", "", 0);
    QPointer<QObject> watchB(b);
    ASSERT_TRUE(chart->removeFormula(-1, 0));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_FALSE(watchB.isNull());
    EXPECT_FALSE(b->property("visible").toBool());
    ASSERT_EQ(1, list("subFChart").size());
    EXPECT_EQ(a, list("subFChart")[0].value<QObject*>());
    EXPECT_EQ(1, chart->formulaLayerCount());

    // The next layer takes it.
    QVariant taken;
    QMetaObject::invokeMethod(root.get(), "addFormula", Q_RETURN_ARG(QVariant, taken), Q_ARG(QVariant, 1),
                              Q_ARG(QVariant, "VOL"), Q_ARG(QVariant, "NO"), Q_ARG(QVariant, "NO"),
                              Q_ARG(QVariant, QVariant()));
    EXPECT_EQ(b, taken.value<QObject*>());
    EXPECT_TRUE(b->property("visible").toBool());
    EXPECT_EQ(2, list("subFChart").size());
    EXPECT_EQ(2, chart->formulaLayerCount());
    EXPECT_TRUE(list("spareFCharts").isEmpty());

    // Five let go: four kept, the fifth destroyed.
    QList<QPointer<QObject>> made;
    QVariantList five;
    for (int i = 0; i < 5; ++i) {
        QObject* c = childKind.create();
        QQmlEngine::setObjectOwnership(c, QQmlEngine::JavaScriptOwnership);
        made << c;
        five << QVariant::fromValue(c);
    }
    root->setProperty("subFChart", five);
    QMetaObject::invokeMethod(root.get(), "removeSubFChart", Q_ARG(QVariant, 0));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(4, list("spareFCharts").size());
    EXPECT_TRUE(made[4].isNull());
}
