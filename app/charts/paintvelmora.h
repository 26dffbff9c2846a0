// The composite tool: a Gann fan, a golden split and Fibonacci lines over
// the same two points.
#pragma once

#include "charts/paintmethods.h"
#include "charts/paintfan.h"
#include "charts/paintfibonacci.h"
#include "charts/paintratioline.h"

class CPaintVelmora : public CPaintMethodBase {
public:
    CPaintVelmora();
    void setChart(QChart* c) override;
    void setPainter(QPainter* p) override;
    bool hitShape(int x, int y) override;
    bool computeTwoPoint() override;
    void draw() override;
    void drawShape(int, int, int, int) override {}
    void drawLabels(int, int, int, int) override {}
    void selectionChanged() override;
    void anchorsChanged() override;
    json_node* toJson() const override;
    void loadJson(const json_node* obj) override;
    // Inner tools have no drawing step of their own here.
    virtual void drawRegression() {}

    // The inner tools follow the outer points (also when writing).
    mutable CPaintGannLine gann;
    mutable CPaintGoldenSplit golden;
    mutable CPaintFibonacci fibonacci;

private:
    void syncInner() const;
};
