#include "charts/smoothline.h"

#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QRegion>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace smoothline {

namespace {

// x * a / 255 in each of the four bytes (a in 0..255).
inline uint32_t byteMul(uint32_t x, uint32_t a)
{
    uint32_t t = (x & 0xff00ffu) * a;
    t = ((t + ((t >> 8) & 0xff00ffu) + 0x800080u) >> 8) & 0xff00ffu;
    x = ((x >> 8) & 0xff00ffu) * a;
    x = (x + ((x >> 8) & 0xff00ffu) + 0x800080u) & 0xff00ff00u;
    return x | t;
}

struct Target {
    uint32_t* bits;
    qsizetype stride;  // in pixels
    QRect clip;
    uint32_t colour;               // premultiplied
    int left, top, right, bottom;  // clip, inclusive

    Target(uint32_t* b, qsizetype s, const QRect& c, uint32_t col)
        : bits(b), stride(s), clip(c), colour(col), left(c.left()), top(c.top()), right(c.right()), bottom(c.bottom())
    {}

    // Blends the colour over pixel (x, y) at coverage c (0..1).
    void plot(int x, int y, double c) const
    {
        if (x < left || x > right || y < top || y > bottom)
            return;
        const uint32_t cov = uint32_t(c * 255.0 + 0.5);
        if (cov == 0)
            return;
        uint32_t& d = bits[qsizetype(y) * stride + x];
        if (cov >= 255 && colour >= 0xff000000u) {
            d = colour;
            return;
        }
        const uint32_t s = byteMul(colour, std::min(cov, 255u));
        d = s + byteMul(d, 255u - (s >> 24));
    }

    // One segment between pixel-centre coordinates (integers at centres);
    // the pixels of its last column (row) only when last is set, so a joint
    // is blended once.
    void segment(double x0, double y0, double x1, double y1, bool last) const
    {
        const bool steep = std::fabs(y1 - y0) > std::fabs(x1 - x0);
        if (steep) {
            std::swap(x0, y0);
            std::swap(x1, y1);
        }
        // Major axis a (columns, or rows when steep), minor axis b.
        const int aLo = steep ? clip.top() : clip.left(), aHi = steep ? clip.bottom() : clip.right();
        const double bLo = (steep ? clip.left() : clip.top()) - 1.0, bHi = (steep ? clip.right() : clip.bottom()) + 1.0;
        const double r0 = std::floor(x0 + 0.5), r1 = std::floor(x1 + 0.5);
        double from = r0, to = r1;
        if (r1 > r0)
            to = last ? r1 : r1 - 1;
        else if (r1 < r0)
            std::swap(from, to), from = last ? r1 : r1 + 1;
        else if (!last)
            return;
        from = std::max(from, double(aLo));
        to = std::min(to, double(aHi));
        if (!(from <= to))  // also a coordinate that is no number
            return;
        const double grad = x1 != x0 ? (y1 - y0) / (x1 - x0) : 0.0;
        for (int a = int(from); a <= int(to); ++a) {
            const double b = y0 + grad * (a - x0);
            if (!(b >= bLo && b <= bHi))
                continue;
            const double fb = std::floor(b);
            const double f = b - fb;
            const int j = int(fb);
            if (steep) {
                plot(j, a, 1.0 - f);
                plot(j + 1, a, f);
            } else {
                plot(a, j, 1.0 - f);
                plot(a, j + 1, f);
            }
        }
    }
};

bool whole(qreal v)
{
    return std::floor(v) == v && std::fabs(v) < 1e6;
}

}  // namespace

bool directTarget(QPainter& p, QImage*& image, QRect& clip, QPointF& offset)
{
    QPaintDevice* d = p.device();
    if (!p.isActive() || !d || d->devType() != QInternal::Image || !p.paintEngine() ||
        p.paintEngine()->type() != QPaintEngine::Raster)
        return false;
    QImage* img = static_cast<QImage*>(d);
    const QTransform t = p.deviceTransform();
    if (img->format() != QImage::Format_ARGB32_Premultiplied || t.type() > QTransform::TxTranslate || !whole(t.dx()) ||
        !whole(t.dy()) || p.compositionMode() != QPainter::CompositionMode_SourceOver || p.opacity() != 1.0)
        return false;
    QRect c = img->rect();
    if (p.hasClipping()) {
        const QRegion r = p.clipRegion();
        if (r.rectCount() > 1)
            return false;
        c &= r.boundingRect().translated(int(t.dx()), int(t.dy()));
    }
    image = img;
    clip = c;
    offset = QPointF(t.dx(), t.dy());
    return true;
}

void strokeRun(QImage& image, const QRect& clip, const QPointF* pts, int n, QRgb colour)
{
    const QRect c = clip & image.rect();
    if (n < 2 || c.isEmpty() || image.format() != QImage::Format_ARGB32_Premultiplied)
        return;
    const Target t(reinterpret_cast<uint32_t*>(image.bits()), image.bytesPerLine() / 4, c, qPremultiply(colour));
    for (int k = 1; k < n; ++k)
        t.segment(pts[k - 1].x() - 0.5, pts[k - 1].y() - 0.5, pts[k].x() - 0.5, pts[k].y() - 0.5, k == n - 1);
}

}  // namespace smoothline
