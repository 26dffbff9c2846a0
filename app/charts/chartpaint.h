// Shared pieces of the chart painters: the chart font, the fixed chart
// colours and the decoding of the formula engine's output colour words.
#pragma once

#include <QColor>
#include <QFont>
#include <QPen>

#include <cmath>
#include <cstdint>
#include <vector>

#include "charts/core/chartgeometry.h"
#include "shell/core/theme.h"

class QPainter;
class QRect;

namespace chartpaint {

inline const QColor kUp = QColor::fromRgba(theme::kUpColor);
inline const QColor kDown = QColor::fromRgba(theme::kDownColor);
inline const QColor kWhite = QColor::fromRgba(theme::kFlatColor);

// The font every chart painter starts from (set to its own pixel size).
QFont chartFont(int pixelSize, bool antialias = true);

// A bar value the painters may convert: finite (the engine's missing marker is +inf).
inline bool valid(float v)
{
    return std::isfinite(v);
}

// Red in bits 0-7, green 8-15, blue 16-23; 0 takes the next palette colour.
QColor outputColor(uint32_t word);
// The same word decoded without the palette fallback.
inline QColor wordColor(uint32_t w)
{
    return QColor(int(w & 0xff), int((w >> 8) & 0xff), int((w >> 16) & 0xff));
}
// Dash-dot for style 1, else solid; width truncated.
QPen outputPen(uint32_t word, float width, int32_t style);

// Fills whole-pixel rectangles in one colour unsmoothed (the raster engine's
// plain span fill, where a pen or a smoothed edge goes through the stroker and
// blurs an axis-parallel edge over two pixels), leaving the painter's pen,
// brush and smoothing as they were.
void fillPixels(QPainter& p, const std::vector<QRect>& rects, const QColor& c);
void fillPixels(QPainter& p, const std::vector<PixelRect>& px, const QColor& c);

}  // namespace chartpaint
