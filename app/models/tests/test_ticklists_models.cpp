#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QPainter>
#include <QSignalSpy>

#include <cstring>
#include <memory>
#include <vector>

#include "../../charts/tests/recordingdevice.h"
#include "models/indexsectioncountmodel.h"
#include "models/qdetailedmodel.h"
#include "models/qflowlistview.h"
#include "models/qpagemodelsorter.h"
#include "models/qstocktipmodel.h"
#include "models/qstocktipview.h"

namespace {

// What view's paintList() draws into a recording painter of w x h.
template <class View>
std::unique_ptr<RecordingDevice> painted(const View& view, int w, int h)
{
    auto dev = std::make_unique<RecordingDevice>(w, h);
    QPainter p(dev.get());
    view.paintList(&p, w, h);
    p.end();
    return dev;
}

// Seconds of a local time today.
int64_t at(int h, int m, int s)
{
    return QDateTime(QDate(2026, 12, 8), QTime(h, m, s)).toSecsSinceEpoch();
}

// A detail batch built by hand; the items live in the object.
struct Batch {
    QuoteDetailPoints dp{};
    std::vector<QuoteDetailPoint> items;
    Batch(int start, std::vector<QuoteDetailPoint> list, float preClose = 10.0f, int decimal = 2)
        : items(std::move(list))
    {
        dp.price = preClose;
        dp.count = int32_t(items.size());
        dp.entries = items.empty() ? nullptr : items.data();
        std::strcpy(dp.code_info.code, "600001");
        dp.code_info.decimal = int8_t(decimal);
        dp.total = start;
    }
};

QuoteDetailPoint tick(int64_t t, float price, int64_t vol, char flag)
{
    QuoteDetailPoint p{};
    p.time = t;
    p.price = price;
    p.volume = vol;
    p.flag = flag;
    return p;
}

std::vector<uint32_t> times(const QDetailedModel& m)
{
    std::vector<uint32_t> out;
    for (const auto& r : m.rows())
        out.push_back(r.time);
    return out;
}

QuoteSmartTip tip(const char* code, const char* name, int64_t t, const char* kindText, const char* text, int kindClass)
{
    QuoteSmartTip s{};
    std::strcpy(s.code_info.code, code);
    std::strcpy(s.code_info.name, name);
    s.code_info.market = 1;
    s.time = t;
    s.kind_text = kindText;
    std::strcpy(s.text, text);
    s.kind_class = uint8_t(kindClass);
    return s;
}

}  // namespace

