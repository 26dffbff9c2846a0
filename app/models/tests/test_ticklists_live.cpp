#include <gtest/gtest.h>

#include <QImage>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQmlExpression>
#include <QQuickItem>
#include <QQuickView>
#include <QSignalSpy>
#include <QTest>

#include <set>

#include "livetest.h"
#include "models/mqmodel.h"
#include "models/pricemodel.h"
#include "models/qdetailedmodel.h"
#include "models/qstocktipmodel.h"
#include "ownprocess.h"

// Tick details and stock tips against the local quote server through MQModel,
// and the screens that show them, kept as screenshots.
namespace {

class LiveTicks : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testsupport::prepareLiveScreens(true); }
    void SetUp() override
    {
        SET_UP_IN_OWN_PROCESS();
        ASSERT_TRUE(live_.start());
    }

    testsupport::LiveQuoteEngine live_;
};

// Pixels of one colour (within a small distance) in a rectangle.
int pixelsNear(const QImage& image, const QRect& r, const QColor& c)
{
    int n = 0;
    const QRect area = r.intersected(image.rect());
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor p = image.pixelColor(x, y);
            n += std::abs(p.red() - c.red()) + std::abs(p.green() - c.green()) + std::abs(p.blue() - c.blue()) < 40;
        }
    return n;
}

// item's rectangle in root's coordinates (whole pixels).
QRect areaIn(QQuickItem* root, QQuickItem* item)
{
    const QPointF at = item->mapToItem(root, QPointF(0, 0));
    return QRect(int(at.x()), int(at.y()), int(item->width()), int(item->height()));
}

}  // namespace

// A stock's details arrive and grow with a later page; its price record and
// the details agree on the reference price; tips of a block and of one stock
// arrive in front, coloured by kind.
TEST_F(LiveTicks, DetailsAndTipsThroughMQModel)
{
    RUN_IN_OWN_PROCESS();
    MQModel mq;
    PriceModel price;
    QDetailedModel details;
    QStockTipModel tips;
    price.bindDataSignal(&mq);
    details.bindDataSignal(&mq);
    tips.bindDataSignal(&mq);
    QSignalSpy updated(&details, &QDetailedModel::dataUpdated);

    mq.getPriceData("600001", 1);
    mq.getDetailData("600001", 1, 0, 50);
    ASSERT_TRUE(testsupport::waitFor([&] { return details.rowCount() == 50 && !price.code().isEmpty(); }))
        << details.rowCount();
    EXPECT_EQ(0, updated.first().at(0).toInt());
    EXPECT_FLOAT_EQ(price.pre_close(), details.getItem(0, QDetailedModel::PreCloseRole).toFloat());
    EXPECT_EQ(price.decimal() ? price.decimal() : 2, details.getDecimal());
    for (int i = 1; i < 50; ++i)
        EXPECT_GE(details.rows()[size_t(i)].time, details.rows()[size_t(i) - 1].time) << i;
    const uint32_t last = details.rows().back().time;

    // The next page is appended after the rows already there.
    mq.getDetailData("600001", 1, 50, 50);
    ASSERT_TRUE(testsupport::waitFor([&] { return details.rowCount() == 100; })) << details.rowCount();
    EXPECT_GT(details.rows()[50].time, last);
    EXPECT_EQ(50, updated.last().at(0).toInt());

    // Asked again from the start, the same trades replace the list.
    mq.getDetailData("600001", 1, 0, 20);
    ASSERT_TRUE(testsupport::waitFor([&] { return details.rowCount() == 20; })) << details.rowCount();

    // The day's last rows (a negative first row).
    details.clearData();
    mq.getDetailData("600001", 1, -1, 30);
    ASSERT_TRUE(testsupport::waitFor([&] { return details.rowCount() == 30; })) << details.rowCount();
    EXPECT_GT(details.rows().front().time, last);

    mq.getStockTipData(1110, 10);
    ASSERT_TRUE(testsupport::waitFor([&] { return tips.count() >= 10; })) << tips.count();
    const std::set<QString> colours = {"#FF3D3D", "#0FC351", "#006AFF", "#008080", "#ffffff"};
    for (int i = 0; i < tips.count(); ++i) {
        EXPECT_TRUE(colours.count(tips.getItem(i, QStockTipModel::TextColorRole).toString())) << i;
        EXPECT_FALSE(tips.getItem(i, QStockTipModel::CodeRole).toString().isEmpty()) << i;
        EXPECT_FALSE(tips.getItem(i, QStockTipModel::NameRole).toString().isEmpty()) << i;
    }
    mq.cancelStockTip();
    tips.clearData();
    mq.getStockTipData("600001", 1, 5);
    ASSERT_TRUE(testsupport::waitFor([&] { return tips.count() >= 1; }));
    for (int i = 0; i < tips.count(); ++i)
        EXPECT_EQ("600001", tips.getItem(i, QStockTipModel::CodeRole).toString());
}

