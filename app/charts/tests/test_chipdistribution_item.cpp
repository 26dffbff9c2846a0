// The chip-distribution panel bound to a K-line pane: what it draws for each
// chip type, how it follows the crosshair, that a minute chart leaves it as
// it was, and that QML can make it and pass the type as text. Keeps the
// panel as build/screenshots/chip.png.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QImage>
#include <QQmlComponent>
#include <QQmlEngine>

#include <cmath>
#include <cstring>
#include <memory>

#include "chartfixtures.h"
#include "charts/cchipdistribution.h"
#include "charts/qchart.h"
#include "recordingdevice.h"
#include "shell/qmltypes.h"

namespace {

// The panel stands beside the whole view, taller than the 400-pixel main pane it follows.
constexpr int kW = 220, kH = 640;

// n days swinging about 10 with a rising volume and turnover 2..6 %.
KRecord swingDays(int n)
{
    KRecord k({});
    k.points.clear();
    for (int d = 0; d < n; ++d) {
        QuoteKPoint p{};
        p.time = 1767225600LL + int64_t(d) * 86400;
        p.close = 10.0f + 1.5f * float(std::sin(d / 9.0));
        p.high = p.close + 0.3f;
        p.open = p.close - 0.1f;
        p.low = p.close - 0.3f;
        p.volume = 10000 + 100 * d;
        p.amount = p.volume * p.close;
        p.extra = 2.0f + float(d % 5);
        k.points.push_back(p);
    }
    k.record.count = int32_t(k.points.size());
    k.record.points = k.points.data();
    std::strncpy(k.record.code_info.name, "测试股份", sizeof k.record.code_info.name - 1);
    return k;
}

struct Panel {
    QChart chart;
    CChipDistribution chip;
    KRecord days = swingDays(120);

    Panel()
    {
        setUpKLinePane(chart, 1);
        chart.setLineType("kline");
        chip.setSize(QSizeF(kW, kH));
        chip.bindSyncDataSignal(&chart);
        chart.onUpdateKLine(days.get(), 0);
    }

    std::vector<Drawn> draw()
    {
        RecordingDevice dev(kW, kH);
        QPainter p(&dev);
        chip.paint(&p);
        p.end();
        return dev.engine.items;
    }

