#include <gtest/gtest.h>

#include <QJsonObject>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQmlExpression>
#include <QQuickItem>
#include <QQuickView>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <algorithm>

#include "ctxrecorder.h"
#include "livetest.h"
#include "models/groupstore.h"
#include "ownprocess.h"
#include "shell/qbaseservice.h"

// The home view against the local quote server and back end: the layout, the
// my-stock table of the first group, the index tiles and their chart, the
// concept board, the four distributions refreshed while visible only, and
// every subscription started and stopped with the visibility.
namespace {

class HomeLive : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testsupport::prepareLiveScreens(); }
    void SetUp() override
    {
        SET_UP_IN_OWN_PROCESS();
        ASSERT_TRUE(live_.start());
    }

    testsupport::LiveQuoteEngine live_;
};

}  // namespace

TEST_F(HomeLive, ShowsEveryPartWhileVisible)
{
    RUN_IN_OWN_PROCESS();
    ServerProcess backend("backend", {"--quote-url", "tcp://127.0.0.1:" + std::to_string(live_.server.port()) +
                                                         "/?auto_delay=1000&encrypt_key=varnoquel"});
    ASSERT_GT(backend.port(), 0);
    QJsonObject urls = QBaseService().getServerAddressValue("url").toJsonObject();
    urls["market_total"] = QString("http://127.0.0.1:%1/api/market_total").arg(backend.port());
    QBaseService().setServerAddress(QJsonObject{{"url", urls}});
    // The user's first group, as the sign-in would have stored it.
    ASSERT_TRUE(GroupStore::instance(GroupStore::MyStock)
                    .fromJson(R"({"result":[{"group_id":"1","group_name":"自选股","codes":[)"
                              R"({"code":"600001","market_id":"1"},{"code":"000002","market_id":"2"}]}]})"));

    testsupport::LiveView view;
    ASSERT_TRUE(view.load(QUrl("qrc:/qml/HomeView.qml"), 1600, 860)) << view.log();
    view.show();
    QQuickItem* root = view.rootObject();
    auto eval = [&](const char* js) { return QQmlExpression(view.rootContext(), root, js).evaluate(); };
    eval("sectionView.refreshInterval = 100");

    // Columns: min(w / 4, 410), max(w / 2, 650), the rest.
    EXPECT_EQ(400, eval("columns.left").toInt());
    EXPECT_EQ(800, eval("columns.middle").toInt());
    EXPECT_EQ(400, eval("columns.right").toInt());
    EXPECT_EQ(1202, eval("sectionView.x").toInt());

    // The table holds the group's two stocks; the five index tiles and the
    // concept tiles fill; the chart shows the composite until a tile is clicked.
    ASSERT_TRUE(testsupport::waitFor([&] {
        return eval("myStock.table_model.rowCount()").toInt() == 2 &&
               eval("priceBoard.boardModel.indexBoard.length").toInt() == 5 &&
               eval("priceBoard.boardModel.indexBoard[4].close").toDouble() > 0 &&
               eval("conceptBoard.boardModel.indexBoard.length").toInt() > 0 &&
               eval("sectionView.models[0].count").toInt() > 0 &&
               // laid out: the third tile placed, the first concept tile made
               eval("priceBoard.tileAt(2) !== null && priceBoard.tileAt(2).x > 0 && conceptBoard.tileAt(0) !== null")
                   .toBool();
    })) << view.log();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    EXPECT_EQ("600001", eval("myStock.table_model.getCodeInfo(0).code").toString());
    EXPECT_EQ("600001", eval("curCodeInfo_.code").toString());
    EXPECT_EQ("1A0001", eval("indexChart.codeInfo.code").toString());
    EXPECT_EQ("1A0001", eval("priceBoard.getCurCodeInfo().code").toString());

    // A tile click shows that index; a double click asks for its chart view.
    auto* tile = eval("priceBoard.tileAt(2)").value<QQuickItem*>();
    ASSERT_TRUE(tile);
    const QString tileCode = eval("priceBoard.boardModel.indexBoard[2].code").toString();
    const QPoint centre = tile->mapToScene(QPointF(tile->width() / 2, tile->height() / 2)).toPoint();
    QTest::mouseClick(&view, Qt::LeftButton, Qt::NoModifier, centre);
    EXPECT_EQ(tileCode, eval("indexChart.codeInfo.code").toString());
    EXPECT_EQ(tileCode, eval("priceBoard.getCurCodeInfo().code").toString());
    QSignalSpy opened(root, SIGNAL(changeToMQView(QVariant)));
    QTest::mouseDClick(&view, Qt::LeftButton, Qt::NoModifier, centre);
    ASSERT_GE(opened.size(), 1);
    EXPECT_EQ(tileCode, opened.last().at(0).value<QJSValue>().property("code").toString());

    // Concept tiles take the colour of their change rate (read in one go: the
    // board moves with the pushes); a double click opens a block of the board.
    EXPECT_TRUE(
        eval("Qt.colorEqual(conceptBoard.tileAt(0).color, conceptBoard.colorOf(conceptBoard.tileAt(0).b.rf_rate))")
            .toBool());
    auto* concept = eval("conceptBoard.tileAt(0)").value<QQuickItem*>();
    ASSERT_TRUE(concept);
    QTest::mouseDClick(&view, Qt::LeftButton, Qt::NoModifier,
                       concept->mapToScene(QPointF(concept->width() / 2, concept->height() / 2)).toPoint());
    const QString block = opened.last().at(0).value<QJSValue>().property("code").toString();
    EXPECT_TRUE(
        eval(qPrintable("(function () { var l = conceptBoard.boardModel.indexBoard; for (var i = 0; i < l.length; ++i)"
                        " if (l[i].code === '" +
                        block + "') return true; return false; })()"))
            .toBool())
        << block.toStdString();

    // Four panels of twelve rows each; the whole market counts the sum of
    // Shanghai and Shenzhen in every bucket; shares of each panel's largest.
    ASSERT_TRUE(testsupport::waitFor([&] {
        for (int k = 0; k < 4; ++k)
            if (eval(qPrintable(QString("sectionView.models[%1].count").arg(k))).toInt() != 12)
                return false;
        return true;
    }));
    double largest = 0;
    for (int i = 0; i < 12; ++i) {
        const auto at = [&](int k, const char* role) {
            return eval(qPrintable(QString("sectionView.models[%1].get(%2).%3").arg(k).arg(i).arg(role))).toDouble();
        };
        EXPECT_EQ(at(0, "count"), at(1, "count") + at(2, "count")) << i;
        largest = std::max(largest, at(0, "count"));
    }
    ASSERT_GT(largest, 0);
    EXPECT_DOUBLE_EQ(eval("sectionView.models[0].get(3).count").toDouble() / largest,
                     eval("sectionView.models[0].get(3).ratio").toDouble());

    {
        const QImage image = testsupport::grabItem(root);
        ASSERT_FALSE(image.isNull());
        testsupport::saveScreenshot(image, "home-live.png");
    }

    // The distributions refresh on their timer while visible, one request a
    // tick...
    QObject* sectionView = eval("sectionView").value<QObject*>();
    ASSERT_TRUE(sectionView);
    QObject* refreshTimer = sectionView->findChild<QObject*>("refreshTimer");
    ASSERT_TRUE(refreshTimer);
    QSignalSpy requests(refreshTimer, SIGNAL(triggered()));
    ASSERT_TRUE(testsupport::waitFor([&] { return requests.size() >= 3; }));
    // ...and not at all while hidden, whatever time passes (twenty of its periods).
    root->setVisible(false);
    const int hidden = requests.size();
    QTimer ticks;
    QSignalSpy tickSpy(&ticks, &QTimer::timeout);
    ticks.start(100);
    ASSERT_TRUE(testsupport::waitFor([&] { return tickSpy.size() >= 20; }));
    EXPECT_EQ(hidden, requests.size());
    // Shown again, everything asks at once.
    root->setVisible(true);
    ASSERT_TRUE(testsupport::waitFor([&] { return requests.size() > hidden; }));
    EXPECT_TRUE(view.warnings.isEmpty()) << view.log();
}

