// The stock view MQView.qml against the local quote server and back end: a
// route opens the stock's minute chart with the default layout's panes, the
// cycle buttons bring its K-lines, keys zoom and step, the tool bars add panes
// and formulas, overlays, the parameter dialog, the chip panel, the other
// pages and an index's market statistics. Under a real display the view is
// kept as build/screenshots/stock-kline.png and stock-minute.png.
#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QDir>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "chartfixtures.h"
#include "charts/cchipdistribution.h"
#include "charts/qchart.h"
#include "charts/timebar.h"
#include "livetest.h"
#include "models/mqmodel.h"
#include "models/qdetailedmodel.h"
#include "ownprocess.h"
#include "shell/hfileio.h"
#include "shell/qbaseservice.h"

namespace {

using testsupport::waitFor;

QVariant call(QObject* o, const char* fn, const QVariant& a = QVariant())
{
    return testsupport::callQml(o, fn, a);
}

QVariant call(QObject* o, const char* fn, const QVariant& a, const QVariant& b)
{
    QVariant r;
    QMetaObject::invokeMethod(o, fn, Q_RETURN_ARG(QVariant, r), Q_ARG(QVariant, a), Q_ARG(QVariant, b));
    return r;
}

QStringList layerZero(QChart* c)
{
    QStringList out;
    for (const QJsonValue& v : c->getFormulas().toJsonArray())
        out << v.toString();
    return out;
}

QVariantList list(QObject* o, const char* name)
{
    return o->property(name).value<QJSValue>().toVariant().toList();
}

// The stock view in a window, bound to a running quote engine.
struct OpenView {
    testsupport::LiveQuoteEngine live;
    QQuickView view;
    QObject* root = nullptr;
    QObject* qview = nullptr;
    QStringList warnings;

    bool open()
    {
        ensureProgramCatalogue();
        if (!live.start())
            return false;
        QObject::connect(view.engine(), &QQmlEngine::warnings, [this](const QList<QQmlError>& list) {
            for (const QQmlError& e : list)
                warnings << e.toString();
        });
        view.setResizeMode(QQuickView::SizeRootObjectToView);
        view.resize(1280, 800);
        view.setSource(QUrl("qrc:/qml/MQView.qml"));
        root = view.rootObject();
        if (!root)
            return false;
        qview = root->findChild<QObject*>("qview");
        view.show();
        return qview != nullptr;
    }
    QChart* mainPane() const { return qvariant_cast<QChart*>(qview->property("mainChart")); }
    QVariantList subPanes() const { return list(qview, "subCharts"); }
    QStringList subNames() const
    {
        QStringList out;
        for (const QVariant& v : subPanes())
            out << v.value<QObject*>()->property("name_tag_").toString();
        return out;
    }
};

QVariantMap route(const char* chart, int cycle = 0, const char* type = "2")
{
    QVariantMap q{{"code", "600001"}, {"market", "1"}, {"type", type}, {"name", "沪市001"}, {"chart", chart}};
    if (cycle)
        q["cycle"] = QString::number(cycle);
    return q;
}

// Adds service addresses of the local back end to the server-address store.
void addBackendAddresses(int port, const QStringList& keys)
{
    QJsonObject urls = QBaseService().getServerAddressValue("url").toJsonObject();
    const QString base = QString("http://127.0.0.1:%1").arg(port);
    for (const QString& k : keys)
        urls[k] =
            k == "market_total" ? base + "/api/market_total" : base + "/" + k + "?code={{code}}&market={{market}}";
    QBaseService().setServerAddress(QJsonObject{{"url", urls}});
}

// The rows of a QML ListModel.
QList<QVariantMap> rowsOf(QObject* object)
{
    QList<QVariantMap> out;
    auto* model = qobject_cast<QAbstractItemModel*>(object);
    const QHash<int, QByteArray> roles = model ? model->roleNames() : QHash<int, QByteArray>();
    for (int i = 0; model && i < model->rowCount(); ++i) {
        QVariantMap row;
        for (auto r = roles.begin(); r != roles.end(); ++r)
            row[QString::fromUtf8(r.value())] = model->data(model->index(i, 0), r.key());
        out << row;
    }
    return out;
}

// The names of the chart buttons shown.
QStringList buttonNames(QObject* root)
{
    QStringList out;
    for (const QVariantMap& r :
         rowsOf(root->findChild<QObject*>("chartButtons")->property("datamodel").value<QObject*>()))
        if (r["show"].toBool())
            out << r["name"].toString();
    return out;
}

int selectedButton(QObject* root)
{
    return root->findChild<QObject*>("chartButtons")->property("indextemp").toInt();
}

// The last settled value of a pane's output "DIF".
double lastDif(QChart* pane)
{
    const CTXData* slot = pane->getCTXData(0);
    FormulaArgument* a = slot && slot->context ? fml_get_argument(slot->context, "DIF") : nullptr;
    const float* p = a ? fml_argument_data_number(a) : nullptr;
    const int n = a ? fml_argument_data_size(a) : 0;
    for (int i = n - 1; p && i >= 0; --i)
        if (p[i] == p[i])  // not NaN
            return p[i];
    return 0;
}

}  // namespace

