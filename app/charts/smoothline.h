// Smoothed 1-pixel polylines written straight into a premultiplied image: in
// each column (each row for a steep segment) the line's coverage is split
// between the two pixels it passes between, as a smoothed thin pen places it,
// at a fraction of the raster engine's per-pixel cost (its stroker blends
// every pixel as a span of its own). Formula lines are most of a pane.
#pragma once

#include <QPointF>
#include <QRect>
#include <QRgb>

class QImage;
class QPainter;

namespace smoothline {

// The image p paints into and its clip in the image's pixels, when p paints
// into a premultiplied image under a whole-pixel translation only, blending
// normally at full opacity, clipped at most to one rectangle; offset is the
// translation. False when the painter's own stroker must draw.
bool directTarget(QPainter& p, QImage*& image, QRect& clip, QPointF& offset);

// Strokes the polyline through the n points pts (image pixels, a pixel's
// centre at + 0.5; fewer than two draw nothing) in colour into a premultiplied
// image, touching only pixels inside clip and the image. A joint's pixels are
// blended once.
void strokeRun(QImage& image, const QRect& clip, const QPointF* pts, int n, QRgb colour);

}  // namespace smoothline
