// What the chart item hands to the child items that paint a layer's outputs
// and to its title bars. A child takes part by also deriving from one of these;
// the item finds them with a checked cast and skips anything else.
#pragma once

#include "charts/ctxdata.h"

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
    virtual ~ChartTitleView() = default;
    // GUI thread. Layer 0's slots; null when the chart has none.
    virtual void setCTXData(CTXLayer* layer) = 0;
    // GUI thread. The bar whose values the title shows.
    virtual void setCurX(int index) = 0;
};