TEST(MQView, MinuteAndKLinePanesFromTheLayout)
{
    RUN_IN_OWN_PROCESS();
    OpenView v;
    ASSERT_TRUE(v.open()) << v.view.errors().size();
    ASSERT_TRUE(HFileIO::readData("formula_map.json").isEmpty());
    call(v.root, "setQuery", route("default"));
    // The missing layout file was written with the default layout.
    const QJsonObject stored = QJsonDocument::fromJson(HFileIO::readData("formula_map.json").toUtf8()).object();
    EXPECT_EQ("Sulvane", stored["kline"].toObject()["main_charts"].toArray()[1].toObject()["fname"].toString());
    EXPECT_EQ("分时成交", stored["mline"].toObject()["sub_charts"].toArray()[0].toObject()["fname"].toString());
    QChart* main = v.mainPane();
    ASSERT_TRUE(main);
    EXPECT_EQ("mline", main->getLineType());
    EXPECT_EQ("MLINE", main->property("name_tag_").toString());
    EXPECT_EQ((QStringList{"分时成交", "MACD"}), v.subNames());
    ASSERT_TRUE(waitFor([&] { return main->getFirstKLineSize() > 1; }));
    EXPECT_EQ(242, main->getkShowNumber());

    // Heights: two sub panes cut the area into five parts, three for the main pane.
    const double area = main->height() + v.subPanes()[0].value<QQuickItem*>()->height() * 2;
    EXPECT_NEAR(area * 3 / 5, main->height(), 2);

    // A double click on a sub pane gives it the room of all sub panes; a
    // second one restores them.
    auto* first = v.subPanes()[0].value<QQuickItem*>();
    auto* second = v.subPanes()[1].value<QQuickItem*>();
    const double subHeight = first->height();
    auto dbl = [&](QQuickItem* pane) {
        QMetaObject::invokeMethod(v.qview, "onPaneDoubleClicked", Q_ARG(QVariant, QVariant::fromValue<QObject*>(pane)),
                                  Q_ARG(QVariant, 10), Q_ARG(QVariant, 10));
    };
    dbl(second);
    EXPECT_EQ(0, first->height());
    EXPECT_NEAR(subHeight * 2, second->height(), 2);
    dbl(second);
    EXPECT_EQ(subHeight, first->height());
    EXPECT_EQ(subHeight, second->height());

    // The day K-line button's route.
    call(v.root, "activeFlag", "app://curview/?#chart=kline&cycle=33");
    EXPECT_EQ("kline", main->getLineType());
    EXPECT_EQ(33, main->getCycle());
    EXPECT_EQ((QStringList{"Lumeth", "KD"}), v.subNames());
    ASSERT_TRUE(waitFor([&] { return main->getFirstKLineSize() > 20; }));
    for (const QVariant& p : v.subPanes())
        EXPECT_EQ(main->getFirstKLineSize(), qvariant_cast<QChart*>(p)->getFirstKLineSize());

    // Up with ten bars shown gives eight (the floor), Down half as many again.
    auto key = [&](int k) {
        QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier);
        QCoreApplication::sendEvent(v.qview, &press);
    };
    main->setkShowNumber(10);
    key(Qt::Key_Up);
    EXPECT_EQ(8, main->getkShowNumber());
    key(Qt::Key_Down);
    EXPECT_EQ(12, main->getkShowNumber());

    // Left and Right move the crosshair one bar, shown on the first press.
    main->setShowCrosshairLine(false);
    main->updateCrosshairPos(main->getEnd() - 3);
    const int at = main->getCrosshairPos();
    key(Qt::Key_Left);
    EXPECT_TRUE(main->getShowCrosshairLine());
    EXPECT_EQ(at - 1, main->getCrosshairPos());
    key(Qt::Key_Right);
    key(Qt::Key_Right);
    EXPECT_EQ(at + 1, main->getCrosshairPos());
    // The info pop-up follows the crosshair bar and goes with the crosshair.
    auto* popup = v.qview->property("pointPopup").value<QObject*>();
    ASSERT_TRUE(popup);
    EXPECT_TRUE(popup->property("visible").toBool());
    EXPECT_TRUE(popup->property("dateText").toString().startsWith(main->getPosDataS(at + 1, "date").left(10)));
    call(v.qview, "changeShowCrosshairLine");
    EXPECT_FALSE(popup->property("visible").toBool());

    // The sub-chart bar adds MACD as a third pane and keeps it in the layout;
    // pressing it again removes both.
    call(v.root, "toggleSubChart", "MACD");
    EXPECT_EQ((QStringList{"Lumeth", "KD", "MACD"}), v.subNames());
    EXPECT_TRUE(HFileIO::readData("formula_map.json").contains("MACD"));
    call(v.root, "toggleSubChart", "MACD");
    EXPECT_EQ((QStringList{"Lumeth", "KD"}), v.subNames());

    // The main-chart drop-down replaces the overlay formula; a formula group
    // sets the main formula and the first sub pane.
    QQmlComponent db(v.view.engine());
    db.setData(
        "import QtQuick 2.15\nimport 'qrc:/qml/js/Database.js' as Sql\n"
        "QtObject { function init() { Sql.dbInit() }\n"
        "  function last() { var l = Sql.dbGetActionCmd(); return l[l.length - 1].do_action + ' ' + l[l.length - "
        "1].remark } }",
        QUrl("qrc:/test/db.qml"));
    std::unique_ptr<QObject> sql(db.create());
    ASSERT_TRUE(sql) << db.errorString().toStdString();
    call(sql.get(), "init");
    call(v.root, "setMainFormula", "BOLL");
    EXPECT_EQ((QStringList{"KLINE", "BOLL"}), layerZero(main));
    EXPECT_EQ("FML BOLL", call(sql.get(), "last").toString());
    call(v.root, "setFormulaGroup", "Sulvane");
    EXPECT_EQ((QStringList{"KLINE", "Sulvane"}), layerZero(main));
    EXPECT_EQ((QStringList{"Lumeth", "KD"}), v.subNames());
    const QJsonObject kline =
        QJsonDocument::fromJson(HFileIO::readData("formula_map.json").toUtf8()).object()["kline"].toObject();
    EXPECT_EQ(2, kline["main_charts"].toArray().size());
    EXPECT_EQ("Sulvane", kline["main_charts"].toArray()[1].toObject()["fname"].toString());
    ASSERT_EQ(1, kline["sub_charts"].toArray().size());
    EXPECT_EQ("Lumeth", kline["sub_charts"].toArray()[0].toObject()["fname"].toString());
    EXPECT_EQ("FML Lumeth", call(sql.get(), "last").toString());

    // An overlay stock gets a second layer with its own bars; an empty code
    // clears the overlays again.
    call(v.root, "superposition", "600002", 1);
    ASSERT_TRUE(waitFor([&] { return main->getKLineCount() == 2 && main->getPointCount(1) > 20; }));
    EXPECT_TRUE(HFileIO::readData("superposition.json").contains("600002"));
    call(v.root, "superposition", "600002", 1);  // already there: nothing changes
    for (const char* code : {"600003", "600004", "600005", "600006"})
        call(v.root, "superposition", code, 1);
    ASSERT_TRUE(waitFor([&] { return main->getKLineCount() == 6 && main->getPointCount(5) > 20; }));
    EXPECT_EQ("", v.root->property("message").toString());
    call(v.root, "superposition", "600007", 1);
    EXPECT_EQ("已经达到最大叠加数量", v.root->property("message").toString());
    auto* box = v.root->findChild<QObject*>("messageBox");
    ASSERT_TRUE(box) << "nothing shows the message";
    EXPECT_TRUE(box->property("opened").toBool());
    EXPECT_EQ("已经达到最大叠加数量", box->property("msg_").toString());
    QMetaObject::invokeMethod(box, "close");
    EXPECT_EQ(6, main->getKLineCount());
    EXPECT_FALSE(HFileIO::readData("superposition.json").contains("600007"));
    EXPECT_EQ(5, v.root->property("superLegend").value<QObject*>()->property("count").toInt());
    call(v.root, "superposition", "", 0);
    EXPECT_EQ(1, main->getKLineCount());
    EXPECT_FALSE(HFileIO::readData("superposition.json").contains("600002"));
    EXPECT_EQ(0, v.root->property("superLegend").value<QObject*>()->property("count").toInt());

    // Code "*" opens the overlay picker; its additions and removals reach the pane.
    call(v.root, "superposition", "*", 0);
    auto* picker = v.root->property("superEdit").value<QObject*>();
    ASSERT_TRUE(picker);
    EXPECT_TRUE(picker->property("opened").toBool() || picker->property("visible").toBool());
    QMetaObject::invokeMethod(picker, "addSuperChart", Q_ARG(QString, "600008"), Q_ARG(int, 1),
                              Q_ARG(QString, "kline"));
    ASSERT_TRUE(waitFor([&] { return main->getKLineCount() == 2 && main->getPointCount(1) > 20; }));
    EXPECT_TRUE(HFileIO::readData("superposition.json").contains("600008"));
    QMetaObject::invokeMethod(picker, "removeSuperChart", Q_ARG(QString, "600008"), Q_ARG(int, 1),
                              Q_ARG(QString, "kline"));
    EXPECT_EQ(1, main->getKLineCount());
    EXPECT_FALSE(HFileIO::readData("superposition.json").contains("600008"));

    // Page Down and Page Up step through the table the view came from, wrapping.
    v.root->setProperty("stockList", QVariantList{QVariantMap{{"code", "600001"}, {"market", 1}, {"name", "a"}},
                                                  QVariantMap{{"code", "600002"}, {"market", 1}, {"name", "b"}}});
    key(Qt::Key_PageDown);
    EXPECT_EQ("600002", v.root->property("query_map_").toMap()["code"].toString());
    key(Qt::Key_PageDown);
    EXPECT_EQ("600001", v.root->property("query_map_").toMap()["code"].toString());
    key(Qt::Key_PageUp);
    EXPECT_EQ("600002", v.root->property("query_map_").toMap()["code"].toString());
    EXPECT_EQ(33, main->getCycle());  // the chart kind stays

    // The cycle switch: day K-lines to 1-minute K-lines of the same stock.
    call(v.root, "updateQuery", QVariantMap{{"chart", "mk_cycle"}});
    EXPECT_EQ(34, main->getCycle());
    EXPECT_TRUE(v.warnings.isEmpty()) << v.warnings.join("\n").toStdString();
}

