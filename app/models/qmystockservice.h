// QMyStockService: the QML face of the my-stock store. Every view declares its
// own instance; all of them work on the one process-wide store, which the login
// window fills and which lives in memory only. updateMyStock() comes only from
// the instance whose call changed the store.
#pragma once

#include <QObject>
#include <QString>
#include <QVariant>

class QMyStockService : public QObject {
    Q_OBJECT
public:
    explicit QMyStockService(QObject* parent = nullptr);

signals:
    void updateMyStock();

public slots:
    // GUI thread, like every call below.
    void fromJson(QString json_str);
    QVariant getJson() const;
    QVariant isExist(QString code, int market) const;
    // Puts the stock first in group `group_index`, unless it is in any group
    // already or the index is outside the group list.
    void addStock(int group_index, QString code, int market);
    // Removes the first occurrence of the stock.
    void removeStock(QString code, int market);
    // The group's group_id, or an invalid value for an index outside the list.
    QVariant renameGroup(int group_index, QString name);
    // The first group holding the stock, or an invalid value.
    QVariant getGroup(QString code, int market) const;
    QVariant getGroupIndex(QString group_id) const;
};
