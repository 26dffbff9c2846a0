// The mini chart, the chart grids and the history minute line against the
// local quote server: the cycle-resonance grid (a minute tile and eight
// K-line cycles with the K-line layout's formulas), the multi-stock grid over
// a quote table's rows with its keys and pages, the history minute line's
// title and day, and the mini chart's formula menu and clicks. Under a real
// display the screens are kept under build/screenshots/.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QJSValue>
#include <QJsonArray>
#include <QJsonObject>
#include <QKeyEvent>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlExpression>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>

#include <memory>

#include "chartfixtures.h"
#include "charts/qchartextend.h"
#include "charts/qchart.h"
#include "charts/qchartextend.h"
#include "livetest.h"
#include "models/tablemodel.h"
#include "ownprocess.h"
#include "shell/hfileio.h"
#include "shell/stockdictionary.h"
#include "testhome.h"
#include "syntheticmarket.h"

namespace {

using testsupport::waitFor;

template <class... A>
QVariant call(QObject* o, const char* fn, const A&... a)
{
    QVariant r;
    const bool ok = QMetaObject::invokeMethod(o, fn, Q_RETURN_ARG(QVariant, r), Q_ARG(QVariant, QVariant(a))...);
    EXPECT_TRUE(ok) << "no QML function " << fn;
    return r;
}

QObject* object(const QVariant& v)
{
    return v.value<QObject*>();
}

// A JavaScript value handed to C++ as plain variants.
QVariant plain(const QVariant& v)
{
    return v.userType() == qMetaTypeId<QJSValue>() ? v.value<QJSValue>().toVariant() : v;
}

// The upper ("IndexChartView") or lower ("IndexChartViewS") pane of a mini chart.
QChart* pane(QObject* homeIndexView, bool upper = true)
{
    return qobject_cast<QChart*>(object(homeIndexView->property(upper ? "upper" : "lower")));
}

QStringList layerZero(QChart* c)
{
    QStringList out;
    for (const QJsonValue& v : c->getFormulas().toJsonArray())
        out << v.toString();
    return out;
}

// A tile's mini chart and title.
QObject* tileChart(QObject* tile)
{
    return object(tile->property("chart"));
}
QString tileTitle(QObject* tile)
{
    return tile->property("title").toString();
}

// One QML document in a window, bound to a running quote engine; the local
// dictionary fills from the server's code list.
struct LiveDocument {
    testsupport::LiveQuoteEngine engine;
    bool started = false;
    QQuickView view;
    QObject* root = nullptr;
    QStringList warnings;

    // Starts the engine on the first call; a later call shows another
    // document in the same window and engine.
    bool open(const char* document, QSize size = QSize(1200, 900))
    {
        if (!started && !start())
            return false;
        view.resize(size);
        view.setSource(QUrl(QString("qrc:/qml/") + document));
        root = view.rootObject();
        if (!root)
            return false;
        view.show();
        return true;
    }
    bool start()
    {
        ensureProgramCatalogue();
        QDir().mkpath(testsupport::testDataDir());
        view.engine()->setOfflineStoragePath(testsupport::testDataDir());
        StockDictionary::instance();  // before the code list arrives
        if (!engine.start())
            return false;
        started = true;
        QObject::connect(view.engine(), &QQmlEngine::warnings, [this](const QList<QQmlError>& list) {
            for (const QQmlError& e : list)
                warnings << e.toString();
        });
        view.setResizeMode(QQuickView::SizeRootObjectToView);
        return true;
    }
    ~LiveDocument()
    {
        // Other tests of the process start from the default layout.
        QFile::remove(HFileIO::dataPath("formula_map.json"));
    }
    QObject* tile(int i) const { return object(call(root, "tile", i)); }
    QStringList titles() const
    {
        QStringList out;
        for (int i = 0; i < 9; ++i)
            out << tileTitle(tile(i));
        return out;
    }
    // A QML helper in the same engine: the local database's action log.
    QVariantList actions()
    {
        QQmlComponent c(view.engine());
        c.setData(
            "import QtQuick 2.15\nimport \"qrc:/qml/js/Database.js\" as Sql\n"
            "QtObject { function init() { Sql.dbInit(); } function actions() { return Sql.dbGetActionCmd(); } }",
            QUrl("qrc:/qml/actionprobe.qml"));
        std::unique_ptr<QObject> probe(c.create());
        if (!probe)
            return {};
        call(probe.get(), "init");
        return plain(call(probe.get(), "actions")).toList();
    }
};

void key(QObject* item, int k)
{
    QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier);
    QCoreApplication::sendEvent(item, &press);
}

