// What the chart item hands to the child items that paint a layer's outputs
// and to its title bars. A layer child takes part by also deriving from
// ChartLayerView (the item finds them in its subFChart list with a checked
// cast and skips anything else); a title bar registers with its chart.
#pragma once

#include "charts/ctxdata.h"

class QChart;

class ChartLayerView {
public:
    virtual ~ChartLayerView() = default;
    // GUI thread. The visible bars (inclusive) of layer 0.
    virtual void setBeginEnd(int begin, int end) = 0;
    // GUI thread. The slots this child paints; null when its layer is gone.
    virtual void setCTXLayer(CTXLayer* layer) = 0;
};

class ChartTitleView {
public:
    // Leaves the chart it is registered with.
    virtual ~ChartTitleView();
    // GUI thread. Layer 0's slots; null when the chart has none.
    virtual void setCTXData(CTXLayer* layer) = 0;
    // GUI thread. The bar whose values the title shows.
    virtual void setCurX(int index) = 0;
    // GUI thread. Registers with chart (null: with none), leaving the chart
    // before; a chart going away lets its title views go first.
    void attachToChart(QChart* chart);
    QChart* attachedChart() const { return chart_; }

private:
    friend class QChart;
    QChart* chart_ = nullptr;
};
