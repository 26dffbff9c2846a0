// The stock view's dialogs on a real display over panes fed by the local quote
// server: the crosshair pop-up on a K-line and a minute pane (ppoint.png), the
// parameter dialog of MACD (formula-param.png) and the overlay picker
// (superposition.png), kept under screenshots/ beside bin/.
#include <gtest/gtest.h>

#include <QDir>
#include <QGuiApplication>
#include <QLocale>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QQuickWindow>
#include <QTest>

#include "chartfixtures.h"
#include "charts/qchart.h"
#include "ownprocess.h"
#include "shell/hfileio.h"
#include "livetest.h"
#include "testhome.h"

namespace {

using testsupport::callQml;
using testsupport::waitFor;

const char* kScene = R"qml(
import QtQuick 2.15
import MQModel 1.0
import "qrc:/qml/" as App
import "qrc:/qml/js/Database.js" as Sql
Rectangle {
    width: 900
    height: 600
    color: "#FF191B1F"
    property alias kpoint: kpoint
    property alias mpoint: mpoint
    property alias picker: picker
    property var kpane: null
    property var mpane: null
    property var dialog: null
    MQModel { id: kmodel }
    MQModel { id: mmodel }

    function makePane(y, line, main, s, c) {
        var p = Qt.createComponent("qrc:/qml/qchart.qml").createObject(panes, { y: y, width: 900, height: 300,
                                                                              leftPadding: 80 })
        p.setLineType(line)
        p.addFormula(0, main, s, c)
        return p
    }
    // The pop-ups at their panes' crosshair, ten bars before the last.
    function point() {
        var list = [[kpane, kpoint], [mpane, mpoint]]
        for (var i = 0; i < list.length; ++i) {
            list[i][0].setShowCrosshairLine(true)
            list[i][0].updateCrosshairPos(list[i][0].getFirstKLineSize() - 10)
            list[i][1].setChartType(list[i][0])
            list[i][1].setData(list[i][0])
        }
    }
    function addStock(code, market, name, type, pinyin) {
        Sql.dbExecuteSql("Replace INTO StockDictionary(code,market,name,type,pinyin,active) VALUES(?, ?, ?, ?, ?, ?)",
                         [code, market, name, type, pinyin, ""])
    }
    function fillDictionary() {
        Sql.dbInit()
        for (var i = 0; i < 12; ++i)
            addStock(String(600000 + i), 1, "沪市" + ("00" + i).slice(-3), 2, "HS" + ("00" + i).slice(-3))
        addStock("1A0001", 1, "上证指数", 1, "SZZS")
    }

    Item { id: panes; anchors.fill: parent }
    App.PPoint { id: kpoint; x: 90; y: 24; z: 5 }
    App.PPoint { id: mpoint; x: 90; y: 324; z: 5 }
    App.QSuperpositionEdit { id: picker; x: 320; y: 140 }

    Component.onCompleted: {
        kpane = makePane(0, "kline", "KLINE", "KSCALES", "KCROSSHAIR")
        kpane.setCycle(33)
        kpane.addFormula(0, "MA", "NO", "NO")
        kpane.bindDataSignal(kmodel, -1)
        mpane = makePane(300, "mline", "MLINE", "MSCALES", "MCROSSHAIR")
        mpane.bindDataSignal(mmodel, -1)
        kmodel.getKLineData("600001", 1, 512, 33, 0)
        mmodel.getMinuteData("600001", 1, 0)
        dialog = Qt.createComponent("qrc:/qml/QFormulaParamSet.qml").createObject(this)
    }
}
)qml";

QString shotDir()
{
    const QString dir = QString(TARVOLIN_BIN_DIR) + "/../screenshots";
    QDir().mkpath(dir);
    return dir;
}

}  // namespace