// The quote panel's tick list fills with the day's last trades and pages to
// the end; kept as ticks.png.
TEST_F(LiveTicks, QuotePanelTickList)
{
    RUN_IN_OWN_PROCESS();
    testsupport::LiveView view;
    const QString doc = QString(TARVOLIN_SOURCE_DIR) + "/app/models/tests/qml/TickScreens.qml";
    ASSERT_TRUE(view.load(QUrl::fromLocalFile(doc), 300, 900)) << view.log();
    view.show();
    QQuickItem* root = view.rootObject();
    QMetaObject::invokeMethod(root, "load", Q_ARG(QVariant, "600001"), Q_ARG(QVariant, 1));
    QQmlExpression rows(view.rootContext(), root, "panel.tickList.detailModel.rowCount()");
    QQmlExpression start(view.rootContext(), root, "panel.tickList.startIndex");
    QQmlExpression show(view.rootContext(), root, "panel.tickList.showSize");
    QQmlExpression code(view.rootContext(), root, "panel.priceModel.code");
    ASSERT_TRUE(
        testsupport::waitFor([&] { return rows.evaluate().toInt() > 0 && !code.evaluate().toString().isEmpty(); }));
    const int n = rows.evaluate().toInt();
    const int s = show.evaluate().toInt();
    EXPECT_GT(s, 0);
    // The page sits at the end of the list.
    EXPECT_EQ(std::max(0, n - s), start.evaluate().toInt());

    // The list under the panel: volumes in orange and buy/sell tags in red and green.
    QQuickItem* list = root->findChild<QQuickItem*>("tickList");
    ASSERT_TRUE(list);
    const QRect area = areaIn(root, list);
    const QImage image = testsupport::grabWhen(root, [&](const QImage& shot) {
        return pixelsNear(shot, area, QColor(255, 128, 0)) > 20 && pixelsNear(shot, area, QColor("#FF3D3D")) > 10 &&
               pixelsNear(shot, area, QColor("#0FC351")) > 10;
    });
    ASSERT_FALSE(image.isNull());
    EXPECT_TRUE(testsupport::saveScreenshot(image, "ticks.png"));
    EXPECT_GT(pixelsNear(image, area, QColor(255, 128, 0)), 20);
    EXPECT_GT(pixelsNear(image, area, QColor("#FF3D3D")), 10);
    EXPECT_GT(pixelsNear(image, area, QColor("#0FC351")), 10);
}

