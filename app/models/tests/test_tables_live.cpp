#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QVariantMap>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QTest>

#include <memory>

#include "models/indexboardmodel.h"
#include "models/multistockmodel.h"
#include "models/tablemodel.h"
#include "livetest.h"
#include "ownprocess.h"
#include "syntheticmarket.h"

// The quote tables against the real library and the local quote server.
namespace {

struct FixedGroups : StockGroupSource {
    QJsonArray my;
    QJsonArray groups(Kind k) const override { return k == MyStock ? my : QJsonArray(); }
};

class LiveTables : public ::testing::Test {
protected:
    void SetUp() override
    {
        SET_UP_IN_OWN_PROCESS();
        ASSERT_TRUE(live_.start(true));
    }
    void TearDown() override
    {
        live_.thread.stop();
        TableModel::setGroupSource(nullptr);
    }

    testsupport::LiveQuoteEngine live_;
};

}  // namespace

// A block list pages with numbers continuing across pages; the dumped context
// runs again in a multi-stock list.
TEST_F(LiveTables, BlockListPagesAndDumpsItsContext)
{
    RUN_IN_OWN_PROCESS();
    TableModel m;
    m.initHeader(4);
    QSignalSpy spy(&m, &TableModel::dataChange);
    m.getQuotePeroidRealTime(1101, 34, 0, 20);
    ASSERT_TRUE(spy.wait(10000));
    ASSERT_EQ(20, m.rowCount());
    EXPECT_EQ(20, m.columnCount());
    EXPECT_EQ("1", m.getRowColumnData(0, 0).toString());
    EXPECT_EQ("20", m.getRowColumnData(19, 0).toString());
    // Sorted by change rate, strongest first: the rate column never rises.
    for (int r = 1; r < 20; ++r)
        EXPECT_GE(m.getRowColumnData(r - 1, 4).toString().remove('%').toDouble(),
                  m.getRowColumnData(r, 4).toString().remove('%').toDouble())
            << "row " << r;
    const QVariantMap first = m.getCodeInfo(0).toMap();
    EXPECT_EQ(2, first["type"].toInt());
    EXPECT_TRUE(first["market"].toInt() == 1 || first["market"].toInt() == 2);

    const QJsonObject ctx = QJsonDocument::fromJson(m.getCtx().toUtf8()).object();
    EXPECT_EQ(20, ctx["page_"].toObject()["length"].toInt());
    EXPECT_EQ(QJsonArray{1101}, ctx["blocks_"].toArray());

    spy.clear();
    m.pageDown();
    for (int i = 0; i < 50 && m.getRowColumnData(0, 0).toString() != "21"; ++i)
        spy.wait(200);
    EXPECT_EQ("21", m.getRowColumnData(0, 0).toString());

    MultiStockModel multi;
    QSignalSpy listSpy(&multi, &MultiStockModel::dataChange);
    multi.setCtx(m.getCtx());
    ASSERT_TRUE(listSpy.wait(10000));
    const QVariantList list = listSpy.at(0).at(0).toList();
    EXPECT_EQ(20, list.size());
    EXPECT_FALSE(list.value(0).toMap()["name"].toString().isEmpty());
    // Each stock carries the type its table row gives (the stock view steps
    // through the list without asking the dictionary).
    for (int i = 0; i < list.size() && i < m.rowCount(); ++i)
        EXPECT_EQ(m.getCodeInfo(i).toMap()["type"].toString().toStdString(),
                  list.value(i).toMap()["type"].toString().toStdString())
            << "row " << i;

    // Resubscribing with a longer page brings that many rows.
    QJsonObject longer = ctx;
    QJsonObject page = longer["page_"].toObject();
    page["length"] = 30;
    page["no"] = 0;
    longer["page_"] = page;
    m.resubscribe(QString::fromUtf8(QJsonDocument(longer).toJson(QJsonDocument::Compact)));
    for (int i = 0; i < 50 && m.rowCount() != 30; ++i)
        spy.wait(200);
    EXPECT_EQ(30, m.rowCount());
}

