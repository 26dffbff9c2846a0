// Pure layout of a chart pane: the layer rectangle, bar width and gap, and
// the value range of a formula slot (K-line padding, the minute chart's range
// about the previous close, flat ranges, overlay percentage scales).
#pragma once

#include <vector>

struct PlotRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool empty() const { return width <= 0 || height <= 0; }
};

// Margins: 60 left and right, 20 above for the title bar, 1 below.
PlotRect layerRect(double itemWidth, double itemHeight);

struct BarGeometry {
    float width = 10.0f;
    float gap = 1.0f;
};

// showNumber bars (or visibleCount when showNumber is 0) across rectWidth
// pixels: gap 1, or gap 0 when the width would be under 1; the width is
// capped at rectWidth / 8 (whole pixels) - gap and never negative.
BarGeometry barGeometry(int rectWidth, int showNumber, int visibleCount);

// Centre x of the bar at offset n from the first visible bar:
// n * (width + gap) + plot left + width / 2.
float barCentreX(int plotLeft, const BarGeometry& g, int n);

// A pixel coordinate held within [-kPixelLimit, kPixelLimit] (no number to
// -kPixelLimit), far outside any image yet well inside int and Qt's fixed
// point: a value far outside its slot's range (1e20 in a price pane) maps to
// a coordinate whose conversion to int is undefined. Painters hold every
// coordinate they compute from a value; heldPixelInt truncates as int(v).
constexpr float kPixelLimit = 65536.0f;
inline float heldPixel(float v)
{
    return v < kPixelLimit ? (v > -kPixelLimit ? v : -kPixelLimit) : v == v ? kPixelLimit : -kPixelLimit;
}
inline int heldPixelInt(float v)
{
    return int(heldPixel(v));
}

// Whole pixels: columns [x, x + w), rows [y, y + h).
struct PixelRect {
    int x = 0, y = 0, w = 0, h = 0;
    bool operator==(const PixelRect& o) const { return x == o.x && y == o.y && w == o.w && h == o.h; }
};

// The pixels of a stick over [left, right) from the baseline y base to the
// value's y end, unsmoothed: each edge moves to the nearest pixel boundary
// (a half to the higher one, as Qt fills an unsmoothed rectangle). At least
// one column, and at least one row on the value's side of the baseline
// (above it when the value lies on it), so no valued bar vanishes.
PixelRect stickPixels(float left, float right, float base, float end);

// The 1-pixel outline of r as up to four rectangles (top row, bottom row,
// then the left and right columns between them), none overlapping; returns
// how many. A rectangle one or two pixels across is its own outline.
int outlineRects(const PixelRect& r, PixelRect out[4]);

// The whole pixels of one candle centred on column x, w columns wide (odd),
// from the pixel rows of its high, open, low and close: the body over rows
// [min(open, close), that + max(1, |open - close|)), hollow (drawn as its
// outline) when rising and at least 3 x 3; the upper shadow from the high's
// row down to the body, the lower one from below the body to the low's row.
// An absent shadow has zero height.
struct CandlePixels {
    PixelRect body, upper, lower;
    bool hollow = false;
};
CandlePixels candlePixels(int x, int w, int yHigh, int yOpen, int yLow, int yClose, bool rising);

// The dash pattern of a 1-pixel pen in whole pixels along its line, from the
// line's first pixel, as Qt's unsmoothed stroker places that pen style: dots
// 1 on 2 off, dash-dot 4 on 2 off 1 on 2 off.
enum class LineDash { Solid, Dot, DashDot };

// Appends the pixels of a 1-pixel line of that dash along row `at` (across)
// or column `at` (down) from pixel from to pixel to, both included (nothing
// when to < from): one rectangle per dash. The crosshair and the minute
// grid fill these instead of stroking a pen, crisp on whole pixels.
void dashedLinePixels(bool across, int at, int from, int to, LineDash dash, std::vector<PixelRect>& out);

// A slot's value range. Starts empty (max -FLT_MAX, min FLT_MAX); a slot whose
// outputs have no valid value in view keeps it empty and is not scaled.
struct ValueRange {
    float max = -3.4028235e38f;
    float min = 3.4028235e38f;
    bool valid() const;
};

// Pixel y of value v: (max - v) * height / (max - min) + top, scale 1 when
// max equals min; and the value at pixel y, its inverse.
float valueToY(const ValueRange& r, int plotTop, int plotHeight, float v);
float yToValue(const ValueRange& r, int plotTop, int plotHeight, float y);

// Keeps the highest and lowest price 10 pixels inside a plot of that height.
void padKLineRange(ValueRange& r, int plotHeight);
// Symmetric about the previous close p (ignored when p is no value).
void centreOnPreviousClose(ValueRange& r, float p);
// A flat range opens by 1% each way (of the magnitude, so negative values too).
void openFlatRange(ValueRange& r);

// One layer of overlay normalisation: its base value (the reference output at
// the first valid bar in view) and the ranges of its slots.
struct OverlayLayer {
    float base = 0.0f;
    std::vector<ValueRange*> ranges;
};

// The base value of a layer: ref at the first index in [begin, end) where oo
// holds a value, else ref at begin; a one-element ref is a literal. No value
// when ref is absent or the index lies outside it.
float overlayBase(const float* ref, int refSize, const float* oo, int ooSize, int begin, int end);

// Gives every layer with a base above 0 one shared percentage scale: the
// largest rise (max - h) / h and fall |h - min| / h over those layers, applied
// back about each layer's own base. Layers without a base keep their ranges.
void normalizeOverlayRanges(std::vector<OverlayLayer>& layers);
