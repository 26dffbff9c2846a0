// Formula output painting: the primitives each draw kind produces, recorded
// on a paint device; a few pixel probes of the item's cached image.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "../../../formula/tests/fmltestprogram.h"
#include "charts/fchart.h"
#include "recordingdevice.h"

namespace {

const float kInf = std::numeric_limits<float>::infinity();

// Plot (0, 0) 100 x 100, range 0..100 (one pixel per unit: y = 100 - v),
// bar width 9 and gap 1 (x(n) = 10 n + 4.5).
std::unique_ptr<CTXData> slotOf(TestProgram& p, float bw = 9.0f, float gap = 1.0f)
{
    auto s = std::make_unique<CTXData>();
    s->context = p.ctx();
    s->geometry.plot = QRect(0, 0, 100, 100);
    s->geometry.range.max = 100.0f;
    s->geometry.range.min = 0.0f;
    s->geometry.barWidth = bw;
    s->geometry.barGap = gap;
    return s;
}

std::vector<Drawn> paintOne(TestProgram& p, int begin, int end, float bw = 9.0f, float gap = 1.0f)
{
    CTXLayer layer;
    layer.push_back(slotOf(p, bw, gap));
    RecordingDevice dev;
    {
        QPainter painter(&dev);
        FChart::paintLayer(painter, layer, begin, end);
    }
    return dev.engine.items;
}

}  // namespace

TEST(FChartLines, BrokenAtInvalidValuesWithPaletteColoursPerSlot)
{
    TestProgram a, b;
    a.setSeries("X", {10, 20, kInf, 30, kInf, 40, 50});
    a.name("X").output(FML_DRAW_DATA, "A").drop();
    a.name("X").output(FML_DRAW_DATA, "B").drop();
    a.name("X").output(FML_DRAW_DATA, "C", 0x00ff0000u, 2.0f, 1).drop();  // blue, dash-dot, width 2
    a.name("X").output(FML_DRAW_DATA, "D").drop();
    ASSERT_EQ(1, a.run(7));
    b.setSeries("Y", {1, 2});
    b.name("Y").output(FML_DRAW_DATA, "E").drop();
    ASSERT_EQ(1, b.run(2));

    CTXLayer layer;
    layer.push_back(slotOf(a));
    layer.push_back(slotOf(b));
    RecordingDevice dev;
    {
        QPainter painter(&dev);
        FChart::paintLayer(painter, layer, 0, 6);
    }
    const auto lines = only(dev.engine.items, Drawn::Line);
    ASSERT_EQ(9u, lines.size());  // 2 per output of slot 0, 1 of slot 1
    // The single value 30 between two gaps draws nothing.
    EXPECT_EQ(QLineF(4.5, 90.5, 14.5, 80.5), lines[0].line);
    EXPECT_EQ(QLineF(54.5, 60.5, 64.5, 50.5), lines[1].line);
    EXPECT_EQ(QColor(255, 255, 255), lines[0].pen.color());
    EXPECT_EQ(QColor(217, 128, 36), lines[2].pen.color());
    EXPECT_EQ(QColor(0, 0, 255), lines[4].pen.color());
    EXPECT_EQ(QLineF(4, 90, 14, 80), lines[4].line);  // even width: centred on the pixel edge
    EXPECT_EQ(Qt::DashDotLine, lines[4].pen.style());
    EXPECT_EQ(2, lines[4].pen.width());
    EXPECT_EQ(Qt::SolidLine, lines[6].pen.style());
    EXPECT_EQ(QColor(181, 91, 173), lines[6].pen.color());   // own colour took no palette entry
    EXPECT_EQ(QColor(255, 255, 255), lines[8].pen.color());  // next slot starts again
    EXPECT_EQ(QLineF(4.5, 99.5, 14.5, 98.5), lines[8].line);
}

// A flat run of a line painted with smoothing is one opaque pixel row.
TEST(FChartLines, FlatRunIsOneCrispRow)
{
    TestProgram p;
    p.setSeries("X", {50, 50, 50});
    p.name("X").output(FML_DRAW_DATA, "A").drop();
    ASSERT_EQ(1, p.run(3));
    CTXLayer layer;
    layer.push_back(slotOf(p));
    QImage img(40, 100, QImage::Format_ARGB32_Premultiplied);
    img.fill(0);
    {
        QPainter painter(&img);
        painter.setRenderHints(QPainter::Antialiasing);
        FChart::paintLayer(painter, layer, 0, 2);
    }
    for (int x = 6; x <= 22; ++x) {  // between the end caps at 4.5 and 24.5
        EXPECT_EQ(qRgb(255, 255, 255), img.pixel(x, 50)) << x;
        EXPECT_EQ(0u, img.pixel(x, 49)) << x;
        EXPECT_EQ(0u, img.pixel(x, 51)) << x;
    }
}