// A quote table's context: block 1102 (the 200 Shanghai stocks 600000 to
// 600199) unsorted, in the market's own order.
QString shanghaiTableContext()
{
    TableModel table;
    table.getQuotePeroidRealTime(1102, -1, 0, 20);
    const QString ctx = table.getCtx();
    table.cancel();
    return ctx;
}

QString shanghaiTitle(int row)
{
    const QString code = QString::number(600000 + row);
    return QString::fromStdString(SyntheticMarket::instance().find(code.toStdString(), 1)->name) + "(" + code + ")";
}

QStringList shanghaiTitles(int first, int count)
{
    QStringList out;
    for (int i = 0; i < 9; ++i)
        out << (i < count ? shanghaiTitle(first + i) : QString());
    return out;
}

int selectedTile(LiveDocument& d)
{
    int at = -1;
    for (int i = 0; i < 9; ++i)
        if (call(d.tile(i), "isSelect").toBool()) {
            if (at >= 0)
                return -2;  // more than one
            at = i;
        }
    return at;
}

}  // namespace

TEST(MiniCharts, CycleResonanceGridTakesTheKLineLayout)
{
    RUN_IN_OWN_PROCESS();
    LiveDocument d;
    // A K-line layout whose overlay and first sub formula are not the defaults.
    ASSERT_TRUE(HFileIO::writeData(
        "formula_map.json",
        R"({"kline":{"main_charts":[{"fname":"KLINE","s":"KSCALES","c":"KCROSSHAIR"},{"fname":"BOLL","s":"NO","c":"NO"}],)"
        R"("sub_charts":[{"fname":"MACD","s":"KSCALES","c":"KCROSSHAIR"},{"fname":"KD","s":"KSCALES","c":"KCROSSHAIR"}]},)"
        R"("mline":{"main_charts":[{"fname":"MLINE","s":"MSCALES","c":"MCROSSHAIR"}],"sub_charts":[]}})"));
    ASSERT_TRUE(d.open("QCycelResonance.qml"));
    call(d.root, "getData", QVariantMap{{"code", "600001"}, {"market", 1}, {"name", "沪市001"}});

    EXPECT_EQ((QStringList{"分时线", "日线", "1分钟", "5分钟", "15分钟", "30分钟", "60分钟", "周线", "月线"}),
              d.titles());
    QChart* minute = pane(tileChart(d.tile(0)));
    ASSERT_TRUE(minute);
    EXPECT_EQ("IndexChartView", minute->objectName());
    EXPECT_EQ("mline", minute->getLineType());
    EXPECT_EQ((QStringList{"MLINE"}), layerZero(minute));
    EXPECT_EQ((QStringList{"MVOL"}), layerZero(pane(tileChart(d.tile(0)), false)));
    for (int i = 1; i < 9; ++i) {
        QChart* upper = pane(tileChart(d.tile(i)));
        QChart* lower = pane(tileChart(d.tile(i)), false);
        EXPECT_EQ(32 + i, upper->getCycle()) << "tile " << i;
        EXPECT_EQ("kline", upper->getLineType());
        EXPECT_EQ((QStringList{"KLINE", "BOLL"}), layerZero(upper)) << "tile " << i;
        EXPECT_EQ("IndexChartViewS", lower->objectName());
        EXPECT_EQ((QStringList{"MACD"}), layerZero(lower)) << "tile " << i;
    }
    // Every tile gets its stock's bars, the lower panes the upper panes' bars;
    // a K-line tile shows 60 bars.
    ASSERT_TRUE(waitFor([&] {
        for (int i = 0; i < 9; ++i)
            if (pane(tileChart(d.tile(i)))->getFirstKLineSize() == 0)
                return false;
        return true;
    }));
    EXPECT_EQ(241, minute->getFirstKLineSize());
    QChart* day = pane(tileChart(d.tile(1)));
    EXPECT_EQ(60, day->getkShowNumber());
    EXPECT_EQ(day->getFirstKLineSize(), pane(tileChart(d.tile(1)), false)->getFirstKLineSize());

    // A click selects a tile and deselects the one selected before.
    emit pane(tileChart(d.tile(3)))->clicked(pane(tileChart(d.tile(3))));
    EXPECT_EQ(3, selectedTile(d));
    emit pane(tileChart(d.tile(5)), false)->clicked(pane(tileChart(d.tile(5)), false));
    EXPECT_EQ(5, selectedTile(d));

    // Shown again, the grid takes the layout as it is then.
    d.root->setProperty("visible", false);
    ASSERT_TRUE(HFileIO::writeData("formula_map.json",
                                   R"({"kline":{"main_charts":[{"fname":"KLINE","s":"KSCALES","c":"KCROSSHAIR"}],)"
                                   R"("sub_charts":[{"fname":"KD","s":"KSCALES","c":"KCROSSHAIR"}]}})"));
    d.root->setProperty("visible", true);
    EXPECT_EQ((QStringList{"KLINE"}), layerZero(pane(tileChart(d.tile(8)))));
    EXPECT_EQ((QStringList{"KD"}), layerZero(pane(tileChart(d.tile(8)), false)));
    EXPECT_EQ(40, pane(tileChart(d.tile(8)))->getCycle());
    ASSERT_TRUE(waitFor([&] { return pane(tileChart(d.tile(8)))->getFirstKLineSize() > 0; }));

    call(d.root, "clearDate");
    EXPECT_EQ(0, day->getFirstKLineSize());
    EXPECT_TRUE(layerZero(day).isEmpty());
    EXPECT_TRUE(d.warnings.isEmpty()) << d.warnings.join("\n").toStdString();
}

