// The rectangle, the circle and the arc.
#pragma once

#include "charts/paintmethods.h"

class CPaintRect : public CPaintMethodBase {
public:
    CPaintRect() : CPaintMethodBase("PaintRect") {}
    bool hitShape(int x, int y) override;
    void drawShape(int x1, int y1, int x2, int y2) override;
    void drawLabels(int x1, int y1, int x2, int y2) override;
    json_node* toJson() const override;
    void loadJson(const json_node* obj) override;
};

class CPaintEllipse : public CPaintMethodBase {
public:
    CPaintEllipse() : CPaintMethodBase("PaintEllipse") {}
    bool hitShape(int x, int y) override;
    bool computeTwoPoint() override;
    void drawShape(int x1, int y1, int x2, int y2) override;
    void drawLabels(int x1, int y1, int x2, int y2) override;
    json_node* toJson() const override;
    void loadJson(const json_node* obj) override;
    double r = 0.0;
};

class CPaintArcEllipse : public CPaintMethodBase {
public:
    CPaintArcEllipse() : CPaintMethodBase("PaintArcEllipse") {}
    bool hitShape(int x, int y) override;
    void drawShape(int x1, int y1, int x2, int y2) override;
    void drawLabels(int, int, int, int) override {}
    json_node* toJson() const override;
    void loadJson(const json_node* obj) override;
};
