#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QVariantList>
#include <QVariantMap>

#include <vector>

#include "ctxrecorder.h"
#include "models/indexboard.h"
#include "models/indexboardmodel.h"
#include "models/multistockmodel.h"
#include "models/qpagemodelsorter.h"
#include "models/qtablemodelproxy.h"
#include "models/tablemodel.h"

#include <QStandardItemModel>

using rec::Calls;

namespace {

class BoardCalls : public rec::Recorded {};

std::vector<QuoteRealTimeMarket> ranking(int n)
{
    std::vector<QuoteRealTimeMarket> v;
    for (int i = 0; i < n; ++i) {
        v.push_back(rec::record(("88" + std::to_string(1000 + i)).c_str(), "概念", 1));
        v.back().close = float(i);
    }
    return v;
}

}  // namespace

TEST_F(BoardCalls, IndexStripAndConceptRanking)
{
    IndexBoardModel m;
    quote_ctx* own = m.context();
    take();
    m.getConceptData(0);
    EXPECT_EQ((Calls{"page c1 0 200", "type c1 0", "period c1 30", "option c1 4", "sort c1 34 0", "category c1 1016",
                     "fields c1 0 1 2 3 4 8 11 34 35", "subscribe c1"}),
              take());
    ASSERT_EQ(20, m.boards().size());
    EXPECT_EQ(1, m.mode());

    // 200 rows: boards 0-9 take rows 0-9, boards 10-19 rows 190-199.
    auto rows = ranking(200);
    QuoteReply r = reply(own, rows.data(), 200);
    QSignalSpy changed(&m, &IndexBoardModel::dataChanged);
    m.onQuotePeroidRealTime(&r);
    EXPECT_EQ(1, changed.count());
    for (int b = 0; b < 20; ++b)
        EXPECT_EQ(b < 10 ? b : 180 + b, int(m.boards()[b]->close())) << "board " << b;

    // A push carries part of the page in no order of rank: rows 192 and 1 go
    // to the boards showing their code and market (12 and 1); row 100, which
    // no board shows, and a twin code of the other market change nothing.
    std::vector<QuoteRealTimeMarket> moved = {rows[192], rows[100], rows[1], rec::record("881005", "同码", 2)};
    for (auto& p : moved)
        p.close += 5000;
    QuoteReply part = reply(own, moved.data(), int(moved.size()));
    m.onQuotePeroidRealTime(&part);
    for (int b = 0; b < 20; ++b) {
        const int was = b < 10 ? b : 180 + b;
        EXPECT_EQ(b == 12 || b == 1 ? was + 5000 : was, int(m.boards()[b]->close())) << "board " << b;
    }
    m.onQuotePeroidRealTime(&r);  // the whole page again places by rank
    EXPECT_EQ(1, int(m.boards()[1]->close()));
    EXPECT_EQ(192, int(m.boards()[12]->close()));

    // show size 30 keeps the 20 boards: rows 0-14 then 185-199 until full.
    m.getConceptData(1, 1, 30);
    EXPECT_EQ("sort c1 34 1", take()[4]);
    EXPECT_EQ(20, m.boards().size());
    m.onQuotePeroidRealTime(&r);
    for (int b = 0; b < 20; ++b)
        EXPECT_EQ(b < 15 ? b : 170 + b, int(m.boards()[b]->close())) << "board " << b;

    // Fewer rows than twice the half: each row once, never outside the reply.
    auto few = ranking(3);
    for (auto& f : few)
        f.close += 1000;
    QuoteReply small = reply(own, few.data(), 3);
    m.onQuotePeroidRealTime(&small);
    EXPECT_EQ(1000, int(m.boards()[0]->close()));
    EXPECT_EQ(1002, int(m.boards()[2]->close()));
    EXPECT_EQ(3, int(m.boards()[3]->close()));  // untouched
    EXPECT_EQ((std::vector<int>{0, 1, 2}), IndexBoardModel::keptRecords(3, 30));
    EXPECT_EQ((std::vector<int>{0, 4}), IndexBoardModel::keptRecords(5, 2));
    EXPECT_TRUE(IndexBoardModel::keptRecords(0, 20).empty());
    EXPECT_TRUE(IndexBoardModel::keptRecords(5, 1).empty());

    // The index strip after a ranking keeps 20 boards and fills the first 5.
    m.getIndexData();
    EXPECT_EQ((Calls{"type c1 0", "period c1 30", "code c1 1A0001/1 399001/2 399006/2 399005/2 1A0004/1",
                     "fields c1 0 1 2 3 4 8 11 34 35", "subscribe c1"}),
              take());
    QuoteRealTimeMarket idx[2] = {rec::record("1A0001", "上证指数", 1), rec::record("399001", "深证成指", 2)};
    idx[0].sum = 123456789012.0;
    idx[0].rf_rate = 0.01f;
    QuoteReply ir = reply(own, idx, 2);
    m.onQuotePeroidRealTime(&ir);
    EXPECT_EQ(20, m.boards().size());
    EXPECT_EQ("上证指数", m.boards()[0]->name());
    EXPECT_EQ("399001", m.boards()[1]->code());
    EXPECT_EQ(2, m.boards()[1]->market());
    EXPECT_FLOAT_EQ(0.01f, m.boards()[0]->rf_rate());
    EXPECT_EQ(float(123456789012.0), m.boards()[0]->sum());
    EXPECT_EQ(1002, int(m.boards()[2]->close()));  // left as it was

    // A push carries part of the list, in any order: each row reaches the
    // board of its code and market, which says so; the others keep theirs.
    QuoteRealTimeMarket pushed[2] = {rec::record("1A0004", "A股指数", 1), rec::record("399001", "深证成指", 2)};
    pushed[0].close = 3150.5f;
    pushed[1].close = 10234.25f;
    QSignalSpy first(m.boards()[0], &IndexBoard::dataChanged), second(m.boards()[1], &IndexBoard::dataChanged),
        fifth(m.boards()[4], &IndexBoard::dataChanged);
    QuoteReply push = reply(own, pushed, 2);
    m.onQuotePeroidRealTime(&push);
    EXPECT_EQ("上证指数", m.boards()[0]->name());
    EXPECT_EQ(0, first.count());
    EXPECT_FLOAT_EQ(10234.25f, m.boards()[1]->close());
    EXPECT_EQ(1, second.count());
    EXPECT_EQ("1A0004", m.boards()[4]->code());
    EXPECT_FLOAT_EQ(3150.5f, m.boards()[4]->close());
    EXPECT_EQ(1, fifth.count());
    // A push that repeats a board's figures tells nobody: the status bar's
    // cells would redo their texts at every push for nothing.
    m.onQuotePeroidRealTime(&push);
    EXPECT_EQ(1, second.count()) << "a push of the same figures told the board's texts again";
    EXPECT_EQ(1, fifth.count()) << "a push of the same figures told the board's texts again";
    pushed[1].rf_rate = 0.02f;
    m.onQuotePeroidRealTime(&push);
    EXPECT_EQ(2, second.count()) << "a changed change rate was not told";
    // The same code text in the other market is another index.
    QuoteRealTimeMarket twin = rec::record("399001", "同码", 1);
    QuoteReply twinReply = reply(own, &twin, 1);
    m.onQuotePeroidRealTime(&twinReply);
    EXPECT_EQ("深证成指", m.boards()[1]->name());

    // Another context's reply changes nothing and emits nothing.
    changed.clear();
    QuoteReply other = reply(reinterpret_cast<quote_ctx*>(intptr_t(42)), idx, 2);
    m.onQuotePeroidRealTime(&other);
    EXPECT_EQ(0, changed.count());

    // A fresh model asked for the indices makes 5 boards.
    IndexBoardModel fresh;
    fresh.getIndexData();
    EXPECT_EQ(5, fresh.boards().size());
    m.cancel();
    EXPECT_EQ("cancel c1", take().back());
}

