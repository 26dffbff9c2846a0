#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonObject>
#include <QSignalSpy>
#include <QVariantMap>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <set>

#include "ctxrecorder.h"
#include "models/tablemodel.h"
#include "shell/hutil.h"

using rec::Calls;

namespace {

class TableCalls : public rec::Recorded {};

const char* const kFull29 = "fields c1 0 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 32 33 34 35 36 37 38 39 40 41 42 46 58";

// Groups as the stock-group stores hand them over.
struct Groups : StockGroupSource {
    QJsonArray my, screening, pool;
    QJsonArray groups(Kind k) const override { return k == MyStock ? my : k == Screening ? screening : pool; }
};

QJsonObject group(std::initializer_list<std::pair<const char*, const char*>> codes)
{
    QJsonArray a;
    for (auto& c : codes)
        a.append(QJsonObject{{"code", c.first}, {"market_id", c.second}});
    return QJsonObject{{"codes", a}};
}

// The known record of the column table: every shown field set.
QuoteRealTimeMarket known(QuoteSymbolNames* names)
{
    QuoteRealTimeMarket r = rec::record("600001", "沪市001", 1);
    r.pre_close = 10.0f;
    r.open = 10.1f;
    r.high = 10.5f;
    r.low = 9.8f;
    r.close = 10.25f;
    r.vol = 1234567;
    r.cur_vol = 5600;
    r.sum = 2.5e8;
    r.red_vol = 700000;
    r.green_vol = 534567;
    r.vol_rate = 1.35f;
    r.swap = 0.0123f;
    r.amplitude = 0.07f;
    r.rf_value = 0.25f;
    r.rf_rate = 0.025f;
    r.committee = -0.125f;
    r.speed = 0.0012f;
    r.pe = 15.678f;
    r.m5_rf_rate = -0.004f;
    r.block_id = 880001;
    r.symbol = names;
    return r;
}

}  // namespace

// Every column of every layout against values worked out by hand from the
// known record (sequence number 7).
TEST(TableColumns, CellsOfEveryLayout)
{
    QuoteSymbolNames names{"银行", "上海", "金融科技"};
    const QuoteRealTimeMarket r = known(&names);
    const char* G = "#F5BE4A";
    const char* U = "#FF3D3D";
    const char* D = "#0FC351";
    const char* W = "#FFFFFF";
    const char* C = "#00F4FF";
    struct Row {
        int kind;
        int col;
        const char* text;
        const char* color;
        int align;
    };
    const Row full[] = {
        {0, 0, "7", G, 4},        {0, 1, "600001", G, 1},   {0, 2, "沪市001", G, 1},   {0, 3, "10.25", U, 2},
        {0, 4, "2.50%", U, 2},    {0, 5, "0.25", U, 2},     {0, 6, "银行", C, 2},      {0, 7, "上海", C, 2},
        {0, 8, "金融科技", C, 2}, {0, 9, "0.12", U, 2},     {0, 10, "123.46万", G, 2}, {0, 11, "2.50亿", G, 2},
        {0, 12, "1.23%", G, 2},   {0, 13, "5600", G, 2},    {0, 14, "10.00", W, 2},    {0, 15, "10.10", U, 2},
        {0, 16, "10.50", U, 2},   {0, 17, "9.80", D, 2},    {0, 18, "1.35", U, 2},     {0, 19, "-12.50%", D, 2},
        {0, 20, "7.00%", G, 2},   {0, 21, "53.46万", D, 2}, {0, 22, "70.00万", U, 2},  {2, 0, "7", G, 4},
        {2, 1, "沪市001", G, 1},  {2, 2, "2.50%", U, 2},    {2, 3, "10.25", U, 2},     {2, 4, "2.50亿", W, 2},
        {2, 5, "1.35%", W, 2},    {3, 0, "7", G, 4},        {3, 1, "沪市001", G, 1},   {3, 2, "2.50%", U, 2},
        {3, 3, "2.50亿", W, 2},   {4, 0, "7", G, 4},        {4, 1, "600001", G, 1},    {4, 2, "沪市001", G, 1},
        {4, 3, "10.25", U, 2},    {4, 4, "2.50%", U, 2},    {4, 5, "0.25", U, 2},      {4, 6, "123.46万", G, 2},
        {4, 7, "1.23%", G, 2},    {4, 8, "5600", G, 2},     {4, 9, "10.00", W, 2},     {4, 10, "10.10", U, 2},
        {4, 11, "10.50", U, 2},   {4, 12, "9.80", D, 2},    {4, 13, "2.50亿", G, 2},   {4, 14, "1.35", U, 2},
        {4, 15, "-12.50%", D, 2}, {4, 16, "7.00%", G, 2},   {4, 17, "53.46万", D, 2},  {4, 18, "70.00万", U, 2},
        {4, 19, "15.68", G, 2},   {5, 4, "2.50%", U, 2},    {6, 4, "-0.40%", D, 2},    {7, 4, "1.35", U, 2},
        {8, 4, "7.00%", U, 2},    {9, 4, "-12.50%", D, 2},  {10, 4, "2.50亿", W, 2},
    };
    for (const Row& e : full) {
        for (int kind : e.kind == 0 ? std::vector<int>{0, 1} : std::vector<int>{e.kind}) {
            const auto row = TableModel::buildRow(kind, r, 7);
            ASSERT_LT(size_t(e.col), row.size()) << "layout " << kind;
            EXPECT_EQ(QString::fromUtf8(e.text), row[size_t(e.col)].text) << "layout " << kind << " column " << e.col;
            EXPECT_EQ(QString(e.color), row[size_t(e.col)].color) << "layout " << kind << " column " << e.col;
            EXPECT_EQ(e.align, row[size_t(e.col)].align) << "layout " << kind << " column " << e.col;
            EXPECT_EQ("#00000000", row[size_t(e.col)].acolor);
        }
    }
    // The monitor lists share their first four columns.
    for (int kind = 5; kind <= 10; ++kind) {
        const auto row = TableModel::buildRow(kind, r, 7);
        ASSERT_EQ(5u, row.size());
        EXPECT_EQ("7", row[0].text);
        EXPECT_EQ("600001", row[1].text);
        EXPECT_EQ("沪市001", row[2].text);
        EXPECT_EQ("10.25", row[3].text);
    }
    EXPECT_TRUE(TableModel::buildRow(11, r, 1).empty());
    // Block names absent: empty texts.
    const QuoteRealTimeMarket bare = known(nullptr);
    EXPECT_EQ("", TableModel::buildRow(0, bare, 1)[6].text);
    // A zero price reads "-", a zero rate "0.00%" beside a price and "-" without.
    QuoteRealTimeMarket zero = rec::record("1", "x", 1);
    EXPECT_EQ("-", TableModel::buildRow(4, zero, 1)[3].text);
    EXPECT_EQ("-", TableModel::buildRow(4, zero, 1)[4].text);
    zero.close = 5.0f;
    EXPECT_EQ("0.00%", TableModel::buildRow(4, zero, 1)[4].text);
}

