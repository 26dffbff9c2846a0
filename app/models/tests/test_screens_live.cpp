#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QQmlContext>
#include <QQmlEngine>
#include <QJSValue>
#include <QQmlExpression>
#include <QQuickItem>
#include <QQuickItemGrabResult>
#include <QQuickView>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

#include "formulas/formulaservice.h"
#include "livequotes.h"
#include "serverprocess.h"
#include "shell/qmltypes.h"
#include "shell/quotethread.h"

// The ranking screen and the top-list monitor with live rows from the local
// quote server, drawn by the software renderer and kept as screenshots under
// the build tree's screenshots/ folder.
namespace {

class LiveScreens : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        QQuickWindow::setSceneGraphBackend(QSGRendererInterface::Software);
        registerQmlTypes();
        // The chart panes draw with the standard catalogue, as the program loads it.
        auto& formulas = formula::FormulaService::instance();
        if (!formulas.find("KLINE"))
            formula::registerStandardFormulas(formulas);
    }
    void SetUp() override
    {
        ASSERT_GT(server_.port(), 0);
        testsupport::pointQuoteEngineAt(server_.port());
        thread_.start();
    }
    void TearDown() override { thread_.stop(); }

    // Loads a screen, queries it, waits for rows in `probe` (a table found
    // by the JavaScript expression) and saves the picture.
    void shoot(const QString& doc, const QVariantMap& query, const char* probe, const QString& file,
               int chartsWithBars = 0)
    {
        QQuickView view;
        view.setResizeMode(QQuickView::SizeRootObjectToView);
        view.resize(1400, 860);
        view.setSource(QUrl("qrc:/qml/" + doc));
        ASSERT_EQ(QQuickView::Ready, view.status()) << doc.toStdString();
        view.show();
        QQuickItem* root = view.rootObject();
        QMetaObject::invokeMethod(root, "setQuery", Q_ARG(QVariant, query));
        QQmlExpression rows(view.rootContext(), root, probe);
        for (int i = 0; i < 100 && rows.evaluate().toInt() == 0; ++i)
            QTest::qWait(100);
        EXPECT_GT(rows.evaluate().toInt(), 0) << doc.toStdString();
        // The first row's stock and its market index reach the chart panes.
        auto filled = [root] {
            int n = 0;
            for (QObject* c : root->findChildren<QObject*>("IndexChartView")) {
                int bars = 0;
                QMetaObject::invokeMethod(c, "getFirstKLineSize", Q_RETURN_ARG(int, bars));
                n += bars > 0;
            }
            return n;
        };
        for (int i = 0; i < 100 && filled() < chartsWithBars; ++i)
            QTest::qWait(100);
        EXPECT_GE(filled(), chartsWithBars) << doc.toStdString();
        QTest::qWait(300);
        QSharedPointer<QQuickItemGrabResult> grab = root->grabToImage();
        ASSERT_TRUE(grab);
        bool ready = false;
        QObject::connect(grab.data(), &QQuickItemGrabResult::ready, [&ready] { ready = true; });
        for (int i = 0; i < 50 && !ready; ++i)
            QTest::qWait(100);
        const QImage image = grab->image();
        ASSERT_FALSE(image.isNull());
        const QString dir = QString(TARVOLIN_BIN_DIR) + "/../screenshots";
        QDir().mkpath(dir);
        EXPECT_TRUE(image.save(dir + "/" + file));
        // Something but the background was drawn: a quote cell's gold text.
        bool gold = false;
        for (int y = 0; y < image.height() && !gold; y += 2)
            for (int x = 0; x < image.width() && !gold; x += 1)
            {
                const QColor c = image.pixelColor(x, y);
                gold = c.red() > 220 && c.green() > 170 && c.green() < 205 && c.blue() < 110;
            }
        EXPECT_TRUE(gold) << file.toStdString();
    }

    QuoteServerProcess server_;
    QuoteEngineThread thread_;
};

}  // namespace

TEST_F(LiveScreens, RankingAndMonitorScreenshots)
{
    shoot("QRankingView.qml", {{"tab", "1100"}, {"block", "1101"}, {"field", "34"}, {"sort", "0"}},
          "table.table_model.rowCount()", "ranking.png", 2);
    shoot("QMarketTopMonitor.qml", {{"tab", "1100"}, {"block", "1101"}}, "table(8).table_model.rowCount()",
          "monitor.png");
}