// Through the library and the server: once the page after the shown one came
// in, Page Down shows its rows at once, the subscription follows on that page
// without a reset, and Page Up shows the page left at once. Sorted by code, so
// that the pages stay where they are while prices move.
TEST_F(LiveTables, PagesBesideTheShownOneShowAtOnce)
{
    RUN_IN_OWN_PROCESS();
    TableModel m;
    m.initHeader(4);
    const auto code = [&m](int row) { return m.getCodeInfo(row).toMap().value("code").toString(); };
    const auto codes = [&m, &code] {
        QStringList c;
        for (int r = 0; r < m.rowCount(); ++r)
            c << code(r);
        return c;
    };
    m.getQuotePeroidRealTime(1101, 1, 0, 20);
    ASSERT_TRUE(testsupport::waitFor([&] { return m.rowCount() == 20 && m.neighbourReady(true); },
                                     [&] { return m.rowCount(); }));
    const QStringList page1 = codes();
    const bool rising = page1.front() < page1.back();

    QSignalSpy resets(&m, &QAbstractItemModel::modelReset);
    QSignalSpy replies(&m, &TableModel::dataChange);
    m.pageDown();
    // At once, before any reply.
    ASSERT_EQ(1, replies.count());
    ASSERT_EQ(20, m.rowCount());
    EXPECT_EQ("21", m.getRowColumnData(0, 0).toString());
    EXPECT_EQ("40", m.getRowColumnData(19, 0).toString());
    const QStringList page2 = codes();
    EXPECT_EQ(rising, page1.back() < page2.front())
        << "page 1 ends at " << page1.back().toStdString() << ", page 2 starts at " << page2.front().toStdString();
    for (int r = 1; r < page2.size(); ++r)
        EXPECT_EQ(rising, page2[r - 1] < page2[r]) << "row " << r;
    EXPECT_EQ(20, QJsonDocument::fromJson(m.getCtx().toUtf8()).object()["page_"].toObject()["no"].toInt());

    // The subscription's first reply lands on the same page, cell by cell.
    ASSERT_TRUE(testsupport::waitFor([&] { return replies.count() >= 2; }, [&] { return replies.count(); }));
    EXPECT_EQ(page2, codes());
    EXPECT_EQ("21", m.getRowColumnData(0, 0).toString());
    EXPECT_EQ(0, resets.count());

    ASSERT_TRUE(m.neighbourReady(false));
    m.pageUp();
    EXPECT_EQ(page1, codes());
    EXPECT_EQ("1", m.getRowColumnData(0, 0).toString());
    EXPECT_EQ(0, resets.count());
}

// Page Up on the first page wraps to the last page: that page is held too,
// so it shows at once, and the subscription's first reply confirms it.
TEST_F(LiveTables, TheLastPageIsHeldOnTheFirst)
{
    RUN_IN_OWN_PROCESS();
    TableModel m;
    m.initHeader(4);
    const auto codes = [&m] {
        QStringList c;
        for (int r = 0; r < m.rowCount(); ++r)
            c << m.getCodeInfo(r).toMap().value("code").toString();
        return c;
    };
    const auto pageNo = [&m] {
        return QJsonDocument::fromJson(m.getCtx().toUtf8()).object()["page_"].toObject()["no"].toInt();
    };
    m.getQuotePeroidRealTime(1101, 1, 0, 20);
    ASSERT_TRUE(testsupport::waitFor([&] { return m.rowCount() == 20 && m.neighbourReady(false); },
                                     [&] { return m.rowCount(); }))
        << "the page before the first (the last) was never held";

    QSignalSpy replies(&m, &TableModel::dataChange);
    m.pageUp();
    ASSERT_EQ(1, replies.count()) << "the last page waited for a reply";
    const int first = pageNo();
    EXPECT_GT(first, 0);
    EXPECT_EQ(0, first % 20) << first;
    ASSERT_GE(m.rowCount(), 1);
    ASSERT_LE(m.rowCount(), 20);
    for (int r = 0; r < m.rowCount(); ++r)
        EXPECT_EQ(QString::number(first + r + 1), m.getRowColumnData(r, 0).toString()) << "row " << r;
    const QStringList held = codes();

    // The subscription's first reply lands on the same rows.
    ASSERT_TRUE(testsupport::waitFor([&] { return replies.count() >= 2; }, [&] { return replies.count(); }));
    EXPECT_EQ(held, codes());
    EXPECT_EQ(first, pageNo());

    // Page Down from the last page wraps back to the first, held as well.
    ASSERT_TRUE(testsupport::waitFor([&] { return m.neighbourReady(true); }));
    m.pageDown();
    EXPECT_EQ(0, pageNo());
    EXPECT_EQ("1", m.getRowColumnData(0, 0).toString());
}

