#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "models/mqmodel.h"
#include "models/pricemodel.h"
#include "ctxrecorder.h"

namespace {

// The library's context calls recorded in order (see ctxrecorder.h).
class MQModelCalls : public rec::Recorded {
protected:
    static QuoteReply reply(int ctx, void* data)
    {
        return Recorded::reply(reinterpret_cast<quote_ctx*>(intptr_t(ctx)), data, 1);
    }
};

using rec::Calls;

// A price record of 600000 in Shanghai at `close`.
QuoteRealTimeMarket priceRecord(float close)
{
    QuoteRealTimeMarket rt{};
    std::memcpy(rt.code_info.code, "600000", 6);
    rt.code_info.market = 1;
    rt.close = close;
    return rt;
}

// A price model with the count of its changes told.
struct CountedPrice {
    CountedPrice()
    {
        QObject::connect(&model, &PriceModel::dataChanged, [this] { ++changes; });
    }
    PriceModel model;
    int changes = 0;
};

}  // namespace

TEST_F(MQModelCalls, RequestsSetUpTheirContextsInOrder)
{
    MQModel m;
    std::string fields = "fields c1";
    for (int i = 0; i <= 46; ++i)
        fields += " " + std::to_string(i);
    fields += " 49 306 350 351 1001 1002 1003 1015 1016";

    m.getPriceData("600000", 1);
    EXPECT_EQ((Calls{"create c1", "type c1 0", "period c1 30", "code c1 600000/1", fields, "subscribe c1"}), take());

    m.getDetailData("000001", 2, 70000, 50);  // first cut to 16 bits: 70000 - 65536
    EXPECT_EQ((Calls{"create c2", "type c2 0", "period c2 31", "code c2 000001/2", "page c2 4464 50", "subscribe c2"}),
              take());

    m.getMinuteData("600000", 1, 0);
    EXPECT_EQ((Calls{"create c3", "page c3 65535 0", "type c3 0", "period c3 32", "code c3 600000/1", "user c3 0",
                     "subscribe c3"}),
              take());

    m.getHMinuteData("600000", 1, 0, 1700000000u);  // replaces slot 0, releasing c3
    EXPECT_EQ((Calls{"create c4", "release c3", "page c4 65535 0", "type c4 0", "time c4 1700000000 0 0",
                     "period c4 32", "code c4 600000/1", "user c4 0", "subscribe c4"}),
              take());

    m.getKLineData("600000", 1, 2048, 33, 0);  // day: 9999 bars, then a dividend context
    EXPECT_EQ((Calls{"create c5", "page c5 0 9999", "type c5 0", "period c5 33", "code c5 600000/1", "user c5 0",
                     "subscribe c5", "create c6", "type c6 1", "code c6 600000/1", "subscribe c6"}),
              take());
    m.getKLineData("600000", 1, 2048, 34, 1);  // one minute: 2048 bars; appended
    EXPECT_EQ("page c7 0 2048", take()[1]);
    EXPECT_EQ(2, m.kLineCount());

    m.getStockTipData("600000", 1, 20);
    EXPECT_EQ((Calls{"create c9", "type c9 3", "code c9 600000/1", "page c9 0 20", "subscribe c9"}), take());
    m.getStockTipData(1101u, 30);
    EXPECT_EQ((Calls{"create c10", "release c9", "type c10 3", "block c10 1101", "page c10 0 30", "subscribe c10"}),
              take());

    // A code longer than the 16-byte field is cut to it.
    m.getPriceData("ABCDEFGHIJKLMNOPQRSTUVWXYZ", 2);
    EXPECT_EQ("code c11 ABCDEFGHIJKLMNOP/2", take()[4]);  // after create and the old release
}