// Each chart button's route opens the stock in its chart: the minute chart and
// the K-lines of cycles 33 to 40 (week and month share the drop-down button).
TEST(MQView, EveryChartButtonOpensItsChart)
{
    RUN_IN_OWN_PROCESS();
    OpenView v;
    ASSERT_TRUE(v.open());
    call(v.root, "setQuery", route("mline"));
    QChart* main = v.mainPane();
    ASSERT_TRUE(main);
    EXPECT_EQ((QStringList{"分时", "日线", "1分", "5分", "15分", "30分", "60分", "周线", "明细", "F10", "分析", "诊断",
                           "共振"}),
              buttonNames(v.root));
    struct Row {
        const char* flag;
        const char* type;
        int cycle;
        int button;
        const char* face;
        const char* key;
    };
    const Row rows[] = {
        {"app://curview/?#chart=kline&cycle=33", "kline", 33, 1, "周线", "kline_33"},
        {"app://curview/?#chart=kline&cycle=34", "kline", 34, 2, "周线", "kline_34"},
        {"app://curview/?#chart=kline&cycle=35", "kline", 35, 3, "周线", "kline_35"},
        {"app://curview/?#chart=kline&cycle=36", "kline", 36, 4, "周线", "kline_36"},
        {"app://curview/?#chart=kline&cycle=37", "kline", 37, 5, "周线", "kline_37"},
        {"app://curview/?#chart=kline&cycle=38", "kline", 38, 6, "周线", "kline_38"},
        {"app://curview/?#chart=kline&cycle=39", "kline", 39, 7, "周线", "kline_39"},
        {"app://curview/?#chart=kline&cycle=40", "kline", 40, 7, "月线", "kline_40"},
        {"app://curview/?#chart=mline", "mline", 0, 0, "月线", "mline_"},
    };
    for (const Row& r : rows) {
        call(v.root, "activeFlag", r.flag);
        EXPECT_EQ(r.key, v.root->property("chartKey").toString());
        EXPECT_EQ(r.type, main->getLineType()) << r.flag;
        EXPECT_EQ(r.cycle, main->getCycle()) << r.flag;
        EXPECT_EQ(r.button, selectedButton(v.root)) << r.flag;
        EXPECT_EQ(r.face, buttonNames(v.root)[7]) << r.flag;
        // Bars of the right kind arrive: a minute chart holds one day.
        EXPECT_TRUE(waitFor([&] { return main->getFirstKLineSize() > (r.cycle ? 20 : 1); })) << r.flag;
        EXPECT_EQ(r.cycle ? 120 : 242, main->getkShowNumber()) << r.flag;
        EXPECT_EQ(r.cycle ? (QStringList{"Lumeth", "KD"}) : (QStringList{"分时成交", "MACD"}), v.subNames()) << r.flag;
    }

    // Three sub panes: the height is cut into six parts, three for the main pane.
    call(v.root, "toggleSubChart", "RSI");
    ASSERT_EQ(3, v.subPanes().size());
    const double area = v.qview->property("height").toDouble() - 20;  // less the time bar
    const double h = area / 6;
    EXPECT_NEAR(3 * h, main->height(), 1);
    for (const QVariant& p : v.subPanes())
        EXPECT_NEAR(h, p.value<QQuickItem*>()->height(), 1);
    EXPECT_TRUE(v.warnings.isEmpty()) << v.warnings.join("\n").toStdString();
}

// The other pages: details (blank until tick details exist), the three web
// pages from the back end's addresses with the stock filled in, and the cycle
// resonance grid. An index has the chart buttons up to the K-lines only and
// refreshes its market statistics from the back end.
TEST(MQView, PagesAndIndexStatistics)
{
    RUN_IN_OWN_PROCESS();
    ServerProcess backend("backend", {});
    ASSERT_GT(backend.port(), 0);
    OpenView v;
    ASSERT_TRUE(v.open());
    addBackendAddresses(backend.port(), {"f9", "f10", "f11", "market_total"});
    v.root->setProperty("webViewEnabled", false);  // no web engine on this platform
    call(v.root, "setQuery", route("kline", 33));
    auto visibleOnly = [&](const char* page) {
        QStringList shown;
        for (const char* name : {"chartPage", "detailPage", "webPage", "cycelPage"})
            if (v.root->findChild<QQuickItem*>(name)->isVisible())
                shown << name;
        return shown == QStringList{page};
    };
    EXPECT_TRUE(visibleOnly("chartPage"));

    call(v.root, "activeFlag", "app://curview/?#chart=detail");
    EXPECT_EQ("detail", v.root->property("page").toString());
    EXPECT_TRUE(visibleOnly("detailPage"));
    EXPECT_EQ(8, selectedButton(v.root));

    QNetworkAccessManager net;
    for (const char* page : {"f10", "f9", "f11"}) {
        call(v.root, "activeFlag", QString("app://curview/?#chart=%1").arg(page));
        EXPECT_TRUE(visibleOnly("webPage"));
        const QString url = v.root->property("webUrl").toString();
        EXPECT_EQ(QString("http://127.0.0.1:%1/%2?code=600001&market=1").arg(backend.port()).arg(page), url);
        std::unique_ptr<QNetworkReply> reply(net.get(QNetworkRequest(QUrl(url))));
        ASSERT_TRUE(waitFor([&] { return reply->isFinished(); }));
        EXPECT_TRUE(QString::fromUtf8(reply->readAll()).contains("600001")) << page;
    }
    // Page Down on a web page shows the next stock's page.
    v.root->setProperty("stockList", QVariantList{QVariantMap{{"code", "600001"}, {"market", 1}, {"name", "a"}},
                                                  QVariantMap{{"code", "600002"}, {"market", 1}, {"name", "b"}}});
    call(v.root, "stepCode", 1);
    EXPECT_TRUE(v.root->property("webUrl").toString().endsWith("/f11?code=600002&market=1"));

    call(v.root, "activeFlag", "app://curview/?#chart=cycel");
    EXPECT_TRUE(visibleOnly("cycelPage"));
    auto* grid = v.root->property("cycelView").value<QObject*>();
    ASSERT_TRUE(grid);
    EXPECT_EQ("600002", grid->property("codeInfo").toMap()["code"].toString());

    // An index: buttons up to the K-lines, the chart page only, and the market
    // statistics: twelve buckets each (totals left out), shares of the largest.
    v.root->setProperty("statsInterval", 100);
    call(v.root, "setQuery",
         QVariantMap{{"code", "1A0001"}, {"market", "1"}, {"type", "1"}, {"name", "上证指数"}, {"chart", "f10"}});
    EXPECT_EQ((QStringList{"分时", "日线", "1分", "5分", "15分", "30分", "60分", "周线"}), buttonNames(v.root));
    EXPECT_TRUE(visibleOnly("chartPage"));
    auto* panel = v.root->findChild<QObject*>("priceIndexView");
    auto rows = [&](const char* name) { return rowsOf(panel->property(name).value<QObject*>()); };
    ASSERT_TRUE(waitFor([&] { return rows("sectionModel").size() == 12 && rows("sectionModel2").size() == 12; }));
    const QList<QVariantMap> all = rows("sectionModel"), sh = rows("sectionModel2");
    double largest = 0;
    for (int i = 0; i < 12; ++i) {
        EXPECT_NE("up_counts", all[i]["section"].toString());
        EXPECT_GE(all[i]["count"].toInt(), sh[i]["count"].toInt()) << "the whole market holds Shanghai's stocks";
        largest = std::max(largest, all[i]["count"].toDouble());
    }
    ASSERT_GT(largest, 0);
    for (const QVariantMap& r : all)
        EXPECT_DOUBLE_EQ(r["count"].toDouble() / largest, r["ratio"].toDouble());
    EXPECT_TRUE(v.warnings.isEmpty()) << v.warnings.join("\n").toStdString();
}

