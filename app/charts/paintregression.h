// Linear regression, its band and its channel.
#pragma once

#include <QLine>

#include "charts/paintmethods.h"

class CPaintRegression : public CPaintMethodBase {
public:
    enum Kind { Line, Band, Channel };
    CPaintRegression(const char* type, Kind kind) : CPaintMethodBase(type), kind_(kind) {}
    bool hitShape(int x, int y) override;
    void drawShape(int x1, int y1, int x2, int y2) override;
    void drawLabels(int, int, int, int) override {}
    // The regression's drawing step.
    virtual void drawRegression();

private:
    struct Lines {
        bool ok = false;
        int xa = 0, xb = 0;
        QLine main, upper, lower;
    };
    Lines lines() const;
    Kind kind_;
};
class CPaintLinerRegression : public CPaintRegression {
public:
    CPaintLinerRegression() : CPaintRegression("PaintLinerRegression", Line) {}
};
class CPaintLinerRegressionBand : public CPaintRegression {
public:
    CPaintLinerRegressionBand() : CPaintRegression("PaintLinerRegressionBand", Band) {}
};
class CPaintRegressionChannel : public CPaintRegression {
public:
    CPaintRegressionChannel() : CPaintRegression("PaintRegressionChannel", Channel) {}
};