TEST(FChartLines, SlotZeroHiddenUnlessEverySlotDraws)
{
    TestProgram a, b;
    a.setSeries("X", {10, 20});
    a.name("X").output(FML_DRAW_DATA, "A").drop();
    b.setSeries("X", {30, 40});
    b.name("X").output(FML_DRAW_DATA, "B").drop();
    ASSERT_EQ(1, a.run(2));
    ASSERT_EQ(1, b.run(2));
    for (bool secondDraws : {true, false}) {
        CTXLayer layer;
        layer.push_back(slotOf(a));
        layer.push_back(slotOf(b));
        layer[1]->draw = secondDraws;
        RecordingDevice dev;
        {
            QPainter painter(&dev);
            FChart::paintLayer(painter, layer, 0, 1);
        }
        const auto lines = only(dev.engine.items, Drawn::Line);
        ASSERT_EQ(secondDraws ? 2u : 1u, lines.size());
        EXPECT_EQ(QLineF(4.5, 70.5, 14.5, 60.5), lines.back().line);
    }
}

TEST(FChartLines, FlatRangeAndNodrawStyles)
{
    TestProgram p;
    p.setSeries("X", {10, 20});
    p.name("X").output(FML_DRAW_DATA, "N", 0, 1, -1).drop();
    p.name("X").output(FML_DRAW_DATA, "M", 0, 1, -7).drop();
    p.name("X").output(FML_DRAW_DATA, "L").drop();
    ASSERT_EQ(1, p.run(2));
    CTXLayer layer;
    layer.push_back(slotOf(p));
    layer[0]->geometry.range.max = 30.0f;
    layer[0]->geometry.range.min = 30.0f;  // scale 1: y = top + (max - v)
    layer[0]->geometry.plot = QRect(0, 5, 100, 100);
    RecordingDevice dev;
    {
        QPainter painter(&dev);
        FChart::paintLayer(painter, layer, 0, 1);
    }
    const auto lines = only(dev.engine.items, Drawn::Line);
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ(QLineF(4.5, 25.5, 14.5, 15.5), lines[0].line);
}

// Sticks are whole-pixel rectangles filled without a pen (see
// FChartStickPixels for the pixels themselves).
TEST(FChartSticks, ColorStickAndVolStickSkipInvalidBars)
{
    TestProgram c;
    c.setSeries("X", {5, -5, 0, kInf});
    c.name("X").output(FML_DRAW_DATA, "CS", 0, 1, FML_PEN_COLORSTICK).drop();
    ASSERT_EQ(1, c.run(4));
    const auto rects = only(paintOne(c, 0, 3), Drawn::Rect);
    ASSERT_EQ(3u, rects.size());
    // Rising first: bar 0 (column 4 under the centre 4.5), and bar 2, exactly
    // 0, one row above the zero line; then bar 1 below it.
    EXPECT_EQ(QRectF(4, 95, 1, 5), rects[0].rect);
    EXPECT_EQ(QColor(255, 61, 61), rects[0].brush.color());
    EXPECT_EQ(Qt::NoPen, rects[0].pen.style());
    EXPECT_EQ(QRectF(24, 99, 1, 1), rects[1].rect);
    EXPECT_EQ(QRectF(14, 100, 1, 5), rects[2].rect);
    EXPECT_EQ(QColor(15, 195, 81), rects[2].brush.color());

    TestProgram v;
    v.setSeries("V", {50, 30, 20, kInf});
    v.setSeries("O", {10, 10, 10, 10});
    v.setSeries("C", {11, 9, 10, 12});
    v.name("O").drop().name("C").drop();
    v.name("V").output(FML_DRAW_DATA, "VOL", 0, 1, FML_PEN_VOLSTICK).drop();
    ASSERT_EQ(1, v.run(4));
    const auto vr = only(paintOne(v, 0, 3), Drawn::Rect);
    ASSERT_EQ(9u, vr.size());
    // Rising sticks as four edges each (bar 0; bar 2 a doji above the previous
    // close), columns [round(x - 4), round(x + 4)), then the filled falling one.
    const QRectF up[] = {{1, 50, 8, 1},  {1, 99, 8, 1},  {1, 51, 1, 48},  {8, 51, 1, 48},
                         {21, 80, 8, 1}, {21, 99, 8, 1}, {21, 81, 1, 18}, {28, 81, 1, 18}};
    for (int k = 0; k < 8; ++k) {
        EXPECT_EQ(up[k], vr[k].rect) << "edge " << k;
        EXPECT_EQ(QColor(255, 61, 61), vr[k].brush.color());
    }
    EXPECT_EQ(QRectF(11, 70, 8, 30), vr[8].rect);
    EXPECT_EQ(Qt::NoPen, vr[8].pen.style());
    EXPECT_EQ(QColor(15, 195, 81), vr[8].brush.color());
}