// Two stock tabs: the newer one closes, and the remaining one, shown again,
// still saves its pane layout.
TEST(MQView, LayoutIsSavedAfterAnotherViewCloses)
{
    RUN_IN_OWN_PROCESS();
    OpenView v;
    ASSERT_TRUE(v.open());
    call(v.root, "setQuery", route("mline"));
    QQmlComponent doc(v.view.engine(), QUrl("qrc:/qml/MQView.qml"));
    std::unique_ptr<QObject> other(doc.create());
    ASSERT_TRUE(other) << doc.errorString().toStdString();
    other.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    v.root->setProperty("visible", false);
    v.root->setProperty("visible", true);
    call(v.root, "toggleSubChart", "KDJ");
    EXPECT_TRUE(HFileIO::readData("formula_map.json").contains("KDJ"));
    EXPECT_TRUE(v.warnings.isEmpty()) << v.warnings.join("\n").toStdString();
}

// The chip panel beside the day K-lines: "筹码" shows it beside the chart,
// its buttons set the chip type, "明细" hides it again.
TEST(MQView, ChipPanelBesideTheKLines)
{
    RUN_IN_OWN_PROCESS();
    OpenView v;
    ASSERT_TRUE(v.open());
    call(v.root, "setQuery", route("kline", 33));
    auto* pane = v.root->findChild<QQuickItem*>("chipPane");
    auto* chip = v.root->findChild<CChipDistribution*>("chip");
    auto* chartArea = qobject_cast<QQuickItem*>(v.qview);
    ASSERT_TRUE(pane && chip && chartArea);
    EXPECT_FALSE(pane->isVisible());
    const double wide = chartArea->width();
    call(v.root, "showChip", true);
    EXPECT_TRUE(pane->isVisible());
    EXPECT_EQ(wide - pane->width(), chartArea->width());
    for (int type : {1, 2, 0}) {
        call(v.root, "setChipType", type);
        EXPECT_EQ(type, chip->model().chipType());
    }
    // Minutes have no chips: the panel and its switch stay away.
    call(v.root, "activeFlag", "app://curview/?#chart=mline");
    EXPECT_FALSE(pane->isVisible());
    EXPECT_EQ(wide, chartArea->width());
    call(v.root, "activeFlag", "app://curview/?#chart=kline&cycle=33");
    EXPECT_TRUE(pane->isVisible());
    call(v.root, "showChip", false);
    EXPECT_FALSE(pane->isVisible());
    EXPECT_TRUE(v.warnings.isEmpty()) << v.warnings.join("\n").toStdString();
}

// A pane's settings button opens the parameter dialog; a changed MACD period
// reloads the pane with the new period's values. A double click inside a day
// bar opens that day's minute line.
TEST(MQView, ParameterDialogAndHistoryMinuteLine)
{
    RUN_IN_OWN_PROCESS();
    OpenView v;
    ASSERT_TRUE(v.open());
    call(v.root, "setQuery", route("kline", 33));
    QChart* main = v.mainPane();
    call(v.root, "toggleSubChart", "MACD");
    auto* macd = qvariant_cast<QChart*>(v.subPanes().last());
    ASSERT_TRUE(macd && main);
    ASSERT_TRUE(waitFor([&] { return macd->getFirstKLineSize() > 100; }));
    const double before = lastDif(macd);
    call(macd, "onSetToolClicked", "0");
    auto* dialog = v.root->property("paramDialog").value<QObject*>();
    ASSERT_TRUE(dialog);
    QVariant spin;
    QMetaObject::invokeMethod(dialog, "spinAt", Q_RETURN_ARG(QVariant, spin), Q_ARG(QVariant, 0));
    ASSERT_TRUE(spin.value<QObject*>());
    QObject* input = spin.value<QObject*>()->property("contentItem").value<QObject*>();
    ASSERT_TRUE(input);
    input->setProperty("text", "6");
    QMetaObject::invokeMethod(input, "editingFinished");
    EXPECT_GT(std::fabs(lastDif(macd) - before), 1e-4) << "the pane kept the old period's values";
    QMetaObject::invokeMethod(dialog, "reset");  // the defaults back for the other tests

    // Double click between the high and low of a day bar that is not the last.
    const int pos = main->getEnd() - 3;
    main->updateCrosshairPos(pos);
    const double y = main->getPointY((main->getPosDataF(pos, "high") + main->getPosDataF(pos, "low")) / 2);
    QMetaObject::invokeMethod(v.qview, "onPaneDoubleClicked", Q_ARG(QVariant, QVariant::fromValue<QObject*>(main)),
                              Q_ARG(QVariant, main->getPointX(pos - main->getBegin())), Q_ARG(QVariant, y));
    auto* history = v.root->property("historyWindow").value<QObject*>();
    ASSERT_TRUE(history);
    EXPECT_TRUE(history->property("visible").toBool());
    EXPECT_TRUE(history->property("titleText").toString().contains(main->getPosDataS(pos, "date").left(10)));
    EXPECT_TRUE(v.warnings.isEmpty()) << v.warnings.join("\n").toStdString();
}

// A K-line loaded again into the same tab (another cycle, the tab hidden and
// shown, the stock opened again) shows the end of its series like the first
// one; the crosshair moved by keys lands on the same bar in every pane and
// the time bar's label sits at that bar.
TEST(MQView, KLinesLoadedAgainAndTheCrosshairInEveryPane)
{
    RUN_IN_OWN_PROCESS();
    OpenView v;
    ASSERT_TRUE(v.open());
    QChart* main = nullptr;
    auto shown = [&](const char* step) {
        main = v.mainPane();
        ASSERT_TRUE(main);
        EXPECT_TRUE(waitFor([&] {
            const int n = main->getFirstKLineSize();
            return n > 20 && main->getEnd() == n - 1 && main->getBegin() <= main->getEnd();
        })) << step
            << ": begin " << main->getBegin() << " end " << main->getEnd() << " bars " << main->getFirstKLineSize();
        const QList<int> axis = main->getTimeBarTime(5);
        ASSERT_FALSE(axis.isEmpty()) << step;
        EXPECT_GT(axis.first(), 86400) << step << ": the axis reads 1970";
    };
    call(v.root, "setQuery", route("kline", 33));
    shown("day");
    call(v.root, "activeFlag", "app://curview/?#chart=kline&cycle=39");
    shown("week");
    call(v.root, "activeFlag", "app://curview/?#chart=kline&cycle=35");
    shown("5 minutes");
    call(v.root, "activeFlag", "app://curview/?#chart=kline&cycle=33");
    shown("day again");
    v.root->setProperty("visible", false);
    v.root->setProperty("visible", true);
    shown("tab shown again");
    call(v.root, "setQuery", route("default"));
    shown("the stock opened again");
    for (const QVariant& p : v.subPanes())
        ASSERT_TRUE(
            waitFor([&] { return qvariant_cast<QChart*>(p)->getFirstKLineSize() == main->getFirstKLineSize(); }));

    // Left five times: every pane on the main pane's bar, the time bar's
    // label at that bar's centre.
    auto* timeBar = v.qview->findChild<TimeBar*>("timeBar");
    ASSERT_TRUE(timeBar);
    for (int i = 0; i < 5; ++i) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier);
        QCoreApplication::sendEvent(v.qview, &press);
    }
    const int at = main->getCrosshairPos();
    EXPECT_EQ(main->getEnd() - 5, at);
    for (const QVariant& p : v.subPanes())
        EXPECT_EQ(at, qvariant_cast<QChart*>(p)->getCrosshairPos())
            << qvariant_cast<QChart*>(p)->getMainName().toStdString();
    EXPECT_EQ(main->getPointX(at - main->getBegin()), timeBar->getCurX());
    EXPECT_TRUE(v.warnings.isEmpty()) << v.warnings.join("\n").toStdString();
}

