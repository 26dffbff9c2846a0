#include "models/qstockpoolservice.h"

#include <QJsonArray>
#include <QJsonObject>

#include "models/groupstore.h"
#include "shell/hfileio.h"

namespace {

GroupStore& store()
{
    return GroupStore::instance(GroupStore::StockPool);
}

}  // namespace

QStockPoolService::QStockPoolService(QObject* parent) : QObject(parent)
{
    QString text = HFileIO::readData(QStringLiteral("StockPool.json"));
    if (text.isEmpty())
        text = QString::fromUtf8(groupdoc::kDefaultText);
    store().fromJson(text);
}

void QStockPoolService::fromJson(QString json_str)
{
    store().fromJson(json_str);
}

QVariant QStockPoolService::getJson() const
{
    return store().document().toVariantMap();
}

QVariant QStockPoolService::getGroups() const
{
    return store().groups().toVariantList();
}

QVariant QStockPoolService::getGroupTitles() const
{
    return groupdoc::groupTitles(store().groups());
}

QVariant QStockPoolService::getGroupCodes(QString group_id) const
{
    return groupdoc::groupCodes(store().groups(), group_id);
}
