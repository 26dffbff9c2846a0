// The Fibonacci time lines from one click.
#pragma once

#include <vector>

#include "charts/paintmethods.h"

class CPaintFibonacci : public CPaintOnePoint {
public:
    CPaintFibonacci() : CPaintOnePoint("PaintFibonacci") {}
    bool hitShape(int x, int y) override;
    void drawShape(int x1, int y1, int x2, int y2) override;
    void drawLabels(int, int, int, int) override {}
    std::vector<int> lineXs() const;
};