namespace {

// The layer painted into a transparent image as FChart renders it (smoothing
// on), as a map: 'R' rising colour, 'G' falling colour, '.' untouched, '?'
// anything else (a blended edge).
std::vector<std::string> pixelMap(TestProgram& p, int bars, QSize size, float lo, float hi, float bw, float gap)
{
    CTXLayer layer;
    layer.push_back(slotOf(p, bw, gap));
    layer[0]->geometry.plot = QRect(QPoint(0, 0), size);
    layer[0]->geometry.range.min = lo;
    layer[0]->geometry.range.max = hi;
    QImage img(size, QImage::Format_ARGB32);
    img.fill(0);
    {
        QPainter painter(&img);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
        FChart::paintLayer(painter, layer, 0, bars - 1);
    }
    std::vector<std::string> rows;
    for (int y = 0; y < img.height(); ++y) {
        std::string row;
        for (int x = 0; x < img.width(); ++x) {
            const QRgb px = img.pixel(x, y);
            row += px == 0                            ? '.'
                   : px == QColor(255, 61, 61).rgba() ? 'R'
                   : px == QColor(15, 195, 81).rgba() ? 'G'
                                                      : '?';
        }
        rows.push_back(row);
    }
    return rows;
}

std::string joined(const std::vector<std::string>& rows)
{
    std::string s;
    for (const std::string& r : rows)
        s += "\n" + r;
    return s;
}

}  // namespace

// Pixel by pixel against maps drawn by hand. A VOL stick covers columns
// [round(x - w/2), round(x + w/2)) and rows [round(y), round(y0)) (halves up,
// as an unsmoothed fill rounds), rising ones as a 1-pixel outline of that
// rectangle; a valued stick under a pixel high keeps one row. Colour sticks
// are one column, the centre's pixel, from the zero line.
TEST(FChartStickPixels, CrispSticksAgainstHandDrawnMaps)
{
    struct Case {
        const char* what;
        int style;
        std::vector<float> v, o, c;
        float lo, hi, bw, gap;
        std::vector<std::string> map;
    };
    const Case cases[] = {
        // Width 4.3 - 1 = 3.3: lefts 0.5, 5.8, 11.1 give columns 1-3, 6-8,
        // 11-13 (against the right edge); 12 lies above the range, so the
        // third stick's top edge falls outside the image.
        {"width 3.3",
         FML_PEN_VOLSTICK,
         {6, 3, 12},
         {1, 2, 1},
         {2, 1, 2},
         0,
         10,
         4.3f,
         1.0f,
         {"...........R.R", "...........R.R", "...........R.R", "...........R.R", ".RRR.......R.R", ".R.R.......R.R",
          ".R.R.......R.R", ".R.R..GGG..R.R", ".R.R..GGG..R.R", ".RRR..GGG..RRR"}},
        // Width 1 (columns 1, 4, 7, 10): zero volume and a falling 0.3 (under
        // half a pixel) keep the bottom row; 4 rising and falling alike.
        {"width 1",
         FML_PEN_VOLSTICK,
         {0, 0.3f, 4, 4},
         {1, 2, 1, 2},
         {2, 1, 2, 1},
         0,
         10,
         2.0f,
         1.0f,
         {"............", "............", "............", "............", "............", "............",
          ".......R..G.", ".......R..G.", ".......R..G.", ".R..G..R..G."}},
        // Width 2 (columns 1-2, 5-6, 9-10): a rising outline two wide is solid.
        {"width 2",
         FML_PEN_VOLSTICK,
         {0, 5, 5},
         {1, 1, 2},
         {2, 2, 1},
         0,
         10,
         3.0f,
         1.0f,
         {"............", "............", "............", "............", "............", ".....RR..GG.",
          ".....RR..GG.", ".....RR..GG.", ".....RR..GG.", ".RR..RR..GG."}},
        // Zero line at y 5; centres 1.65, 5.65, 9.65: columns 1, 5, 9. 0.2
        // rounds onto the line and keeps one row above it.
        {"colour sticks",
         FML_PEN_COLORSTICK,
         {3, -2.4f, 0.2f},
         {},
         {},
         -5,
         5,
         3.3f,
         0.7f,
         {"............", "............", ".R..........", ".R..........", ".R.......R..", ".....G......",
          ".....G......", "............", "............", "............"}},
    };
    for (const Case& k : cases) {
        TestProgram p;
        p.setSeries("V", k.v);
        if (!k.o.empty()) {
            p.setSeries("O", k.o);
            p.setSeries("C", k.c);
            p.name("O").drop().name("C").drop();
        }
        p.name("V").output(FML_DRAW_DATA, "S", 0, 1, k.style).drop();
        ASSERT_EQ(1, p.run(int(k.v.size())));
        const QSize size(int(k.map[0].size()), int(k.map.size()));
        const auto got = pixelMap(p, int(k.v.size()), size, k.lo, k.hi, k.bw, k.gap);
        EXPECT_EQ(k.map, got) << k.what << ": expected" << joined(k.map) << "\ngot" << joined(got);
    }
}

