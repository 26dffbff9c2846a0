// Gann fan and speed-resistance lines.
#pragma once

#include <vector>

#include "charts/paintmethods.h"

class CPaintFan : public CPaintMethodBase {
public:
    CPaintFan(const char* type, bool gann) : CPaintMethodBase(type), gann_(gann) {}
    bool hitShape(int x, int y) override;
    void drawShape(int x1, int y1, int x2, int y2) override;
    void drawLabels(int x1, int y1, int x2, int y2) override;

private:
    std::vector<paintcore::FanLine> lines() const;
    bool gann_;
};
class CPaintGannLine : public CPaintFan {
public:
    CPaintGannLine() : CPaintFan("PaintGannLine", true) {}
};
class CPaintSpeedBlock : public CPaintFan {
public:
    CPaintSpeedBlock() : CPaintFan("PaintSpeedBlock", false) {}
};