// The merge rules on hand-built batches, with what the attached views are
// told (removals, inserts, resets) and dataUpdated's count after the drops.
TEST(DetailedModel, MergesBatches)
{
    QDetailedModel m;
    QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QSignalSpy updated(&m, &QDetailedModel::dataUpdated);
    QSignalSpy removed(&m, &QAbstractItemModel::rowsRemoved);
    QSignalSpy inserted(&m, &QAbstractItemModel::rowsInserted);
    QSignalSpy reset(&m, &QAbstractItemModel::modelReset);
    EXPECT_EQ(2, m.getDecimal());  // before the first batch

    {
        Batch b(0,
                {tick(at(9, 30, 0), 10.1f, 100, 'B'), tick(at(9, 30, 3), 9.9f, 200, 'S'),
                 tick(at(9, 30, 6), 10.0f, 300, 'B'), tick(at(9, 30, 9), 10.2f, 400, 'S'),
                 tick(at(9, 30, 12), 10.3f, 500, ' ')},
                10.0f, 3);
        m.onUpdateDetail(b.dp);
        b.items.assign(5, QuoteDetailPoint{});  // the model kept copies, not the batch's items
    }
    ASSERT_EQ(5, m.rowCount());
    EXPECT_EQ(0, updated.takeLast().at(0).toInt());
    EXPECT_EQ(3, m.getDecimal());
    EXPECT_EQ(uint(at(9, 30, 3)), m.getItem(1, 1).toUInt());
    EXPECT_FLOAT_EQ(9.9f, m.getItem(1, 2).toFloat());
    EXPECT_DOUBLE_EQ(200.0, m.getItem(1, 3).toDouble());
    EXPECT_EQ("S", m.getItem(1, 4).toString());
    EXPECT_FLOAT_EQ(10.0f, m.getItem(1, 5).toFloat());
    EXPECT_FALSE(m.getItem(5, 1).isValid());
    EXPECT_FALSE(m.getItem(0, 9).isValid());

    // Start equal to the row count, first time of the third-last row: the
    // last three rows are replaced, announced as a removal, then an insert.
    {
        Batch b(5, {tick(at(9, 30, 6), 10.5f, 1, 'B'), tick(at(9, 30, 30), 10.6f, 2, 'B')});
        m.onUpdateDetail(b.dp);
    }
    EXPECT_EQ((std::vector<uint32_t>{uint32_t(at(9, 30, 0)), uint32_t(at(9, 30, 3)), uint32_t(at(9, 30, 6)),
                                     uint32_t(at(9, 30, 30))}),
              times(m));
    EXPECT_EQ(2, updated.takeLast().at(0).toInt());
    ASSERT_EQ(1, removed.size());
    EXPECT_EQ(2, removed.at(0).at(1).toInt());
    EXPECT_EQ(4, removed.at(0).at(2).toInt());
    EXPECT_FLOAT_EQ(10.5f, m.getItem(2, 2).toFloat());
    EXPECT_EQ(2, m.getDecimal());  // the new batch's decimal byte is 0

    // A batch with no item still reports the unchanged count.
    {
        Batch b(4, {});
        m.onUpdateDetail(b.dp);
    }
    EXPECT_EQ(4, m.rowCount());
    EXPECT_EQ(4, updated.takeLast().at(0).toInt());

    // Start 0 replaces all rows (a reset for the views).
    const int resetsBefore = reset.size();
    {
        Batch b(0, {tick(at(10, 0, 0), 11.0f, 7, 'S')});
        m.onUpdateDetail(b.dp);
    }
    EXPECT_EQ(1, m.rowCount());
    EXPECT_EQ(resetsBefore + 1, reset.size());
    EXPECT_EQ(0, updated.takeLast().at(0).toInt());
    // A start inside the rows replaces them too.
    {
        Batch b(0, {tick(at(10, 0, 0), 11.0f, 7, 'S'), tick(at(10, 0, 59), 11.0f, 7, 'S'),
                    tick(at(10, 1, 0), 11.0f, 7, 'S')});
        m.onUpdateDetail(b.dp);
    }
    ASSERT_EQ(3, m.rowCount());
    EXPECT_EQ(0, updated.takeLast().at(0).toInt());
    // Another stock's batch, whatever its start, begins a new list.
    {
        Batch b(9, {tick(at(10, 5, 0), 20.0f, 1, 'B')});
        std::strcpy(b.dp.code_info.code, "000002");
        b.dp.code_info.market = 2;
        m.onUpdateDetail(b.dp);
        EXPECT_EQ(1, m.rowCount());
        EXPECT_EQ(0, updated.takeLast().at(0).toInt());
        Batch back(0, {tick(at(10, 0, 0), 11.0f, 7, 'S'), tick(at(10, 0, 59), 11.0f, 7, 'S'),
                       tick(at(10, 1, 0), 11.0f, 7, 'S')});
        m.onUpdateDetail(back.dp);
    }

    // isPreMinute: same minute by time / 60.
    EXPECT_FALSE(m.isPreMinute(0).toBool());
    EXPECT_TRUE(m.isPreMinute(1).toBool());   // 10:00:00 and 10:00:59
    EXPECT_FALSE(m.isPreMinute(2).toBool());  // 10:00:59 and 10:01:00
    EXPECT_FALSE(m.isPreMinute(3).toBool());

    // JSON forms.
    const QJsonObject o = m.getItemJson(1).toJsonObject();
    EXPECT_EQ(at(10, 0, 59), o["time"].toVariant().toLongLong());
    EXPECT_EQ("S", o["wind"].toString());
    EXPECT_DOUBLE_EQ(7.0, o["vol"].toDouble());
    EXPECT_FALSE(m.getItemJson(3).isValid());
    EXPECT_EQ(2, m.getJson(1).toJsonArray().size());
    EXPECT_EQ(3, m.getJson().toJsonArray().size());
    EXPECT_EQ(1, m.getJson(1, 2).toJsonArray().size());
    EXPECT_EQ(0, m.getJson(5).toJsonArray().size());
    EXPECT_EQ(0, m.getJson(-1).toJsonArray().size());

    m.clearData();
    EXPECT_EQ(0, m.rowCount());
    const QHash<int, QByteArray> roles = {{1, "time"}, {2, "price"}, {3, "vol"}, {4, "wind"}, {5, "pre_close"}};
    EXPECT_EQ(roles, m.roleNames());
}