TEST(TableColumns, HeadersAndSortFields)
{
    struct Layout {
        int kind;
        const char* heads;
        std::vector<int> sort;
    };
    const Layout layouts[] = {
        {0,
         "序号 代码 名称 最新 涨跌幅 涨跌额 行业 地区 概念 涨速 成交量 成交额 换手率 现量 昨收 今开 最高 最低 量比 "
         "委比 振幅 内盘 外盘",
         {-1, 1, -1, 8, 34, 35, -1, -1, -1, 58, 9, 11, 37, 10, 4, 5, 6, 7, 33, 38, 41, -1, -1}},
        {1,
         "序号 代码 名称 最新 涨跌幅 涨跌额 行业 地区 概念 涨速 成交量 成交额 换手率 现量 昨收 今开 最高 最低 量比 "
         "委比 振幅 内盘 外盘",
         {-1, 1, -1, 8, 34, 35, -1, -1, -1, 58, 9, 11, 37, 10, 4, 5, 6, 7, 33, 38, 41, -1, -1}},
        {2, "序号 名称 涨跌幅 最新 成交额 量比", {-1, -1, 34, 8, 11, 33}},
        {3, "序号 名称 涨跌幅 成交额", {-1, -1, 34, 11}},
        {4,
         "序号 代码 名称 最新 涨跌幅 涨跌额 成交量 换手率 现量 昨收 今开 最高 最低 成交额 量比 委比 震幅 内盘 外盘 "
         "市盈率",
         {-1, 1, -1, 8, 34, 35, 9, 37, 10, 4, 5, 6, 7, 11, 33, 38, 41, -1, -1, 40}},
        {5, "序号 代码 名称 最新 涨幅", {-1, -1, -1, -1, -1}},
        {6, "序号 代码 名称 最新 涨幅", {-1, -1, -1, -1, -1}},
        {7, "序号 代码 名称 最新 量比", {-1, -1, -1, -1, -1}},
        {8, "序号 代码 名称 最新 振幅", {-1, -1, -1, -1, -1}},
        {9, "序号 代码 名称 最新 委比", {-1, -1, -1, -1, -1}},
        {10, "序号 代码 名称 最新 金额", {-1, -1, -1, -1, -1}},
    };
    for (const Layout& l : layouts) {
        QStringList texts;
        for (const TableItemData& h : TableModel::buildHeader(l.kind)) {
            texts << h.text;
            EXPECT_EQ("#93979D", h.color);
            EXPECT_EQ(4, h.align);
        }
        EXPECT_EQ(QString::fromUtf8(l.heads), texts.join(' ')) << "layout " << l.kind;
        for (size_t c = 0; c < l.sort.size(); ++c)
            EXPECT_EQ(l.sort[c], TableModel::sortField(l.kind, int(c))) << "layout " << l.kind << " column " << c;
        EXPECT_EQ(-1, TableModel::sortField(l.kind, int(l.sort.size())));
        EXPECT_EQ(-1, TableModel::sortField(l.kind, -1));
    }
    EXPECT_TRUE(TableModel::buildHeader(11).empty());
}

