// Pure bar-series operations of the chart item: merging a new series into the
// bars already held, previous closes, aligning an overlay layer to layer 0,
// and how the visible range follows new data.
#pragma once

#include <vector>

#include "charts/core/chartbar.h"

// Merges the time-ordered bars n into the time-ordered bars e:
// - e empty: e becomes n;
// - n starts before e's last bar: overlapping series are merged in time order
//   (n's bar wins on an equal time stamp); n older than e goes in front (a
//   single n bar on e's first time stamp overwrites it);
// - n starts on e's last time stamp: one bar overwrites it, more replace it;
// - otherwise n is appended.
void mergeBars(std::vector<ChartBar>& e, std::vector<ChartBar>&& n);

// Bar 0 takes its own close, every later bar the close of the bar before.
void recomputePreviousClose(std::vector<ChartBar>& bars);

// The first bar where now differs from was bit for bit; where one holds the
// other's bars and more, the shorter one's size; now's size when equal.
int firstChangedBar(const std::vector<ChartBar>& was, const std::vector<ChartBar>& now);

// A series as long as base: the overlay bar with the same time stamp as each
// base bar, a filler bar where the overlay has none. One pass over both.
void alignToBase(const std::vector<ChartBar>& base, const std::vector<ChartBar>& overlay, std::vector<ChartBar>& out);

// Visible range of layer 0 (inclusive bar indices) and the crosshair bar.
struct ChartRange {
    int begin = 0;
    int end = 0;
    int crosshair = -1;
};

// After a K-line record: with reset, or into a layer that held no bars, the
// range moves to the end of the series; otherwise a growth by d bars shifts the range and crosshair by d, so the
// same bars stay in view when history is put in front.
void followKLineRange(ChartRange& r, int oldCount, int newCount, bool reset, int showNumber);

// After a minute record: the last showNumber bars; the crosshair goes to the
// last bar unless it is shown and placed.
void followMinuteRange(ChartRange& r, int count, int showNumber, bool crosshairShown);