TEST_F(BoardCalls, MultiStockRunsADumpedContext)
{
    MultiStockModel m;
    m.pageUp();  // no context yet: nothing
    m.setCtx("garbage");
    EXPECT_EQ(Calls{"parse refused"}, take());
    EXPECT_EQ(nullptr, m.context());

    const QString dumped = R"({"page_":{"length":20},"blocks_":[1101]})";
    m.setCtx(dumped);
    EXPECT_EQ((Calls{"parse c1 " + dumped.toStdString(), "option c1 12", "request c1"}), take());
    m.pageDown();
    m.pageUp();
    EXPECT_EQ((Calls{"pagedown c1", "pageup c1"}), take());
    m.setCtx("bad");  // the running context stays
    EXPECT_NE(nullptr, m.context());

    QuoteRealTimeMarket recs[2] = {rec::record("600001", "沪市001", 1), rec::record("000002", "深市002", 2)};
    QuoteReply r = reply(m.context(), recs, 2);
    QSignalSpy spy(&m, &MultiStockModel::dataChange);
    m.onQuotePeroidRealTime(&r);
    ASSERT_EQ(1, spy.count());
    const QVariantList list = spy.at(0).at(0).toList();
    ASSERT_EQ(2, list.size());
    // Type 2 (a stock) as the record gives it.
    EXPECT_EQ((QVariantMap{{"code", "000002"}, {"market", 2}, {"name", "深市002"}, {"type", 2}}), list[1].toMap());
    take();
    m.setCtx(dumped);
    EXPECT_EQ("release c1", take()[1]);
}

// The page window and the column window of the two proxies.
TEST(Proxies, PageAndColumnWindows)
{
    QStandardItemModel src(50, 23);
    QPageModelSorter page;
    page.setSourceModel(&src);
    EXPECT_EQ(0, page.rowCount());  // page size 0 shows nothing
    EXPECT_EQ(50, page.srcCount());
    QSignalSpy start(&page, &QPageModelSorter::startIndexChanged);
    page.setStartIndex(45);
    page.setPageSize(10);
    page.setSelectIndex(46);
    EXPECT_EQ(0, start.count());    // writes do not emit
    EXPECT_EQ(0, page.rowCount());  // nor filter again
    page.updateShow();
    EXPECT_EQ(5, page.count());
    EXPECT_EQ(45, page.mapToSource(page.index(0, 0)).row());
    page.setStartIndex(60);
    page.updateShow();
    EXPECT_EQ(0, page.count());
    page.setStartIndex(0x7FFFFFF0);
    page.setPageSize(0x7FFFFFF0);
    page.updateShow();
    EXPECT_EQ(0, page.count());

    QTableModelProxy cols;
    cols.setSourceModel(&src);
    cols.setStartColumn(3);
    cols.setEndColumn(22);
    cols.invalidate();
    EXPECT_EQ(20, cols.columnCount());
    EXPECT_EQ(50, cols.rowCount());
    cols.setStartColumn(5);
    cols.setEndColumn(5);
    cols.invalidate();
    EXPECT_EQ(1, cols.columnCount());
    cols.setStartColumn(6);
    cols.invalidate();
    EXPECT_EQ(0, cols.columnCount());
    cols.setStyle(1);
    EXPECT_EQ(23, cols.rowCount());
    QTableModelProxy none;
    none.setStyle(1);
    EXPECT_EQ(0, none.rowCount());
}