// Each query cancels first and sets the context in the documented order.
TEST_F(TableCalls, QueriesSetTheContextInOrder)
{
    Groups g;
    g.my = QJsonArray{group({{"600001", "1"}, {"000002", "2"}}), group({{"600003", "1"}})};
    g.screening = QJsonArray{group({{"600004", "1"}})};
    g.pool = QJsonArray{QJsonObject(), group({{"300001", "2"}})};
    TableModel::setGroupSource(&g);
    TableModel m;
    EXPECT_EQ(Calls{"create c1"}, take());

    m.initHeader(4);
    m.getQuotePeroidRealTime(1101, 34, 1, 25);
    EXPECT_EQ((Calls{"cancel c1", "page c1 0 25", "type c1 0", "period c1 30", "block c1 1101", "option c1 4",
                     "sort c1 34 1", kFull29, "user c1 0", "subscribe c1"}),
              take());
    EXPECT_EQ(4, m.listKind());  // a block list keeps the layout

    m.getMyStockRealTime(0, -1, 0, 30, 2);
    EXPECT_EQ((Calls{"cancel c1", "page c1 2 30", "type c1 0", "period c1 30", "option c1 12", "sort c1 0 2",
                     "code c1 600001/1 000002/2", kFull29, "subscribe c1"}),
              take());
    EXPECT_EQ(1, m.listKind());

    m.getMyStockRealTime2(1, 33, 0, 10);  // element 0, as index 1 is inside the list
    EXPECT_EQ((Calls{"cancel c1", "page c1 0 10", "type c1 0", "period c1 30", "option c1 12", "sort c1 33 0",
                     "code c1 600001/1 000002/2", "fields c1 0 1 2 3 4 8 9 11 33 34 35", "subscribe c1"}),
              take());
    EXPECT_EQ(2, m.listKind());

    m.getGroupStockRealTime(0, 8, 1, 20);
    EXPECT_EQ((Calls{"cancel c1", "page c1 0 20", "type c1 0", "period c1 30", "option c1 12", "sort c1 8 1",
                     "code c1 600004/1", kFull29, "subscribe c1"}),
              take());
    m.getStockPoolRealTime(1, 8, 0, 20);
    EXPECT_EQ((Calls{"cancel c1", "page c1 0 20", "type c1 0", "period c1 30", "option c1 12", "sort c1 8 0",
                     "code c1 300001/2", kFull29, "subscribe c1"}),
              take());

    m.getBlockIndex("880001", 3, 34, 0);
    EXPECT_EQ((Calls{"cancel c1", "type c1 0", "period c1 30", "option c1 6", "sort c1 34 0", "code c1 880001/3",
                     "fields c1 0 1 2 3 4 8 11 34 35 1015", "subscribe c1"}),
              take());
    EXPECT_EQ(3, m.listKind());

    // A group index outside the store: nothing at all, not even a cancel.
    m.getMyStockRealTime(2, 8, 0, 20);
    m.getMyStockRealTime(-1, 8, 0, 20);
    m.getMyStockRealTime2(2, 8, 0, 20);
    EXPECT_TRUE(take().empty());
    EXPECT_EQ(3, m.listKind());

    // An empty group cancels and clears, and subscribes nothing.
    QSignalSpy changed(&m, &TableModel::dataChange);
    m.getStockPoolRealTime(0, 8, 0, 20);
    EXPECT_EQ(Calls{"cancel c1"}, take());
    EXPECT_EQ(1, changed.count());

    // A page size from a view of height 0 (or a script's -1) is at least 1.
    m.getQuotePeroidRealTime(1101, 34, 0, 0);
    EXPECT_EQ("page c1 0 1", take()[1]);
    m.getQuotePeroidRealTime(1101, 34, 0, uint(-1));
    EXPECT_EQ("page c1 0 1", take()[1]);

    m.pageUp();
    m.pageDown();
    m.cancel();
    m.update();
    EXPECT_EQ((Calls{"pageup c1", "pagedown c1", "cancel c1", "update c1"}), take());
    TableModel::setGroupSource(nullptr);
}

