#include "charts/chartpaint.h"

#include <QPainter>
#include <QRect>

#include <algorithm>

#include "formulas/formulaservice.h"

namespace chartpaint {

QFont chartFont(int pixelSize, bool antialias)
{
    static const QFont base(QString::fromUtf8(theme::kFontFamily));  // built on first use, after the application exists
    QFont f(base);
    f.setPixelSize(pixelSize);
    f.setWeight(QFont::Normal);
    f.setStyle(QFont::StyleNormal);
    if (!antialias)
        f.setStyleStrategy(QFont::NoAntialias);
    return f;
}

QColor outputColor(uint32_t word)
{
    return wordColor(word != 0 ? word : formula::nextDefaultColor());
}

QPen outputPen(uint32_t word, float width, int32_t style)
{
    QPen pen(outputColor(word));
    pen.setWidth(!(width > 0.0f) ? 0 : width < 64.0f ? int(width) : 64);  // no number or a huge one too
    pen.setStyle(style == 1 ? Qt::DashDotLine : Qt::SolidLine);
    return pen;
}

void fillPixels(QPainter& p, const std::vector<QRect>& rects, const QColor& c)
{
    if (rects.empty())
        return;
    // Only these three change: cheaper to put back than a save and restore,
    // which matters for runs of candles filled colour by colour.
    const bool smooth = p.testRenderHint(QPainter::Antialiasing);
    const QPen pen = p.pen();
    const QBrush brush = p.brush();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawRects(rects.data(), int(rects.size()));
    p.setRenderHint(QPainter::Antialiasing, smooth);
    p.setPen(pen);
    p.setBrush(brush);
}

void fillPixels(QPainter& p, const std::vector<PixelRect>& px, const QColor& c)
{
    if (px.empty())
        return;
    std::vector<QRect> rects;
    rects.reserve(px.size());
    for (const PixelRect& r : px)
        rects.emplace_back(r.x, r.y, r.w, r.h);
    fillPixels(p, rects, c);
}

}  // namespace chartpaint
