// MultiStockModel: runs a context another view dumped as text and hands the
// listed stocks to QML as a JSON array, page by page.
#pragma once

#include <QJsonArray>
#include <QObject>
#include <QVariant>

#include "models/quoteapi.h"

class MultiStockModel : public QObject {
    Q_OBJECT
public:
    explicit MultiStockModel(QObject* parent = nullptr);
    ~MultiStockModel() override;

    quote_ctx* context() const { return ctx_.get(); }

signals:
    void dataChange(QVariant data);

public slots:
    // GUI thread, while the quote-engine thread waits on the delivery.
    void onQuotePeroidRealTime(const QuoteReply* rpl);
    void setCtx(QString str);
    void pageUp();
    void pageDown();

private:
    QuoteCtxPtr ctx_;
    QJsonArray list_;
};
