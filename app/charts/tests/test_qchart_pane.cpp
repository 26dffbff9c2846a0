// The pane document qchart.qml around a real chart item: removing a layer's
// last slot destroys that layer's child and drops it from the list.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>

#include <memory>

#include "chartfixtures.h"
#include "charts/qchart.h"
#include "shell/qmltypes.h"

TEST(QChartPane, RemovingALayerDestroysItsChild)
{
    ensureStandardCatalogue();
    registerQmlTypes();
    QQmlEngine engine;
    QQmlComponent pane(&engine, QUrl("qrc:/qml/qchart.qml"));
    std::unique_ptr<QObject> root(pane.create());
    ASSERT_TRUE(root) << pane.errorString().toStdString();
    auto* chart = qobject_cast<QChart*>(root.get());
    ASSERT_NE(nullptr, chart);

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
    EXPECT_TRUE(watchB.isNull());
    const QVariantList left = root->property("subFChart").value<QJSValue>().toVariant().toList();
    ASSERT_EQ(1, left.size());
    EXPECT_EQ(a, left[0].value<QObject*>());
    EXPECT_EQ(1, chart->formulaLayerCount());
}
