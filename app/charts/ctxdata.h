// One formula slot of a chart layer, read by the output, scale and title
// painters. Slots are held by pointer so their addresses stay put while
// layers and slots come and go.
#pragma once

#include <QRect>
#include <QString>

#include <memory>
#include <vector>

#include "charts/core/barchanges.h"
#include "charts/core/barstore.h"
#include "charts/core/chartbar.h"
#include "charts/core/chartgeometry.h"
#include "fml.h"
#include "quote.h"

class QChart;

// Scale and bar geometry of a slot, written by QChart::relayout.
struct CTXGeometry {
    ValueRange range;  // range.valid() is false when nothing in view has a value
    QRect plot;        // plot rectangle (the layer rectangle)
    float barWidth = 10.0f;
    float barGap = 1.0f;

    float max() const { return range.max; }
    float min() const { return range.min; }
    bool hasRange() const { return range.valid(); }
    float pitch() const { return barWidth + barGap; }
    // Centre x of the bar at offset n from the first visible bar; and the
    // pixel y of value v (scale 1 for a flat range). Both held within
    // kPixelLimit, so painters may convert them to int whatever the value.
    float barCentre(int n) const { return heldPixel(barCentreX(plot.left(), BarGeometry{barWidth, barGap}, n)); }
    float valueY(float v) const { return heldPixel(valueToY(range, plot.top(), plot.height(), v)); }
    // The value at pixel y.
    float yValue(float y) const { return yToValue(range, plot.top(), plot.height(), y); }
};

struct BarStore;

struct CTXData {
    FormulaContext* context = nullptr;  // owned by the slot's formula instance
    CTXGeometry geometry;
    QRect layerRect;
    QString scales;                         // "KSCALES", "MSCALES", ...
    QString crosshair;                      // "KCROSSHAIR", "MCROSSHAIR", ...
    QString name;                           // catalogue display name: "KLINE", "MLINE", "MACD", ...
    QuoteCodeInfo codeInfo{};               // from the last record of the layer with a code
    std::vector<ChartBar>* bars = nullptr;  // the layer's bars, set before every run
    ChartColumns* columns = nullptr;        // the layer's columns during a run, else null
    const BarChanges* changes = nullptr;    // the layer's changes during a run, else null
    // The store and version of bars whose series the slot's context keeps
    // (fml_ctx_keep_series) since its last run that succeeded; null: none.
    const BarStore* seriesLayer = nullptr;
    unsigned seriesVersion = 0;
    bool draw = true;  // false for main-chart programs that replace the candles
    QChart* chart = nullptr;
};

// The slots of one layer, in slot order.
using CTXLayer = std::vector<std::unique_ptr<CTXData>>;