// Replies rebuild rows in place with numbers from the page's first record.
TEST_F(TableCalls, RepliesRebuildRowsInPlace)
{
    TableModel m;
    m.initHeader(0);
    quote_ctx* own = m.context();
    QuoteRealTimeMarket recs[3] = {rec::record("600001", "甲", 1), rec::record("000002", "乙", 2),
                                   rec::record("880001", "丙", 1)};
    recs[0].block_id = 0;
    recs[1].block_id = 0x100000007LL;  // the low 32 bits are kept
    recs[2].block_id = 880001;
    QSignalSpy fixed(&m, &TableModel::fixedRowChanged);
    QSignalSpy data(&m, &TableModel::dataChange);

    // Another context's reply is ignored.
    QuoteReply other = reply(reinterpret_cast<quote_ctx*>(intptr_t(99)), recs, 3);
    m.onQuotePeroidRealTime(&other);
    EXPECT_EQ(0, m.rowCount());

    rec::pageFirstNo = 20;
    QuoteReply r = reply(own, recs, 3);
    m.onQuotePeroidRealTime(&r);
    ASSERT_EQ(3, m.rowCount());
    EXPECT_EQ(23, m.columnCount());
    EXPECT_EQ(1, fixed.count());
    EXPECT_EQ(1, data.count());
    EXPECT_EQ("21", m.getRowColumnData(0, 0).toString());
    EXPECT_EQ("23", m.getRowColumnData(2, 0).toString());
    EXPECT_EQ("乙", m.data(m.index(1, 2), 0).toString());
    EXPECT_EQ(1, m.data(m.index(1, 2), 4).toInt());
    EXPECT_FALSE(m.data(m.index(1, 3), 3).toBool());
    EXPECT_EQ((QVariantList{"600001", "000002", "880001"}), m.fixedRow());
    EXPECT_EQ((QVariantList{"序号", "代码"}), m.fixedHead());

    const QVariantMap ci = m.getCodeInfo(1).toMap();
    EXPECT_EQ("000002", ci["code"].toString());
    EXPECT_EQ("乙", ci["name"].toString());
    EXPECT_EQ(2, ci["market"].toInt());
    EXPECT_EQ(2, ci["decimal"].toInt());
    EXPECT_EQ(2, ci["type"].toInt());
    EXPECT_EQ(7, ci["block_id"].toInt());
    EXPECT_EQ(0, m.getCodeInfo(0).toMap()["block_id"].toInt());
    EXPECT_EQ(880001, m.getCodeInfo(2).toMap()["block_id"].toInt());
    EXPECT_FALSE(m.getCodeInfo(3).isValid());
    EXPECT_FALSE(m.getCodeInfo(-1).isValid());

    // A shorter reply trims rows from the end; a moved last price flashes.
    recs[0].close = 10.0f;
    QuoteReply first = reply(own, recs, 1);
    m.onQuotePeroidRealTime(&first);
    recs[0].close = 10.5f;
    m.onQuotePeroidRealTime(&first);
    ASSERT_EQ(1, m.rowCount());
    EXPECT_EQ("#66FF3D3D", m.getTextAnimationColor(0, 3).toString());
    EXPECT_TRUE(m.data(m.index(0, 3), 3).toBool());
    m.onQuotePeroidRealTime(&first);  // unchanged: the flash ends
    EXPECT_EQ("#00000000", m.getTextAnimationColor(0, 3).toString());
    // Rows are built when read: two pushes unread in between show the last move.
    recs[0].close = 10.7f;
    m.onQuotePeroidRealTime(&first);
    recs[0].close = 10.2f;
    m.onQuotePeroidRealTime(&first);
    EXPECT_EQ("#660FC351", m.getTextAnimationColor(0, 3).toString());
    EXPECT_EQ("10.20", m.getRowColumnData(0, 3).toString());

    // An empty reply leaves the header only and keeps the code infos.
    QuoteReply empty = reply(own, nullptr, 0);
    m.onQuotePeroidRealTime(&empty);
    EXPECT_EQ(0, m.rowCount());
    EXPECT_EQ(23, m.columnCount());
    EXPECT_EQ(QVariantList{"600001"}, m.fixedRow());
    EXPECT_FALSE(m.getCodeInfo(0).isValid());

    // Accessors out of range.
    EXPECT_FALSE(m.getRowColumnData(0, 0).isValid());
    EXPECT_EQ("#FFFFFFFF", m.getTextColor(5, 1).toString());
    EXPECT_EQ("#00000000", m.getHeaderColor(23).toString());
    EXPECT_EQ("涨跌幅", m.getHeaderData(2, 2).toString());
    EXPECT_FALSE(m.getHeaderData(-1).isValid());
    m.setHeadersData(1, "证券代码", "#FFFFFF");
    EXPECT_EQ("证券代码", m.getHeaderData(1).toString());
    m.setHeadersData(40, "x", "#FFFFFF");
    EXPECT_EQ(-1, m.getSortField(2));
    EXPECT_EQ(34, m.getSortField(4));
}

// A reply already on its way when the query was cancelled (the group
// emptied, the view hidden) reaches no row; once the model subscribes again
// its replies count again.
TEST_F(TableCalls, RepliesOfACancelledQueryAreDropped)
{
    Groups g;
    g.my = QJsonArray{group({{"600001", "1"}}), QJsonObject()};
    TableModel::setGroupSource(&g);
    struct Case {
        const char* what;
        std::function<void(TableModel&)> stop, again;
    };
    const Case cases[] = {
        {"the group emptied", [](TableModel& m) { m.getMyStockRealTime(1, -1, 0, 30); },
         [](TableModel& m) { m.getMyStockRealTime(0, -1, 0, 30); }},
        {"hidden",
         [](TableModel& m) {
             m.cancel();
             m.clear();
         },
         [](TableModel& m) { m.update(); }},
        {"hidden, then paged",
         [](TableModel& m) {
             m.cancel();
             m.clear();
         },
         [](TableModel& m) { m.pageDown(); }},
        {"another block listed",
         [](TableModel& m) {
             m.cancel();
             m.clear();
         },
         [](TableModel& m) { m.getQuotePeroidRealTime(1101, 34, 0, 20); }},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        TableModel m;
        m.getMyStockRealTime(0, -1, 0, 30);
        QuoteRealTimeMarket row = rec::record("600001", "甲", 1);
        QuoteReply r = reply(m.context(), &row, 1);
        m.onQuotePeroidRealTime(&r);
        ASSERT_EQ(1, m.rowCount());
        k.stop(m);
        ASSERT_EQ(0, m.rowCount());
        QSignalSpy changed(&m, &TableModel::dataChange);
        m.onQuotePeroidRealTime(&r);  // delivered between the cancel and the next subscribe
        EXPECT_EQ(0, m.rowCount());
        EXPECT_EQ(0, changed.count());
        k.again(m);
        m.onQuotePeroidRealTime(&r);
        EXPECT_EQ(1, m.rowCount());
    }
    TableModel::setGroupSource(nullptr);
}

