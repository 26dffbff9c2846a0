// QStockPoolService: the QML face of the stock-pool store. Each new instance
// reloads "StockPool.json" from the data directory (the login window writes
// it); all instances share the one process-wide store.
#pragma once

#include <QObject>
#include <QString>
#include <QVariant>

class QStockPoolService : public QObject {
    Q_OBJECT
public:
    // GUI thread: reads the file into the store.
    explicit QStockPoolService(QObject* parent = nullptr);

public slots:
    // The text-to-store rule; the file is not written.
    void fromJson(QString json_str);
    QVariant getJson() const;
    QVariant getGroups() const;
    // {ids: [...], names: [...]} of every group, in order: what a group bar
    // shows, cheap for thousands of groups.
    QVariant getGroupTitles() const;
    // The codes of the first group with that id, or an invalid value.
    QVariant getGroupCodes(QString group_id) const;
};