TEST_F(MQModelCalls, SlotRuleAndKeepOne)
{
    MQModel m;
    m.getKLineData("1", 1, 100, 35, 1);  // beyond the end: nothing at all
    EXPECT_TRUE(take().empty());
    m.getKLineData("1", 1, 100, 35, -1);  // negative compares as a huge index
    EXPECT_TRUE(take().empty());
    for (int i = 0; i < 3; ++i)
        m.getKLineData("1", 1, 100, 35, i);
    take();
    m.cancelOtherKLine(5);  // out of range: nothing
    m.cancelOtherKLine(-1);
    EXPECT_EQ(3, m.kLineCount());
    m.cancelOtherKLine(2);
    EXPECT_EQ(1, m.kLineCount());

    std::vector<int> indexes;
    QObject::connect(&m, &MQModel::updateKLine, [&](const QuoteKPoints*, int i) { indexes.push_back(i); });
    QuoteKPoints k{};
    const int kept = 5;  // contexts: k0=c1, div=c2, k1=c3, div=c4, k2=c5, div=c6
    QuoteReply r = reply(kept, &k);
    m.onQuoteReplayTypeKLine(&r);
    EXPECT_EQ(std::vector<int>{2}, indexes);  // still its old index
    QuoteReply other = reply(1, &k);          // a released context: ignored
    m.onQuoteReplayTypeKLine(&other);
    EXPECT_EQ(1u, indexes.size());

    // Negative indexes are no-ops; cancelKLine(0) empties and clears dividends.
    take();
    m.cancelKLine(-3);
    m.cancelMinute(-1);
    EXPECT_TRUE(take().empty());
    int cleared = 0;
    QObject::connect(&m, &MQModel::updateDividend,
                     [&](const QuoteDividendPoints* d) { cleared += d && d->count == 0 && d->events == nullptr; });
    m.cancelKLine(0);
    EXPECT_EQ((Calls{"cancel c5", "release c5", "release c6"}), take());
    EXPECT_EQ(1, cleared);
}

TEST_F(MQModelCalls, DividendReplyRefetchesAdjustedFirstKLine)
{
    MQModel m;
    QuoteDividendPoints d{};
    QuoteReply r = reply(1, &d);
    m.getDividendData("600000", 1);  // c1; no K-line series yet
    take();
    int dividends = 0;
    QObject::connect(&m, &MQModel::updateDividend, [&](const QuoteDividendPoints*) { ++dividends; });
    m.onQuoteReplayTypeDividend(&r);
    EXPECT_EQ(1, dividends);
    EXPECT_TRUE(take().empty());

    m.getKLineData("600000", 1, 300, 33, 0);  // c2, dividend c3 replaces c1
    m.setDividendCmd("fd");
    EXPECT_EQ(2, m.dividendOption());
    auto c = take();
    EXPECT_EQ((Calls{"option c2 2", "update c2"}), Calls(c.end() - 2, c.end()));
    m.setDividendCmd("");
    EXPECT_EQ((Calls{"option c2 1", "update c2"}), take());
    QuoteReply r3 = reply(3, &d);
    // Unadjusted bars are not fetched again for their dividends.
    m.onQuoteReplayTypeDividend(&r3);
    EXPECT_TRUE(take().empty());
    m.setDividendCmd("bd");
    take();
    m.onQuoteReplayTypeDividend(&r3);
    EXPECT_EQ((Calls{"option c2 4", "update c2"}), take());
}

TEST_F(MQModelCalls, PriceRepliesAndIdentity)
{
    MQModel m;
    EXPECT_EQ(2, m.type());  // before any reply
    EXPECT_TRUE(m.code().isEmpty());
    m.getPriceData("600000", 1);  // c1
    QuoteRealTimeMarket rt{};
    std::memcpy(rt.code_info.code, "600000", 6);
    rt.code_info.market = 1;
    rt.code_info.type = 1;
    rt.close = 10.5f;
    QuoteReply foreign = reply(99, &rt);
    m.onQuoteReplayTypePrice(&foreign);
    EXPECT_TRUE(m.code().isEmpty());
    EXPECT_EQ(0, m.market());

    PriceModel p;
    p.bindDataSignal(&m);
    QuoteReply own = reply(1, &rt);
    m.onQuoteReplayTypePrice(&own);
    EXPECT_EQ("600000", m.code());
    EXPECT_EQ(1, m.market());
    EXPECT_EQ(1, m.type());
    EXPECT_FLOAT_EQ(10.5f, p.close());
}