// A my-stock group lists exactly its codes; the block index lists a block's
// index row; a block's id comes from the block index.
TEST_F(LiveTables, GroupListAndBlockIndex)
{
    RUN_IN_OWN_PROCESS();
    FixedGroups g;
    QJsonArray codes{QJsonObject{{"code", "600001"}, {"market_id", "1"}},
                     QJsonObject{{"code", "000002"}, {"market_id", "2"}}};
    g.my = QJsonArray{QJsonObject{{"codes", codes}}};
    TableModel::setGroupSource(&g);
    TableModel m;
    m.initHeader(1);
    QSignalSpy spy(&m, &TableModel::dataChange);
    m.getMyStockRealTime(0, -1, 0, 20);
    ASSERT_TRUE(spy.wait(10000));
    ASSERT_EQ(2, m.rowCount());
    QStringList got{m.getCodeInfo(0).toMap()["code"].toString(), m.getCodeInfo(1).toMap()["code"].toString()};
    got.sort();
    EXPECT_EQ((QStringList{"000002", "600001"}), got);
    EXPECT_EQ(23, m.columnCount());

    TableModel compact;
    compact.initHeader(2);
    QSignalSpy cspy(&compact, &TableModel::dataChange);
    compact.getMyStockRealTime2(0, 34, 0, 20);
    ASSERT_TRUE(cspy.wait(10000));
    EXPECT_EQ(2, compact.rowCount());
    EXPECT_EQ(6, compact.columnCount());

    EXPECT_EQ(880471, m.getBlockId("880471", 1));
    EXPECT_EQ(0, m.getBlockId("NOSUCH", 1));

    TableModel idx;
    idx.initHeader(3);
    QSignalSpy ispy(&idx, &TableModel::dataChange);
    idx.getBlockIndex("600001", 1, 34, 0);
    ASSERT_TRUE(ispy.wait(10000));
    ASSERT_GE(idx.rowCount(), 1);
    EXPECT_EQ(4, idx.columnCount());
}

// The index strip and the concept ranking fill their boards.
TEST_F(LiveTables, IndexBoards)
{
    RUN_IN_OWN_PROCESS();
    IndexBoardModel strip;
    QSignalSpy spy(&strip, &IndexBoardModel::dataChanged);
    strip.getIndexData();
    ASSERT_TRUE(spy.wait(10000));
    ASSERT_EQ(5, strip.boards().size());
    // The local server quotes all five indices.
    QStringList codes;
    for (IndexBoard* b : strip.boards()) {
        codes << b->code();
        EXPECT_FALSE(b->name().isEmpty()) << b->code().toStdString();
        EXPECT_EQ(b->code().startsWith("399") ? 2 : 1, b->market()) << b->code().toStdString();
        EXPECT_GT(b->close(), 0.0f) << b->code().toStdString();
    }
    codes.sort();
    EXPECT_EQ((QStringList{"1A0001", "1A0004", "399001", "399005", "399006"}), codes) << codes.join(' ').toStdString();

    IndexBoardModel concepts;
    QSignalSpy cspy(&concepts, &IndexBoardModel::dataChanged);
    concepts.getConceptData(0, 0, 3);
    ASSERT_TRUE(cspy.wait(10000));
    ASSERT_EQ(3, concepts.boards().size());
    // Sorted by change rate, strongest first.
    EXPECT_GE(concepts.boards()[0]->rf_rate(), concepts.boards()[1]->rf_rate());
    EXPECT_FALSE(concepts.boards()[0]->name().isEmpty());
}

