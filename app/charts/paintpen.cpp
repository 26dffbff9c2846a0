#include "charts/paintpen.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "charts/chartpaint.h"

QPen PaintPen::penWithStyle(int s) const
{
    QPen p{QColor(QRgb(color))};
    p.setStyle(Qt::PenStyle(s));
    p.setWidth(s == 3 ? 1 : width);
    return p;
}

QPen PaintPen::pen() const
{
    return penWithStyle(style);
}

void PaintPen::arc(const QRect& r, int p, int q, int mode)
{
    if (!painter)
        return;
    const QPen old = painter->pen();
    painter->setPen(pen());
    const int start = ((mode == 1 && q < p) || (mode == 2 && q >= p)) ? 0 : 2880;
    painter->drawArc(r, start, 2880);
    painter->setPen(old);
}

void PaintPen::ellipse(const QRect& r)
{
    if (!painter)
        return;
    const QPen old = painter->pen();
    painter->setPen(pen());
    painter->setBrush(Qt::NoBrush);
    painter->drawEllipse(r);
    painter->setPen(old);
}

void PaintPen::line(const QPoint& a, const QPoint& b)
{
    if (!painter)
        return;
    const QPen p = pen();
    painter->setPen(p);
    // A solid 1-pixel line along a row or column through pixel centres covers
    // whole pixels, both ends included: filled as a rectangle it places those
    // pixels at a fraction of the stroker's cost (about 100 ns a pixel).
    const QTransform& t = painter->transform();
    const bool centred =
        t.type() <= QTransform::TxTranslate && std::fmod(t.dx(), 1.0) == 0.5 && std::fmod(t.dy(), 1.0) == 0.5;
    const bool axis = a != b && (a.x() == b.x() || a.y() == b.y());
    if (centred && axis && p.style() == Qt::SolidLine && p.width() <= 1) {
        const QRectF px(std::min(a.x(), b.x()) - 0.5, std::min(a.y(), b.y()) - 0.5, std::abs(a.x() - b.x()) + 1,
                        std::abs(a.y() - b.y()) + 1);
        const bool smooth = painter->testRenderHint(QPainter::Antialiasing);
        painter->setRenderHint(QPainter::Antialiasing, false);
        painter->fillRect(px, p.color());
        painter->setRenderHint(QPainter::Antialiasing, smooth);
        return;
    }
    // Dotted the same way: one pixel in three from the start, as the pen's
    // dot pattern places them (1 on, 2 off), end included when it falls on one.
    if (centred && axis && p.style() == Qt::DotLine && p.width() <= 1) {
        const QPoint step(b.x() > a.x() ? 3 : b.x() < a.x() ? -3 : 0, b.y() > a.y() ? 3 : b.y() < a.y() ? -3 : 0);
        const int len = std::abs(b.x() - a.x()) + std::abs(b.y() - a.y());
        std::vector<QRect> dots;
        dots.reserve(std::size_t(len / 3 + 1));
        for (int k = 0; k <= len; k += 3)
            dots.emplace_back(a + step * (k / 3), QSize(1, 1));
        painter->translate(-0.5, -0.5);  // whole pixels: the plain span fill
        chartpaint::fillPixels(*painter, dots, p.color());
        painter->translate(0.5, 0.5);
        return;
    }
    const QLine l(a, b);
    painter->drawLines(&l, 1);
}

void PaintPen::path(const QPoint* points, int count, bool fill)
{
    if (!painter || count <= 0)
        return;
    const QPen old = painter->pen();
    QPainterPath pp(points[0]);
    for (int i = 1; i < count; ++i)
        pp.lineTo(points[i]);
    const QColor c{QRgb(color)};
    if (fill) {
        painter->setPen(QPen(c));
        painter->fillPath(pp, QBrush(c));
    } else {
        QPen p(c);
        p.setWidth(width);
        painter->setPen(p);
        painter->drawPath(pp);
    }
    painter->setPen(old);
}

void PaintPen::rect(const QRect& r, bool fill)
{
    if (!painter)
        return;
    const QPen old = painter->pen();
    const QPen p = pen();
    painter->setPen(p);
    if (fill)
        painter->fillRect(r, QBrush(p.color()));
    else
        painter->drawRects(&r, 1);
    painter->setPen(old);
}

QRect PaintPen::printText(const QPoint& at, const QString& text)
{
    const QString t = text.left(128);
    if (!painter)
        return QRect(at, QSize(0, 18));
    const QPen old = painter->pen();
    painter->setPen(QPen(QColor(QRgb(color))));
    const QRect r(at.x(), at.y(), painter->fontMetrics().horizontalAdvance(t), 18);
    painter->drawText(r, Qt::AlignLeft | Qt::AlignVCenter, t);
    painter->setPen(old);
    return r;
}

QRect PaintPen::drawMultiLineText(const QPoint& at, const QString& text, const QFont* font)
{
    if (!painter)
        return QRect(at, QSize(0, 0));
    const QFont oldFont = painter->font();
    const QPen old = painter->pen();
    if (font)
        painter->setFont(*font);
    const QFontMetrics fm = painter->fontMetrics();
    const QRect r(at.x(), at.y(), fm.boundingRect(QRect(0, 0, 100000, 100000), 0, text).width(),
                  (text.count('\n') + 1) * fm.lineSpacing());
    painter->setPen(QPen(QColor(QRgb(color))));
    painter->drawText(r, Qt::AlignLeft | Qt::AlignVCenter, text);
    painter->setFont(oldFont);
    painter->setPen(old);
    return r;
}