// A stock opened from a quote table carries the table's context: Page Down
// and Page Up then step to the table's next and previous rows.
TEST(MQView, PageDownStepsThroughTheTableItWasOpenedFrom)
{
    RUN_IN_OWN_PROCESS();
    OpenView v;
    ASSERT_TRUE(v.open());
    QQmlComponent doc(v.view.engine(), QUrl("qrc:/qml/QTableView.qml"));
    std::unique_ptr<QObject> table(doc.create());
    ASSERT_TRUE(table) << doc.errorString().toStdString();
    table->setProperty("height", 400);
    table->setProperty("width", 800);
    call(table.get(), "setQuery", QVariantMap{{"block", 1101}, {"field", 34}, {"sort", 0}});
    auto* rows = table->property("table_model").value<QAbstractItemModel*>();
    ASSERT_TRUE(rows);
    ASSERT_TRUE(waitFor([&] { return rows->rowCount() > 3; }));
    auto codeAt = [&](int row) { return call(table.get(), "chartQuery", row).toMap()["code"].toString(); };
    const QVariantMap query = call(table.get(), "chartQuery", 1).toMap();
    ASSERT_FALSE(query["json"].toString().isEmpty()) << "the row carries no table context";
    call(v.root, "setQuery", query);
    ASSERT_TRUE(waitFor([&] { return list(v.root, "stockList").size() > 3; }));
    auto key = [&](int k) {
        QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier);
        QCoreApplication::sendEvent(v.qview, &press);
    };
    key(Qt::Key_PageDown);
    EXPECT_EQ(codeAt(2), v.root->property("query_map_").toMap()["code"].toString());
    key(Qt::Key_PageUp);
    key(Qt::Key_PageUp);
    EXPECT_EQ(codeAt(0), v.root->property("query_map_").toMap()["code"].toString());
    EXPECT_TRUE(v.warnings.isEmpty()) << v.warnings.join("\n").toStdString();
}

// Which panes carry which buttons: the main pane none, the minute volume
// pane none, every other sub pane the settings and the close button; the
// close button takes the pane and its layout entry away.
TEST(MQView, PaneButtons)
{
    RUN_IN_OWN_PROCESS();
    OpenView v;
    ASSERT_TRUE(v.open());
    auto buttons = [&](QObject* pane) {
        QStringList out;
        auto* bar = pane->findChild<QQuickItem*>("setToolsBar");
        if (!bar || !bar->isVisible())
            return out;
        for (QQuickItem* b : bar->childItems())
            if (b->objectName().startsWith("setTool_"))
                out << b->objectName();
        return out;
    };
    const QStringList both{"setTool_0", "setTool_1"};
    call(v.root, "setQuery", route("mline"));
    EXPECT_EQ(QStringList(), buttons(v.mainPane())) << "minute main pane";
    ASSERT_EQ((QStringList{"分时成交", "MACD"}), v.subNames());
    EXPECT_EQ(QStringList(), buttons(v.subPanes()[0].value<QObject*>())) << "minute volume pane";
    EXPECT_EQ(both, buttons(v.subPanes()[1].value<QObject*>())) << "MACD pane";
    call(v.root, "activeFlag", "app://curview/?#chart=kline&cycle=33");
    EXPECT_EQ(QStringList(), buttons(v.mainPane())) << "K-line main pane";
    for (const QVariant& p : v.subPanes())
        EXPECT_EQ(both, buttons(p.value<QObject*>()))
            << p.value<QObject*>()->property("name_tag_").toString().toStdString();
    call(v.root, "toggleSubChart", "RSI");
    EXPECT_EQ(both, buttons(v.subPanes().last().value<QObject*>())) << "a pane added from the tool bar";
    call(v.subPanes().last().value<QObject*>(), "onSetToolClicked", "1");
    EXPECT_FALSE(v.subNames().contains("RSI"));
    EXPECT_FALSE(HFileIO::readData("formula_map.json").contains("RSI"));
    EXPECT_TRUE(v.warnings.isEmpty()) << v.warnings.join("\n").toStdString();
}

// The split between the panes is dragged with the mouse: the panes on both
// sides change within their limits, the others stay.
TEST(MQView, PaneSplitsAreDragged)
{
    RUN_IN_OWN_PROCESS();
    OpenView v;
    ASSERT_TRUE(v.open());
    call(v.root, "setQuery", route("kline", 33));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&v.view));
    QChart* main = v.mainPane();
    ASSERT_EQ(2, v.subPanes().size());
    auto* first = v.subPanes()[0].value<QQuickItem*>();
    auto* second = v.subPanes()[1].value<QQuickItem*>();
    const double h0 = main->height(), h1 = first->height(), h2 = second->height();
    const double h = (h0 + h1 + h2) / 5;
    auto drag = [&](QQuickItem* pane, int dy) {
        const QPointF top = pane->mapToScene(QPointF(100, 0));
        const QPoint from(int(top.x()), int(top.y()));
        QTest::mousePress(&v.view, Qt::LeftButton, Qt::NoModifier, from);
        for (int i = 1; i <= 4; ++i)
            QTest::mouseMove(&v.view, from + QPoint(0, dy * i / 4));
        QTest::mouseRelease(&v.view, Qt::LeftButton, Qt::NoModifier, from + QPoint(0, dy));
    };
    drag(first, 20);  // the split under the main pane, 20 px down
    EXPECT_NEAR(h0 + 20, main->height(), 1.5);
    EXPECT_NEAR(h1 - 20, first->height(), 1.5);
    EXPECT_EQ(h2, second->height());
    drag(first, 400);  // far down: the sub pane keeps half its share
    EXPECT_NEAR(h / 2, first->height(), 1.5);
    drag(first, -400);  // far up: one and a half shares at most
    EXPECT_NEAR(1.5 * h, first->height(), 1.5);
    EXPECT_NEAR(2.5 * h, main->height(), 3);  // the main pane takes what the rounded sub panes leave
    drag(second, -400);                       // the split between the sub panes: the lower one grows to its limit
    EXPECT_NEAR(1.5 * h, second->height(), 1.5);
    EXPECT_NEAR(h, first->height(), 1.5);
    EXPECT_NEAR(h0 + h1 + h2, main->height() + first->height() + second->height(), 3);  // whole pixels each
    EXPECT_TRUE(v.warnings.isEmpty()) << v.warnings.join("\n").toStdString();
}

// Show counts from a pane laid out at size 0 never become a page size of -1.
TEST(MQView, ShowCountsAndPageSizesStayInRange)
{
    RUN_IN_OWN_PROCESS();
    EXPECT_EQ(65535, MQModel::kLinePageSize(0xFFFFFFFFu, 34));  // -1 from QML
    EXPECT_EQ(65535, MQModel::kLinePageSize(70000, 33));
    EXPECT_EQ(512, MQModel::kLinePageSize(512, 33));
    EXPECT_EQ(9999, MQModel::kLinePageSize(2048, 39));
    OpenView v;
    ASSERT_TRUE(v.open());
    call(v.root, "setQuery", route("kline", 33));
    QChart* main = v.mainPane();
    ASSERT_TRUE(waitFor([&] { return main->getFirstKLineSize() > 20; }));
    for (int shown : {0, -1}) {
        main->updateReCalcShow(0, 10, shown, 5);
        EXPECT_EQ(1, main->getkShowNumber()) << shown;
    }
}

