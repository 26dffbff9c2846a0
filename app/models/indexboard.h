// IndexBoard: one real-time record of an index strip or a concept ranking,
// all zero at creation; the index board model copies whole records in.
#pragma once

#include <QObject>
#include <QString>

#include "quote.h"

class IndexBoard : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString name READ name NOTIFY dataChanged)
    Q_PROPERTY(QString code READ code NOTIFY dataChanged)
    Q_PROPERTY(int market READ market NOTIFY dataChanged)
    Q_PROPERTY(float close READ close NOTIFY dataChanged)
    Q_PROPERTY(float rf_value READ rf_value NOTIFY dataChanged)
    Q_PROPERTY(float rf_rate READ rf_rate NOTIFY dataChanged)
    Q_PROPERTY(float pre_close READ pre_close NOTIFY dataChanged)
    Q_PROPERTY(float sum READ sum NOTIFY dataChanged)
public:
    explicit IndexBoard(QObject* parent = nullptr);

    QString name() const;
    QString code() const;
    int market() const { return static_cast<int8_t>(rt_.code_info.market); }
    float close() const { return rt_.close; }
    float rf_value() const { return rt_.rf_value; }
    float rf_rate() const { return rt_.rf_rate; }
    float pre_close() const { return rt_.pre_close; }
    // The turnover amount narrowed to float, as the strips show it.
    float sum() const { return float(rt_.sum); }

    // GUI thread: copies the record (the symbol link is not kept); tells of
    // it only when a shown figure or the name changed.
    void setRecord(const QuoteRealTimeMarket& rt);

signals:
    void dataChanged();

private:
    QuoteRealTimeMarket rt_{};
};
