// Holder of dividend-adjusted K-line points. Nothing computes adjusted points
// yet; the chart listens to its signal so an adjustment can plug in here.
#pragma once

#include <QObject>
#include <QString>

#include <vector>

#include "quote.h"

class QDividendProcesser : public QObject {
    Q_OBJECT
public:
    explicit QDividendProcesser(QObject* parent = nullptr) : QObject(parent) {}

signals:
    void processerQuoteKPoint(QuoteCodeInfo* codeInfo, QuoteKPoint* kpoint, int length);

private:
    std::vector<QuoteKPoint> raw_, forward_, backward_;
    std::vector<QuoteDividend> dividends_;
    QString cmd_;
};
