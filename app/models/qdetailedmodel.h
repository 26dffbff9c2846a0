// QDetailedModel: the tick-by-tick trades of one stock ("分笔成交"), merged
// from the detail batches an MQModel delivers. A batch that starts the day
// replaces the list, a resent tail replaces the rows from its first time on,
// and the rest is appended; a batch of another stock starts a new list. Rows dropped by a batch are announced to the
// views as a removal before the new rows are inserted.
#pragma once

#include <QAbstractListModel>
#include <QString>
#include <QVariant>

#include <vector>

#include "models/trimmedlistmodel.h"
#include "quote.h"

class QDetailedModel : public TrimmedListModel {
    Q_OBJECT
public:
    enum Role { TimeRole = 1, PriceRole, VolRole, WindRole, PreCloseRole };

    struct Row {
        uint32_t time;
        float price;
        double vol;
        char wind;  // the trade's direction mark, 0 for none
    };

    explicit QDetailedModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    const std::vector<Row>& rows() const { return rows_; }
    float preClose() const { return preClose_; }
    // The stock of the rows listed.
    QString code() const;

    Q_INVOKABLE void bindDataSignal(QObject* obj);
    Q_INVOKABLE void clearData();
    Q_INVOKABLE QVariant getItem(int index, int role) const;
    Q_INVOKABLE QVariant getItemJson(int index) const;
    Q_INVOKABLE QVariant getJson(int sIndex = 0, int eIndex = -1) const;
    Q_INVOKABLE QVariant isPreMinute(int index) const;
    Q_INVOKABLE int getDecimal() const;

signals:
    void dataUpdated(int n);

public slots:
    // GUI thread, inside the MQModel's delivery; copies what it keeps (the
    // batch and its items belong to the library).
    void onUpdateDetail(const QuoteDetailPoints& dp);

private:
    QVariant value(const Row& r, int role) const;

    std::vector<Row> rows_;
    // The last batch's header; its item pointer is not kept.
    float preClose_ = 0;
    QuoteCodeInfo codeInfo_{};
};
