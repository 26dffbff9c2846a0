// QStockTipModel: stock tips (short event notes on stocks, coloured by kind)
// of one stock or one block, newest batch first, from an MQModel's tip
// replies. A resent tail is dropped (announced as a removal) before the new
// rows go in front.
#pragma once

#include <QAbstractListModel>
#include <QString>
#include <QVariant>

#include <vector>

#include "models/trimmedlistmodel.h"
#include "quote.h"

class QStockTipModel : public TrimmedListModel {
    Q_OBJECT
    Q_PROPERTY(int selectIndex READ selectIndex WRITE setSelectIndex NOTIFY selectIndexChanged)
    Q_PROPERTY(int count READ count NOTIFY dataUpdated)
public:
    enum Role { TimeRole = 1, CodeRole, MarketRole, NameRole, TipRole, ValRole, TextColorRole };

    struct Row {
        int32_t time;
        QString code;
        int32_t market;
        QString name;
        QString tip;
        QString val;
        QString textColor;
    };

    explicit QStockTipModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    const std::vector<Row>& rows() const { return rows_; }
    int selectIndex() const { return selectIndex_; }
    void setSelectIndex(int v);
    int count() const { return int(rows_.size()); }

    // The text colour of a tip kind: 1 rise, 2 fall, 3 and 4 institutions.
    static QString kindColor(int kind);

    Q_INVOKABLE void bindDataSignal(QObject* obj);
    Q_INVOKABLE void clearData();
    Q_INVOKABLE QVariant getRole(const QString& name) const;
    Q_INVOKABLE QVariant getItem(int index, int role) const;

signals:
    void dataUpdated(int n);
    void selectIndexChanged(int selectIndex);

public slots:
    // GUI thread, inside the MQModel's delivery; copies the records.
    void onUpdateStockTip(const QuoteReply* rpl);

private:
    std::vector<Row> rows_;
    int selectIndex_ = -1;
};
