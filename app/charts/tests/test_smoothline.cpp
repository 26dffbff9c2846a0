// Smoothed thin polylines written into the image: coverage per pixel against
// hand-computed values, joints blended once, clipping, and when the painter
// must draw instead.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <cmath>
#include <limits>
#include <vector>

#include "charts/smoothline.h"
#include "recordingdevice.h"

namespace {

// The alpha of every pixel of a 12 x 12 image after stroking pts in white
// (alpha a) inside clip.
std::vector<std::vector<int>> stroke(std::vector<QPointF> pts, QRect clip = QRect(0, 0, 12, 12), int a = 255)
{
    QImage img(12, 12, QImage::Format_ARGB32_Premultiplied);
    img.fill(0);
    smoothline::strokeRun(img, clip, pts.data(), int(pts.size()), qRgba(255, 255, 255, a));
    std::vector<std::vector<int>> alpha(12, std::vector<int>(12));
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x)
            alpha[std::size_t(y)][std::size_t(x)] = qAlpha(img.pixel(x, y));
    return alpha;
}

// Pixels with any alpha.
int touched(const std::vector<std::vector<int>>& a)
{
    int n = 0;
    for (const auto& row : a)
        for (int v : row)
            n += v != 0;
    return n;
}

}  // namespace

TEST(SmoothLine, CoverageSplitBetweenTheTwoPixelsALinePassesBetween)
{
    // Through pixel centres along a row, a column and the diagonal: one
    // opaque pixel per step, both ends included, nothing beside them.
    auto row = stroke({{2.5, 3.5}, {9.5, 3.5}});
    auto col = stroke({{4.5, 9.5}, {4.5, 1.5}});
    auto diag = stroke({{2.5, 2.5}, {8.5, 8.5}});
    for (int i = 2; i <= 9; ++i)
        EXPECT_EQ(255, row[3][std::size_t(i)]) << i;
    for (int i = 1; i <= 9; ++i)
        EXPECT_EQ(255, col[std::size_t(i)][4]) << i;
    for (int i = 2; i <= 8; ++i)
        EXPECT_EQ(255, diag[std::size_t(i)][std::size_t(i)]) << i;
    EXPECT_EQ(8, touched(row));
    EXPECT_EQ(9, touched(col));
    EXPECT_EQ(7, touched(diag));

    // Slope 1/2 from the centre of (0, 0): column i at y = i / 2 - on a centre
    // for even i, halfway between two rows (half each) for odd i.
    auto gentle = stroke({{0.5, 0.5}, {10.5, 5.5}});
    for (int i = 0; i <= 10; ++i) {
        const std::size_t x = std::size_t(i), y = std::size_t(i / 2);
        if (i % 2 == 0) {
            EXPECT_EQ(255, gentle[y][x]) << i;
        } else {
            EXPECT_EQ(128, gentle[y][x]) << i;
            EXPECT_EQ(128, gentle[y + 1][x]) << i;
        }
    }
    EXPECT_EQ(6 + 2 * 5, touched(gentle));
    // Steep, slope 2 in rows: the same split along rows.
    auto steep = stroke({{0.5, 0.5}, {5.5, 10.5}});
    EXPECT_EQ(128, steep[1][0]);
    EXPECT_EQ(128, steep[1][1]);
    EXPECT_EQ(255, steep[2][1]);
    EXPECT_EQ(255, steep[10][5]);
}

TEST(SmoothLine, JointsOnceClipAndNoNumbers)
{
    // Half-transparent: the joints at (5, 5) and the corner (8, 5) get one
    // blend like every other pixel (two would give 191).
    auto bent = stroke({{0.5, 5.5}, {5.5, 5.5}, {8.5, 5.5}, {8.5, 10.5}}, QRect(0, 0, 12, 12), 128);
    for (int x = 0; x <= 8; ++x)
        EXPECT_EQ(128, bent[5][std::size_t(x)]) << x;
    for (int y = 6; y <= 10; ++y)
        EXPECT_EQ(128, bent[std::size_t(y)][8]) << y;
    EXPECT_EQ(9 + 5, touched(bent));

    // Only pixels inside the clip, from a line coming from far outside.
    auto clipped = stroke({{-1e9, 3.5}, {1e9, 3.5}}, QRect(2, 0, 4, 12));
    EXPECT_EQ(4, touched(clipped));
    EXPECT_EQ(255, clipped[3][2]);
    EXPECT_EQ(255, clipped[3][5]);
    // Wholly outside, or through a point that is no number: nothing, no fault.
    EXPECT_EQ(0, touched(stroke({{-50.5, -3.5}, {-10.5, 200.5}})));
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(0, touched(stroke({{nan, 3.5}, {5.5, nan}})));
    EXPECT_EQ(0, touched(stroke({{2.5, 3.5}})));  // one point draws nothing
}

TEST(SmoothLine, DirectOnlyIntoPremultipliedImagesUnderWholeTranslation)
{
    QImage img(20, 10, QImage::Format_ARGB32_Premultiplied);
    QImage plain(20, 10, QImage::Format_ARGB32);
    RecordingDevice dev;
    QImage* target = nullptr;
    QRect clip;
    QPointF offset;
    {
        QPainter p(&img);
        p.translate(3, 4);
        ASSERT_TRUE(smoothline::directTarget(p, target, clip, offset));
        EXPECT_EQ(&img, target);
        EXPECT_EQ(QRect(0, 0, 20, 10), clip);
        EXPECT_EQ(QPointF(3, 4), offset);
        p.setClipRect(QRect(5, -100, 100, 200));  // in the painter's coordinates
        ASSERT_TRUE(smoothline::directTarget(p, target, clip, offset));
        EXPECT_EQ(QRect(8, 0, 12, 10), clip);
        p.translate(0.5, 0);
        EXPECT_FALSE(smoothline::directTarget(p, target, clip, offset));
        p.resetTransform();
        p.scale(2, 2);
        EXPECT_FALSE(smoothline::directTarget(p, target, clip, offset));
    }
    {
        QPainter p(&plain);
        EXPECT_FALSE(smoothline::directTarget(p, target, clip, offset));
    }
    {
        QPainter p(&dev);
        EXPECT_FALSE(smoothline::directTarget(p, target, clip, offset));
    }
}
