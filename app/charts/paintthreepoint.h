// Three points joined by two segments, and the trend line over them.
#pragma once

#include "charts/paintmethods.h"
#include "charts/paintratioline.h"
#include "charts/paintsegment.h"

class CPaintThreePoint : public CPaintMethodBase {
public:
    explicit CPaintThreePoint(const char* type = "PaintThreePoint");
    void setChart(QChart* c) override;
    void setPainter(QPainter* p) override;
    void setColor(int c) override;
    void setWidth(int w) override;
    void setStyle(int s) override;
    bool hitShape(int x, int y) override;
    bool computeThreePoint() override;
    void draw() override;
    void drawShape(int, int, int, int) override {}
    void drawLabels(int, int, int, int) override {}
    void anchorsChanged() override;

protected:
    // Passes one setting on to both segments.
    template <typename T>
    void toSegments(void (CPaintMethodBase::*set)(T), T value)
    {
        (first_.*set)(value);
        (second_.*set)(value);
    }

    CPaintSegment first_, second_;
};

class CPaintTrendLine : public CPaintThreePoint {
public:
    CPaintTrendLine();
    void setChart(QChart* c) override;
    void setPainter(QPainter* p) override;
    bool hitShape(int x, int y) override;
    bool computeThreePoint() override;
    void draw() override;

private:
    CPaintGoldenSplit golden_;
};
