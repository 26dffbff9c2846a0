#include "models/qmystockservice.h"

#include <QJsonArray>
#include <QJsonObject>

#include "models/groupstore.h"

namespace {

GroupStore& store() { return GroupStore::instance(GroupStore::MyStock); }

}  // namespace

QMyStockService::QMyStockService(QObject* parent) : QObject(parent) {}

void QMyStockService::fromJson(QString json_str) { store().fromJson(json_str); }

QVariant QMyStockService::getJson() const { return store().document().toVariantMap(); }

QVariant QMyStockService::isExist(QString code, int market) const
{
    int g = 0, i = 0;
    return store().findStock(code, market, &g, &i);
}

void QMyStockService::addStock(int group_index, QString code, int market)
{
    QJsonArray result = store().groups();
    if (group_index < 0 || group_index >= result.size())
        return;
    int g = 0, i = 0;
    if (store().findStock(code, market, &g, &i))
        return;
    QJsonObject group = result.at(group_index).toObject();
    QJsonArray codes = group.value("codes").toArray();
    codes.prepend(QJsonObject{{"code", code}, {"market_id", QString::number(market)}});
    group.insert("codes", codes);
    result.replace(group_index, group);
    store().setGroups(result);
    emit updateMyStock();
}

void QMyStockService::removeStock(QString code, int market)
{
    int g = 0, i = 0;
    if (!store().findStock(code, market, &g, &i))
        return;
    QJsonArray result = store().groups();
    QJsonObject group = result.at(g).toObject();
    QJsonArray codes = group.value("codes").toArray();
    codes.removeAt(i);
    group.insert("codes", codes);
    result.replace(g, group);
    store().setGroups(result);
    emit updateMyStock();
}

QVariant QMyStockService::renameGroup(int group_index, QString name)
{
    QJsonArray result = store().groups();
    if (group_index < 0 || group_index >= result.size())
        return {};
    QJsonObject group = result.at(group_index).toObject();
    group.insert("group_name", name);
    result.replace(group_index, group);
    store().setGroups(result);
    return group.value("group_id").toVariant();
}

QVariant QMyStockService::getGroup(QString code, int market) const
{
    int g = 0, i = 0;
    if (!store().findStock(code, market, &g, &i))
        return {};
    return store().groups().at(g).toObject().toVariantMap();
}

QVariant QMyStockService::getGroupIndex(QString group_id) const
{
    return groupdoc::groupIndex(store().groups(), group_id);
}
