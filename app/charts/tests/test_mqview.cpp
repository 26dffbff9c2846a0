// The stock view MQView.qml against the local quote server: a route opens the
// stock's minute chart with the default layout's panes, a cycle button brings
// its day K-lines, keys zoom and the sub-chart bar adds a pane. Under a real
// display the window is kept as build/screenshots/mqview.png.
#include <gtest/gtest.h>

#include <QDir>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QTest>

#include <memory>

#include "chartfixtures.h"
#include "charts/qchart.h"
#include "livequotes.h"
#include "serverprocess.h"
#include "shell/hfileio.h"
#include "shell/qmltypes.h"
#include "shell/quotethread.h"

namespace {

template <class Pred>
bool waitFor(Pred done)
{
    for (int i = 0; i < 150 && !done(); ++i)
        QTest::qWait(100);
    return done();
}

QVariant call(QObject* o, const char* fn, const QVariant& a = QVariant())
{
    QVariant r;
    if (a.isValid())
        QMetaObject::invokeMethod(o, fn, Q_RETURN_ARG(QVariant, r), Q_ARG(QVariant, a));
    else
        QMetaObject::invokeMethod(o, fn, Q_RETURN_ARG(QVariant, r));
    return r;
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
    QuoteServerProcess server;
    std::unique_ptr<QuoteEngineThread> thread;
    QQuickView view;
    QObject* root = nullptr;
    QObject* qview = nullptr;
    QStringList warnings;

    bool open()
    {
        ensureStandardCatalogue();
        auto& service = formula::FormulaService::instance();
        if (!service.find("Sulvane"))
            formula::registerOwnFormulas(service);
        if (server.port() <= 0)
            return false;
        testsupport::pointQuoteEngineAt(server.port());
        registerQmlTypes();
        thread = std::make_unique<QuoteEngineThread>();
        thread->start();
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
    ~OpenView()
    {
        if (thread)
            thread->stop();
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

QVariantMap route(const char* chart, int cycle = 0)
{
    QVariantMap q{{"code", "600001"}, {"market", "1"}, {"type", "2"}, {"name", "沪市001"}, {"chart", chart}};
    if (cycle)
        q["cycle"] = QString::number(cycle);
    return q;
}

}  // namespace

TEST(MQView, MinuteAndKLinePanesFromTheLayout)
{
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

    // The sub-chart bar adds MACD as a third pane and keeps it in the layout;
    // pressing it again removes both.
    call(v.root, "toggleSubChart", "MACD");
    EXPECT_EQ((QStringList{"Lumeth", "KD", "MACD"}), v.subNames());
    EXPECT_TRUE(HFileIO::readData("formula_map.json").contains("MACD"));
    call(v.root, "toggleSubChart", "MACD");
    EXPECT_EQ((QStringList{"Lumeth", "KD"}), v.subNames());

    // The main-chart drop-down replaces the overlay formula; a formula group
    // sets the main formula and the first sub pane.
    call(v.root, "setMainFormula", "BOLL");
    EXPECT_EQ((QStringList{"KLINE", "BOLL"}), layerZero(main));
    call(v.root, "setFormulaGroup", "Sulvane");
    EXPECT_EQ((QStringList{"KLINE", "Sulvane"}), layerZero(main));
    EXPECT_EQ((QStringList{"Lumeth", "KD"}), v.subNames());
    const QJsonObject kline =
        QJsonDocument::fromJson(HFileIO::readData("formula_map.json").toUtf8()).object()["kline"].toObject();
    EXPECT_EQ(2, kline["main_charts"].toArray().size());
    EXPECT_EQ("Sulvane", kline["main_charts"].toArray()[1].toObject()["fname"].toString());
    ASSERT_EQ(1, kline["sub_charts"].toArray().size());
    EXPECT_EQ("Lumeth", kline["sub_charts"].toArray()[0].toObject()["fname"].toString());

    // An overlay stock gets a second layer with its own bars; an empty code
    // clears the overlays again.
    call(v.root, "superposition", "600002", 1);
    ASSERT_TRUE(waitFor([&] { return main->getKLineCount() == 2 && main->getPointCount(1) > 20; }));
    EXPECT_TRUE(HFileIO::readData("superposition.json").contains("600002"));
    call(v.root, "superposition", "", 0);
    EXPECT_EQ(1, main->getKLineCount());
    EXPECT_FALSE(HFileIO::readData("superposition.json").contains("600002"));

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

// The main window's tab area opens the view from its route and hands it the
// route's query.
TEST(MQView, OpensFromATabRoute)
{
    OpenView v;
    ASSERT_TRUE(v.open());
    v.view.setSource(QUrl("qrc:/qml/QTabView.qml"));
    ASSERT_TRUE(v.view.rootObject()) << v.warnings.join("\n").toStdString();
    QVariant item;
    QMetaObject::invokeMethod(v.view.rootObject(), "onAddModel", Q_RETURN_ARG(QVariant, item),
                              Q_ARG(QVariant, "沪市001"),
                              Q_ARG(QVariant, "app://qml/qml/MQView.qml?code=600001&market=1"
                                              "#chart=default&type=2&name=%E6%B2%AA%E5%B8%82001&pinyin=HS001"),
                              Q_ARG(QVariant, false));
    QObject* view = v.view.rootObject()->property("currentItem").value<QObject*>();
    ASSERT_TRUE(view);
    EXPECT_EQ("600001", view->property("query_map_").toMap()["code"].toString());
    auto* main = qvariant_cast<QChart*>(view->findChild<QObject*>("qview")->property("mainChart"));
    ASSERT_TRUE(main);
    EXPECT_EQ("mline", main->getLineType());
    ASSERT_TRUE(waitFor([&] { return main->getFirstKLineSize() > 1; }));
    EXPECT_TRUE(v.warnings.isEmpty()) << v.warnings.join("\n").toStdString();
}

TEST(MQViewScreenshot, DayKLinesWithThePricePanel)
{
    if (QGuiApplication::platformName() == "offscreen")
        GTEST_SKIP() << "runs as charts.mqview_screenshot on the virtual display";
    OpenView v;
    ASSERT_TRUE(v.open());
    call(v.root, "setQuery", route("kline", 33));
    QChart* main = v.mainPane();
    ASSERT_TRUE(main);
    ASSERT_TRUE(waitFor([&] { return main->getFirstKLineSize() > 20; }));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&v.view));
    QTest::qWait(800);  // the price record and the last paint
    const QImage shot = v.view.grabWindow();
    ASSERT_FALSE(shot.isNull());
    const QString dir = QString(TARVOLIN_BIN_DIR) + "/../screenshots";
    QDir().mkpath(dir);
    EXPECT_TRUE(shot.save(dir + "/mqview.png"));
    // Up-red and down-green candles in the main pane's plot.
    int red = 0, green = 0;
    for (int y = 80; y < 400; y += 2)
        for (int x = 100; x < 900; x += 2) {
            const QColor c = shot.pixelColor(x, y);
            red += c.red() > 150 && c.green() < 90;
            green += c.green() > 150 && c.red() < 60;
        }
    EXPECT_GT(red, 100);
    EXPECT_GT(green, 100);

    // The same stock's minute chart from the minute button.
    call(v.root, "activeFlag", "app://curview/?#chart=mline");
    ASSERT_TRUE(waitFor([&] { return main->getLineType() == "mline" && main->getFirstKLineSize() > 1; }));
    QTest::qWait(500);
    EXPECT_TRUE(v.view.grabWindow().save(dir + "/mqview-minute.png"));
    EXPECT_TRUE(v.warnings.isEmpty()) << v.warnings.join("\n").toStdString();
}
