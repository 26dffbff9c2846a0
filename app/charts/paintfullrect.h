// The chart's interval selection.
#pragma once

#include "charts/paintmethods.h"

// The chart's interval selection: never written to the file.
class CPaintFullRect : public CPaintMethodBase {
public:
    CPaintFullRect() : CPaintMethodBase("PaintFullRect")
    {
        color = int(0x80FFFFFF);
        pen.color = 0x80FFFFFF;
    }
    bool hitShape(int x, int y) override;
    void drawShape(int x1, int y1, int x2, int y2) override;
    void drawLabels(int x1, int y1, int x2, int y2) override;
    json_node* toJson() const override { return nullptr; }
    // Back to no points.
    void reset();
    // Both ends on bars.
    void setBars(int startIndex, int endIndex);
};