TEST(DetailedModel, JsonPageOfRows)
{
    QDetailedModel m;
    Batch b(0, {tick(at(9, 30, 0), 1, 1, 'B'), tick(at(9, 30, 1), 2, 1, 'B'), tick(at(9, 30, 2), 3, 1, 'B'),
                tick(at(9, 30, 3), 4, 1, 'B'), tick(at(9, 30, 4), 5, 1, 'B')});
    m.onUpdateDetail(b.dp);
    const QJsonArray page = m.getJson(2, 4).toJsonArray();
    ASSERT_EQ(2, page.size());
    EXPECT_DOUBLE_EQ(3.0, page[0].toObject()["price"].toDouble());
    EXPECT_DOUBLE_EQ(4.0, page[1].toObject()["price"].toDouble());
    EXPECT_DOUBLE_EQ(10.0, page[1].toObject()["pre_close"].toDouble());
}

// Tips go in front, coloured by kind; a resent tail is dropped and announced.
TEST(StockTipModel, PutsTipsInFront)
{
    QStockTipModel m;
    QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QSignalSpy updated(&m, &QStockTipModel::dataUpdated);
    QSignalSpy selected(&m, &QStockTipModel::selectIndexChanged);
    EXPECT_EQ(-1, m.selectIndex());

    std::vector<QuoteSmartTip> first = {tip("600001", "沪市001", at(9, 31, 0), "火箭发射", "3.2%", 1),
                                        tip("000002", "深市002", at(9, 32, 0), "高台跳水", "-2.1%", 2)};
    QuoteReply r{};
    r.kind = QUOTE_REPLY_SMART_TIP;
    r.count = int32_t(first.size());
    r.data = first.data();
    m.onUpdateStockTip(&r);
    ASSERT_EQ(2, m.count());
    EXPECT_EQ(0, updated.takeLast().at(0).toInt());

    std::vector<QuoteSmartTip> second = {tip("600003", "沪市003", at(9, 40, 0), "机构买单", "500手", 3),
                                         tip("600004", "沪市004", at(9, 41, 0), "机构卖单", "400手", 4),
                                         tip("600005", "沪市005", at(9, 42, 0), nullptr, "1", 7)};
    r.count = int32_t(second.size());
    r.data = second.data();
    m.onUpdateStockTip(&r);
    ASSERT_EQ(5, m.count());
    EXPECT_EQ(2, updated.takeLast().at(0).toInt());
    const char* codes[] = {"600003", "600004", "600005", "600001", "000002"};
    const char* colours[] = {"#006AFF", "#008080", "#ffffff", "#FF3D3D", "#0FC351"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(codes[i], m.getItem(i, 2).toString()) << i;
        EXPECT_EQ(colours[i], m.getItem(i, 7).toString()) << i;
    }
    EXPECT_EQ("沪市003", m.getItem(0, 4).toString());
    EXPECT_EQ("机构买单", m.getItem(0, 5).toString());
    EXPECT_EQ("500手", m.getItem(0, 6).toString());
    EXPECT_EQ(1, m.getItem(0, 3).toInt());
    EXPECT_EQ(uint(at(9, 40, 0)), m.getItem(0, 1).toUInt());
    EXPECT_EQ("", m.getItem(2, 5).toString());  // a kind without text
    EXPECT_FALSE(m.getItem(5, 1).isValid());
    EXPECT_FALSE(m.getItem(0, 8).isValid());

    // A reply whose first time is that of the last row drops that row first.
    std::vector<QuoteSmartTip> third = {tip("600006", "沪市006", at(9, 32, 0), "快速反弹", "1%", 1)};
    r.count = 1;
    r.data = third.data();
    QSignalSpy removed(&m, &QAbstractItemModel::rowsRemoved);
    m.onUpdateStockTip(&r);
    EXPECT_EQ(1, removed.size());
    EXPECT_EQ(5, m.count());
    EXPECT_EQ(4, updated.takeLast().at(0).toInt());
    EXPECT_EQ("600006", m.getItem(0, 2).toString());

    // An empty reply adds nothing and announces nothing.
    r.count = 0;
    r.data = nullptr;
    m.onUpdateStockTip(&r);
    EXPECT_EQ(5, m.count());
    EXPECT_TRUE(updated.isEmpty());

    EXPECT_EQ(6, m.getRole("val").toInt());
    EXPECT_EQ(7, m.getRole("text_color").toInt());
    EXPECT_EQ(-1, m.getRole("x").toInt());
    m.setSelectIndex(2);
    EXPECT_EQ(2, selected.takeLast().at(0).toInt());
    m.clearData();
    EXPECT_EQ(0, m.count());
    EXPECT_EQ(0, updated.takeLast().at(0).toInt());
}