// The main window's tab area opens the view from its route and hands it the
// route's query.
// A switch to another stock draws no frame of empty panes: the first frame
// after it shows the new stock's bars in the main pane and every sub pane.
TEST(MQView, SwitchDrawsItsFirstFrameWithTheBars)
{
    RUN_IN_OWN_PROCESS();
    OpenView v;
    ASSERT_TRUE(v.open());
    QObject* hold = v.root->findChild<QObject*>("frameHold");
    ASSERT_TRUE(hold);
    hold->setProperty("limit", 60000);  // here the bars, never the limit, end a hold
    QString expected;
    int emptyFrames = 0, dataFrames = 0;
    QStringList late;  // panes without bars in the first frame with the new stock
    QObject::connect(&v.view, &QQuickWindow::frameSwapped, [&] {
        QChart* main = v.mainPane();
        const CTXData* slot = main ? main->getCTXData(0) : nullptr;
        if (!slot || expected != slot->codeInfo.code || main->getFirstKLineSize() <= 0) {
            emptyFrames += dataFrames == 0 ? 1 : 0;
            return;
        }
        if (dataFrames++ > 0)
            return;
        for (const QVariant& p : v.subPanes()) {
            auto* pane = qobject_cast<QChart*>(p.value<QObject*>());
            if (!pane || pane->getFirstKLineSize() <= 0)
                late << (pane ? pane->property("name_tag_").toString() : QString("?"));
        }
    });
    struct Step {
        const char* code;
        const char* chart;
        int cycle;
    };
    const Step steps[] = {{"600001", "kline", 33},
                          {"600002", "kline", 33},
                          {"600001", "mline", 0},
                          {"600002", "kline", 35},
                          {"600001", "kline", 35}};
    bool first = true;
    for (const Step& s : steps) {
        QVariantMap q = route(s.chart, s.cycle);
        q["code"] = s.code;
        expected = s.code;
        emptyFrames = dataFrames = 0;
        late.clear();
        call(v.root, "setQuery", q);
        EXPECT_TRUE(hold->property("holding").toBool()) << s.code << " " << s.chart;
        ASSERT_TRUE(waitFor([&] { return dataFrames > 0; })) << s.code << " " << s.chart;
        EXPECT_FALSE(hold->property("holding").toBool());
        // The very first stock of the view may follow frames of its opening.
        if (!first) {
            EXPECT_EQ(0, emptyFrames) << s.code << " " << s.chart;
        }
        EXPECT_TRUE(late.isEmpty()) << late.join(",").toStdString();
        EXPECT_EQ(2, v.subPanes().size());
        first = false;
    }
    // Another page than the charts holds nothing.
    call(v.root, "activeFlag", "app://curview/?#chart=detail");
    EXPECT_FALSE(hold->property("holding").toBool());
    EXPECT_TRUE(v.warnings.isEmpty()) << v.warnings.join("\n").toStdString();
}