TEST(MiniCharts, MultiStockGridPagesThroughATable)
{
    RUN_IN_OWN_PROCESS();
    LiveDocument d;
    ASSERT_TRUE(d.open("QMultiStockView.qml"));
    const QString ctx = shanghaiTableContext();
    ASSERT_FALSE(ctx.isEmpty());
    const QString json = QString::fromLatin1(QUrl::toPercentEncoding(ctx));

    // Row 2 of the table becomes the first tile.
    call(d.root, "setQuery", QVariantMap{{"row", "2"}, {"json", json}});
    ASSERT_TRUE(waitFor([&] { return d.titles() == shanghaiTitles(2, 9); })) << d.titles().join(",").toStdString();
    for (int i = 0; i < 9; ++i) {
        QChart* upper = pane(tileChart(d.tile(i)));
        EXPECT_EQ("mline", upper->getLineType());
        EXPECT_EQ(QString::number(600002 + i),
                  plain(tileChart(d.tile(i))->property("codeInfo")).toMap()["code"].toString());
    }
    ASSERT_TRUE(waitFor([&] { return pane(tileChart(d.tile(8)))->getFirstKLineSize() == 241; }));
    EXPECT_EQ(0, selectedTile(d));

    // Keys: across by one, down and up by a row.
    d.root->setProperty("focus", true);
    key(d.root, Qt::Key_Right);
    EXPECT_EQ(1, selectedTile(d));
    key(d.root, Qt::Key_Down);
    EXPECT_EQ(4, selectedTile(d));
    key(d.root, Qt::Key_Left);
    EXPECT_EQ(3, selectedTile(d));

    // Down from the last row pages down, keeping the column.
    key(d.root, Qt::Key_Down);
    key(d.root, Qt::Key_Down);
    ASSERT_TRUE(waitFor([&] { return d.titles() == shanghaiTitles(11, 9); })) << d.titles().join(",").toStdString();
    EXPECT_EQ(0, selectedTile(d));
    // Left before the first tile pages up to the last tile.
    key(d.root, Qt::Key_Left);
    ASSERT_TRUE(waitFor([&] { return d.titles() == shanghaiTitles(2, 9); })) << d.titles().join(",").toStdString();
    EXPECT_EQ(8, selectedTile(d));
    key(d.root, Qt::Key_PageDown);
    ASSERT_TRUE(waitFor([&] { return d.titles() == shanghaiTitles(11, 9); }));
    key(d.root, Qt::Key_PageUp);
    ASSERT_TRUE(waitFor([&] { return d.titles() == shanghaiTitles(2, 9); }));

    // A page with 4 rows (196 to 199) fills 4 tiles and clears 5.
    call(d.root, "updateQuery", QVariantMap{{"row", "196"}});
    ASSERT_TRUE(waitFor([&] { return d.titles() == shanghaiTitles(196, 4); })) << d.titles().join(",").toStdString();
    ASSERT_TRUE(waitFor([&] { return pane(tileChart(d.tile(3)))->getFirstKLineSize() == 241; }));
    for (int i = 4; i < 9; ++i) {
        EXPECT_EQ(0, pane(tileChart(d.tile(i)))->getFirstKLineSize()) << "tile " << i;
        EXPECT_TRUE(layerZero(pane(tileChart(d.tile(i)))).isEmpty()) << "tile " << i;
    }
    // The selection stays on a filled tile; Right after the last one asks for the next page.
    EXPECT_EQ(0, selectedTile(d));
    key(d.root, Qt::Key_Right);
    key(d.root, Qt::Key_Right);
    key(d.root, Qt::Key_Right);
    EXPECT_EQ(3, selectedTile(d));

    // A double click opens the stock's view.
    QSignalSpy open(d.root, SIGNAL(changeToMQView(QVariant)));
    QChart* second = pane(tileChart(d.tile(1)));
    // (retried until the code list has reached the local dictionary)
    ASSERT_TRUE(waitFor([&] {
        emit second->doubleClicked(second, 10, 10);
        return open.count() > 0;
    }));
    const QVariantMap stock = plain(open.at(0).at(0)).toMap();
    EXPECT_EQ("600197", stock["code"].toString());
    EXPECT_EQ(1, stock["market"].toInt());
    EXPECT_EQ(QString::fromStdString(SyntheticMarket::instance().find("600197", 1)->name), stock["name"].toString());
    EXPECT_FALSE(stock.contains("cmd"));

    // Not a context: nothing changes.
    call(d.root, "setQuery", QVariantMap{{"json", "%7Bbroken"}});
    EXPECT_EQ(shanghaiTitles(196, 4), d.titles());
    EXPECT_TRUE(d.warnings.isEmpty()) << d.warnings.join("\n").toStdString();
}