// The block names of a row are read while its reply is held: the library may
// relink the symbol records later on its own thread, and the rows are drawn
// after the reply was handed back.
TEST_F(TableCalls, BlockNamesAreCopiedWhileTheReplyIsHeld)
{
    TableModel m;
    m.initHeader(0);
    QuoteSymbolNames names{"银行", "上海", "人工智能"};
    QuoteRealTimeMarket row = rec::record("600001", "甲", 1);
    row.symbol = &names;
    QuoteReply r = reply(m.context(), &row, 1);
    m.onQuotePeroidRealTime(&r);
    // The library relinks (or frees) the names once the reply is back.
    names = QuoteSymbolNames{"证券", "北京", "芯片"};
    EXPECT_EQ("银行", m.getRowColumnData(0, 6).toString());
    EXPECT_EQ("上海", m.getRowColumnData(0, 7).toString());
    EXPECT_EQ("人工智能", m.getRowColumnData(0, 8).toString());
    // The next push carries the new names.
    m.onQuotePeroidRealTime(&r);
    EXPECT_EQ("证券", m.getRowColumnData(0, 6).toString());
    EXPECT_EQ("芯片", m.getRowColumnData(0, 8).toString());
}

TEST_F(TableCalls, BlockIdsAndContextText)
{
    TableModel m;
    rec::blockIds["880001/1"] = 0x200000011LL;
    EXPECT_EQ(0x11, m.getBlockId("880001", 1));
    EXPECT_EQ(0, m.getBlockId("999999", 1));
    rec::dumpText = R"({"page_":{"length":25}})";
    EXPECT_EQ(QString::fromStdString(rec::dumpText), m.getCtx());
    take();

    // Resubscribing replaces the context; the old one is released.
    m.resubscribe(R"({"page_":{"length":30}})");
    EXPECT_EQ((Calls{R"(parse c2 {"page_":{"length":30}})", "release c1", "subscribe c2"}), take());

    // A refused text leaves no context, and no later call reaches the library.
    m.resubscribe("not a context");
    EXPECT_EQ((Calls{"parse refused", "release c2"}), take());
    EXPECT_FALSE(m.hasContext());
    m.getQuotePeroidRealTime(1101, 34, 0, 20);
    m.getBlockIndex("880001", 1, 34, 0);
    m.pageUp();
    m.pageDown();
    m.cancel();
    m.update();
    EXPECT_EQ("", m.getCtx());
    QuoteReply r = reply(nullptr, nullptr, 0);
    m.onQuotePeroidRealTime(&r);
    EXPECT_TRUE(take().empty());
    m.resubscribe("{}");
    EXPECT_EQ((Calls{"parse c3 {}", "subscribe c3"}), take());
}

// The table's price and rate texts agree with the formatting utilities over
// a sweep of prices, decimals and signs.
TEST(TableColumns, FastTextsAgreeWithTheUtilities)
{
    QuoteRealTimeMarket r = rec::record("600001", "x", 1);
    int checked = 0;
    for (int dec = 0; dec <= 4; ++dec) {
        r.code_info.decimal = uint8_t(dec);
        for (int i = -2000; i <= 2000; ++i) {
            r.close = float(i) * 0.00737f + (i % 3) * 0.005f;
            r.rf_rate = r.close / 37.0f;
            const auto row = TableModel::buildRow(4, r, 1);
            ASSERT_EQ(HUtil::formatPriceText(r.close, dec), row[3].text) << r.close << " dec " << dec;
            ASSERT_EQ(HUtil::formatRateText(r.rf_rate * 100.0f, 2, r.close), row[4].text) << r.rf_rate;
            ++checked;
        }
    }
    r.close = 123456.789f;
    r.code_info.decimal = 3;
    EXPECT_EQ(HUtil::formatPriceText(r.close, 3), TableModel::buildRow(4, r, 1)[3].text);
    EXPECT_EQ(5 * 4001, checked);
}

TEST(TableColumns, FastVolumeTextsAgreeWithTheUtilities)
{
    QuoteRealTimeMarket r = rec::record("600001", "x", 1);
    const int64_t edges[] = {0,         1,         9999,           10000,     10001,       10050,
                             10051,     12345,     99999999,       100000000, 100000001,   100500000,
                             100499999, 150000000, 123456789012LL, 16777217,  5000000050LL};
    std::vector<int64_t> vols(std::begin(edges), std::end(edges));
    for (int64_t v = 3; v < 4000000000LL; v = v * 3 + 7)
        vols.push_back(v);
    for (int64_t v : vols) {
        r.vol = v;
        r.sum = double(v) + 0.25;  // an amount with cents below 2^24
        const auto row = TableModel::buildRow(0, r, 1);
        ASSERT_EQ(HUtil::formatVolText(float(v)), row[10].text) << "volume " << v;
        ASSERT_EQ(HUtil::formatVolText(float(r.sum)), row[11].text) << "amount " << r.sum;
    }
}