// The sticks are filled by a faster call than the general rectangle path;
// the pixels must be those the general path places. Over fractional bar
// widths, offsets and a scrolled range, the pane painted into an image equals
// the same rectangles replayed one drawRect at a time.
TEST(FChartSticks, VolStickPixelsEqualTheGeneralRectPath)
{
    struct Case {
        float bw, gap;
        int begin, end;
        qreal dy = 0;
    };
    const Case cases[] = {
        {9.0f, 1.0f, 0, 9}, {6.4f, 1.28f, 0, 14}, {3.3f, 0.7f, 5, 29}, {12.75f, 2.5f, 2, 7}, {1.0f, 0.0f, 0, 39}};
    std::vector<float> vol, open, close;
    for (int i = 0; i < 40; ++i) {
        vol.push_back(float(7 + (i * 37) % 90) + 0.37f * float(i % 3));
        open.push_back(float(10 + i % 5));
        close.push_back(float(10 + (i * 3) % 7));
    }
    TestProgram v;
    v.setSeries("V", vol);
    v.setSeries("O", open);
    v.setSeries("C", close);
    v.name("O").drop().name("C").drop();
    v.name("V").output(FML_DRAW_DATA, "VOL", 0, 1, FML_PEN_VOLSTICK).drop();
    ASSERT_EQ(1, v.run(40));
    for (const Case& c : cases) {
        CTXLayer layer;
        layer.push_back(slotOf(v, c.bw, c.gap));
        QImage painted(120, 130, QImage::Format_ARGB32_Premultiplied);
        painted.fill(Qt::black);
        QImage replayed = painted;
        RecordingDevice dev;
        {
            QPainter rec(&dev);
            FChart::paintLayer(rec, layer, c.begin, c.end);
            QPainter p(&painted);
            p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
            p.translate(0, c.dy);
            FChart::paintLayer(p, layer, c.begin, c.end);
        }
        const auto rects = only(dev.engine.items, Drawn::Rect);
        ASSERT_FALSE(rects.empty());
        {
            QPainter p(&replayed);
            p.translate(0, c.dy);
            for (const Drawn& d : rects) {
                p.setPen(d.pen);
                p.setBrush(d.brush);
                p.drawRect(d.rect);
            }
        }
        int diff = 0, firstX = -1, firstY = -1;
        for (int y = 0; y < painted.height(); ++y)
            for (int x = 0; x < painted.width(); ++x)
                if (painted.pixel(x, y) != replayed.pixel(x, y) && diff++ == 0) {
                    firstX = x;
                    firstY = y;
                }
        EXPECT_EQ(0, diff) << "bar width " << c.bw << " gap " << c.gap << " bars " << c.begin << ".." << c.end
                           << ": first differing pixel at (" << firstX << ", " << firstY << ")";
    }
}