TEST(MiniCharts, HistoryMinuteLineShowsOneDay)
{
    RUN_IN_OWN_PROCESS();
    LiveDocument d;
    ASSERT_TRUE(d.start());
    QQmlComponent c(d.view.engine(), QUrl("qrc:/qml/HistoryMLine.qml"));
    std::unique_ptr<QObject> window(c.create());
    ASSERT_TRUE(window) << c.errorString().toStdString();
    EXPECT_EQ("历史分时", window->property("title").toString());
    QObject* chart = object(window->property("chart"));
    QChart* upper = pane(chart);

    // A trading day: its 241 minutes, the title from the name, code and date text.
    const int monday = int(QDateTime(QDate(2026, 12, 7), QTime(12, 0)).toSecsSinceEpoch());
    call(window.get(), "getHMLineData", QVariantMap{{"code", "600001"}, {"market", 1}, {"name", "沪市001"}},
         QString("2026-12-07 星期一 extra"), monday);
    EXPECT_EQ("沪市001(600001) 2026-12-07 星期一", window->property("title").toString());
    EXPECT_TRUE(window->property("visible").toBool());
    ASSERT_TRUE(waitFor([&] { return upper->getFirstKLineSize() == 241; }));
    EXPECT_EQ("mline", upper->getLineType());
    EXPECT_EQ("20261207", upper->getPosDataS(0, "date").left(10).remove('-'));

    // A Saturday has no trading: its answer leaves the chart empty (no bars
    // of the day before).
    QSignalSpy answers(object(chart->property("mqModel")), SIGNAL(updateMinute(const QuoteMinPoints*, int)));
    const int saturday = int(QDateTime(QDate(2026, 12, 5), QTime(12, 0)).toSecsSinceEpoch());
    call(window.get(), "getHMLineData", QVariantMap{{"code", "600002"}, {"market", 1}}, QString("2026-12-05 星期六"),
         saturday);
    EXPECT_EQ(shanghaiTitle(2) + " 2026-12-05 星期六", window->property("title").toString())
        << "the name comes from the local dictionary";
    ASSERT_TRUE(waitFor([&] { return answers.count() > 0; }));
    EXPECT_EQ(0, upper->getFirstKLineSize());
    EXPECT_EQ(0, pane(chart, false)->getFirstKLineSize());
    EXPECT_TRUE(d.warnings.isEmpty()) << d.warnings.join("\n").toStdString();
}

