// TimeBar: the time axis under a chart view, with the time at the crosshair
// in a box that follows it.
#pragma once

#include <QList>
#include <QString>

#include "charts/shownpainteditem.h"
#include "quote.h"

class TimeBar : public ShownPaintedItem {
    Q_OBJECT
public:
    explicit TimeBar(QQuickItem* parent = nullptr) : ShownPaintedItem(parent) {}

    void paint(QPainter* painter) override;

    Q_INVOKABLE void setScales(QList<int> list)
    {
        scales_ = std::move(list);
        update();
    }
    Q_INVOKABLE void setCurScales(uint timestamp)
    {
        cur_ = int(timestamp);
        update();
    }
    Q_INVOKABLE void setCurX(int x) { curX_ = x; }
    Q_INVOKABLE int getCurX() const { return curX_; }
    Q_INVOKABLE void setBeginEnd(int begin, int end)
    {
        begin_ = begin;
        end_ = end;
    }
    Q_INVOKABLE void setChartType(QString chart) { type_ = std::move(chart); }
    Q_INVOKABLE void setChartCycle(int cycle) { cycle_ = cycle; }

    // The label of time stamp t for a chart type and K-line cycle (local time).
    static QString label(int t, const QString& type, int cycle);

private:
    QList<int> scales_;
    int cur_ = 0;
    int curX_ = 0;
    int begin_ = 0;
    int end_ = 0;
    QString type_ = QStringLiteral("mline");
    int cycle_ = QUOTE_PERIOD_KLINE_DAY;
};
