// The segment and the line through two points.
#pragma once

#include "charts/paintmethods.h"

class CPaintSegment : public CPaintMethodBase {
public:
    CPaintSegment() : CPaintMethodBase("PaintSegment") {}
    bool hitShape(int x, int y) override;
    void drawShape(int x1, int y1, int x2, int y2) override;
    void drawLabels(int x1, int y1, int x2, int y2) override;
};

class CPaintLine : public CPaintMethodBase {
public:
    CPaintLine() : CPaintMethodBase("PaintLine") {}
    bool hitShape(int x, int y) override;
    bool computeTwoPoint() override;
    void drawShape(int x1, int y1, int x2, int y2) override;
    void drawLabels(int x1, int y1, int x2, int y2) override;
    json_node* toJson() const override;
    void loadJson(const json_node* obj) override;
    double k = 0.0, b = 0.0;
};
