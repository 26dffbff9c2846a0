// Event marks under a chart: placement at the first bar reaching the mark's
// time, tips on hover, removal by name.
#include <gtest/gtest.h>

#include <QSignalSpy>

#include "chartfixtures.h"
#include "charts/qchartextend.h"
#include "recordingdevice.h"

namespace {

QJsonObject markSet(const char* name, std::initializer_list<std::pair<int, const char*>> items)
{
    QJsonArray data;
    for (const auto& it : items)
        data.append(QJsonObject{
            {"time", it.first}, {"type", "text"}, {"color", "#FF0000"}, {"content", "D"}, {"detailed", it.second}});
    return QJsonObject{{"name", name}, {"data", data}};
}

}  // namespace

TEST(QChartExtend, MarksAtTheirBarsWithTipsAndRemoval)
{
    std::vector<ChartBar> bars(3);
    bars[0].time = 100;
    bars[1].time = 200;
    bars[2].time = 300;
    EXPECT_EQ(-1, QChartExtend::markBar(bars, 50));   // before the first bar
    EXPECT_EQ(-1, QChartExtend::markBar(bars, 100));  // the first bar never matches
    EXPECT_EQ(1, QChartExtend::markBar(bars, 150));   // between two bars: the later
    EXPECT_EQ(2, QChartExtend::markBar(bars, 300));
    EXPECT_EQ(-1, QChartExtend::markBar(bars, 301));

    QChart c;
    setUpKLinePane(c, 1);
    KRecord k({{0, 10.0f}, {1, 11.0f}, {2, 12.0f}, {3, 13.0f}});
    c.onUpdateKLine(k.get(), 0);
    QChartExtend e;
    e.setSize(QSizeF(800, 20));
    EXPECT_FALSE(e.mouseMove(100, 10));  // no chart yet
    e.setQChart(&c);
    const int day = 86400, t0 = 1767225600;
    e.appendExtendData(markSet("div", {{t0 - day, "early"}, {t0 + day / 2, "split"}}));
    e.appendExtendData(markSet("div", {{t0 + 3 * day, ""}}));
    e.appendExtendData(markSet("other", {{t0 + 2 * day, "news"}}));
    RecordingDevice dev;
    {
        QPainter p(&dev);
        e.paint(&p);
    }
    int texts = 0;
    for (const Drawn& d : dev.engine.items)
        texts += d.kind == Drawn::Text;
    EXPECT_EQ(3, texts);  // the early mark is not drawn

    const CTXGeometry& g = c.getCTXData(0)->geometry;
    const int x1 = int(g.plot.left() + g.pitch() * 1.5f);
    QSignalSpy tip(&e, &QChartExtend::activeTip);
    EXPECT_TRUE(e.mouseMove(x1, 10));
    ASSERT_EQ(1, tip.size());
    const QJsonArray items = tip.last().at(2).toJsonArray();
    ASSERT_EQ(1, items.size());
    EXPECT_EQ(QStringLiteral("split"), items[0].toObject().value("detailed").toString());
    EXPECT_TRUE(e.mouseMove(x1 + 1, 10));  // same bar: no second tip
    EXPECT_EQ(1, tip.size());
    EXPECT_FALSE(e.mouseMove(x1, 30));  // below the strip
    const int x3 = int(g.plot.left() + g.pitch() * 3.5f);
    EXPECT_TRUE(e.mouseMove(x3, 10));  // a mark without a tip text
    EXPECT_EQ(1, tip.size());
    EXPECT_FALSE(e.mouseMove(int(g.plot.left() + 1), 10));

    // The left margin is no bar: a mark on the first visible bar gives no
    // tip there.
    e.appendExtendData(markSet("first", {{t0 + day / 2, "first"}}));
    c.updateReCalcShow(1, 3, 3, 1);  // bar 1 first in view
    {
        QPainter p(&dev);
        e.paint(&p);
    }
    const CTXGeometry& g2 = c.getCTXData(0)->geometry;
    EXPECT_TRUE(e.mouseMove(int(g2.plot.left() + 2), 10));
    EXPECT_FALSE(e.mouseMove(int(g2.plot.left() - 20), 10)) << "the margin maps to the first bar";
    // Scrolled out of view, a mark gives no tip where it was drawn before.
    c.updateReCalcShow(2, 3, 2, 2);
    {
        QPainter p(&dev);
        e.paint(&p);
    }
    e.mouseMove(0, 30);  // off the strip first
    const int tips = tip.size();
    EXPECT_TRUE(e.mouseMove(int(g2.plot.left() + 2), 10));  // the news mark is there now
    ASSERT_EQ(tips + 1, tip.size());
    for (const QJsonValue& v : tip.last().at(2).toJsonArray())
        EXPECT_NE("first", v.toObject().value("detailed").toString()) << "a tip for a mark out of view";
    e.removeExtendData("first");

    e.removeExtendData("div");  // both sets of that name
    ASSERT_EQ(1, e.extendData().size());
    EXPECT_EQ(QStringLiteral("other"), e.extendData()[0].toObject().value("name").toString());
}