// The stocks before and after the one shown are fetched beforehand: Page
// Down to one of them draws its first frame with its bars in every pane and
// its quote in the price pane while the server answers nothing; once the
// server answers again the view shows what a view that opened the stock
// fresh shows. A hidden view fetches nothing beforehand.
TEST(MQView, PageDownShowsAPrefetchedNeighbourAtOnce)
{
    RUN_IN_OWN_PROCESS();
    OpenView v;
    ASSERT_TRUE(v.open());
    auto* model = v.root->property("mqModel").value<MQModel*>();
    QObject* hold = v.root->findChild<QObject*>("frameHold");
    QObject* name = v.root->findChild<QObject*>("nameText");
    ASSERT_TRUE(model && hold && name);
    hold->setProperty("limit", 60000);  // only the bars end a hold
    const QVariantList stocks{QVariantMap{{"code", "600001"}, {"market", 1}, {"name", "a"}},
                              QVariantMap{{"code", "600002"}, {"market", 1}, {"name", "b"}},
                              QVariantMap{{"code", "600003"}, {"market", 1}, {"name", "c"}}};
    call(v.root, "setQuery", route("kline", 33));
    QChart* main = v.mainPane();
    ASSERT_TRUE(waitFor([&] { return main->getFirstKLineSize() > 30; }));
    // The list comes (as the table's rows do) once the view shows its stock.
    v.root->setProperty("stockList", stocks);
    call(v.root, "prefetchNeighbours");
    ASSERT_TRUE(waitFor([&] { return model->hasPrefetched("600002", 1) && model->hasPrefetched("600003", 1); },
                        [&] { return model->prefetchCount(); }));

    // A parameter changed meanwhile (in another view's dialog, say): the
    // next stock's panes compute with it, as a view opened fresh does.
    const QVariantList subs = v.subPanes();
    ASSERT_EQ(2, subs.size());
    const QString subName = qobject_cast<QChart*>(subs[1].value<QObject*>())->getMainName();
    const auto entry = formula::FormulaService::instance().find(subName.toStdString());
    ASSERT_TRUE(entry && !entry->params.empty()) << subName.toStdString();
    const float paramWas = entry->params[0].value;
    entry->params[0].value = paramWas + 3;

    // From here on the server keeps every request unanswered.
    v.live.server.control("hold");
    ASSERT_TRUE(v.live.server.wait_line("holding"));
    struct Seen {
        QString code, name;
        int bars = -1;
        QStringList emptySubs;
        QString tradesOf;  // the stock of the trades listed ("" for none)
    };
    auto* trades = v.root->findChild<QObject*>("tickList")->property("detailModel").value<QDetailedModel*>();
    ASSERT_TRUE(trades);
    ASSERT_TRUE(waitFor([&] { return trades->rowCount() > 0; })) << "the first stock's trades never came";
    QList<Seen> frames;
    QObject::connect(&v.view, &QQuickWindow::frameSwapped, [&] {
        Seen s;
        const CTXData* slot = main->getCTXData(0);
        s.code = slot ? QString::fromUtf8(slot->codeInfo.code) : QString();
        s.bars = main->getFirstKLineSize();
        s.name = name->property("text").toString();
        s.tradesOf = trades->rowCount() > 0 ? trades->code() : QString();
        for (const QVariant& p : v.subPanes()) {
            auto* pane = qobject_cast<QChart*>(p.value<QObject*>());
            if (!pane || pane->getFirstKLineSize() <= 0)
                s.emptySubs << (pane ? pane->property("name_tag_").toString() : QString("?"));
        }
        frames << s;
    });
    // The layout's sub panes (two indicators) stay across the switch.
    const QVariantList panesBefore = v.subPanes();
    ASSERT_EQ(2, panesBefore.size());
    QKeyEvent press(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
    QCoreApplication::sendEvent(v.qview, &press);
    EXPECT_EQ("600002", v.root->property("query_map_").toMap()["code"].toString());
    EXPECT_FALSE(hold->property("holding").toBool()) << "the switch waited for a reply";
    const QVariantList panesAfter = v.subPanes();
    ASSERT_EQ(2, panesAfter.size());
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(panesBefore[i].value<QObject*>(), panesAfter[i].value<QObject*>())
            << "sub pane " << i << " was made anew for the next stock";
    ASSERT_TRUE(waitFor([&] { return !frames.isEmpty(); })) << "no frame drawn after the switch";
    const Seen first = frames.first();
    EXPECT_EQ("600002", first.code.toStdString());
    EXPECT_GT(first.bars, 30);
    EXPECT_TRUE(first.emptySubs.isEmpty()) << first.emptySubs.join(",").toStdString();
    EXPECT_TRUE(first.name.endsWith("  600002") && first.name.size() > 8) << first.name.toStdString();
    EXPECT_TRUE(first.tradesOf.isEmpty() || first.tradesOf == "600002")
        << "the price pane listed the trades of " << first.tradesOf.toStdString();

    // A second view opens the stock fresh; both then show the same bars and
    // the same indicator values (but for the live last bar, which may move
    // between their replies).
    v.live.server.control("release");
    ASSERT_TRUE(v.live.server.wait_line("released"));
    QQuickView freshView;
    freshView.resize(1280, 800);
    freshView.setSource(QUrl("qrc:/qml/MQView.qml"));
    QObject* fresh = freshView.rootObject();
    ASSERT_TRUE(fresh);
    freshView.show();
    QVariantMap q = route("kline", 33);
    q["code"] = "600002";
    call(fresh, "setQuery", q);
    auto* freshMain = qvariant_cast<QChart*>(fresh->findChild<QObject*>("qview")->property("mainChart"));
    ASSERT_TRUE(freshMain);
    // Every named output of every slot of every pane at each bar but the last.
    auto values = [](QObject* view) {
        std::vector<float> out;
        QObject* area = view->findChild<QObject*>("qview");
        QVariantList panes = list(area, "subCharts");
        panes.prepend(area->property("mainChart"));
        for (const QVariant& p : panes) {
            auto* pane = qobject_cast<QChart*>(p.value<QObject*>());
            for (const auto& slot : *pane->formulaLayer(0)) {
                FMLSelectedValue sel[64];
                for (int bar = 0; bar + 1 < pane->getPointCount(0); ++bar) {
                    const int n = fml_ctx_output_selected_value(slot->context, unsigned(bar), sel, 64);
                    for (int i = 0; i < n; ++i)
                        out.push_back(sel[i].value);
                }
            }
        }
        return out;
    };
    auto sameButTheLast = [&] {
        const std::vector<ChartBar>* a = main->getKData(0);
        const std::vector<ChartBar>* b = freshMain->getKData(0);
        if (!a || !b || a->size() != b->size() || a->size() < 31 || a->back().time != b->back().time)
            return false;
        if (std::memcmp(a->data(), b->data(), (a->size() - 1) * sizeof(ChartBar)) != 0)
            return false;
        const std::vector<float> x = values(v.root), y = values(fresh);
        return x.size() > 3 * a->size() && x.size() == y.size() &&
               std::memcmp(x.data(), y.data(), x.size() * sizeof(float)) == 0;
    };
    EXPECT_TRUE(waitFor(sameButTheLast, [&] {
        const std::vector<ChartBar>& a = *main->getKData(0);
        const std::vector<ChartBar>& b = *freshMain->getKData(0);
        std::size_t i = 0;
        while (i < a.size() && i < b.size() && std::memcmp(&a[i], &b[i], sizeof(ChartBar)) == 0)
            ++i;
        const std::vector<float> x = values(v.root), y = values(fresh);
        std::size_t j = 0;
        while (j < x.size() && j < y.size() && std::memcmp(&x[j], &y[j], sizeof(float)) == 0)
            ++j;
        return QString("%1 bars against %2 fresh, the same up to bar %3; %4 values against %5, the same up to %6")
            .arg(a.size())
            .arg(b.size())
            .arg(i)
            .arg(x.size())
            .arg(y.size())
            .arg(j);
    }));
    entry->params[0].value = paramWas;

    // Hidden: nothing is fetched beforehand, not even for a new stock;
    // shown again: the neighbours are fetched again.
    v.root->setProperty("visible", false);
    EXPECT_EQ(0, model->prefetchCount());
    call(v.root, "setQuery", route("kline", 33));
    EXPECT_EQ(0, model->prefetchCount());
    v.root->setProperty("visible", true);
    EXPECT_TRUE(waitFor([&] { return model->hasPrefetched("600002", 1) && model->hasPrefetched("600003", 1); }));
    EXPECT_TRUE(v.warnings.isEmpty()) << v.warnings.join("\n").toStdString();
}

// Page Down with nothing fetched beforehand: the sub panes stay, hold none
// of the previous stock's bars, codes or values while the new stock's reply
// is outstanding, and take its bars when it comes; in the minute line and
// the day K-line alike.
TEST(MQView, PageDownKeepsTheSubPanesButNotThePreviousStock)
{
    RUN_IN_OWN_PROCESS();
    struct Case {
        const char* chart;
        int cycle;
    };
    // One view goes through both cases (a chart kind of its own first).
    OpenView v;
    ASSERT_TRUE(v.open());
    QObject* hold = v.root->findChild<QObject*>("frameHold");
    ASSERT_TRUE(hold);
    hold->setProperty("limit", 60000);
    for (const Case& c : {Case{"mline", 0}, Case{"kline", 33}}) {
        SCOPED_TRACE(c.chart);
        // No list yet, so nothing is fetched beforehand.
        v.root->setProperty("stockList", QVariantList());
        call(v.root, "setQuery", route(c.chart, c.cycle));
        ASSERT_EQ(0, v.root->property("mqModel").value<MQModel*>()->prefetchCount());
        QChart* main = v.mainPane();
        ASSERT_TRUE(main);
        auto subs = [&] {
            QList<QChart*> out;
            for (const QVariant& p : v.subPanes())
                out << qobject_cast<QChart*>(p.value<QObject*>());
            return out;
        };
        auto slotCode = [](QChart* pane) {
            const CTXData* slot = pane->getCTXData(0);
            return slot ? QString::fromUtf8(slot->codeInfo.code) : QString("?");
        };
        auto described = [&] {
            QStringList out;
            for (QChart* p : subs())
                out << QString("%1: %2 bars of %3").arg(p->getMainName()).arg(p->getFirstKLineSize()).arg(slotCode(p));
            return QString("main %1 bars; ").arg(main->getFirstKLineSize()) + out.join(", ");
        };
        // Every sub pane holds the main pane's bars of the stock code.
        auto showing = [&](const char* code) {
            for (QChart* p : subs())
                if (slotCode(p) != code || p->getFirstKLineSize() != main->getFirstKLineSize())
                    return false;
            return main->getFirstKLineSize() > 1;
        };
        ASSERT_EQ(2, subs().size());
        ASSERT_TRUE(waitFor([&] { return showing("600001"); }, described));
        // An overlay stock on the first stock: the next one shows it once,
        // as a view opened on it would (the overlays are kept per chart kind).
        call(v.root, "superposition", "600003", 1);
        auto overlayCode = [&] {
            const CTXLayer* l = main->formulaLayer(1);
            return l && !l->empty() ? QString::fromUtf8((*l)[0]->codeInfo.code) : QString();
        };
        ASSERT_TRUE(waitFor([&] { return main->getKLineCount() == 2 && main->getPointCount(1) > 1; }));
        const QList<QChart*> before = subs();

        v.live.server.control("hold");
        ASSERT_TRUE(v.live.server.wait_line("holding"));
        v.root->setProperty("stockList", QVariantList{QVariantMap{{"code", "600001"}, {"market", 1}, {"name", "a"}},
                                                      QVariantMap{{"code", "600002"}, {"market", 1}, {"name", "b"}}});
        QKeyEvent press(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
        QCoreApplication::sendEvent(v.qview, &press);
        ASSERT_EQ("600002", v.root->property("query_map_").toMap()["code"].toString());
        ASSERT_EQ(before, subs()) << "the sub panes were made anew";
        for (QChart* p : subs()) {
            EXPECT_EQ(0, p->getFirstKLineSize()) << "bars of the previous stock in " << p->getMainName().toStdString();
            EXPECT_NE("600001", slotCode(p).toStdString());
            FMLSelectedValue sel[64];
            const CTXData* slot = p->getCTXData(0);
            ASSERT_TRUE(slot);
            EXPECT_EQ(0, fml_ctx_output_selected_value(slot->context, 0u, sel, 64))
                << "values of the previous stock in " << p->getMainName().toStdString();
        }
        EXPECT_TRUE(hold->property("holding").toBool()) << "nothing prefetched, yet the frame was let go";

        v.live.server.control("release");
        ASSERT_TRUE(v.live.server.wait_line("released"));
        EXPECT_TRUE(waitFor([&] { return showing("600002"); }, described));
        EXPECT_TRUE(waitFor(
            [&] { return main->getKLineCount() == 2 && main->getPointCount(1) > 1 && overlayCode() == "600003"; },
            [&] { return QString("%1 layers, overlay of %2").arg(main->getKLineCount()).arg(overlayCode()); }));
        call(v.root, "superposition", "", 0);
    }
    EXPECT_TRUE(v.warnings.isEmpty()) << v.warnings.join("\n").toStdString();
}

TEST(MQView, OpensFromATabRoute)
{
    RUN_IN_OWN_PROCESS();
    OpenView v;
    ASSERT_TRUE(v.open());
    v.view.setSource(QUrl("qrc:/qml/QTabView.qml"));
    ASSERT_TRUE(v.view.rootObject()) << v.warnings.join("\n").toStdString();
    QVariant item;
    QMetaObject::invokeMethod(v.view.rootObject(), "onAddModel", Q_RETURN_ARG(QVariant, item),
                              Q_ARG(QVariant, "沪市001"),
                              Q_ARG(QVariant,
                                    "app://qml/qml/MQView.qml?code=600001&market=1"
                                    "#chart=default&type=2&name=%E6%B2%AA%E5%B8%82001&pinyin=HS001"),
                              Q_ARG(QVariant, false));
    QObject* view = v.view.rootObject()->property("currentItem").value<QObject*>();
    ASSERT_TRUE(view);
    EXPECT_EQ("600001", view->property("query_map_").toMap()["code"].toString());
    auto* main = qvariant_cast<QChart*>(view->findChild<QObject*>("qview")->property("mainChart"));
    ASSERT_TRUE(main);
    EXPECT_EQ("mline", main->getLineType());
    ASSERT_TRUE(waitFor([&] { return main->getFirstKLineSize() > 1; })) << v.warnings.join("\n").toStdString();
    EXPECT_TRUE(v.warnings.isEmpty()) << v.warnings.join("\n").toStdString();
}

// A right click on the main pane opens the chart menu; its routes reach the
// chart kind, the crosshair, the price adjustment, hold and the overlay picker.
TEST(MQView, ChartMenuRoutes)
{
    RUN_IN_OWN_PROCESS();
    OpenView v;
    ASSERT_TRUE(v.open());
    call(v.root, "setQuery", route("kline", 33));
    QChart* main = v.mainPane();
    ASSERT_TRUE(main);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&v.view));
    QObject* menu = v.root->property("chartMenu").value<QObject*>()->property("menu").value<QObject*>();
    ASSERT_TRUE(menu);
    const QPoint at = main->mapToScene(QPointF(main->width() / 2, main->height() / 2)).toPoint();
    QTest::mousePress(&v.view, Qt::RightButton, Qt::NoModifier, at);
    QTest::mouseRelease(&v.view, Qt::RightButton, Qt::NoModifier, at);
    ASSERT_TRUE(waitFor([&] { return menu->property("opened").toBool(); }));
    QStringList names;
    for (const QVariant& e : menu->property("entries").value<QJSValue>().toVariant().toList())
        names << e.toMap()["name"].toString();
    // No dictionary row here: the stock type is unknown, so F10 without F9.
    EXPECT_EQ("查看分时|显示十字线||图文F10||添加自选|叠加品种||除复权|平移K线", names.join('|').toStdString());
    QMetaObject::invokeMethod(menu, "close");

    const auto choose = [&](const char* key) { call(menu, "choose", QString("app://curview/?") + key); };
    choose("active=crosshair#crosshair=true");
    EXPECT_TRUE(main->getShowCrosshairLine());
    choose("active=crosshair#crosshair=false");
    EXPECT_FALSE(main->getShowCrosshairLine());
    choose("active=hold#hold=true");
    EXPECT_TRUE(main->property("hold").toBool());
    choose("#kcmd=fd");
    EXPECT_EQ("fd", v.root->property("query_map_").toMap()["kcmd"].toString());
    EXPECT_EQ("kline", v.root->property("chartKind").toString());
    choose("active=add_kline&market=0&code=*");
    auto* picker = v.root->property("superEdit").value<QObject*>();
    ASSERT_TRUE(picker);
    EXPECT_TRUE(picker->property("opened").toBool() || picker->property("visible").toBool());
    choose("#chart=mline");
    EXPECT_EQ("mline", v.root->property("chartKind").toString());
    EXPECT_TRUE(v.warnings.isEmpty()) << v.warnings.join("\n").toStdString();
}

