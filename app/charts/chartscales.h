// Price scales and the crosshair of a chart pane, chosen by the style names
// a formula slot carries ("KSCALES", "MSCALES"; "KCROSSHAIR", "MCROSSHAIR").
#pragma once

#include <QString>

#include "charts/ctxdata.h"

class QPainter;

// The scale style names as the program knows them (not registered to QML).
struct RegScaleslineStyle {
    enum SLStyle { NO = -1, KSCALES = 0, MSCALES = 1 };
};

struct ScaleArgs {
    FormulaContext* ctx = nullptr;
    int inner = 1;                    // inner grid lines: 3 for "KLINE", 5 for "MLINE", else 1
    CTXGeometry* geometry = nullptr;  // the minute scale writes its symmetric range back
    int begin = 0;
    int end = 0;  // inclusive
    int showNumber = 0;
    QString name;  // the pane's formula name
    int decimals = 2;
};

struct CrosshairArgs {
    FormulaContext* ctx = nullptr;
    const CTXGeometry* geometry = nullptr;
    int mouseX = 0;
    int mouseY = 0;
    bool shown = false;
    QString style;  // "KCROSSHAIR" or "MCROSSHAIR"
    QString name;
    int decimals = 2;
};

using ScalePainter = void (*)(QPainter&, ScaleArgs&);
using CrosshairPainter = void (*)(QPainter&, const CrosshairArgs&);

ScalePainter scalePainterFor(const QString& style);
CrosshairPainter crosshairPainterFor(const QString& style);

// A value as the scales and crosshair label it: prices with the stock's
// decimals in "KLINE"/"MLINE" panes, else 2 decimals, 万 and 亿 abbreviated
// (1 decimal on scales, 2 on the crosshair).
QString scaleLabel(double v, const QString& name, int decimals, bool crosshair);
// v with a fixed number of decimals; a value that rounds to zero has no sign
// ("0.00", never "-0.00").
QString fixedText(double v, int decimals);