// The hot-stock monitor's tips panel fills from the server; kept as monitor-hot.png.
TEST_F(LiveTicks, HotMonitorTips)
{
    RUN_IN_OWN_PROCESS();
    testsupport::LiveView view;
    ASSERT_TRUE(view.load(QUrl("qrc:/qml/QMarketHotMonitor.qml"), 1400, 860)) << view.log();
    view.show();
    QQuickItem* root = view.rootObject();
    const QVariantMap query{{"tab", "1110"}};
    QMetaObject::invokeMethod(root, "setQuery", Q_ARG(QVariant, query));
    auto* tipModel = root->findChild<QStockTipModel*>("tipModel");
    ASSERT_TRUE(tipModel);
    QQmlExpression tableRows(view.rootContext(), root, "table(0).table_model.rowCount()");
    ASSERT_TRUE(testsupport::waitFor([&] { return tipModel->count() > 0 && tableRows.evaluate().toInt() > 0; }))
        << tipModel->count() << " tips, " << tableRows.evaluate().toInt() << " rows";
    QQuickItem* tipView = root->findChild<QQuickItem*>("tipView");
    ASSERT_TRUE(tipView);
    const QRect area = areaIn(root, tipView);
    const QImage image =
        testsupport::grabWhen(root, [&](const QImage& shot) { return pixelsNear(shot, area, QColor("#00F4FF")) > 20; });
    ASSERT_FALSE(image.isNull());
    EXPECT_TRUE(testsupport::saveScreenshot(image, "monitor-hot.png"));
    // Names in cyan on the tips' background.
    EXPECT_GT(pixelsNear(image, area, QColor("#00F4FF")), 20);
}

// The stock view's 明细 page: the day's ticks in four column groups, paged to
// the end, paged by keys and selected by a click; kept as detail-page.png.
TEST_F(LiveTicks, StockViewDetailPage)
{
    RUN_IN_OWN_PROCESS();
    testsupport::LiveView view;
    ASSERT_TRUE(view.load(QUrl("qrc:/qml/MQView.qml"), 1280, 800)) << view.log();
    QQuickItem* root = view.rootObject();
    root->setProperty("webViewEnabled", false);
    view.show();
    const QVariantMap query{
        {"code", "600001"}, {"market", "1"}, {"type", "2"}, {"name", "沪市001"}, {"chart", "detail"}};
    QMetaObject::invokeMethod(root, "setQuery", Q_ARG(QVariant, query));
    QQuickItem* page = root->findChild<QQuickItem*>("detailView");
    ASSERT_TRUE(page);
    ASSERT_TRUE(testsupport::waitFor([&] { return page->isVisible(); }));
    auto value = [&](const char* js) { return QQmlExpression(view.rootContext(), page, js).evaluate().toInt(); };
    ASSERT_TRUE(testsupport::waitFor([&] { return value("detailModel.rowCount()") > 100; }));
    const int rows = value("detailModel.rowCount()");
    const int show = value("showSize");
    // Four groups of floor((h - 25) / 25) rows; the page ends at the last row.
    EXPECT_EQ(int((page->height() - 25) / 25) * 4, show);
    EXPECT_EQ(rows - show, value("startIndex"));

    page->forceActiveFocus();
    QTest::keyClick(&view, Qt::Key_PageUp);
    EXPECT_EQ(rows - 2 * show, value("startIndex"));
    QTest::keyClick(&view, Qt::Key_PageDown);
    EXPECT_EQ(rows - show, value("startIndex"));
    // A click on the second group's third row selects it.
    const double groupWidth = (page->width() - 8) / 4;
    const QPointF at = page->mapToScene(QPointF(groupWidth + 10, 25 + 2 * 25 + 5));
    QTest::mouseClick(&view, Qt::LeftButton, Qt::NoModifier, at.toPoint());
    EXPECT_EQ(rows - show + show / 4 + 2, value("sorter.selectIndex"));
    QTest::keyClick(&view, Qt::Key_Up);
    EXPECT_EQ(rows - show + show / 4 + 1, value("sorter.selectIndex"));

    const QRect area = areaIn(root, page);
    const QImage image = testsupport::grabWhen(root, [&](const QImage& shot) {
        return pixelsNear(shot, area, QColor(255, 128, 0)) > 100 && pixelsNear(shot, area, QColor(34, 50, 79)) > 100;
    });
    ASSERT_FALSE(image.isNull());
    EXPECT_TRUE(testsupport::saveScreenshot(image, "detail-page.png"));
    EXPECT_GT(pixelsNear(image, area, QColor(255, 128, 0)), 100);  // volumes
    EXPECT_GT(pixelsNear(image, area, QColor(34, 50, 79)), 100);   // the selected row
    EXPECT_TRUE(view.warnings.isEmpty()) << view.log();
}