// Candles in whole pixels against maps drawn by hand: y = 20 - v (ints
// truncated), width 6 and gap 1 give bodies 5 wide on x = int(7 n + 3).
// Bodies cover rows [min(open, close), + max(1, |open - close|)), the shadows
// the high's row to the body and below the body to the low's row.
TEST(FChartCandles, BodiesShadowsDojiAndWidths)
{
    TestProgram p;
    // Rising hollow; falling doji (11 under the close 14 before it); no high:
    // skipped; falling; rising but two rows high: filled.
    p.setSeries("H", {17, 13, kInf, 10, 7});
    p.setSeries("O", {8, 11, 10, 10, 5});
    p.setSeries("L", {5, 9, 5, 2, 4});
    p.setSeries("C", {14, 11, 12, 4, 6.5f});
    p.name("H").name("O").name("L").name("C").output(FML_DRAW_KLINE, "K").drop();
    ASSERT_EQ(1, p.run(5));
    const std::vector<std::string> want = {
        "...................................", "...................................",
        "...................................", "...R...............................",
        "...R...............................", "...R...............................",
        ".RRRRR.............................", ".R...R....G........................",
        ".R...R....G........................", ".R...R..GGGGG......................",
        ".R...R....G...........GGGGG........", ".RRRRR....G...........GGGGG........",
        "...R..................GGGGG........", "...R..................GGGGG..RRRRR.",
        "...R..................GGGGG..RRRRR.", "...R..................GGGGG....R...",
        "........................G......R...", "........................G..........",
        "........................G..........", "..................................."};
    const auto got = pixelMap(p, 5, QSize(35, 20), 0, 20, 6.0f, 1.0f);
    EXPECT_EQ(want, got) << "expected" << joined(want) << "\ngot" << joined(got);

    // Width 4, gap 1: bodies 3 wide; a doji at 5 on the first visible bar is
    // rising (above the close 0 before it), one row, no shadows.
    TestProgram d;
    d.setSeries("H", {5});
    d.setSeries("O", {5});
    d.setSeries("C", {5});
    d.name("H").name("O").name("H").name("C").output(FML_DRAW_KLINE, "K").drop();
    ASSERT_EQ(1, d.run(1));
    const std::vector<std::string> doji = {"......", "......", "......", "......", "......",
                                           ".RRR..", "......", "......", "......", "......"};
    const auto dg = pixelMap(d, 1, QSize(6, 10), 0, 10, 4.0f, 1.0f);
    EXPECT_EQ(doji, dg) << "expected" << joined(doji) << "\ngot" << joined(dg);
}

TEST(FChartMarks, TextsIconsLiteralsSticksAndRects)
{
    TestProgram p;
    p.setSeries("A", {40, kInf, 30});
    p.setSeries("B", {12.3456f, 1, 2});
    p.setSeries("Z", {0, 1, 1});
    p.num(1).name("A").name("B").output(FML_DRAW_NUMBER, "NUM", 0x000000ffu).drop();
    p.name("Z").name("Z").str("买").output(FML_DRAW_TEXT, "T").drop();
    p.name("B").name("B").num(3).output(FML_DRAW_ICON, "I").drop();
    p.num(25).output(FML_DRAW_LITERAL_NUMBER, "LN").drop();
    p.num(1).num(0.5f).num(0.25f).num(0).str("注").output(FML_DRAW_TEXT_FIX, "F").drop();
    p.name("Z").name("A").num(50).num(1).num(1).output(FML_DRAW_STICK, "S").drop();
    ASSERT_EQ(1, p.run(3));
    const auto all = paintOne(p, 0, 2);
    const auto texts = only(all, Drawn::Text);
    ASSERT_EQ(5u, texts.size());
    EXPECT_EQ(QStringLiteral("12.346"), texts[0].text);
    EXPECT_EQ(60.0, texts[0].at.y());
    EXPECT_EQ(QColor(255, 0, 0), texts[0].pen.color());
    EXPECT_EQ(QStringLiteral("2.000"), texts[1].text);
    EXPECT_EQ(70.0, texts[1].at.y());
    EXPECT_EQ(QStringLiteral("买"), texts[2].text);  // bar 0's value is 0: no text there
    EXPECT_EQ(99.0, texts[2].at.y());
    EXPECT_EQ(QStringLiteral("买"), texts[3].text);
    EXPECT_EQ(QStringLiteral("注"), texts[4].text);
    EXPECT_EQ(QPointF(50, 25), texts[4].at);
    const auto images = only(all, Drawn::Image);
    if (QImage(":/images/icon_fml/3.png").isNull()) {
        EXPECT_TRUE(images.empty());  // a missing icon draws nothing
    } else {
        ASSERT_EQ(3u, images.size());
        EXPECT_EQ(QRectF(-3.5, 83, 16, 16), images[0].rect);  // 12.3 is within 16 px of the bottom (99)
    }
    const auto lines = only(all, Drawn::Line);
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ(QLineF(4.5, 75, 24.5, 75), lines[0].line);
    const auto rects = only(all, Drawn::Rect);
    ASSERT_EQ(1u, rects.size());  // bar 1's price is invalid: skipped
    EXPECT_EQ(QRectF(20, 50, 8, 20), rects[0].rect);
    EXPECT_EQ(Qt::NoBrush, rects[0].brush.style());
}