// One stock shows one order ratio (委比) in the price panel, the ranking table
// and both of the monitor's order-ratio lists. The lists' first rows are the
// stocks whose book is all on one side, so their ratio holds while prices move.
TEST_F(LiveTables, OneStockShowsOneOrderRatioEverywhere)
{
    RUN_IN_OWN_PROCESS();
    registerQmlTypes();
    QQmlEngine engine;
    QQmlComponent panel(&engine);
    panel.setData(
        "import QtQuick 2.15\nimport MQModel 1.0\nimport \"qrc:/qml/\" as Q\n"
        "Item { width: 300; height: 700\n"
        "  property alias mq: mq\n  property alias ratio: ratio\n"
        "  MQModel { id: mq }\n"
        "  Q.PriceView { id: view; mqModel: mq; height: 600 }\n"
        "  Q.PriceRatio { id: ratio; priceModel: view.priceModel }\n"
        "  property alias indexMq: indexMq\n  property alias indexInfo: indexInfo\n"
        "  MQModel { id: indexMq }\n"
        "  Q.PriceIndexView { id: indexView; mqModel: indexMq; height: 600 }\n"
        "  Q.PriceIndexInfo { id: indexInfo; priceModel: indexView.priceModel } }",
        QUrl("qrc:/qml/OrderRatioProbe.qml"));
    std::unique_ptr<QObject> root(panel.create());
    ASSERT_TRUE(root) << panel.errorString().toStdString();
    QObject* mq = root->property("mq").value<QObject*>();
    QObject* ratio = root->property("ratio").value<QObject*>();
    ASSERT_TRUE(mq && ratio);

    auto committeeColumn = [](const TableModel& m) {
        for (int c = 0; c < m.columnCount(); ++c)
            if (m.getHeaderData(c).toString() == "委比")
                return c;
        return -1;
    };
    for (const uint mode : {0u, 1u}) {  // 即时委比前几名, 即时委比后几名
        SCOPED_TRACE(mode);
        TableModel top, ranking;
        top.initHeader(9);
        ranking.initHeader(4);
        QSignalSpy topRows(&top, &TableModel::dataChange), rankingRows(&ranking, &TableModel::dataChange);
        top.getQuotePeroidRealTime(1101, 38, mode, 10);
        ranking.getQuotePeroidRealTime(1101, 38, mode, 60);
        ASSERT_TRUE(topRows.count() > 0 || topRows.wait(10000));
        ASSERT_TRUE(rankingRows.count() > 0 || rankingRows.wait(10000));
        const int topColumn = committeeColumn(top), rankingColumn = committeeColumn(ranking);
        ASSERT_GE(topColumn, 0);
        ASSERT_GE(rankingColumn, 0);
        const QVariantMap stock = top.getCodeInfo(0).toMap();
        const QString code = stock["code"].toString();
        const QString monitorText = top.getRowColumnData(0, topColumn).toString();
        EXPECT_EQ(mode == 0 ? "100.00%" : "-100.00%", monitorText) << "a book all on one side";
        int row = -1;
        for (int r = 0; r < ranking.rowCount() && row < 0; ++r)
            if (ranking.getCodeInfo(r).toMap()["code"].toString() == code)
                row = r;
        ASSERT_GE(row, 0) << code.toStdString();
        EXPECT_EQ(monitorText, ranking.getRowColumnData(row, rankingColumn).toString());

        QMetaObject::invokeMethod(mq, "getPriceData", Q_ARG(QString, code), Q_ARG(uint, stock["market"].toUInt()));
        QString panelText;
        for (int i = 0; i < 100 && (panelText = ratio->property("value1").toString()) != monitorText; ++i)
            QTest::qWait(100);
        EXPECT_EQ(monitorText, panelText) << code.toStdString();
    }

    // The index panel's turnover (换手率) is a fraction too, shown in percent.
    QObject* indexMq = root->property("indexMq").value<QObject*>();
    QObject* indexInfo = root->property("indexInfo").value<QObject*>();
    ASSERT_TRUE(indexMq && indexInfo);
    const SyntheticCode* index = SyntheticMarket::instance().find("399001", 2);
    const SyntheticDay day = SyntheticMarket::instance().day(*index, 0);
    const QString swap = QString::number(SyntheticMarket::instance().value(*index, day, 37) / 100.0, 'f', 2) + "%";
    QMetaObject::invokeMethod(indexMq, "getPriceData", Q_ARG(QString, "399001"), Q_ARG(uint, 2u));
    QString shown;
    for (QObject* row : indexInfo->findChildren<QObject*>())
        if (row->property("label2").toString() == "换手率")
            for (int i = 0; i < 100 && (shown = row->property("value2").toString()) != swap; ++i)
                QTest::qWait(100);
    EXPECT_EQ(swap, shown);
}