TEST(ChartDialogsScreenshot, PopUpParameterDialogAndOverlayPicker)
{
    RUN_IN_OWN_PROCESS();
    if (QGuiApplication::platformName() == "offscreen")
        GTEST_SKIP() << "runs as charts.dialogs_screenshot on the virtual display";
    ensureStandardCatalogue();
    // A trader's system: the date texts name the weekday in Chinese.
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    testsupport::LiveQuoteEngine live;
    ASSERT_TRUE(live.start());

    QQuickView view;
    QStringList warnings;
    QObject::connect(view.engine(), &QQmlEngine::warnings, [&](const QList<QQmlError>& list) {
        for (const QQmlError& e : list)
            warnings << e.toString();
    });
    QDir().mkpath(testsupport::testDataDir());
    view.engine()->setOfflineStoragePath(testsupport::testDataDir());
    QQmlComponent component(view.engine());
    component.setData(kScene, QUrl("qrc:/test/chartdialogs.qml"));
    QObject* root = component.create();
    ASSERT_TRUE(root) << component.errorString().toStdString();
    view.setContent(QUrl(), &component, root);
    auto* kpane = qvariant_cast<QChart*>(root->property("kpane"));
    auto* mpane = qvariant_cast<QChart*>(root->property("mpane"));
    ASSERT_TRUE(kpane && mpane);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    ASSERT_TRUE(waitFor([&] { return kpane->getFirstKLineSize() > 20 && mpane->getFirstKLineSize() > 20; }));
    live.thread.stop();

    // The pop-ups: blue heads, white date lines, up-red or down-green rows.
    callQml(root, "point");
    const QImage points = testsupport::settledGrab(&view);
    ASSERT_FALSE(points.isNull());
    EXPECT_TRUE(points.save(shotDir() + "/ppoint.png"));
    auto* kpoint = root->property("kpoint").value<QQuickItem*>();
    const QRect kbox = kpoint->mapRectToScene(QRectF(0, 0, kpoint->width(), kpoint->height())).toRect();
    EXPECT_GT(testsupport::countNear(points, kbox.adjusted(2, 2, -2, -kbox.height() + 18), QColor("#335493")), 300);
    EXPECT_GT(testsupport::countNear(points, kbox.adjusted(0, 40, 0, 0), QColor("#ff0000")) +
                  testsupport::countNear(points, kbox.adjusted(0, 40, 0, 0), QColor("#00ff00")),
              20);

    // The parameter dialog of MACD in its own window.
    QObject* dialogObject = root->property("dialog").value<QObject*>();
    auto* dialog = qobject_cast<QQuickWindow*>(dialogObject);
    ASSERT_TRUE(dialog);
    callQml(dialogObject, "setFormulaName", "MACD");
    dialog->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
    const QImage params = testsupport::settledGrab(dialog);
    EXPECT_TRUE(params.save(shotDir() + "/formula-param.png"));
    EXPECT_EQ(30 + 26 + 3 * 30 + 44 + 2, params.height());
    EXPECT_GT(testsupport::countNear(params, QRect(0, 0, params.width(), 30), QColor("#335493")), params.width() * 20);
    dialog->close();

    // The overlay picker over the charts, with one stock already overlaid.
    HFileIO::writeData("superposition.json", R"({"kline":[{"code":"600001","market":1}],"mline":[]})");
    callQml(root, "fillDictionary");
    QObject* picker = root->property("picker").value<QObject*>();
    callQml(picker, "show", "kline");
    picker->property("input").value<QObject*>()->setProperty("text", "600");
    ASSERT_TRUE(waitFor([&] { return picker->property("rows").value<QJSValue>().property("length").toInt() == 12; }));
    const QImage overlays = testsupport::settledGrab(&view);
    EXPECT_TRUE(overlays.save(shotDir() + "/superposition.png"));
    EXPECT_EQ(12, picker->property("rows").value<QJSValue>().property("length").toInt());
    EXPECT_GT(testsupport::countNear(overlays, QRect(321, 141, 258, 24), QColor("#335493")), 2000);
    EXPECT_TRUE(warnings.isEmpty()) << warnings.join("\n").toStdString();
    QLocale::setDefault(before);
}
