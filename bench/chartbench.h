// What the chart benchmarks share: a QGuiApplication (offscreen unless a
// platform is set; a QApplication when widgets are asked for, as the stock
// view's Qt Charts pie needs one) with the standard catalogue, and synthetic
// day bars.
#pragma once

#include <QApplication>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "charts/fchart.h"
#include "charts/qchart.h"
#include "formulas/formulaservice.h"
#include "quote.h"

inline void ensureChartApplication(bool widgets = false)
{
    static int argc = 1;
    static char name[] = "bench_qt_chart";
    static char* argv[] = {name, nullptr};
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Never destroyed: at exit the libraries' own statics (Qt SQL's
    // connection registry among them) may be gone before it.
    static QGuiApplication* const app = widgets ? new QApplication(argc, argv) : new QGuiApplication(argc, argv);
    (void)app;
    auto& service = formula::FormulaService::instance();
    if (!service.find("KLINE"))
        formula::registerStandardFormulas(service);
}

// n day bars on a slow wave; with alternateOpen every other bar opens higher,
// so rising and falling candles both appear.
inline std::vector<QuoteKPoint> syntheticBars(int n, bool alternateOpen)
{
    std::vector<QuoteKPoint> v(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        QuoteKPoint& p = v[std::size_t(i)];
        const float c = 20.0f + 3.0f * std::sin(float(i) * 0.013f) + 0.2f * float(i % 9);
        p.time = 946684800LL + int64_t(i) * 86400;
        p.close = c;
        p.open = c - 0.1f + (alternateOpen ? 0.2f * float(i % 2) : 0.0f);
        p.high = c + 0.4f;
        p.low = c - 0.5f;
        p.volume = 100000 + i % 50 * 1000;
        p.amount = p.volume * 20;
    }
    return v;
}

// A day-bar record of 600001 over points (which must outlive it).
inline QuoteKPoints dayRecord(std::vector<QuoteKPoint>& points, uint8_t decimal = 0)
{
    QuoteKPoints record{};
    record.count = int(points.size());
    record.period = 33;
    record.points = points.data();
    std::strncpy(record.code_info.code, "600001", sizeof record.code_info.code - 1);
    record.code_info.decimal = decimal;
    return record;
}

// Starts a frame as the view's window does: frame cleared to black, p
// painting on it with the view's render hints.
inline void beginFrame(QPainter& p, QImage& frame)
{
    frame.fill(Qt::black);
    p.begin(&frame);
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
}

// One pane as the view paints it: laid out, its formula layer, the chart.
inline void paintPane(QPainter& p, QChart& c)
{
    c.relayout();
    FChart::paintLayer(p, *c.formulaLayer(0), c.getBegin(), c.getEnd());
    c.paint(&p);
}