TEST(MQViewScreenshot, DayKLinesWithChipsAndMinutesWithThePricePanel)
{
    RUN_IN_OWN_PROCESS();
    if (QGuiApplication::platformName() == "offscreen")
        GTEST_SKIP() << "runs as charts.mqview_screenshot on the virtual display";
    OpenView v;
    ASSERT_TRUE(v.open());
    call(v.root, "setQuery", route("kline", 33));
    call(v.root, "showChip", true);
    QChart* main = v.mainPane();
    ASSERT_TRUE(main);
    ASSERT_TRUE(waitFor([&] { return main->getFirstKLineSize() > 20; }));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&v.view));
    // Up-red and down-green candles in the main pane's plot, left of the chip
    // panel, and the panel's chips (white or yellow lines) beside them, once
    // the price record and the last paint are in.
    QImage shot;
    int red = 0, green = 0, chips = 0;
    EXPECT_TRUE(waitFor(
        [&] {
            shot = v.view.grabWindow();
            red = green = chips = 0;
            for (int y = 80; y < 400 && !shot.isNull(); ++y) {
                for (int x = 70; x < 720; ++x) {
                    const QColor c = shot.pixelColor(x, y);
                    red += c.red() > 150 && c.green() < 90;
                    green += c.green() > 150 && c.red() < 60;
                }
                for (int x = 785; x < 990; ++x)
                    chips += shot.pixelColor(x, y).red() > 200 && shot.pixelColor(x, y).green() > 200;
            }
            return red > 100 && green > 100 && chips > 500;
        },
        [&] { return QString("%1 red, %2 green, %3 chip pixels").arg(red).arg(green).arg(chips); }));
    ASSERT_FALSE(shot.isNull());
    const QString dir = QString(TARVOLIN_BIN_DIR) + "/../screenshots";
    QDir().mkpath(dir);
    EXPECT_TRUE(shot.save(dir + "/stock-kline.png"));

    // The same stock's minute chart from the minute button.
    call(v.root, "activeFlag", "app://curview/?#chart=mline");
    ASSERT_TRUE(waitFor([&] { return main->getLineType() == "mline" && main->getFirstKLineSize() > 1; }));
    // The view pushes on: a picture drawn since the K-lines', not a settled one.
    QImage minute;
    EXPECT_TRUE(waitFor([&] { return !(minute = v.view.grabWindow()).isNull() && minute != shot; }));
    EXPECT_TRUE(minute.save(dir + "/stock-minute.png"));

    // An index: its minute chart beside the index panel with the market statistics.
    ServerProcess backend("backend", {});
    ASSERT_GT(backend.port(), 0);
    addBackendAddresses(backend.port(), {"market_total"});
    call(v.root, "setQuery",
         QVariantMap{{"code", "1A0001"}, {"market", "1"}, {"type", "1"}, {"name", "上证指数"}, {"chart", "mline"}});
    auto* panel = v.root->findChild<QObject*>("priceIndexView");
    ASSERT_TRUE(panel);
    ASSERT_TRUE(waitFor([&] {
        return main->getFirstKLineSize() > 1 && rowsOf(panel->property("sectionModel").value<QObject*>()).size() == 12;
    }));
    QImage index;
    EXPECT_TRUE(waitFor([&] { return !(index = v.view.grabWindow()).isNull() && index != minute; }));
    EXPECT_TRUE(index.save(dir + "/stock-index.png"));
    EXPECT_TRUE(v.warnings.isEmpty()) << v.warnings.join("\n").toStdString();
}