// A drawtext label in Chinese, at a middle bar and at the last one: its
// glyphs are crisp (every pixel the text colour or untouched, no half-bright
// ghost beside the strokes that reads as the text printed twice), and the
// label at the last bar ends at the plot's right edge instead of running into
// the price scale, its baseline still at the price.
TEST(FChartMarks, ChineseTextCrispAndInsideThePlot)
{
    TestProgram p;
    p.setSeries("Z", {0, 0, 1, 0, 0, 0, 0, 0, 0, 1});
    p.setSeries("L", {50, 50, 60, 50, 50, 50, 50, 50, 50, 40});
    p.name("Z").name("L").str("阶段低点").output(FML_DRAW_TEXT, "T", 0x0000ffffu).drop();  // yellow
    ASSERT_EQ(1, p.run(10));
    CTXLayer layer;
    layer.push_back(slotOf(p));

    const auto texts = only(paintOne(p, 0, 9), Drawn::Text);
    ASSERT_EQ(2u, texts.size());
    const qreal w = texts[0].advance;
    ASSERT_GT(w, 30.0);
    EXPECT_DOUBLE_EQ(24.5 - w / 2, texts[0].at.x());  // centred on bar 2
    EXPECT_DOUBLE_EQ(40.0, texts[0].at.y());
    EXPECT_DOUBLE_EQ(100.0 - w, texts[1].at.x());  // bar 9 (x 94.5) would reach past 100
    EXPECT_DOUBLE_EQ(60.0, texts[1].at.y());

    // Beyond the plot, where the price scale stands.
    QImage img(140, 100, FChart::kImageFormat);
    img.fill(0);
    {
        QPainter painter(&img);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
        FChart::paintLayer(painter, layer, 0, 9);
    }
    int lit = 0, ghost = 0, outside = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const int a = qAlpha(img.pixel(x, y));
            lit += a == 255;
            ghost += a != 0 && a != 255;
            outside += a != 0 && x >= 100;
        }
    EXPECT_GT(lit, 100);
    EXPECT_EQ(0, ghost) << "half-bright pixels";
    EXPECT_EQ(0, outside) << "pixels right of the plot";
}

TEST(FChartItem, RendersOnFirstPaintAndNeverAZeroSizeImage)
{
    TestProgram p;
    p.setSeries("H", {60});
    p.setSeries("O", {40});
    p.setSeries("L", {30});
    p.setSeries("C", {50});
    p.name("H").name("O").name("L").name("C").output(FML_DRAW_KLINE, "K").drop();
    ASSERT_EQ(1, p.run(1));
    CTXLayer layer;
    layer.push_back(slotOf(p, 21.0f, 1.0f));  // body 19 wide about x = 10

    FChart empty;
    QImage target(100, 100, QImage::Format_ARGB32);
    {
        QPainter painter(&target);
        empty.setCTXLayer(&layer);
        empty.paint(&painter);
    }
    EXPECT_EQ(nullptr, empty.cachedImage());  // zero size: nothing to render into

    FChart item;
    item.setSize(QSizeF(100, 100));
    item.setBeginEnd(0, 0);
    item.setCTXLayer(&layer);
    EXPECT_EQ(nullptr, item.cachedImage());  // nothing before the first paint
    target.fill(Qt::black);
    {
        QPainter painter(&target);
        item.paint(&painter);
    }
    ASSERT_NE(nullptr, item.cachedImage());
    // Antialiased painting spreads a one-pixel outline over two pixel columns.
    const auto reddish = [&](int x, int y) {
        const QColor c = target.pixelColor(x, y);
        return c.red() > 100 && c.green() < 70 && c.blue() < 70;
    };
    EXPECT_TRUE(reddish(1, 55));                           // left edge of the hollow body
    EXPECT_EQ(QColor(0, 0, 0), target.pixelColor(8, 55));  // hollow inside
    EXPECT_TRUE(reddish(10, 45));                          // upper shadow
    EXPECT_EQ(QColor(0, 0, 0), target.pixelColor(30, 45));
    item.setCTXLayer(nullptr);
    {
        QPainter painter(&target);
        item.paint(&painter);
    }
    EXPECT_EQ(0u, item.cachedImage()->pixel(1, 55));  // no slots: cleared
}

