#include <gtest/gtest.h>

#include <cmath>

#include <QJsonArray>
#include <QJsonObject>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

#include <cstring>

#include "models/mqmodel.h"
#include "models/pricemodel.h"
#include "livequotes.h"
#include "ownprocess.h"
#include "serverprocess.h"
#include "shell/datadir.h"
#include "shell/qbaseservice.h"
#include "shell/quotethread.h"
#include "shell/stockdictionary.h"
#include "syntheticmarket.h"

// The quote models against the real library and the local quote server: the
// engine runs on its own thread and replies cross the bridge.
namespace {

class LiveQuotes : public ::testing::Test {
protected:
    void SetUp() override
    {
        SET_UP_IN_OWN_PROCESS();
        ASSERT_GT(server_.port(), 0);
        testsupport::pointQuoteEngineAt(server_.port());
    }
    void TearDown() override { thread_.stop(); }

    QuoteServerProcess server_;
    QuoteEngineThread thread_;
};

}  // namespace

// A price request gets the stock's live record into the panel's model, and
// K-line and minute series arrive in their slots.
TEST_F(LiveQuotes, PriceKLineAndMinuteReachTheirModels)
{
    RUN_IN_OWN_PROCESS();
    MQModel model;
    PriceModel price;
    price.bindDataSignal(&model);
    std::vector<int> klineSlots, minuteSlots;
    int klineBars = 0;
    QObject::connect(&model, &MQModel::updateKLine, [&](const QuoteKPoints* k, int i) {
        klineSlots.push_back(i);
        klineBars = k->count;
    });
    QObject::connect(&model, &MQModel::updateMinute, [&](const QuoteMinPoints*, int i) { minuteSlots.push_back(i); });
    thread_.start();

    model.getPriceData("600001", 1);
    model.getKLineData("600001", 1, 300, 33, 0);
    model.getMinuteData("600001", 1, 0);
    QSignalSpy spy(&price, &PriceModel::dataChanged);
    ASSERT_TRUE(spy.wait(10000));
    EXPECT_EQ("600001", price.code());
    EXPECT_EQ(QString::fromStdString(SyntheticMarket::instance().find("600001", 1)->name), price.name());
    EXPECT_EQ("沪", price.market_name());
    EXPECT_GT(price.close(), 0.0f);
    EXPECT_EQ(1, model.market());
    EXPECT_EQ(2, model.type());

    for (int i = 0; i < 100 && (klineSlots.empty() || minuteSlots.empty()); ++i)
        QTest::qWait(100);
    ASSERT_FALSE(klineSlots.empty());
    EXPECT_EQ(0, klineSlots.front());
    EXPECT_GT(klineBars, 0);
    ASSERT_FALSE(minuteSlots.empty());
    EXPECT_EQ(0, minuteSlots.front());

    // An index reports type 1.
    MQModel index;
    index.getPriceData("399001", 2);
    QSignalSpy indexSpy(&index, &MQModel::codeInfoChanged);
    ASSERT_TRUE(indexSpy.wait(10000));
    EXPECT_EQ(1, index.type());
}

// The code list that arrives after login fills the dictionary table.
TEST_F(LiveQuotes, CodeListFillsTheDictionary)
{
    RUN_IN_OWN_PROCESS();
    StockDictionary::instance();  // connected before the thread starts
    thread_.start();
    const QString file = localStorageDatabaseFile(dataDirectory(), "qelm");
    int rows = 0;
    for (int i = 0; i < 100 && rows < 350; ++i) {
        QTest::qWait(100);
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "probe");
            db.setDatabaseName(file);
            if (db.open()) {
                QSqlQuery q("SELECT count(*) FROM StockDictionary WHERE market IN (1, 2)", db);
                if (q.next())
                    rows = q.value(0).toInt();
                db.close();
            }
        }
        QSqlDatabase::removeDatabase("probe");
    }
    EXPECT_GE(rows, 350);  // 200 + 150 stocks and the indices
}

// Today's minute series and the newest K-line bar keep coming while they are
// asked for and the market moves, ending at the live price: open charts end
// where the quote panel stands.
TEST_F(LiveQuotes, TodaysMinutesAndNewestBarsFollowTheQuote)
{
    RUN_IN_OWN_PROCESS();
    MQModel model;
    PriceModel price;
    price.bindDataSignal(&model);
    int series = 0;  // the price request's pushes keep the market moving
    float last = 0;
    QObject::connect(&model, &MQModel::updateMinute, [&](const QuoteMinPoints* m, int) {
        ++series;
        if (m && m->count > 0)
            last = m->points[m->count - 1].price;
    });
    int bars[2] = {};
    float close[2] = {};
    QObject::connect(&model, &MQModel::updateKLine, [&](const QuoteKPoints* k, int slot) {
        if (!k || k->count <= 0 || slot < 0 || slot > 1)
            return;
        ++bars[slot];
        close[slot] = k->points[k->count - 1].close;
    });
    thread_.start();
    model.getMinuteData("600001", 1, 0);
    model.getKLineData("600001", 1, 50, 33, 0);  // days
    model.getKLineData("600001", 1, 50, 34, 1);  // one minute
    model.getPriceData("600001", 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return series >= 3 && bars[0] >= 3 && bars[1] >= 3; }, 30000))
        << "the series came " << series << " times, the bars " << bars[0] << " and " << bars[1];
    auto at = [&price](float v) { return v > 0 && std::fabs(v - price.close()) < 0.001f; };
    EXPECT_TRUE(QTest::qWaitFor([&] { return at(last) && at(close[0]) && at(close[1]); }, 30000))
        << "last minute " << last << ", day " << close[0] << ", minute bar " << close[1] << ", quote " << price.close();
    model.cancelMinute(0);
    model.cancelKLine(0);
}
