// Lines at ratios of a span: golden split and price, band, percentage and
// cycle lines.
#pragma once

#include "charts/paintmethods.h"

class CPaintRatioLine : public CPaintMethodBase {
public:
    CPaintRatioLine(const char* type, paintcore::RatioTool tool) : CPaintMethodBase(type), tool_(tool) {}
    bool hitShape(int x, int y) override;
    void drawShape(int x1, int y1, int x2, int y2) override;
    void drawLabels(int x1, int y1, int x2, int y2) override;

private:
    paintcore::RatioTool tool_;
};
class CPaintGoldenSplit : public CPaintRatioLine {
public:
    CPaintGoldenSplit() : CPaintRatioLine("PaintGoldenSplit", paintcore::RatioTool::GoldenSplit) {}
};
class CPaintGoldenPrice : public CPaintRatioLine {
public:
    CPaintGoldenPrice() : CPaintRatioLine("PaintGoldenPrice", paintcore::RatioTool::GoldenPrice) {}
};
class CPaintBandLine : public CPaintRatioLine {
public:
    CPaintBandLine() : CPaintRatioLine("PaintBandLine", paintcore::RatioTool::BandLine) {}
};
class CPaintPercentage : public CPaintRatioLine {
public:
    CPaintPercentage() : CPaintRatioLine("PaintPercentage", paintcore::RatioTool::Percentage) {}
};
class CPaintCycleLine : public CPaintRatioLine {
public:
    CPaintCycleLine() : CPaintRatioLine("PaintCycleLine", paintcore::RatioTool::CycleLine) {}
};