TEST(FChartAreas, BandColoursByWhichLineIsAboveAndGradientArea)
{
    TestProgram p;
    p.setSeries("S1", {60, 60, 40, 40});
    p.setSeries("S2", {40, 40, 60, 60});
    p.name("S1").num(255).name("S2").num(65280).output(FML_DRAW_BAND, "B").drop();
    ASSERT_EQ(1, p.run(4));
    CTXLayer layer;
    layer.push_back(slotOf(p));
    QImage img(100, 100, QImage::Format_ARGB32);
    img.fill(0);
    {
        QPainter painter(&img);
        FChart::paintLayer(painter, layer, 0, 3);
    }
    EXPECT_EQ(QColor(255, 0, 0), img.pixelColor(9, 50));   // series 1 above: colour 1
    EXPECT_EQ(QColor(0, 255, 0), img.pixelColor(30, 50));  // series 2 above: colour 2
    EXPECT_EQ(0, img.pixelColor(9, 30).alpha());           // outside the band

    TestProgram g;
    g.setSeries("H", {50, kInf, 70});
    g.name("H").name("H").name("H").name("H").output(FML_DRAW_KLINE, "K", 0, 1, -11).drop();
    ASSERT_EQ(1, g.run(3));
    const auto all = paintOne(g, 0, 2);
    const auto polys = only(all, Drawn::Polygon);
    ASSERT_EQ(1u, polys.size());
    EXPECT_EQ(QPolygonF({QPointF(4.5, 50), QPointF(24.5, 30), QPointF(24.5, 99), QPointF(4.5, 99), QPointF(4.5, 50)}),
              polys[0].poly);
    EXPECT_EQ(Qt::LinearGradientPattern, polys[0].brush.style());
    const auto lines = only(all, Drawn::Line);
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ(QLineF(4.5, 50, 24.5, 30), lines[0].line);
    EXPECT_EQ(QColor(255, 255, 255), lines[0].pen.color());
}

// The band breaks where either series has no value: a series 1 that starts
// late (a volume band over 0) closes no polygon back over the empty bars,
// and a gap in series 2 leaves its bar unpainted. Bars at x = 10 n + 4.5,
// y = 100 - v; colour 1 red (255), colour 2 black (0), as the volume band.
TEST(FChartAreas, BandBrokenWhereEitherSeriesHasNoValue)
{
    struct Probe {
        int x, y;
        int alpha;  // 0: nothing painted
        QColor colour;
    };
    const struct {
        const char* what;
        std::vector<float> s1, s2;
        std::vector<Probe> probes;
    } cases[] = {
        {"series 1 starts at bar 2",
         {kInf, kInf, 60, 70},
         {0, 0, 0, 0},
         {
             {20, 90, 0, {}},                   // under the empty bars: no black triangle
             {10, 98, 0, {}},                   // the plot's bottom-left
             {30, 80, 255, QColor(255, 0, 0)},  // between the lines, series 1 above
         }},
        {"series 2 missing at bar 2",
         {60, 60, 60, 60, 60},
         {40, 40, kInf, 40, 40},
         {
             {9, 50, 255, QColor(255, 0, 0)},
             {24, 50, 0, {}},  // bar 2: broken
             {39, 50, 255, QColor(255, 0, 0)},
         }},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.what);
        TestProgram p;
        p.setSeries("S1", k.s1);
        p.setSeries("S2", k.s2);
        p.name("S1").num(255).name("S2").num(0).output(FML_DRAW_BAND, "B").drop();
        ASSERT_EQ(1, p.run(int(k.s1.size())));
        CTXLayer layer;
        layer.push_back(slotOf(p));
        QImage img(100, 100, QImage::Format_ARGB32);
        img.fill(0);
        {
            QPainter painter(&img);
            FChart::paintLayer(painter, layer, 0, int(k.s1.size()) - 1);
        }
        for (const Probe& pr : k.probes) {
            const QColor got = img.pixelColor(pr.x, pr.y);
            EXPECT_EQ(pr.alpha, got.alpha()) << "at " << pr.x << "," << pr.y;
            if (pr.alpha)
                EXPECT_EQ(pr.colour, got) << "at " << pr.x << "," << pr.y;
        }
    }
}