TEST(MiniCharts, MiniChartFormulasAndClicks)
{
    RUN_IN_OWN_PROCESS();
    LiveDocument d;
    ASSERT_TRUE(d.open("HomeIndexView.qml", QSize(600, 400)));
    d.actions();  // the action table exists as after sign-in
    QChart* upper = pane(d.root);
    QChart* lower = pane(d.root, false);
    // Two thirds and one third of the height.
    EXPECT_EQ(266, upper->height());
    EXPECT_EQ(266, lower->y());
    EXPECT_EQ(134, lower->height());

    call(d.root, "getKLineData", QVariantMap{{"code", "600003"}, {"market", 1}, {"cycle", 35}});
    EXPECT_EQ((QStringList{"KLINE", "MA"}), layerZero(upper));
    EXPECT_EQ((QStringList{"VOL"}), layerZero(lower));
    EXPECT_EQ(35, upper->getCycle());
    ASSERT_TRUE(waitFor([&] { return upper->getFirstKLineSize() > 0; }));
    EXPECT_EQ(60, upper->getkShowNumber());
    // Dividend marks belong to the stock view's main pane: a mini chart
    // makes no event strip for them.
    emit upper->syncUpdateDividend(QJsonObject{
        {"name", "分红"}, {"data", QJsonArray{QJsonObject{{"time", 1}, {"type", "text"}, {"content", "q"}}}}});
    EXPECT_EQ(nullptr, upper->findChild<QChartExtend*>());

    // The formula menu: main formulas on K-lines, the choices replace the
    // overlay and the lower pane's formula, and each is logged as "FML".
    call(d.root, "showFormulaMenu", QVariant(), 20, 20);
    QObject* menu = object(d.root->property("formulaMenu"));
    auto menuTitles = [&] {
        QQmlExpression e(qmlContext(d.root), d.root,
                         "(function () { var o = []; for (var i = 0; i < formulaMenu.count; ++i) "
                         "o.push(formulaMenu.menuAt(i).title); return o.join(','); })()");
        return e.evaluate().toString().split(',');
    };
    EXPECT_EQ((QStringList{"主图指标", "幅图指标"}), menuTitles());
    EXPECT_TRUE(menu->property("visible").toBool());
    EXPECT_GT(object(d.root->property("mainMenuItems"))->property("count").toInt(), 0);
    EXPECT_GT(object(d.root->property("subMenuItems"))->property("count").toInt(), 0);
    // The sub formula chosen through the menu's route.
    auto chooseEntry = [&](int submenu, const char* name) {
        QQmlExpression(qmlContext(d.root), d.root,
                       QString("formulaMenu.choose(formulaMenu.entries[%1].menuItems.filter(function (e) "
                               "{ return e.name === '%2'; })[0].key)")
                           .arg(submenu)
                           .arg(name))
            .evaluate();
    };
    call(d.root, "chooseFormula", "main_charts", "BOLL");
    EXPECT_EQ((QStringList{"KLINE", "BOLL"}), layerZero(upper));
    chooseEntry(1, "MACD");
    EXPECT_EQ((QStringList{"MACD"}), layerZero(lower));
    EXPECT_EQ(upper->getFirstKLineSize(), lower->getFirstKLineSize());
    QStringList logged;
    for (const QVariant& a : d.actions())
        logged << a.toMap()["do_action"].toString() + ":" + a.toMap()["remark"].toString();
    EXPECT_EQ((QStringList{"FML:BOLL", "FML:MACD"}), logged);

    // The chosen formulas stay for the next chart; a minute chart has no
    // overlay and keeps its own default below when the choice is "VOL".
    call(d.root, "getKLineData", QVariantMap{{"code", "600003"}, {"market", 1}, {"cycle", 33}});
    EXPECT_EQ((QStringList{"KLINE", "BOLL"}), layerZero(upper));
    EXPECT_EQ((QStringList{"MACD"}), layerZero(lower));
    call(d.root, "syncSubFormula", "VOL");
    call(d.root, "getMLineData", QVariantMap{{"code", "600003"}, {"market", 1}});
    EXPECT_EQ((QStringList{"MLINE"}), layerZero(upper));
    EXPECT_EQ((QStringList{"MVOL"}), layerZero(lower));
    call(d.root, "syncMainFormula", "BOLL");
    EXPECT_EQ((QStringList{"MLINE"}), layerZero(upper));
    call(d.root, "showFormulaMenu", QVariant(), 20, 20);
    EXPECT_EQ((QStringList{"幅图指标"}), menuTitles());
    ASSERT_TRUE(waitFor([&] { return upper->getFirstKLineSize() == 241 && lower->getFirstKLineSize() == 241; }));

    // A click selects the stock as the local dictionary holds it, a double
    // click opens its view without the dictionary's command link.
    QSignalSpy selected(d.root, SIGNAL(selected(QVariant, QVariant)));
    QSignalSpy open(d.root, SIGNAL(changeToMQView(QVariant)));
    ASSERT_TRUE(waitFor([&] {
        emit lower->clicked(lower);
        return !selected.isEmpty() && plain(selected.last().at(1)).toMap()["code"].toString() == "600003";
    }));
    const QVariantMap sel = plain(selected.last().at(1)).toMap();
    EXPECT_EQ(QString::fromStdString(SyntheticMarket::instance().find("600003", 1)->name), sel["name"].toString());
    EXPECT_TRUE(sel.contains("cmd"));
    emit upper->doubleClicked(upper, 5, 5);
    ASSERT_EQ(1, open.count());
    EXPECT_EQ("600003", plain(open.at(0).at(0)).toMap()["code"].toString());
    EXPECT_FALSE(plain(open.at(0).at(0)).toMap().contains("cmd"));

    // Cleared: no bars, no formulas, a click selects nothing.
    call(d.root, "cancel");
    call(d.root, "clear");
    EXPECT_EQ(0, upper->getFirstKLineSize());
    EXPECT_EQ(0, lower->getFirstKLineSize());
    emit upper->clicked(upper);
    EXPECT_EQ("", plain(selected.last().at(1)).toMap()["code"].toString());
    EXPECT_EQ(0, plain(selected.last().at(1)).toMap()["market"].toInt());
    EXPECT_TRUE(d.warnings.isEmpty()) << d.warnings.join("\n").toStdString();
}

