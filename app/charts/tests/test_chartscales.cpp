// Scale and crosshair painters: label texts, levels, grid, extremes and the
// minute scale's symmetric range, recorded on a paint device.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <algorithm>

#include "../../../formula/tests/fmltestprogram.h"
#include "chartfixtures.h"
#include "charts/chartscales.h"
#include "charts/qchart.h"
#include "recordingdevice.h"

namespace {

CTXGeometry geometry(float min, float max)
{
    CTXGeometry g;
    g.plot = QRect(60, 20, 400, 200);
    g.range.min = min;
    g.range.max = max;
    g.barWidth = 9;
    g.barGap = 1;
    return g;
}

std::vector<Drawn> record(const std::function<void(QPainter&)>& paint)
{
    RecordingDevice dev;
    {
        QPainter p(&dev);
        paint(p);
    }
    return dev.engine.items;
}

std::vector<QString> texts(const std::vector<Drawn>& all)
{
    std::vector<QString> out;
    for (const Drawn& d : all)
        if (d.kind == Drawn::Text)
            out.push_back(d.text);
    return out;
}

}  // namespace

TEST(ChartScales, LabelTexts)
{
    struct Case {
        double v;
        const char* name;
        bool cross;
        const char* want;
    } cases[] = {
        {12.345, "KLINE", false, "12.35"}, {12.345, "MLINE", true, "12.35"},   {15000, "VOL", false, "1.5万"},
        {15000, "VOL", true, "1.50万"},    {250000000, "VOL", false, "2.5亿"}, {10000, "VOL", false, "10000.00"},
        {-3.5, "MACD", false, "-3.50"},    {-0.004, "MACD", false, "0.00"},    {-0.004, "KLINE", false, "0.00"},
        {-0.006, "MACD", false, "-0.01"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(QString::fromUtf8(c.want), scaleLabel(c.v, c.name, 2, c.cross)) << c.v;
    EXPECT_EQ(nullptr, scalePainterFor("OTHER"));
    EXPECT_EQ(nullptr, crosshairPainterFor("KSCALES"));
}

TEST(ChartScales, KLineScaleLevelsGridAndExtremes)
{
    TestProgram p;
    p.setSeries("H", {30, 20, 25});
    p.setSeries("O", {15, 15, 15});
    p.setSeries("L", {12, 14, 10});
    p.setSeries("C", {16, 16, 16});
    p.name("H").name("O").name("L").name("C").output(FML_DRAW_KLINE, "K").drop();
    ASSERT_EQ(1, p.run(3));
    CTXGeometry g = geometry(10, 30);
    ScaleArgs a;
    a.ctx = p.ctx();
    a.inner = 3;
    a.geometry = &g;
    a.begin = 0;
    a.end = 2;
    a.name = "KLINE";
    const auto all = record([&](QPainter& q) { scalePainterFor("KSCALES")(q, a); });
    const auto t = texts(all);
    ASSERT_EQ(12u, t.size());  // five levels on both sides, then the two marks
    EXPECT_EQ(QStringLiteral("30.00"), t[0]);
    EXPECT_EQ(QStringLiteral("25.00"), t[2]);
    EXPECT_EQ(QStringLiteral("10.00"), t[9]);
    // The highest high is on the first bar, too near the left edge to point right.
    EXPECT_EQ(QStringLiteral("←30.00"), t[10]);
    EXPECT_EQ(QStringLiteral("←10.00"), t[11]);
    // The grid as whole-pixel rows and the plot's edge columns, filled.
    std::vector<QRectF> grid;
    for (const Drawn& d : all)
        if (d.kind == Drawn::Rect) {
            grid.push_back(d.rect);
            EXPECT_EQ(QColor(42, 47, 54), d.brush.color());
            EXPECT_EQ(Qt::NoPen, d.pen.style());
        }
    ASSERT_EQ(7u, grid.size());
    EXPECT_EQ(QRectF(60, 20, 400, 1), grid[0]);   // the top level (30)
    EXPECT_EQ(QRectF(60, 70, 400, 1), grid[1]);   // 25: 5 units of 10 px
    EXPECT_EQ(QRectF(60, 220, 400, 1), grid[4]);  // 10
    EXPECT_EQ(QRectF(60, 20, 1, 200), grid[5]);   // left edge
    EXPECT_EQ(QRectF(459, 20, 1, 200), grid[6]);  // right edge
}

// Painted: each grid row one crisp pixel row, the row a level's y falls in
// (levels 49.75 px apart on a 199-px plot: y = 20, 69.75, 119.5, 169.25, 219),
// nothing blended into the rows beside it.
TEST(ChartScales, GridRowsAreCrispPixels)
{
    CTXGeometry g = geometry(0, 30000);
    g.plot.setHeight(199);
    ScaleArgs a;
    a.geometry = &g;
    a.inner = 3;
    a.name = "VOL";
    QImage img(520, 240, QImage::Format_ARGB32_Premultiplied);
    img.fill(0);
    {
        QPainter q(&img);
        q.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
        scalePainterFor("KSCALES")(q, a);
    }
    const QRgb grid = QColor(42, 47, 54).rgba();
    const std::vector<int> rows = {20, 69, 119, 169, 219};  // 219: the item's row under the plot
    for (int y = 0; y < img.height(); ++y) {
        const bool want = std::find(rows.begin(), rows.end(), y) != rows.end();
        EXPECT_EQ(want ? grid : 0u, img.pixel(200, y)) << "row " << y;
    }
    for (int y : {21, 100, 218})  // the plot's edge columns
        EXPECT_TRUE(img.pixel(60, y) == grid && img.pixel(459, y) == grid && img.pixel(61, y) == 0) << y;
}

TEST(ChartScales, SubPaneAbbreviatesAndFlatRangeStacksAtTheTop)
{
    CTXGeometry g = geometry(0, 30000);
    ScaleArgs a;
    a.geometry = &g;
    a.name = "VOL";
    auto t = texts(record([&](QPainter& q) { scalePainterFor("KSCALES")(q, a); }));
    ASSERT_EQ(6u, t.size());
    EXPECT_EQ(QStringLiteral("3.0万"), t[0]);
    EXPECT_EQ(QStringLiteral("1.5万"), t[2]);
    EXPECT_EQ(QStringLiteral("0.00"), t[4]);

    CTXGeometry flat = geometry(5, 5);
    a.geometry = &flat;
    std::vector<QRectF> rows;
    for (const Drawn& d : record([&](QPainter& q) { scalePainterFor("KSCALES")(q, a); }))
        if (d.kind == Drawn::Rect && d.rect.height() == 1)
            rows.push_back(d.rect);
    ASSERT_EQ(3u, rows.size());
    for (const QRectF& r : rows)
        EXPECT_EQ(20.0, r.y());
}

// The minute scale's arguments: a previous close of 10 and a value range.
struct MinuteScale {
    TestProgram p;
    CTXGeometry g;
    ScaleArgs a;
    int ran = 0;
    MinuteScale(float lo, float hi) : g(geometry(lo, hi))
    {
        p.setSeries("CC", {10});
        p.name("CC").assign("_CC").drop();
        ran = p.run(1);
        a.ctx = p.ctx();
        a.inner = 5;
        a.geometry = &g;
        a.name = "MLINE";
    }
};

TEST(ChartScales, MinuteScaleIsSymmetricWithPercentages)
{
    MinuteScale m(9.4f, 10.3f);
    ASSERT_EQ(1, m.ran);
    CTXGeometry& g = m.g;
    ScaleArgs& a = m.a;
    const auto all = record([&](QPainter& q) { scalePainterFor("MSCALES")(q, a); });
    EXPECT_FLOAT_EQ(10.6f, g.max());
    EXPECT_FLOAT_EQ(9.4f, g.min());
    std::vector<Drawn> t;
    for (const Drawn& d : all)
        if (d.kind == Drawn::Text)
            t.push_back(d);
    ASSERT_EQ(14u, t.size());
    EXPECT_EQ(QStringLiteral("10.60"), t[0].text);
    EXPECT_EQ(QStringLiteral("6.00%"), t[1].text);
    EXPECT_EQ(QColor(255, 61, 61), t[0].pen.color());
    EXPECT_EQ(QStringLiteral("10.00"), t[6].text);
    EXPECT_EQ(QStringLiteral("0.00%"), t[7].text);
    EXPECT_EQ(QColor(255, 255, 255), t[6].pen.color());
    EXPECT_EQ(QStringLiteral("-6.00%"), t[13].text);
    EXPECT_EQ(QColor(15, 195, 81), t[13].pen.color());
    // The grid is filled as whole pixels now (no pen lines); its pixels are
    // checked in MinuteGridIsCrispAndDotted.
    for (const Drawn& d : all)
        EXPECT_NE(Drawn::Line, d.kind);
}

// The minute scale and the crosshair take one base price: the first "_CC",
// or the middle of the range when it is absent or 0. Range 9.40 .. 10.30.
TEST(ChartScales, MinuteScaleAndCrosshairShareTheBase)
{
    const struct {
        const char* name;
        std::vector<float> cc;  // empty: no "_CC"
        const char* top;        // the top level's percentage, on the scale and the crosshair
        const char* bottom;
    } cases[] = {
        // b = 10: d = 0.60, 9.40 .. 10.60, (10.60 - 10) / 10 = 6.00 %
        {"previous close", {10.0f}, "6.00%", "-6.00%"},
        // b = 9.85: d = 0.45, 9.40 .. 10.30, 0.45 / 9.85 = 4.5685 %
        {"zero previous close", {0.0f}, "4.57%", "-4.57%"},
        {"no previous close", {}, "4.57%", "-4.57%"},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        TestProgram p;
        if (!t.cc.empty()) {
            p.setSeries("CC", t.cc);
            p.name("CC").assign("_CC").drop();
        }
        ASSERT_EQ(1, p.run(1));
        CTXGeometry g = geometry(9.4f, 10.3f);
        ScaleArgs a;
        a.ctx = p.ctx();
        a.inner = 5;
        a.geometry = &g;
        a.name = "MLINE";
        const std::vector<QString> scale = texts(record([&](QPainter& q) { scalePainterFor("MSCALES")(q, a); }));
        ASSERT_EQ(14u, scale.size()) << "a price and a percentage for each of 7 levels";
        EXPECT_EQ(QString::fromUtf8(t.top), scale[1]);
        EXPECT_EQ(QString::fromUtf8(t.bottom), scale[13]);
        CrosshairArgs c;
        c.ctx = p.ctx();
        c.geometry = &g;
        c.mouseX = 100;
        c.mouseY = g.plot.top();  // the top level
        c.style = "MCROSSHAIR";
        c.name = "MLINE";
        const std::vector<QString> cross = texts(record([&](QPainter& q) { crosshairPainterFor("MCROSSHAIR")(q, c); }));
        ASSERT_EQ(2u, cross.size());
        EXPECT_EQ(QString::fromUtf8(t.top), cross[1]);
    }
}

namespace {

// Paints onto a transparent 520 x 240 image with smoothing on, as the pane does.
QImage paintImage(const std::function<void(QPainter&)>& paint)
{
    QImage img(520, 240, QImage::Format_ARGB32_Premultiplied);
    img.fill(0);
    QPainter q(&img);
    q.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    paint(q);
    return img;
}

// '#' where the pixel is c exactly, '.' where it is clear, '?' otherwise.
std::string pixelRun(const QImage& img, bool across, int at, int from, int to, QRgb c)
{
    std::string s;
    for (int k = from; k <= to; ++k) {
        const QRgb v = across ? img.pixel(k, at) : img.pixel(at, k);
        s += v == c ? '#' : v == 0 ? '.' : '?';
    }
    return s;
}

}  // namespace

TEST(ChartScales, MinuteGridIsCrispAndDotted)
{
    // Plot (60, 20) 400 x 200; 9.4..10.6 in seven levels 1/6 of the height
    // apart (33.3 px): rows 20, 53, 86, the close's two rows 119-120, 153, 186;
    // columns every 50 px from 60, solid at 60, 260 and 460.
    MinuteScale m(9.4f, 10.6f);
    ASSERT_EQ(1, m.ran);
    ScaleArgs& a = m.a;
    const QImage img = paintImage([&](QPainter& q) { scalePainterFor("MSCALES")(q, a); });
    const QRgb grid = QColor(42, 47, 54).rgba();
    struct Case {
        bool across;
        int at, from, to;
        const char* want;
    } cases[] = {
        {true, 53, 60, 75, "#..#..#..#..#..#"},  // a dotted level from the left edge
        {true, 52, 61, 75, "..............."},   // nothing beside it
        {true, 54, 61, 75, "..............."},    {true, 119, 61, 75, "###############"},  // the close: two solid rows
        {true, 120, 61, 75, "###############"},   {true, 121, 61, 75, "..............."},
        {true, 20, 60, 75, "################"},    // the top edge
        {false, 110, 21, 36, "..#..#..#..#..#."},  // a dotted column from the top (20)
        {false, 111, 21, 36, "................"}, {false, 109, 21, 36, "................"},
        {false, 260, 21, 36, "################"},  // the middle column: solid
        {false, 60, 21, 36, "################"},   // the left edge
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.want, pixelRun(img, c.across, c.at, c.from, c.to, grid)) << (c.across ? "row " : "column ") << c.at;
    // Rows 86 and 186 dotted too; nothing of the grid right of the plot.
    EXPECT_EQ(grid, img.pixel(60, 86));
    EXPECT_EQ(grid, img.pixel(63, 186));
    EXPECT_EQ(0u, img.pixel(61, 186));
    EXPECT_EQ(0u, img.pixel(461, 100));
}

TEST(ChartScales, CrosshairLinesAndValueBoxes)
{
    CTXGeometry g = geometry(10, 30);
    CrosshairArgs a;
    a.geometry = &g;
    a.mouseX = 100;
    a.mouseY = 70;  // value 25
    a.shown = true;
    a.style = "KCROSSHAIR";
    a.name = "KLINE";
    auto all = record([&](QPainter& q) { crosshairPainterFor("KCROSSHAIR")(q, a); });
    auto t = texts(all);
    ASSERT_EQ(2u, t.size());
    EXPECT_EQ(QStringLiteral("25.00"), t[0]);
    // The lines are filled dashes now (their pixels: CrosshairIsCrispDashDot).
    int dashes = 0;
    for (const Drawn& d : all) {
        EXPECT_NE(Drawn::Line, d.kind);
        dashes += d.kind == Drawn::Rect && d.brush.color() == QColor(150, 157, 179);
    }
    EXPECT_EQ(45 + 89, dashes);  // 200 rows and 400 columns of dash-dot

    a.mouseX = 10;  // outside the plot: the lines (x clamped to the left edge) but no boxes
    all = record([&](QPainter& q) { crosshairPainterFor("KCROSSHAIR")(q, a); });
    EXPECT_TRUE(texts(all).empty());
    ASSERT_FALSE(all.empty());
    EXPECT_EQ(QRectF(60, 20, 1, 4), all[0].rect);

    a.mouseX = 100;
    a.style = "MCROSSHAIR";
    a.name = "MLINE";  // no "_CC": base is the middle, 20
    t = texts(record([&](QPainter& q) { crosshairPainterFor("MCROSSHAIR")(q, a); }));
    ASSERT_EQ(2u, t.size());
    EXPECT_EQ(QStringLiteral("25.00%"), t[1]);
}

TEST(ChartScales, CrosshairIsCrispDashDot)
{
    // Each line one crisp pixel wide with the dash-dot Qt's aliased pen
    // draws from the same ends (4 on 2 off 1 on 2 off from the start),
    // where the smoothed pen spread it over two dim columns.
    CTXGeometry g = geometry(10, 30);
    CrosshairArgs a;
    a.geometry = &g;
    a.mouseX = 100;
    a.mouseY = 70;
    a.shown = true;
    a.style = "KCROSSHAIR";
    a.name = "KLINE";
    const QRgb cross = QColor(150, 157, 179).rgba();
    const QImage img = paintImage([&](QPainter& q) { crosshairPainterFor("KCROSSHAIR")(q, a); });
    EXPECT_EQ("####..#..####..#..##", pixelRun(img, false, 100, 20, 39, cross));
    EXPECT_EQ("....................", pixelRun(img, false, 99, 20, 39, cross));
    EXPECT_EQ("....................", pixelRun(img, false, 101, 20, 39, cross));
    EXPECT_EQ(".", pixelRun(img, false, 100, 19, 19, cross));
    EXPECT_EQ("####..#..####..#", pixelRun(img, true, 70, 60, 75, cross));
    EXPECT_EQ("...............", pixelRun(img, true, 69, 61, 75, cross));
    EXPECT_EQ("...............", pixelRun(img, true, 71, 61, 75, cross));

    // The same pixels as the pen unsmoothed, over the whole lines (the value
    // boxes and texts lie outside the plot).
    QImage pen(img.size(), img.format());
    pen.fill(0);
    {
        QPainter q(&pen);
        q.setPen(QPen(QColor(150, 157, 179), 1, Qt::DashDotLine));
        q.drawLine(100, 20, 100, 219);
        q.drawLine(60, 70, 459, 70);
    }
    for (int y = 20; y < 220; ++y)
        for (int x = 60; x < 460; ++x)
            ASSERT_EQ(pen.pixel(x, y), img.pixel(x, y)) << x << "," << y;
}

TEST(ChartScales, PanePaintsLayerZeroScaleAndCrosshair)
{
    QChart c;
    setUpKLinePane(c, 1);
    EXPECT_TRUE(record([&](QPainter& q) { c.paint(&q); }).empty());  // no bars yet
    KRecord k({{0, 10.0f}, {1, 11.0f}, {2, 12.0f}});
    c.onUpdateKLine(k.get(), 0);
    c.setShowCrosshairLine(true);
    c.updateMousePoint(&c, 100, 200);
    const auto t = texts(record([&](QPainter& q) { c.paint(&q); }));
    // Five levels on both sides, the highest and lowest marks, the two crosshair boxes.
    ASSERT_EQ(14u, t.size());
    const CTXGeometry& g = c.getCTXData(0)->geometry;
    EXPECT_EQ(QString::number(double(g.max()), 'f', 2), t[0]);
    EXPECT_EQ(t[12], t[13]);
    EXPECT_EQ(QString::number(c.getYPoint(200), 'f', 2), t[12]);

    // Hiding the crosshair takes its boxes too, until the mouse moves again.
    c.setShowCrosshairLine(false);
    EXPECT_EQ(12u, texts(record([&](QPainter& q) { c.paint(&q); })).size());
    c.updateCrosshairPos(1);  // moved by the program, not the mouse
    EXPECT_EQ(12u, texts(record([&](QPainter& q) { c.paint(&q); })).size());
    c.updateMousePoint(&c, 100, 200);
    EXPECT_EQ(14u, texts(record([&](QPainter& q) { c.paint(&q); })).size());
}