// Every subscription follows the visibility: hidden, the table, both boards
// and the chart's minute context are cancelled and nothing is asked; shown,
// all of them ask again. Recorded through the library's context calls.
TEST(HomeSubscriptions, FollowTheVisibility)
{
    RUN_IN_OWN_PROCESS();
    QQuickWindow::setSceneGraphBackend(QSGRendererInterface::Software);
    auto& formulas = formula::FormulaService::instance();
    if (!formulas.find("KLINE"))
        formula::registerStandardFormulas(formulas);
    registerQmlTypes();
    ASSERT_TRUE(GroupStore::instance(GroupStore::MyStock)
                    .fromJson(R"({"result":[{"group_id":"1","group_name":"自选股","codes":[)"
                              R"({"code":"600001","market_id":"1"}]}]})"));
    rec::calls.clear();
    setQuoteApi(&rec::api);
    {
        testsupport::LiveView view;
        ASSERT_TRUE(view.load(QUrl("qrc:/qml/HomeView.qml"), 1280, 700)) << view.log();
        view.show();
        auto count = [](const char* what) {
            return int(std::count_if(rec::calls.begin(), rec::calls.end(),
                                     [&](const std::string& c) { return c.rfind(what, 0) == 0; }));
        };
        // Table, index tiles, concept board and the chart's minutes.
        ASSERT_TRUE(testsupport::waitFor([&] { return count("subscribe ") >= 4; }));
        rec::calls.clear();
        view.rootObject()->setVisible(false);
        EXPECT_GE(count("cancel "), 3);   // table and both boards
        EXPECT_GE(count("release "), 1);  // the minute context is dropped
        EXPECT_EQ(0, count("subscribe "));
        rec::calls.clear();
        view.rootObject()->setVisible(true);
        EXPECT_GE(count("subscribe "), 4);
    }
    setQuoteApi(nullptr);
}
