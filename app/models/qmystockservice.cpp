#include "models/qmystockservice.h"

#include <QJsonArray>
#include <QJsonObject>

#include "models/groupstore.h"

namespace {

GroupStore& store()
{
    return GroupStore::instance(GroupStore::MyStock);
}

// Changes group `index` of the store through `change` and stores the groups
// again; false (and nothing changed) when there is no such group.
template <class Change>
bool editGroup(int index, Change change)
{
    QJsonArray result = store().groups();
    if (index < 0 || index >= result.size())
        return false;
    QJsonObject group = result.at(index).toObject();
    change(group);
    result.replace(index, group);
    store().setGroups(result);
    return true;
}

// editGroup for the group's "codes".
template <class Change>
bool editCodes(int index, Change change)
{
    return editGroup(index, [&change](QJsonObject& group) {
        QJsonArray codes = group.value("codes").toArray();
        change(codes);
        group.insert("codes", codes);
    });
}

}  // namespace

QMyStockService::QMyStockService(QObject* parent) : QObject(parent) {}

void QMyStockService::fromJson(QString json_str)
{
    store().fromJson(json_str);
}

QVariant QMyStockService::getJson() const
{
    return store().document().toVariantMap();
}

QVariant QMyStockService::isExist(QString code, int market) const
{
    int g = 0, i = 0;
    return store().findStock(code, market, &g, &i);
}

void QMyStockService::addStock(int group_index, QString code, int market)
{
    int g = 0, i = 0;
    if (store().findStock(code, market, &g, &i))
        return;
    const bool added = editCodes(group_index, [&](QJsonArray& codes) {
        codes.prepend(QJsonObject{{"code", code}, {"market_id", QString::number(market)}});
    });
    if (added)
        emit updateMyStock();
}

void QMyStockService::removeStock(QString code, int market)
{
    int g = 0, i = 0;
    if (!store().findStock(code, market, &g, &i))
        return;
    editCodes(g, [i](QJsonArray& codes) { codes.removeAt(i); });
    emit updateMyStock();
}

QVariant QMyStockService::renameGroup(int group_index, QString name)
{
    QVariant id;
    editGroup(group_index, [&](QJsonObject& group) {
        group.insert("group_name", name);
        id = group.value("group_id").toVariant();
    });
    return id;
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