// A push that repeats the record shown changes nothing: the price panels'
// bindings are told only when a value changed; a record without a code keeps
// the identity shown and is a repeat when its values are.
TEST(PriceModelPush, OnlyAChangedRecordIsAChange)
{
    CountedPrice counted;
    PriceModel& p = counted.model;
    const int& changes = counted.changes;
    QuoteRealTimeMarket rt = priceRecord(10.5f);
    rt.vol = 1000;
    QuoteRealTimeMarket noCode = rt;
    std::memset(noCode.code_info.code, 0, sizeof noCode.code_info.code);
    QuoteRealTimeMarket higher = rt;
    higher.close = 10.51f;
    QuoteRealTimeMarket traded = higher;
    traded.vol = 1100;
    struct Step {
        const QuoteRealTimeMarket* push;
        int changesAfter;
    };
    const Step steps[] = {{&rt, 1}, {&rt, 1}, {&noCode, 1}, {&higher, 2}, {&higher, 2}, {&traded, 3}};
    int i = 0;
    for (const Step& s : steps) {
        p.onUpdatePrice(*s.push);
        EXPECT_EQ(s.changesAfter, changes) << "after push " << i;
        ++i;
    }
    EXPECT_EQ(QString("600000"), p.code());
    EXPECT_FLOAT_EQ(10.51f, p.close());
}

