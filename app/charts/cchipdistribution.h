// CChipDistribution: the cost-distribution panel beside a K-line chart. It
// follows a QChart's bars, price scale and crosshair, and draws the chips per
// price (plain, or by age band), the profit ratio, the average cost and the
// 90 % and 70 % ranges. Works only while the chart's line type is "kline".
#pragma once

#include <QColor>
#include <QPointer>
#include <QQmlParserStatus>
#include <QRect>
#include <QVariant>

#include <limits>

#include "charts/core/chipdistribution.h"
#include "charts/shownpainteditem.h"
#include "quote.h"

class QChart;

class CChipDistribution : public ShownPaintedItem {
    Q_OBJECT
    Q_INTERFACES(QQmlParserStatus)
public:
    explicit CChipDistribution(QQuickItem* parent = nullptr);

    void paint(QPainter* painter) override;
    void componentComplete() override;

    const ChipDistributionModel& model() const { return model_; }
    double crosshairPrice() const { return crosshairPrice_; }

public slots:
    // GUI thread. Follows obj (a QChart): its data, crosshair and visible range.
    void bindSyncDataSignal(QObject* obj);
    void onSyncUpdateKData();
    void onCrosshairChange(QChart* src, int x, int y);
    void onReCalcShow(int begin, int end, int showNumber, int x_pos);
    void onVisibleChanged();
    // 0 plain, 1 the chips before each band, 2 the chips within it; QML passes "0"/"1"/"2".
    void setChipType(const QVariant& type);

private:
    bool isKLine() const;
    // Copies the chart's bars, first slot geometry and code; false for a non-K-line chart.
    bool refresh();
    // The price at the chart's mouse y on its first slot's scale.
    void readCrosshairPrice();
    // Takes bar index x as the last bar used; recomputes when the count changes.
    void useCrosshairBar(int x);
    void recompute();
    void paintLines(QPainter* p, const ChipRows& rows, double largest);
    void paintBands(QPainter* p, const ChipRows& rows, double largest);
    void paintTexts(QPainter* p);

    const QColor background_{0, 0, 0};
    const QColor titleColour_{255, 255, 0};
    const QColor textColour_{255, 255, 255};
    const QColor averageColour_{84, 255, 255};
    const QColor lowerColour_{255, 255, 0};
    const QColor upperColour_{255, 255, 255};

    QRect panel_;
    float scaleMax_ = 0.0f;
    float scaleMin_ = 0.0f;
    float visibleHigh_ = 0.0f;
    float visibleLow_ = 0.0f;
    QuoteCodeInfo codeInfo_{};
    double crosshairPrice_ = std::numeric_limits<double>::quiet_NaN();  // none until the chart reports one
    bool refreshed_ = false;
    int computed_ = -1;  // bars used by the last computation
    QPointer<QChart> chart_;
    ChipDistributionModel model_;
};
