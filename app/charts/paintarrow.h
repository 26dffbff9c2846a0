// The up and down arrows from one click.
#pragma once

#include "charts/paintmethods.h"

class CPaintArrow : public CPaintOnePoint {
public:
    CPaintArrow(const char* type, bool up);
    bool hitShape(int x, int y) override;
    void drawShape(int x1, int y1, int x2, int y2) override;
    void drawLabels(int, int, int, int) override {}

private:
    bool up_;
};
class CPaintUpArrow : public CPaintArrow {
public:
    CPaintUpArrow() : CPaintArrow("PaintUpArrow", true) {}
};
class CPaintDownArrow : public CPaintArrow {
public:
    CPaintDownArrow() : CPaintArrow("PaintDownArrow", false) {}
};