TEST(FChartOverlay, OverlayColourFromTheColorParameter)
{
    TestProgram p;
    p.setSeries("X", {10, 20});
    p.name("X").output(FML_DRAW_DATA, "L", 0, 3, -8).drop();
    p.name("X").name("X").name("X").name("X").output(FML_DRAW_KLINE, "K", 0, 1, -9).drop();
    ASSERT_EQ(1, p.run(2));
    const uint32_t rgb = 0xff123456u;  // a Qt RGB value carried in the float's bits
    float bits;
    std::memcpy(&bits, &rgb, sizeof bits);
    fml_argument_data(fml_get_static_argument(p.ctx(), "_color"), 1)[0] = bits;
    const auto lines = only(paintOne(p, 0, 1), Drawn::Line);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(QColor(0x12, 0x34, 0x56), lines[0].pen.color());
    EXPECT_EQ(1, lines[0].pen.width());  // not the output's width 3
    for (const Drawn& d : lines)
        EXPECT_EQ(QColor(0x12, 0x34, 0x56), d.pen.color());  // candles of both directions too
}

// Values far outside the pane's range (a formula's 1e20 in a price pane, the
// float extremes) map to coordinates held far outside the image instead of
// converting out of int's range: nothing crashes, the normal bars (0 and 1)
// draw exactly as they do alone, and the far bars (2 to 5) only reach out of
// their own columns along the plot's edge rows.
TEST(FChartFarValues, HeldOutsideTheImageWithTheNormalBarsIntact)
{
    const float big = 3.0e38f;
    const std::vector<float> far = {1e20f, -1e20f, big, -big};
    auto program = [&](TestProgram& p, bool withFar) {
        std::vector<float> v = {40, 60}, h = {70, 80}, l = {20, 30}, o = {30, 70}, c = {60, 40}, one = {1, 1};
        if (withFar)
            for (float f : far) {
                v.push_back(f), h.push_back(f), l.push_back(-f), o.push_back(f), c.push_back(-f), one.push_back(1);
            }
        p.setSeries("V", v);
        p.setSeries("H", h);
        p.setSeries("L", l);
        p.setSeries("O", o);
        p.setSeries("C", c);
        p.setSeries("ONE", one);
        p.name("H").name("O").name("L").name("C").output(FML_DRAW_KLINE, "K").drop();
        p.name("V").output(FML_DRAW_DATA, "LINE").drop();
        p.name("V").output(FML_DRAW_DATA, "CS", 0, 1, FML_PEN_COLORSTICK).drop();
        p.name("O").drop().name("C").drop();
        p.name("V").output(FML_DRAW_DATA, "VOL", 0, 1, FML_PEN_VOLSTICK).drop();
        p.name("ONE").name("V").name("L").num(0.8f).num(0).output(FML_DRAW_STICK, "S").drop();
        p.name("ONE").name("ONE").name("V").name("L").num(0).output(FML_DRAW_RECT, "R").drop();
        p.name("ONE").name("V").name("L").num(1).num(1).output(FML_DRAW_STICK, "S2").drop();
        p.name("V").name("V").str("X").output(FML_DRAW_TEXT, "T").drop();
        p.num(1e30f).output(FML_DRAW_LITERAL_NUMBER, "LN").drop();
        p.num(1).num(1e30f).num(-1e30f).num(0).str("F").output(FML_DRAW_TEXT_FIX, "F").drop();
        return p.run(int(v.size()));
    };
    auto paint = [](TestProgram& p, int bars) {
        CTXLayer layer;
        layer.push_back(slotOf(p, 9.0f, 1.0f));  // plot (0, 0) 100 x 100, bar n at 10 n + 4.5
        QImage img(160, 140, QImage::Format_ARGB32_Premultiplied);
        img.fill(0);
        QPainter painter(&img);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
        painter.translate(20, 20);
        FChart::paintLayer(painter, layer, 0, bars - 1);
        return img;
    };
    TestProgram alone, hostile;
    ASSERT_EQ(1, program(alone, false));
    ASSERT_EQ(1, program(hostile, true));
    const QImage a = paint(alone, 2), h = paint(hostile, 6);
    int normal = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < 34; ++x) {  // bar 0 and bar 1 left of its centre, where segments into bar 2 start
            normal += a.pixel(x, y) != 0;
            ASSERT_EQ(a.pixel(x, y), h.pixel(x, y)) << x << "," << y;
        }
    EXPECT_GT(normal, 500);  // candles, sticks, rectangles, lines drawn
    // The far bars drew too: up to the plot's top and bottom and past them,
    // held far out of the image rather than wrapped around into it.
    int farColumns = 0;
    for (int x = 42; x < 120; ++x)
        farColumns += h.pixel(x, 20) != 0 || h.pixel(x, 119) != 0;
    EXPECT_GT(farColumns, 8);
}
