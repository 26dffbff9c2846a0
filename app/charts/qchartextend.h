// QChartExtend: a strip over the bottom of a chart pane with event marks
// (dividends and other dated events) at their bars, and tips on hover.
#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QPointer>

#include <vector>

#include "charts/core/chartbar.h"
#include "charts/shownpainteditem.h"

class QChart;

class QChartExtend : public ShownPaintedItem {
    Q_OBJECT
public:
    explicit QChartExtend(QQuickItem* parent = nullptr) : ShownPaintedItem(parent) {}

    void paint(QPainter* painter) override;

    Q_INVOKABLE void setQChart(QChart* chart);
    Q_INVOKABLE void appendExtendData(QJsonObject json);
    Q_INVOKABLE void removeExtendData(QString name);
    Q_INVOKABLE bool mouseMove(int x, int y);
    const QJsonArray& extendData() const { return sets_; }

    // Index of the first bar whose time reaches t after an earlier bar; -1 for none.
    static int markBar(const std::vector<ChartBar>& bars, int t);

signals:
    void activeTip(int x, int y, QJsonArray array);

public slots:
    void onDataUpdate() { update(); }
    void onReCalcShow(int, int, int, int) { update(); }

private:
    QPointer<QChart> chart_;
    QJsonArray sets_;
    int lastTip_ = -1;
};