    QImage image()
    {
        QImage img(kW, kH, QImage::Format_RGB32);
        img.fill(Qt::gray);
        QPainter p(&img);
        chip.paint(&p);
        p.end();
        return img;
    }
};

QStringList texts(const std::vector<Drawn>& items)
{
    QStringList out;
    for (const Drawn& d : items)
        if (d.kind == Drawn::Text)
            out << d.text;
    return out;
}

bool hasText(const std::vector<Drawn>& items, const QString& prefix)
{
    for (const QString& t : texts(items))
        if (t.startsWith(prefix))
            return true;
    return false;
}

int linesIn(const std::vector<Drawn>& items, const QColor& c)
{
    int n = 0;
    for (const Drawn& d : items)
        n += d.kind == Drawn::Line && d.pen.color() == c;
    return n;
}

QString dayText(const KRecord& k, int i)
{
    return QDateTime::fromSecsSinceEpoch(k.points[std::size_t(i)].time).toString("yyyy-MM-dd");
}

TEST(ChipDistributionItem, PlainPanelDrawsLinesAndTexts)
{
    Panel p;
    const ChipDistributionModel& m = p.chip.model();
    ASSERT_EQ(m.count(), 120);
    ASSERT_TRUE(m.hasChips());
    const auto items = p.draw();
    const QStringList t = texts(items);

    EXPECT_TRUE(t.contains("600001 测试股份")) << t.join('|').toStdString();
    EXPECT_TRUE(t.contains("成本分布 日期: " + dayText(p.days, 119))) << t.join('|').toStdString();
    EXPECT_TRUE(t.contains("获利比例: "));
    EXPECT_TRUE(t.contains(QString::asprintf("%.2f%%", m.profitRatio() * 100.0)));
    EXPECT_TRUE(t.contains(QString::asprintf("平均成本: %.2f元", double(m.averageCost()))));
    EXPECT_TRUE(hasText(items, "90%成本"));
    EXPECT_TRUE(hasText(items, "70%成本"));
    EXPECT_FALSE(hasText(items, "5周期"));

    // Chips below the last close in yellow, above it in white, the average cost in cyan across.
    EXPECT_GT(linesIn(items, QColor(255, 255, 0)), 20);
    EXPECT_GT(linesIn(items, QColor(255, 255, 255)), 20);
    ASSERT_EQ(linesIn(items, QColor(84, 255, 255)), 1);
    for (const Drawn& d : items) {
        if (d.kind == Drawn::Line && d.pen.color() == QColor(84, 255, 255)) {
            EXPECT_EQ(d.line.x1(), 0.0);
            EXPECT_EQ(d.line.x2(), double(kW));
        }
        if (d.kind == Drawn::Line) {  // within the chart's plot rows and the panel
            EXPECT_GE(d.line.y1(), 20.0);
            EXPECT_LE(d.line.y1(), 399.0);
            EXPECT_LE(d.line.length(), double(kW));
        }
    }
    // The longest chip line spans the panel.
    double longest = 0;
    for (const Drawn& d : items)
        if (d.kind == Drawn::Line && d.pen.color() != QColor(84, 255, 255))
            longest = std::max(longest, d.line.length());
    EXPECT_NEAR(longest, double(kW), 1e-6);
    EXPECT_TRUE(p.draw().size() == items.size());
}

double averageLineY(const std::vector<Drawn>& items)
{
    for (const Drawn& d : items)
        if (d.kind == Drawn::Line && d.pen.color() == QColor(84, 255, 255))
            return d.line.y1();
    return -1;
}

TEST(ChipDistributionItem, RowsLineUpWithThePaneAndPriceStartsAtTheClose)
{
    Panel p;
    // No crosshair yet: the share below the last close.
    const ChipDistributionModel& m = p.chip.model();
    EXPECT_TRUE(std::isnan(p.chip.crosshairPrice()));
    const double close = m.lastClose();
    const auto items = p.draw();
    EXPECT_TRUE(texts(items).contains(QString::asprintf("%.2f处获利盘: %.2f%%", close, m.shareBelow(close) * 100.0)));

    // Beside the pane but 30 pixels lower: every row moves up by 30.
    const double y = averageLineY(items);
    ASSERT_GT(y, 50.0);
    QQuickItem view;
    p.chart.setParentItem(&view);
    p.chip.setParentItem(&view);
    p.chip.setY(30);
    p.chip.onSyncUpdateKData();
    EXPECT_EQ(averageLineY(p.draw()), y - 30.0);
    p.chart.setParentItem(nullptr);
    p.chip.setParentItem(nullptr);
}

// The stock page puts the panel under its type buttons, so the top rows of
// the chart's plot fall on the title: the title is drawn last, on the
// background, whole whatever the rows behind it.
TEST(ChipDistributionItem, TitleStaysWholeOverTheTopRows)
{
    struct Case {
        const char* type;
        int below;  // the panel's offset under the chart's top
    };
    const Case cases[] = {{"0", 0}, {"0", 22}, {"1", 22}, {"2", 40}};
    for (const Case& c : cases) {
        Panel p;
        QQuickItem view;
        p.chart.setParentItem(&view);
        p.chip.setParentItem(&view);
        p.chip.setY(c.below);
        p.chip.setChipType(QVariant(c.type));
        p.chip.onSyncUpdateKData();
        const auto items = p.draw();
        int title = -1;
        for (int i = 0; i < int(items.size()); ++i)
            if (items[std::size_t(i)].kind == Drawn::Text && items[std::size_t(i)].text == "600001 测试股份")
                title = i;
        ASSERT_GE(title, 1) << "type " << c.type << " below " << c.below << ": no title";
        const Drawn& t = items[std::size_t(title)];
        // Right before it, the background behind its whole text.
        const Drawn& back = items[std::size_t(title - 1)];
        EXPECT_EQ(back.kind, Drawn::Rect) << "type " << c.type << " below " << c.below;
        EXPECT_EQ(back.brush.color(), QColor(0, 0, 0)) << "type " << c.type << " below " << c.below;
        EXPECT_LE(back.rect.left(), t.at.x()) << "type " << c.type << " below " << c.below;
        EXPECT_GE(back.rect.right(), t.at.x() + t.advance) << "type " << c.type << " below " << c.below;
        EXPECT_LE(back.rect.top(), 0.0);
        EXPECT_GE(back.rect.bottom(), 20.0);
        // No chip line or band drawn after it.
        int lastChip = -1;
        for (int i = 0; i < int(items.size()); ++i)
            if (items[std::size_t(i)].kind == Drawn::Line || items[std::size_t(i)].kind == Drawn::Polygon)
                lastChip = i;
        EXPECT_LT(lastChip, title) << "type " << c.type << " below " << c.below << ": a chip drawn over the title";
        p.chart.setParentItem(nullptr);
        p.chip.setParentItem(nullptr);
    }
}

TEST(ChipDistributionItem, BandTypesDrawOutlinesAndLegend)
{
    Panel p;
    struct Case {
        QVariant type;
        const char* side;
        QColor first;     // the 5-period band: the first legend row
        QColor largest;   // the band painted first, under the others
        QColor smallest;  // the band painted last, on top
    };
    const Case cases[] = {
        {QVariant("1"), "前", QColor(255, 0, 0), QColor(255, 0, 0), QColor(255, 192, 0)},
        {QVariant(2), "内", QColor(120, 80, 255), QColor(0, 64, 128), QColor(120, 80, 255)},
    };
    for (const Case& c : cases) {
        p.chip.setChipType(c.type);
        const auto items = p.draw();
        const ChipDistributionModel& m = p.chip.model();
        // Every band has a cut within 120 bars: six legend rows of 20 pixels from 240 above the bottom.
        int rows = 0;
        for (const auto& entry : *m.bands()) {
            const QString want =
                QString::asprintf("%d周期%s成本%.1f%%", entry.first, c.side, m.bandShare(entry.second) * 100.0);
            EXPECT_TRUE(texts(items).contains(want)) << want.toStdString();
            ++rows;
        }
        EXPECT_EQ(rows, 6);
        int legendRects = 0, polygons = 0;
        QList<QColor> fills;
        for (const Drawn& d : items) {
            if (d.kind == Drawn::Rect && d.rect.height() == 20 && d.rect.top() == kH - 240 &&
                d.brush.color() == c.first)
                ++legendRects;
            if (d.kind == Drawn::Polygon) {
                ++polygons;
                fills << d.brush.color();
                EXPECT_EQ(d.pen.style(), Qt::NoPen);
                EXPECT_EQ(d.poly.front().x(), 0.0);
                EXPECT_EQ(d.poly.back().x(), 0.0);
            }
        }
        EXPECT_EQ(legendRects, 1);
        EXPECT_GE(polygons, 5);  // a band at the first cut may hold no chip in view
        ASSERT_FALSE(fills.isEmpty());
        EXPECT_EQ(fills.front(), c.largest);
        EXPECT_EQ(fills.back(), c.smallest);
        EXPECT_GT(linesIn(items, QColor(255, 255, 255)), 20);  // the whole distribution in the text colour
        EXPECT_EQ(linesIn(items, QColor(255, 255, 0)), 0);
    }
    p.chip.setChipType(QVariant("0"));
    EXPECT_FALSE(hasText(p.draw(), "5周期"));
    p.chip.setChipType(QVariant("x"));  // not a number: ignored
    EXPECT_EQ(p.chip.model().chipType(), 0);
}

TEST(ChipDistributionItem, FollowsTheCrosshairBar)
{
    Panel p;
    p.chart.updateCrosshairPos(60);
    const ChipDistributionModel& m = p.chip.model();
    EXPECT_EQ(m.count(), 61);
    EXPECT_EQ(m.lastClose(), p.days.points[60].close);
    const auto items = p.draw();
    EXPECT_TRUE(texts(items).contains("成本分布 日期: " + dayText(p.days, 60)));
    // The crosshair sits on bar 60's close; its price is read back from the pane's scale.
    const double price = p.chip.crosshairPrice();
    EXPECT_NEAR(price, p.days.points[60].close, 0.02);
    EXPECT_TRUE(texts(items).contains(QString::asprintf("%.2f处获利盘: %.2f%%", price, m.shareBelow(price) * 100.0)));
    p.chip.onReCalcShow(0, 119, 120, 119);
    EXPECT_EQ(m.count(), 120);
}

TEST(ChipDistributionItem, NonKLineChartLeavesThePanelUnchanged)
{
    Panel p;
    const QStringList before = texts(p.draw());
    const std::vector<double> cells = p.chip.model().cells();
    p.chart.setLineType("mline");
    KRecord other = swingDays(30);
    p.chart.onUpdateKLine(other.get(), 0);
    p.chip.onCrosshairChange(&p.chart, 5, 100);
    p.chip.onReCalcShow(0, 10, 10, 5);
    p.chip.onVisibleChanged();
    EXPECT_EQ(p.chip.model().count(), 120);
    EXPECT_EQ(p.chip.model().cells(), cells);
    EXPECT_EQ(texts(p.draw()), before);
}

TEST(ChipDistributionItem, QmlMakesItAndPassesTheTypeAsText)
{
    registerQmlTypes();
    QQmlEngine engine;
    QQmlComponent component(&engine);
    component.setData(
        "import QtQuick 2.15\nimport CChipDistribution 1.0\n"
        "CChipDistribution { width: 100; height: 300; Component.onCompleted: setChipType(\"2\") }",
        QUrl());
    std::unique_ptr<QObject> obj(component.create());
    ASSERT_TRUE(obj) << component.errorString().toStdString();
    auto* chip = qobject_cast<CChipDistribution*>(obj.get());
    ASSERT_TRUE(chip);
    EXPECT_EQ(chip->model().chipType(), 2);
}

TEST(ChipDistributionItem, Screenshot)
{
    Panel p;
    p.chart.updateCrosshairPos(110);
    const QString dir = QString(TARVOLIN_BIN_DIR) + "/../screenshots";
    QDir().mkpath(dir);
    const QImage plain = p.image();
    EXPECT_TRUE(plain.save(dir + "/chip.png"));
    // Black background, yellow chips below the close somewhere in the plot.
    EXPECT_EQ(plain.pixelColor(kW - 2, 5), QColor(0, 0, 0));
    EXPECT_EQ(plain.pixelColor(kW - 2, 420), QColor(0, 0, 0));
    int yellow = 0;
    for (int y = 20; y < 400; ++y)
        yellow += plain.pixelColor(2, y) == QColor(255, 255, 0);
    EXPECT_GT(yellow, 10);

    p.chip.setChipType(QVariant(2));
    const QImage bands = p.image();
    EXPECT_TRUE(bands.save(dir + "/chip-within.png"));
    EXPECT_EQ(bands.pixelColor(kW - 2, kH - 230), QColor(120, 80, 255));  // the first legend row
}

}  // namespace
