// Formula icons: every icon number the built-in programs draw is a 16 x 16
// resource, and an icon output puts it at its bar, clamped to the plot bottom.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <limits>

#include "../../../formula/tests/fmltestprogram.h"
#include "charts/fchart.h"

TEST(FChartIcons, EveryIconOfTheBuiltInProgramsIsA16PixelImage)
{
    for (int n : {1, 2, 3, 4, 5, 11, 15, 19, 23, 26, 27, 42, 43}) {
        const QImage img(QStringLiteral(":/images/icon_fml/%1.png").arg(n));
        ASSERT_FALSE(img.isNull()) << n;
        EXPECT_EQ(QSize(16, 16), img.size()) << n;
        EXPECT_TRUE(img.hasAlphaChannel()) << n;
        EXPECT_EQ(0, img.pixelColor(0, 0).alpha()) << n;    // transparent corner
        EXPECT_EQ(255, img.pixelColor(8, 8).alpha()) << n;  // solid middle
    }
}

TEST(FChartIcons, IconDrawnCentredOnItsBarAndClampedToThePlotBottom)
{
    const float inf = std::numeric_limits<float>::infinity();
    TestProgram p;
    p.setSeries("Z", {1, 1, 0, 1});
    p.setSeries("V", {inf, 50, 70, 5});
    p.name("Z").name("V").num(1).output(FML_DRAW_ICON, "I").drop();  // icon 1: red up arrow
    ASSERT_EQ(1, p.run(4));

    // Plot 100 x 100 over 0..100 (y = 100 - v); bar width 9, gap 1: x(n) = 10 n + 4.5.
    auto slot = std::make_unique<CTXData>();
    slot->context = p.ctx();
    slot->geometry.plot = QRect(0, 0, 100, 100);
    slot->geometry.range.max = 100.0f;
    slot->geometry.range.min = 0.0f;
    slot->geometry.barWidth = 9.0f;
    slot->geometry.barGap = 1.0f;
    CTXLayer layer;
    layer.push_back(std::move(slot));

    QImage img(100, 100, QImage::Format_ARGB32);
    img.fill(0);
    {
        QPainter painter(&img);
        FChart::paintLayer(painter, layer, 0, 3);
    }
    const auto red = [&](int x, int y) {
        const QColor c = img.pixelColor(x, y);
        return c.alpha() == 255 && c.red() > 200 && c.green() < 140 && c.blue() < 140;
    };
    const auto clear = [&](int x, int y) { return img.pixelColor(x, y).alpha() == 0; };
    // Bar 0 has no valid value, bar 2 no condition: nothing there.
    for (int y = 0; y < 100; y += 3) {
        EXPECT_TRUE(clear(4, y)) << y;
        EXPECT_TRUE(clear(24, y)) << y;
    }
    // Bar 1: target rectangle (6.5, 50) 16 x 16, the arrow's middle at (14.5, 58).
    EXPECT_TRUE(red(14, 58));
    EXPECT_TRUE(clear(14, 48));
    EXPECT_TRUE(clear(14, 68));
    // Bar 3: y(5) = 95 lies within 16 pixels of the bottom (99): top 83.
    EXPECT_TRUE(red(34, 91));
    EXPECT_TRUE(red(34, 97));  // the arrow's stem reaches the bottom edge
    EXPECT_TRUE(clear(34, 81));
}