// Stepping past the last row of a page turns the page and selects its first
// row; stepping back before the first row turns back and selects the last.
TEST_F(LiveScreens, RowSteppingTurnsPages)
{
    QQuickView view;
    view.setResizeMode(QQuickView::SizeRootObjectToView);
    view.resize(900, 300);
    view.setSource(QUrl("qrc:/qml/QRTableView.qml"));
    ASSERT_EQ(QQuickView::Ready, view.status());
    view.show();
    QQuickItem* root = view.rootObject();
    QVariantMap query{{"block", 1101}, {"field", 34}, {"sort", 0}, {"page_size", 5}};
    QMetaObject::invokeMethod(root, "setQuery", Q_ARG(QVariant, query));
    QQmlExpression first(view.rootContext(), root, "table_model.rowCount() > 0 ? table_model.getRowColumnData(0, 0) : ''");
    QQmlExpression select(view.rootContext(), root, "table.selectIndex");
    auto waitFirst = [&](const QString& want) {
        for (int i = 0; i < 100 && first.evaluate().toString() != want; ++i)
            QTest::qWait(50);
        return first.evaluate().toString();
    };
    ASSERT_EQ("1", waitFirst("1"));

    QQmlExpression(view.rootContext(), root, "table.selectIndex = 4").evaluate();
    QQuickItem* table = root->property("table").value<QQuickItem*>();
    ASSERT_NE(nullptr, table);
    table->forceActiveFocus();
    QTest::keyClick(&view, Qt::Key_Down);
    EXPECT_EQ(0, select.evaluate().toInt());
    EXPECT_EQ("6", waitFirst("6"));

    QTest::keyClick(&view, Qt::Key_Up);   // from row 0 back to the previous page's last row
    EXPECT_EQ(4, select.evaluate().toInt());
    EXPECT_EQ("1", waitFirst("1"));

    // The wheel steps rows as the keys do.
    QTest::keyClick(&view, Qt::Key_Down);  // wraps to the next page again
    EXPECT_EQ("6", waitFirst("6"));
    QWheelEvent down(QPointF(300, 100), view.mapToGlobal(QPoint(300, 100)), QPoint(), QPoint(0, -120), Qt::NoButton,
                     Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&view, &down);
    EXPECT_EQ(1, select.evaluate().toInt());
}

// A right click on a ranking row opens the row menu for that row's stock; on
// a chart pane it opens the mini chart's indicator menu.
TEST_F(LiveScreens, RightClicksOpenTheirMenus)
{
    QQuickView view;
    view.setResizeMode(QQuickView::SizeRootObjectToView);
    view.resize(1400, 860);
    view.setSource(QUrl("qrc:/qml/QRankingView.qml"));
    ASSERT_EQ(QQuickView::Ready, view.status());
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    QQuickItem* root = view.rootObject();
    const QVariantMap query{{"block", "1101"}, {"field", "34"}, {"sort", "0"}};
    QMetaObject::invokeMethod(root, "setQuery", Q_ARG(QVariant, query));
    QQmlExpression rows(view.rootContext(), root, "table.table_model.rowCount()");
    for (int i = 0; i < 100 && rows.evaluate().toInt() < 3; ++i)
        QTest::qWait(100);
    ASSERT_GE(rows.evaluate().toInt(), 3);

    QQmlExpression rowY(view.rootContext(), root, "table.table.header_height + table.table.rowHeight * 2.5");
    QTest::mouseClick(&view, Qt::RightButton, Qt::NoModifier, QPoint(200, rowY.evaluate().toInt()));
    QQmlExpression menu(view.rootContext(), root, "table.table.rMenu");
    QObject* rMenu = menu.evaluate().value<QObject*>();
    ASSERT_TRUE(rMenu);
    for (int i = 0; i < 50 && !rMenu->property("opened").toBool(); ++i)
        QTest::qWait(20);
    EXPECT_TRUE(rMenu->property("opened").toBool());
    const QVariantList entries = rMenu->property("entries").value<QJSValue>().toVariant().toList();
    ASSERT_GT(entries.size(), 3);
    const QString code = QQmlExpression(view.rootContext(), root, "table.table_model.getCodeInfo(2).code").evaluate().toString();
    EXPECT_TRUE(entries.at(2).toMap()["key"].toString().contains("code=" + code + "&")) << code.toStdString();
    QMetaObject::invokeMethod(rMenu, "close");

    QQuickItem* pane = root->findChild<QQuickItem*>("IndexChartView");
    ASSERT_TRUE(pane);
    int bars = 0;
    for (int i = 0; i < 100 && bars == 0; ++i) {
        QMetaObject::invokeMethod(pane, "getFirstKLineSize", Q_RETURN_ARG(int, bars));
        QTest::qWait(50);
    }
    const QPointF mid = pane->mapToScene(QPointF(pane->width() / 2, pane->height() / 2));
    QTest::mouseClick(&view, Qt::RightButton, Qt::NoModifier, mid.toPoint());
    QObject* formulaMenu = root->findChild<QObject*>("formulaMenu");
    ASSERT_TRUE(formulaMenu);
    for (int i = 0; i < 50 && !formulaMenu->property("opened").toBool(); ++i)
        QTest::qWait(20);
    EXPECT_TRUE(formulaMenu->property("opened").toBool());
}