TEST(IndexSectionCountModel, TwelveBuckets)
{
    IndexSectionCountModel m;
    ASSERT_EQ(12, m.rowCount());
    const char* sections[] = {"涨停", ">8%",  "6-8%", "4-6%", "2-4%", "0-2%",
                              "0-2%", "2-4%", "4-6%", "6-8%", ">8%",  "跌停"};
    const int counts[] = {51, 11, 31, 54, 219, 1580, 1490, 215, 28, 8, 7, 15};
    for (int i = 0; i < 12; ++i) {
        const QModelIndex idx = m.index(i, 0);
        EXPECT_EQ("沪深", m.data(idx, 1).toString());
        EXPECT_EQ(QString::fromUtf8(sections[i]), m.data(idx, 2).toString());
        EXPECT_EQ(counts[i], m.data(idx, 3).toInt());
        EXPECT_EQ(i < 6 ? 1 : -1, m.data(idx, 4).toInt());
    }
    EXPECT_FALSE(m.data(m.index(0, 0), 5).isValid());
    EXPECT_EQ(1580, m.getMaxCount());
    EXPECT_FLOAT_EQ(1.0f, m.getCurRatio(5));
    EXPECT_FLOAT_EQ(15.0f / 1580.0f, m.getCurRatio(11));
    EXPECT_EQ(0.0f, m.getCurRatio(12));
    EXPECT_EQ(QByteArray("count"), m.roleNames().value(3));
}

// A recorded paint of a fixed page of ticks in both styles.
TEST(FlowListView, PaintsAPage)
{
    QDetailedModel m;
    Batch b(0,
            {tick(at(9, 30, 5), 10.5f, 1200, 'B'), tick(at(9, 30, 59), 9.5f, 30000, 'S'),
             tick(at(9, 31, 0), 10.0f, 300, ' '), tick(at(9, 31, 3), 0.0f, 100, 'B')},
            10.0f, 2);
    m.onUpdateDetail(b.dp);
    QPageModelSorter page;
    page.setSourceModel(&m);
    page.setStartIndex(0);
    page.setPageSize(4);
    page.setSelectIndex(1);
    QFlowListView view;
    view.setModel(&page);

    // Style 1, 200 x 100, rows of 20: a = 120, b = 80; times shown on change.
    view.setStyle(1);
    view.setRowHeight(20);
    {
        const auto dev = painted(view, 200, 100);
        const auto texts = dev->engine.of(Drawn::Text);
        QStringList got;
        for (const Drawn& d : texts)
            got << d.text;
        EXPECT_EQ(QStringList({"09:30", "10.50", "1200", "B", "9.50", "3.00万", "S", "09:31", "10.00", "300", " ",
                               "0.00", "100", "B"}),
                  got);
        // Price colours against the pre-close, volume orange, tag colours.
        EXPECT_EQ(QColor("#FF3D3D"), texts[1].pen.color());
        EXPECT_EQ(QColor("#0FC351"), texts[4].pen.color());
        EXPECT_EQ(QColor("#FFFFFF"), texts[8].pen.color());
        EXPECT_EQ(QColor(255, 128, 0), texts[2].pen.color());
        EXPECT_EQ(QColor("#0FC351"), texts[6].pen.color());
        // Time left at x + 5, price right-aligned at a = 120, volume ending at a + b - 20.
        EXPECT_NEAR(5, texts[0].at.x(), 0.5);
        EXPECT_NEAR(120, texts[1].at.x() + texts[1].advance, 1.0);
        EXPECT_NEAR(180, texts[2].at.x() + texts[2].advance, 1.0);
        // Background, then the selected row (row 1 at y 20) highlighted.
        const auto rects = dev->engine.of(Drawn::Rect);
        ASSERT_GE(rects.size(), 2u);
        EXPECT_EQ(QColor(25, 27, 31), rects[0].brush.color());
        EXPECT_EQ(QRectF(0, 20, 200, 20), rects[1].rect);
        EXPECT_EQ(QColor(34, 50, 79), rects[1].brush.color());
    }

    // Style 0, 400 x 75, rows of 25: header, four groups of 100 (a 60, b 40),
    // two rows a group, every time printed; a selection outside the page draws nothing.
    view.setStyle(0);
    view.setRowHeight(25);
    page.setSelectIndex(9);
    {
        const auto dev = painted(view, 400, 75);
        const auto texts = dev->engine.of(Drawn::Text);
        int headers = 0, times = 0;
        for (const Drawn& d : texts) {
            headers += d.text == "时间" || d.text == "价格" || d.text == "成交量";
            times += d.text.contains(':');
        }
        EXPECT_EQ(12, headers);
        EXPECT_EQ(4, times);
        // Row 2 opens the second group at (100, 25): its time at x 105.
        bool found = false;
        for (const Drawn& d : texts)
            if (d.text == "09:31" && std::abs(d.at.x() - 105) < 0.5)
                found = true;
        EXPECT_TRUE(found);
        const auto lines = dev->engine.of(Drawn::Line);
        ASSERT_EQ(4u, lines.size());
        EXPECT_EQ(QLineF(100, 0, 100, 75), lines[0].line);
        EXPECT_EQ(QLineF(0, 25, 400, 25), lines[3].line);
        for (const Drawn& r : dev->engine.of(Drawn::Rect))
            EXPECT_NE(QColor(34, 50, 79), r.brush.color());
    }

    // Without a source model nothing is drawn.
    QPageModelSorter empty;
    view.setModel(&empty);
    const auto dev = painted(view, 100, 100);
    EXPECT_TRUE(dev->engine.items.empty());
}