TEST(MiniChartsScreenshot, GridsAndHistoryMinuteLine)
{
    RUN_IN_OWN_PROCESS();
    if (QGuiApplication::platformName() == "offscreen")
        GTEST_SKIP() << "runs as charts.minicharts_screenshot on the virtual display";
    const QString dir = QString(TARVOLIN_BIN_DIR) + "/../screenshots";
    QDir().mkpath(dir);
    auto allBars = [](LiveDocument& d) {
        for (int i = 0; i < 9; ++i)
            if (pane(tileChart(d.tile(i)))->getFirstKLineSize() == 0)
                return false;
        return true;
    };
    auto keep = [&](QQuickWindow* w, const char* name) {
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
        EXPECT_TRUE(testsupport::settledGrab(w).save(dir + "/" + name));
    };
    // One engine for the three screens: it does not start twice in a process.
    LiveDocument d;
    ASSERT_TRUE(d.open("QCycelResonance.qml"));
    call(d.root, "getData", QVariantMap{{"code", "600001"}, {"market", 1}});
    ASSERT_TRUE(waitFor([&] { return allBars(d); }));
    emit pane(tileChart(d.tile(1)))->clicked(pane(tileChart(d.tile(1))));
    keep(&d.view, "cycle-resonance.png");

    ASSERT_TRUE(d.open("QMultiStockView.qml"));
    call(d.root, "setQuery",
         QVariantMap{{"json", QString::fromLatin1(QUrl::toPercentEncoding(shanghaiTableContext()))}});
    ASSERT_TRUE(waitFor([&] { return d.titles() == shanghaiTitles(0, 9) && allBars(d); }));
    keep(&d.view, "multistock.png");

    QQmlComponent c(d.view.engine(), QUrl("qrc:/qml/HistoryMLine.qml"));
    std::unique_ptr<QObject> window(c.create());
    ASSERT_TRUE(window);
    const int monday = int(QDateTime(QDate(2026, 12, 7), QTime(12, 0)).toSecsSinceEpoch());
    call(window.get(), "getHMLineData", QVariantMap{{"code", "600001"}, {"market", 1}, {"name", "沪市001"}},
         QString("2026-12-07 星期一"), monday);
    QChart* upper = pane(object(window->property("chart")));
    ASSERT_TRUE(waitFor([&] { return upper->getFirstKLineSize() == 241; }));
    keep(qobject_cast<QQuickWindow*>(window.get()), "history-mline.png");
    EXPECT_TRUE(d.warnings.isEmpty()) << d.warnings.join("\n").toStdString();
}
