// Pure rules of a chart pane's visible range: the bar under a pixel, keyboard
// moves that scroll the window, zooming about the crosshair, the bars a zoom
// rectangle selects and the bars the time axis labels.
#pragma once

#include <vector>

#include "charts/core/barmerge.h"

// Bar under pixel x: begin + whole pitches from plotLeft, clamped to [begin, end].
int barAtX(double x, int plotLeft, float pitch, int begin, int end);

// Moves the crosshair to pos (last = index of the last bar), scrolling the
// window [r.begin, r.end] of showNumber bars as needed. A K-line pane moved
// past its last bar narrows the window to the end instead.
void scrollToPosition(ChartRange& r, int pos, int showNumber, int last, bool kline);

struct ZoomResult {
    int begin = 0;
    int end = 0;
    int showNumber = 1;
    int crosshair = 0;
};
// Shows n bars of count, ending at the last bar or, with the crosshair shown,
// at n / 2 bars after it. The bar count shown is what the window holds.
ZoomResult zoomRange(int n, int count, int crosshair, bool crosshairShown);

// The bars a zoom rectangle from bar b to bar e selects (count bars in all):
// at least 9 when the series has them. Returns {begin, end, showNumber}.
ZoomResult zoomSelection(int b, int e, int count);

// n evenly spaced bars from begin to end (one bar for n <= 1).
std::vector<int> timeBarIndices(int begin, int end, int n);
