// Geometry of the drawing tools as pure functions: anchors (bar index, time,
// price) against a chart's first slot, the ratio-line tables, Gann and
// speed-resistance slopes, regression lines, hit tests, arrow outlines and
// the printf-style labels.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "charts/core/chartbar.h"

namespace paintcore {

// The chart as the tools see it: the plot rectangle, the value range and bar
// pitch of layer 0's first slot, and the visible bars.
struct PaintFrame {
    int left = 0, top = 0, width = 0, height = 0;
    float max = 0.0f, min = 0.0f;
    float barWidth = 10.0f, gap = 1.0f;
    int first = 0;        // first visible bar
    int lastVisible = 0;  // last visible bar
    int right() const { return left + width; }
    int bottom() const { return top + height; }
    // Pixels per price unit; 1 for a flat range.
    double scale() const { return max == min ? 1.0 : double(height) / double(max - min); }
};

// Pixel to anchor: bar index min(last visible, first + whole pitches from
// the left), at least 0; price max - (y - top) / scale.
int pixelToIndex(const PaintFrame& f, int x);
float pixelToPrice(const PaintFrame& f, int y);
// Anchor to pixel: the bar's centre x and the price's y.
int indexToX(const PaintFrame& f, int index);
int priceToY(const PaintFrame& f, float price);
// x moved to the centre of the bar under it.
int snapX(const PaintFrame& f, int x);

// The bar index of an anchor after the bars changed: kept when that bar still
// has the time stamp, else the first bar with it, else kept.
int resolveByTime(const ChartBar* bars, int count, int index, int32_t time);

// Ratio-line tools.
enum class RatioTool { GoldenSplit, GoldenPrice, BandLine, Percentage, CycleLine };
struct RatioTable {
    std::vector<double> ratios;
    std::vector<int> styles;  // 0: the tool's own style, 3: dotted
    bool horizontal = true;
    bool repeat = false;
};
const RatioTable& ratioTable(RatioTool t);
// The y of each horizontal line: start.y + (end.y - start.y) * ratio.
std::vector<int> ratioLineYs(const RatioTable& t, int y1, int y2);
// The x of each repeating vertical line: start.x + k * interval, snapped to
// its bar, while inside [0, plot right]; none for a zero interval.
std::vector<int> cycleLineXs(const PaintFrame& f, int x1, int x2);

// Slope on screen (dy/dx, 0 for equal x) and its angle as the labels print
// it: atan(slope) * 180 / 3.14, positive for a line rising on screen.
double screenSlope(int x1, int y1, int x2, int y2);
double labelAngle(int x1, int y1, int x2, int y2);

// Gann fan: nine slopes (r = 0.125, 0.25, 0.33, 0.5 steep; 1 x 1; 0.5, 0.33,
// 0.25, 0.125 flat) with their styles (3 dotted, 0 own). Speed lines: the
// slopes through end and through 2/3 and 1/3 of the rise.
struct FanLine {
    double slope;
    int style;
};
std::vector<FanLine> gannLines(int x1, int y1, int x2, int y2);
std::vector<FanLine> speedLines(int x1, int y1, int x2, int y2);

// Fibonacci: the bar offsets f - 1 for the 20 numbers 1, 1, 2, ..., 6765.
const std::vector<int>& fibonacciNumbers();

// Least squares over the closes of the bars between two anchors (clamped to
// the bars): c = a + k * i for i = 0 .. n - 1 from the earlier bar; upper and
// lower are the intercepts through the highest high and the lowest low.
// ok is false for fewer than two bars.
struct Regression {
    bool ok = false;
    int from = 0, n = 0;
    float k = 0.0f, a = 0.0f, upper = 0.0f, lower = 0.0f;
};
Regression regress(const ChartBar* bars, int count, int index1, int index2);

// Hit tests (tolerance 3 pixels unless said).
bool hitLine(int x, int y, int x1, int y1, int x2, int y2);
bool hitSegment(int x, int y, int x1, int y1, int x2, int y2);
bool hitRect(int x, int y, int x1, int y1, int x2, int y2);
bool hitCircle(int x, int y, int cx, int cy, double r);  // within 6 of the ring
bool hitArc(int x, int y, int x1, int y1, int x2, int y2);
bool hitFan(int x, int y, int x1, int y1, const std::vector<FanLine>& lines);
bool pointNear(int mx, int my, int px, int py);

// Arrow outlines at (x, y): seven points each.
struct IntPoint {
    int x, y;
};
std::vector<IntPoint> upArrow(int x, int y);
std::vector<IntPoint> downArrow(int x, int y);

// printf into at most 128 characters.
std::string formatLabel(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace paintcore