TEST(StockTipView, PaintsTips)
{
    QStockTipModel m;
    std::vector<QuoteSmartTip> tips = {tip("600001", "沪市001", at(9, 31, 0), "火箭发射", "3.2%", 1),
                                       tip("000002", "深市002", at(9, 32, 0), "高台跳水", "-2.1%", 7)};
    QuoteReply r{};
    r.count = 2;
    r.data = tips.data();
    m.onUpdateStockTip(&r);
    m.setSelectIndex(1);
    QStockTipView view;
    view.setModel(&m);
    EXPECT_EQ(25, view.getRowHeight().toInt());

    // Style 1 (the start), 300 wide: u = 50; a row: time, name, tip, value.
    const auto dev = painted(view, 300, 100);
    const auto texts = dev->engine.of(Drawn::Text);
    ASSERT_EQ(8u, texts.size());
    EXPECT_EQ("09:31", texts[0].text);
    EXPECT_EQ("沪市001", texts[1].text);
    EXPECT_EQ(QColor("#00F4FF"), texts[1].pen.color());
    EXPECT_NEAR(50, texts[1].at.x(), 0.5);
    EXPECT_EQ("火箭发射", texts[2].text);
    EXPECT_NEAR(150, texts[2].at.x(), 0.5);
    EXPECT_EQ(QColor("#FF3D3D"), texts[2].pen.color());
    EXPECT_NEAR(300, texts[3].at.x() + texts[3].advance, 1.0);
    EXPECT_EQ(QColor("#FFFFFF"), texts[7].pen.color());  // kind 7
    const auto rects = dev->engine.of(Drawn::Rect);
    ASSERT_EQ(2u, rects.size());
    EXPECT_EQ(QRectF(0, 25, 300, 25), rects[1].rect);  // the selected second row

    // Style 0: a header per column and the grid.
    view.setStyle(0);
    const auto dev0 = painted(view, 600, 100);
    // (The recorder joins texts that meet on one baseline: count the words.)
    QString all;
    for (const Drawn& d : dev0->engine.of(Drawn::Text))
        all += d.text + "|";
    EXPECT_EQ(4, all.count("时间"));
    EXPECT_EQ(4, all.count("名称"));
    EXPECT_EQ(4, all.count("类型"));
    EXPECT_EQ(4, all.count("值"));
    EXPECT_EQ(4u, dev0->engine.of(Drawn::Line).size());
}
