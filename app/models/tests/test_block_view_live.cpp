// The information panel's block tab (QBlockView) against the local quote
// server: for a stock the blocks it belongs to on the left and the first
// block's stocks on the right (the stock among them); for an index only the
// right table with its constituents.
#include <gtest/gtest.h>

#include <QQmlExpression>
#include <QQuickItem>
#include <QQuickView>
#include <QTest>

#include <algorithm>

#include "ctxrecorder.h"
#include "livetest.h"
#include "ownprocess.h"
#include "shell/qmltypes.h"

namespace {

class LiveBlockView : public ::testing::Test {
protected:
    void SetUp() override
    {
        SET_UP_IN_OWN_PROCESS();
        QQuickWindow::setSceneGraphBackend(QSGRendererInterface::Software);
        ASSERT_TRUE(live_.start(true));
    }

    testsupport::LiveQuoteEngine live_;
};

QVariant eval(QQuickView& view, const QString& js)
{
    QQmlExpression e(view.rootContext(), view.rootObject(), js);
    return e.evaluate();
}

bool waitUntil(QQuickView& view, const QString& js)
{
    for (int i = 0; i < 150 && !eval(view, js).toBool(); ++i)
        QTest::qWait(100);
    return eval(view, js).toBool();
}

TEST_F(LiveBlockView, StockBlocksAndIndexConstituents)
{
    RUN_IN_OWN_PROCESS();
    testsupport::LiveView view;
    ASSERT_TRUE(view.load(QUrl("qrc:/qml/QBlockView.qml"), 1000, 260)) << view.log();
    view.show();

    // A stock: the left table shows its blocks, the right one the first
    // block's stocks, this stock among them.
    EXPECT_EQ(-1, eval(view, "setQuery({ code: '600001', market: 1, type: 2 })").toInt());
    ASSERT_TRUE(waitUntil(view, "blockTable.table_model.rowCount() > 0 && stockTable.table_model.rowCount() > 0"));
    EXPECT_TRUE(eval(view, "blockTable.visible").toBool());
    EXPECT_EQ(323, eval(view, "blockTable.width").toInt());
    const QString firstBlock = eval(view, "blockTable.getFirstCodeInfo().code").toString();
    EXPECT_NE(0, eval(view, "blockId").toInt());
    // The marked block row is the block the right table shows, also once the
    // rows came again in another order (live values re-sort them).
    const char* markedBlock =
        "(function () { var i = blockTable.table_model.getCodeInfo(blockTable.table.selectIndex);"
        " return blockTable.getBlockId(i.code, i.market); })()";
    EXPECT_EQ(eval(view, "blockId").toInt(), eval(view, markedBlock).toInt());
    if (eval(view, "blockTable.table_model.rowCount() > 1").toBool()) {
        const int shown = eval(view, "blockId").toInt();
        const QString first = eval(view, "blockTable.getFirstCodeInfo().code").toString();
        eval(view, "blockTable.setQuery({ field: 34, sort: 1 })");
        EXPECT_TRUE(waitUntil(
            view, "blockTable.table_model.rowCount() > 1 && blockTable.getFirstCodeInfo().code !== '" + first + "'"));
        EXPECT_EQ(shown, eval(view, "blockId").toInt());
        EXPECT_EQ(shown, eval(view, markedBlock).toInt())
            << "row " << eval(view, "blockTable.table.selectIndex").toInt();
    }
    const QString hasStock =
        "(function () { var m = stockTable.table_model; for (var i = 0; i < m.rowCount(); ++i)"
        " if (m.getCodeInfo(i).code === '600001') return true; return false; })()";
    // The right table shows a page; the stock is on it when the page holds the block.
    if (eval(view, "stockTable.table_model.rowCount() < stockTable.getShowPageSize()").toBool()) {
        EXPECT_TRUE(eval(view, hasStock).toBool()) << firstBlock.toStdString();
    }
    // Sorted by field 34, descending: the change column never rises.
    EXPECT_EQ(34, eval(view, "stockTable.query_map_.field").toInt());

    // A click on another block row shows its stocks.
    if (eval(view, "blockTable.table_model.rowCount() > 1").toBool()) {
        const int before = eval(view, "blockId").toInt();
        eval(view, "blockChosen(blockTable.table_model.getCodeInfo(1))");
        EXPECT_NE(before, eval(view, "blockId").toInt());
        EXPECT_TRUE(waitUntil(view, "stockTable.table_model.rowCount() > 0"));
    }

    // An index: no left table, its constituents on the right.
    const int id = eval(view, "setQuery({ code: '1A0001', market: 1, type: 1 })").toInt();
    EXPECT_NE(0, id);
    EXPECT_FALSE(eval(view, "blockTable.visible").toBool());
    EXPECT_TRUE(waitUntil(view, "stockTable.table_model.rowCount() > 0"));
    EXPECT_EQ(2, eval(view, "stockTable.getFirstCodeInfo().type").toInt());
    EXPECT_EQ(0, eval(view, "stockTable.x").toInt());

    // Hidden: both tables cancel; shown again: they reload.
    eval(view, "visible = false");
    eval(view, "stockTable.table_model.clear()");
    eval(view, "visible = true");
    EXPECT_TRUE(waitUntil(view, "stockTable.table_model.rowCount() > 0"));
}

// A hidden block tab (the information panel opens on another tab) asks the
// library for nothing when a stock comes; shown, it asks for that stock's
// blocks; hidden again, it cancels. Recorded through the context calls.
TEST(BlockViewSubscriptions, HiddenAsksNothingShownAsksAgain)
{
    RUN_IN_OWN_PROCESS();
    QQuickWindow::setSceneGraphBackend(QSGRendererInterface::Software);
    registerQmlTypes();
    rec::calls.clear();
    setQuoteApi(&rec::api);
    {
        testsupport::LiveView view;
        ASSERT_TRUE(view.load(QUrl("qrc:/qml/QBlockView.qml"), 1000, 260)) << view.log();
        view.show();
        auto count = [](const char* what) {
            return int(std::count_if(rec::calls.begin(), rec::calls.end(),
                                     [&](const std::string& c) { return c.rfind(what, 0) == 0; }));
        };
        auto all = [] {
            std::string s;
            for (const std::string& c : rec::calls)
                s += c + "; ";
            return s;
        };
        struct Case {
            const char* what;
            const char* query;
        };
        const Case cases[] = {
            {"stock", "({ code: '600001', market: 1, type: 2 })"},
            {"index", "({ code: '1A0001', market: 1, type: 1 })"},
        };
        rec::blockIds["1A0001/1"] = 7;
        for (const Case& c : cases) {
            SCOPED_TRACE(c.what);
            view.rootObject()->setVisible(false);
            rec::calls.clear();
            eval(view, QString("setQuery(%1)").arg(c.query));
            EXPECT_EQ(0, count("subscribe ")) << "hidden, expected no subscription; calls: " << all();
            EXPECT_EQ(0, count("request ")) << all();
            EXPECT_EQ(0, count("update ")) << all();
            rec::calls.clear();
            view.rootObject()->setVisible(true);
            EXPECT_GE(count("subscribe "), 1) << "shown, expected the stock's query; calls: " << all();
            if (std::string(c.what) == "stock")
                EXPECT_GE(count("code c"), 1) << all();
            else
                EXPECT_GE(count("block c"), 1) << all();
            rec::calls.clear();
            view.rootObject()->setVisible(false);
            EXPECT_GE(count("cancel "), 1) << all();
            EXPECT_EQ(0, count("subscribe ")) << all();
        }
    }
    setQuoteApi(nullptr);
}

}  // namespace
