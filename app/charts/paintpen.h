// PaintPen: a drawing tool's colour (0x00RRGGBB), width, style and the
// painter of the current paint pass, with the primitives tools draw from.
#pragma once

#include <QPoint>
#include <QRect>
#include <QString>

class QFont;
class QPainter;
class QPen;

class PaintPen {
public:
    uint32_t color = 0xFFFFFF;
    int width = 1;
    int style = 1;  // Qt::PenStyle: 1 solid, 3 dotted
    QPainter* painter = nullptr;

    // Opaque pen of the colour; dotted lines are always 1 pixel wide.
    QPen pen() const;
    QPen penWithStyle(int style) const;

    // Half of the ellipse in rect: from 0 degrees when (mode 1 and q < p) or
    // (mode 2 and q >= p), else from 180.
    void arc(const QRect& rect, int p, int q, int mode);
    void ellipse(const QRect& rect);
    void line(const QPoint& a, const QPoint& b);
    void path(const QPoint* points, int count, bool fill);
    void rect(const QRect& rect, bool fill);
    // A label at `at` (18 pixels high); returns its rectangle.
    QRect printText(const QPoint& at, const QString& text);
    // Text over as many lines as it holds, in font when given.
    QRect drawMultiLineText(const QPoint& at, const QString& text, const QFont* font);
};