namespace {

// A row of the full layout with every shown field set: the known record
// under another code.
QuoteRealTimeMarket fullRecord(const char* code)
{
    QuoteRealTimeMarket r = known(nullptr);
    std::snprintf(r.code_info.code, sizeof r.code_info.code, "%s", code);
    return r;
}

using Cells = std::set<std::pair<int, int>>;

}  // namespace

// A push tells the views which cells it changed (dataChanged), and which rows
// came or went, never that the whole model was reset: a table view then
// rebuilds only what changed. Each case starts from three rows the view has
// read, pushes its records (the last push is the one observed) and lists
// the cells, by (row, column) of the full layout, expected to change.
TEST_F(TableCalls, PushesSignalChangedCellsOnly)
{
    using Records = std::vector<QuoteRealTimeMarket>;
    const Records base = {fullRecord("600001"), fullRecord("600002"), fullRecord("600003")};
    struct Case {
        const char* what;
        std::vector<Records> pushes;
        int pageFirstNo;
        Cells changed;
        int inserted;  // rows added at the end, -1 none
        int removed;   // rows taken from the end, -1 none
    };
    Records vol = base;
    vol[1].cur_vol = 5700;  // 现手, column 13
    Records price = base;
    price[0].close = 10.5f;  // 最新 (column 3), flashing up; the rates are fields of their own
    Records rate = base;
    rate[2].rf_rate = -0.01f;  // 涨跌幅 2.50% -> -1.00%, column 4, text and colour
    Records shorter(base.begin(), base.begin() + 2);
    Records longer = base;
    longer.push_back(fullRecord("600004"));
    Records moved = base;
    std::swap(moved[0], moved[2]);  // 600003 now first: its row differs in the code column only
    const Case cases[] = {
        {"the same records", {base}, 0, {}, -1, -1},
        {"one volume", {vol}, 0, {{1, 13}}, -1, -1},
        {"one last price", {price}, 0, {{0, 3}}, -1, -1},
        {"a flash ends on the next unchanged push", {price, price}, 0, {{0, 3}}, -1, -1},
        {"one rate", {rate}, 0, {{2, 4}}, -1, -1},
        {"a row fewer", {shorter}, 0, {}, -1, 2},
        {"a row more", {longer}, 0, {}, 3, -1},
        {"two rows swapped", {moved}, 0, {{0, 1}, {2, 1}}, -1, -1},
        {"the page moved by one", {base}, 1, {{0, 0}, {1, 0}, {2, 0}}, -1, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        rec::pageFirstNo = 0;
        TableModel m;
        m.initHeader(0);
        QuoteReply first = reply(m.context(), base.data(), int(base.size()));
        m.onQuotePeroidRealTime(&first);
        ASSERT_EQ(3, m.rowCount());
        ASSERT_EQ(23, m.columnCount());
        auto readAll = [&] {
            for (int r = 0; r < m.rowCount(); ++r)
                for (int col = 0; col < m.columnCount(); ++col)
                    for (int role = 0; role <= 4; ++role)
                        m.data(m.index(r, col), role);
        };
        readAll();
        for (size_t i = 0; i + 1 < c.pushes.size(); ++i) {
            QuoteReply p = reply(m.context(), c.pushes[i].data(), int(c.pushes[i].size()));
            m.onQuotePeroidRealTime(&p);
            readAll();
        }
        rec::pageFirstNo = c.pageFirstNo;
        Cells changed;
        int resets = 0, inserted = -1, removed = -1;
        QObject::connect(&m, &QAbstractItemModel::dataChanged, [&](const QModelIndex& tl, const QModelIndex& br) {
            for (int r = tl.row(); r <= br.row(); ++r)
                for (int col = tl.column(); col <= br.column(); ++col)
                    changed.insert({r, col});
        });
        QObject::connect(&m, &QAbstractItemModel::modelReset, [&] { ++resets; });
        QObject::connect(&m, &QAbstractItemModel::rowsInserted, [&](const QModelIndex&, int f, int l) {
            EXPECT_EQ(f, l);
            inserted = f;
        });
        QObject::connect(&m, &QAbstractItemModel::rowsRemoved, [&](const QModelIndex&, int f, int l) {
            EXPECT_EQ(f, l);
            removed = f;
        });
        QSignalSpy dataChange(&m, &TableModel::dataChange);
        const Records& last = c.pushes.back();
        QuoteReply p = reply(m.context(), last.data(), int(last.size()));
        m.onQuotePeroidRealTime(&p);
        EXPECT_EQ(0, resets) << "expected no model reset";
        EXPECT_EQ(c.changed, changed);
        EXPECT_EQ(c.inserted, inserted);
        EXPECT_EQ(c.removed, removed);
        EXPECT_EQ(1, dataChange.count());
        EXPECT_EQ(int(last.size()), m.rowCount());
        // What the signals announced is what the model now says.
        for (size_t r = 0; r < last.size(); ++r)
            for (int col = 0; col < m.columnCount(); ++col)
                EXPECT_EQ(TableModel::buildRow(0, last[r], c.pageFirstNo + int(r) + 1)[size_t(col)].text,
                          m.data(m.index(int(r), col), 0).toString())
                    << "row " << r << " column " << col;
    }

    // Rows no view has read since they changed are built when read; their
    // change goes out as one block of whole rows.
    rec::pageFirstNo = 0;
    TableModel m;
    m.initHeader(0);
    QuoteReply first = reply(m.context(), base.data(), int(base.size()));
    m.onQuotePeroidRealTime(&first);
    QSignalSpy changes(&m, &QAbstractItemModel::dataChanged);
    Records all = base;
    for (QuoteRealTimeMarket& r : all)
        r.close = 10.5f;
    QuoteReply p = reply(m.context(), all.data(), int(all.size()));
    m.onQuotePeroidRealTime(&p);
    ASSERT_EQ(1, changes.count());
    const QModelIndex tl = changes[0][0].toModelIndex(), br = changes[0][1].toModelIndex();
    EXPECT_EQ((std::vector<int>{0, 0, 2, 22}), (std::vector<int>{tl.row(), tl.column(), br.row(), br.column()}));
    EXPECT_EQ("10.50", m.data(m.index(2, 3), 0).toString());
}

namespace {

// A ranked list of two-row pages shown at row 2 (the second page), as the
// paging tests start it: the model, its context and the reply of the page.
struct PagedTable {
    TableModel m;
    QuoteRealTimeMarket shown[2] = {rec::record("600003", "丙", 1), rec::record("600004", "丁", 1)};
    QuoteRealTimeMarket after[2] = {rec::record("600005", "戊", 1), rec::record("600006", "己", 1)};
    PagedTable()
    {
        rec::dumpText = R"({"page_":{"no":2,"length":2},"blocks_":[1101]})";
        rec::pageFirstNo = 2;
        rec::pageStep = 2;
        m.initHeader(4);
        m.getQuotePeroidRealTime(1101, 34, 0, 2);
    }
    QString code(int row) const { return m.getCodeInfo(row).toMap().value("code").toString(); }
    QString seq(int row) const { return m.getRowColumnData(row, 0).toString(); }
};

quote_ctx* handle(int n)
{
    return reinterpret_cast<quote_ctx*>(intptr_t(n));
}

// The parse calls in `calls` with the page each asked for, then whether a
// subscription or a request was made for them.
std::vector<std::string> pagesAsked(const Calls& calls)
{
    std::vector<std::string> asked;
    for (const std::string& c : calls) {
        if (c.rfind("parse ", 0) == 0) {
            const size_t at = c.find("\"no\":");
            asked.push_back(c.substr(6, c.find(' ', 6) - 6) + " no " +
                            (at == std::string::npos ? "?" : c.substr(at + 5, c.find_first_of(",}", at) - at - 5)));
        }
        if (c.rfind("request ", 0) == 0 || c.rfind("subscribe ", 0) == 0)
            asked.push_back(c);
    }
    return asked;
}

}  // namespace

// After a page's first reply the pages before and after it are asked for once
// each, never subscribed. Page Down then shows the page after at once,
// numbered on, and asks for the next one; a reply of the page left still on
// its way is dropped; the subscription's first reply corrects a row that moved
// since, cell by cell; Page Up shows the page left at once.
TEST_F(TableCalls, PagesBesideTheShownOneShowAtOnce)
{
    PagedTable t;
    TableModel& m = t.m;
    take();
    QuoteReply r = reply(m.context(), t.shown, 2);
    m.onQuotePeroidRealTime(&r);
    EXPECT_EQ((Calls{"c2 no 4", "request c2", "c3 no 0", "request c3"}), pagesAsked(take()));
    EXPECT_FALSE(m.neighbourReady(true));
    EXPECT_FALSE(m.neighbourReady(false));

    t.after[0].pre_close = 10.0f;
    t.after[0].close = 10.0f;
    QuoteReply ahead = reply(handle(2), t.after, 2);
    m.onQuotePeroidRealTime(&ahead);
    EXPECT_TRUE(m.neighbourReady(true));
    EXPECT_EQ("600003", t.code(0).toStdString()) << "a page beside changes no shown row";

    QSignalSpy resets(&m, &QAbstractItemModel::modelReset);
    QSignalSpy cells(&m, &QAbstractItemModel::dataChanged);
    m.pageDown();
    EXPECT_EQ("600005", t.code(0).toStdString());
    EXPECT_EQ("600006", t.code(1).toStdString());
    EXPECT_EQ("5", t.seq(0).toStdString());
    EXPECT_EQ("6", t.seq(1).toStdString());
    EXPECT_EQ("戊", m.getRowColumnData(0, 2).toString().toStdString());
    EXPECT_EQ((QVariantList{"600005", "600006"}), m.fixedRow());
    EXPECT_EQ(0, resets.count());
    // The new page in one announcement, every cell of its rows.
    ASSERT_EQ(1, cells.count());
    EXPECT_EQ(m.index(0, 0), cells.at(0).at(0).toModelIndex());
    EXPECT_EQ(m.index(1, 19), cells.at(0).at(1).toModelIndex());
    // The page left stays at hand; only the one after the new page is asked for.
    const Calls paged = take();
    EXPECT_EQ("pagedown c1", paged.front());
    EXPECT_EQ((Calls{"c4 no 6", "request c4"}), pagesAsked(paged));
    EXPECT_TRUE(m.neighbourReady(false));

    // The left page's reply, sent before the key.
    m.onQuotePeroidRealTime(&r);
    EXPECT_EQ("600005", t.code(0).toStdString()) << "a reply of the page left was shown";

    // The subscription's first reply: 戊 rose since it was fetched.
    t.after[0].close = 10.5f;
    t.after[0].rf_rate = 0.05f;
    cells.clear();
    QuoteReply live = reply(m.context(), t.after, 2);
    m.onQuotePeroidRealTime(&live);
    EXPECT_EQ("10.50", m.getRowColumnData(0, 3).toString().toStdString());
    EXPECT_EQ("5.00%", m.getRowColumnData(0, 4).toString().toStdString());
    EXPECT_EQ(0, resets.count());
    ASSERT_GE(cells.count(), 1);
    for (const QList<QVariant>& c : cells) {
        EXPECT_EQ(0, c.at(0).toModelIndex().row()) << "only 戊's cells changed";
        EXPECT_EQ(0, c.at(1).toModelIndex().row()) << "only 戊's cells changed";
    }

    m.pageUp();
    EXPECT_EQ("600003", t.code(0).toStdString());
    EXPECT_EQ("3", t.seq(0).toStdString());
    EXPECT_EQ(0, resets.count());
}

// Where the page beside is not at hand (not come yet, empty, or elsewhere than
// the library pages to) paging waits for the subscription's reply, as before;
// an empty page after the last is asked again at row 0, where the library
// wraps to.
TEST_F(TableCalls, PagingWithoutAPageAtHandWaitsForTheReply)
{
    PagedTable t;
    TableModel& m = t.m;
    QuoteReply r = reply(m.context(), t.shown, 2);
    m.onQuotePeroidRealTime(&r);
    take();
    m.pageDown();  // c2 has not answered
    EXPECT_EQ("600003", t.code(0).toStdString());
    QuoteReply ra = reply(m.context(), t.after, 2);
    m.onQuotePeroidRealTime(&ra);
    EXPECT_EQ("600005", t.code(0).toStdString());
    EXPECT_EQ("5", t.seq(0).toStdString());
    // Its neighbours: row 6 after, row 2 before (c2 asked for row 4: replaced).
    EXPECT_EQ((Calls{"c4 no 6", "request c4", "c5 no 2", "request c5"}), pagesAsked(take()));

    // Nothing after the last page: the first page is asked for instead.
    QuoteReply none = reply(handle(4), nullptr, 0);
    m.onQuotePeroidRealTime(&none);
    EXPECT_FALSE(m.neighbourReady(true));
    EXPECT_EQ((Calls{"c6 no 0", "request c6"}), pagesAsked(take()));
    QuoteRealTimeMarket top[2] = {rec::record("600001", "甲", 1), rec::record("600002", "乙", 1)};
    QuoteReply rt = reply(handle(6), top, 2);
    m.onQuotePeroidRealTime(&rt);
    ASSERT_TRUE(m.neighbourReady(true));
    // The library pages elsewhere (the list grew): the reply decides.
    rec::pageStep = 4;
    m.pageDown();
    EXPECT_EQ("600005", t.code(0).toStdString());
    // Wrapping as the library does: row 0 comes at once.
    rec::pageFirstNo = 4;
    rec::pageStep = -4;
    m.pageDown();
    EXPECT_EQ("600001", t.code(0).toStdString());
    EXPECT_EQ("1", t.seq(0).toStdString());
}

// A hidden table asks for nothing beside its page: cancelling drops the pages
// at hand and releases their requests, replies still on their way are
// dropped, and pages are asked for again only once the table is shown again.
TEST_F(TableCalls, HiddenTablesAskForNoPageBeside)
{
    PagedTable t;
    TableModel& m = t.m;
    QuoteReply r = reply(m.context(), t.shown, 2);
    m.onQuotePeroidRealTime(&r);
    QuoteReply ahead = reply(handle(2), t.after, 2);
    m.onQuotePeroidRealTime(&ahead);
    ASSERT_TRUE(m.neighbourReady(true));
    take();

    m.cancel();
    const Calls hidden = take();
    for (const char* c : {"cancel c1", "release c2", "release c3"})
        EXPECT_NE(hidden.end(), std::find(hidden.begin(), hidden.end(), c)) << c;
    EXPECT_FALSE(m.neighbourReady(true));
    m.onQuotePeroidRealTime(&ahead);
    m.onQuotePeroidRealTime(&r);
    EXPECT_FALSE(m.neighbourReady(true));
    EXPECT_EQ(Calls{}, pagesAsked(take())) << "a hidden table asked for a page";

    m.update();
    m.onQuotePeroidRealTime(&r);
    EXPECT_EQ(4u, pagesAsked(take()).size()) << "shown again, the pages beside are asked for";
}