// The neighbours of the stock shown are asked for once each, by one request
// for their bars and one for their quote (never a subscription); those no
// longer asked for are released, and a new kind of bars starts afresh.
TEST_F(MQModelCalls, NeighboursAreAskedForOnceWithoutSubscribing)
{
    MQModel m;
    std::string fields;
    for (int i = 0; i <= 46; ++i)
        fields += " " + std::to_string(i);
    fields += " 49 306 350 351 1001 1002 1003 1015 1016";
    auto asked = [&](int bars, const std::string& code, const std::string& page, int period) {
        const std::string b = "c" + std::to_string(bars), p = "c" + std::to_string(bars + 1);
        return Calls{"create " + b,
                     "page " + b + " " + page,
                     "type " + b + " 0",
                     "period " + b + " " + std::to_string(period),
                     "code " + b + " " + code,
                     "request " + b,
                     "create " + p,
                     "type " + p + " 0",
                     "period " + p + " 30",
                     "code " + p + " " + code,
                     "fields " + p + fields,
                     "request " + p};
    };
    auto plus = [](Calls a, const Calls& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    auto stocks = [](std::initializer_list<const char*> codes) {
        QVariantList out;
        for (const char* c : codes)
            out << QVariantMap{{"code", c}, {"market", 1}};
        return out;
    };
    m.prefetch(stocks({"600002", "600003", "600002"}), true, 512, 33);
    EXPECT_EQ(plus(asked(1, "600002/1", "0 512", 33), asked(3, "600003/1", "0 512", 33)), take());
    EXPECT_EQ(2, m.prefetchCount());

    // 600003 stays as it was asked for; 600002 goes.
    m.prefetch(stocks({"600003", "600004"}), true, 512, 33);
    EXPECT_EQ(plus(asked(5, "600004/1", "0 512", 33), Calls{"release c2", "release c1"}), take());
    m.prefetch(stocks({"600003", "600004"}), true, 512, 33);
    EXPECT_TRUE(take().empty()) << "asked again for what is at hand";

    // Minute lines instead: everything is asked for anew.
    m.prefetch(stocks({"600003"}), false, 512, 33);
    EXPECT_EQ(plus(Calls{"release c4", "release c3", "release c6", "release c5"}, asked(7, "600003/1", "65535 0", 32)),
              take());
    m.cancelPrefetch();
    EXPECT_EQ((Calls{"release c8", "release c7"}), take());
    EXPECT_EQ(0, m.prefetchCount());
}

// A snapshot is handed on as slot 0's and the quote's reply only while they
// wait for their first reply and only when it is of their stock and kind;
// the slot's first reply then replaces the snapshot's bars.
TEST_F(MQModelCalls, ASnapshotStandsInUntilTheFirstReply)
{
    MQModel m;
    std::vector<std::pair<int, float>> shown;  // count and last close of each updateKLine
    int replaced = 0;
    std::vector<float> prices;
    QObject::connect(&m, &MQModel::updateKLine, [&](const QuoteKPoints* k, int index) {
        EXPECT_EQ(0, index);
        shown.push_back({k->count, k->points[k->count - 1].close});
    });
    QObject::connect(&m, &MQModel::replaceKLine, [&](const QuoteKPoints* k, int) {
        ++replaced;
        EXPECT_EQ(4, k->count);
    });
    QObject::connect(&m, &MQModel::updatePrice, [&](const QuoteRealTimeMarket& rt) { prices.push_back(rt.close); });

    m.prefetch(QVariantList{QVariantMap{{"code", "600002"}, {"market", 1}}}, true, 512, 33);  // c1 bars, c2 quote
    QuoteKPoint bars[4]{};
    for (int i = 0; i < 4; ++i) {
        bars[i].time = 1767225600LL + 86400 * i;
        bars[i].close = 10.0f + float(i);
    }
    QuoteKPoints k{};
    k.period = 33;
    k.count = 3;
    k.points = bars;
    std::strcpy(k.code_info.code, "600002");
    k.code_info.market = 1;
    QuoteReply r = reply(1, &k);
    m.onQuoteReplayTypeKLine(&r);
    QuoteRealTimeMarket rt = rec::record("600002", "b", 1);
    rt.close = 12.5f;
    QuoteReply rq = reply(2, &rt);
    m.onQuoteReplayTypePrice(&rq);
    EXPECT_TRUE(shown.empty() && prices.empty()) << "a prefetched reply was shown";
    EXPECT_TRUE(m.code().isEmpty());
    EXPECT_TRUE(m.hasPrefetched("600002", 1));
    EXPECT_FALSE(m.hasPrefetched("600003", 1));
    // The library's buffers hold other data after their delivery.
    bars[2].close = 99.0f;
    rt.close = 99.0f;

    EXPECT_FALSE(m.showPrefetched()) << "nothing asked for yet";
    m.getKLineData("600003", 1, 512, 33, 0);  // c3 (dividends c4): another stock
    EXPECT_FALSE(m.showPrefetched());
    m.getKLineData("600002", 1, 512, 34, 0);  // c5 (c6): another cycle
    EXPECT_FALSE(m.showPrefetched());
    m.getKLineData("600002", 1, 512, 33, 0);  // c7 (c8)
    m.getPriceData("600002", 1);              // c9
    EXPECT_TRUE(m.showPrefetched());
    EXPECT_EQ((std::vector<std::pair<int, float>>{{3, 12.0f}}), shown);
    EXPECT_EQ(std::vector<float>{12.5f}, prices);
    EXPECT_EQ("600002", m.code());

    // The subscription's first bars replace the snapshot's, later ones update.
    k.count = 4;
    QuoteReply first = reply(7, &k);
    m.onQuoteReplayTypeKLine(&first);
    EXPECT_EQ(1, replaced);
    EXPECT_EQ(1u, shown.size());
    m.onQuoteReplayTypeKLine(&first);
    EXPECT_EQ(1, replaced);
    EXPECT_EQ(2u, shown.size());
    QuoteReply quote = reply(9, &rt);
    m.onQuoteReplayTypePrice(&quote);
    EXPECT_FALSE(m.showPrefetched()) << "shown again after the replies";
    EXPECT_EQ(2u, shown.size());
    EXPECT_EQ((std::vector<float>{12.5f, 99.0f}), prices);

    // The minute line is not what was fetched.
    m.getMinuteData("600002", 1, 0);
    EXPECT_FALSE(m.showPrefetched());
}

// A price model behind a hidden panel (the index panel of a stock view, the
// stock panel of an index) keeps each push but tells nobody, so no hidden
// text is laid out again; shown again, it tells of the newest record once,
// and nothing when nothing came while it was hidden.
TEST(PriceModelPush, AHiddenModelTellsOnceWhenShown)
{
    CountedPrice counted;
    PriceModel& p = counted.model;
    const int& changes = counted.changes;
    EXPECT_TRUE(p.active()) << "a new price model should tell of pushes";
    const QuoteRealTimeMarket rt = priceRecord(10.5f);
    p.onUpdatePrice(rt);
    EXPECT_EQ(1, changes);
    p.setActive(false);
    EXPECT_EQ(1, changes) << "hiding told of a change";
    p.onUpdatePrice(priceRecord(10.6f));
    p.onUpdatePrice(priceRecord(10.7f));
    EXPECT_EQ(1, changes) << "a hidden model told of its pushes";
    EXPECT_FLOAT_EQ(10.7f, p.close()) << "a hidden model lost a push";
    p.setActive(true);
    EXPECT_EQ(2, changes) << "shown again, the model should tell of the newest record once";
    p.setActive(false);
    p.setActive(true);
    EXPECT_EQ(2, changes) << "shown again with nothing new, the model told of a change";
    p.onUpdatePrice(rt);
    EXPECT_EQ(3, changes);
}
