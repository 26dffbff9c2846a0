#include "models/indexsectioncountmodel.h"

#include "models/core/ticklists.h"

IndexSectionCountModel::IndexSectionCountModel(QObject* parent) : QAbstractListModel(parent)
{
    const QString name = QStringLiteral("沪深");
    buckets_ = {
        {name, QStringLiteral("涨停"), 51, 1},    {name, QStringLiteral(">8%"), 11, 1},
        {name, QStringLiteral("6-8%"), 31, 1},    {name, QStringLiteral("4-6%"), 54, 1},
        {name, QStringLiteral("2-4%"), 219, 1},   {name, QStringLiteral("0-2%"), 1580, 1},
        {name, QStringLiteral("0-2%"), 1490, -1}, {name, QStringLiteral("2-4%"), 215, -1},
        {name, QStringLiteral("4-6%"), 28, -1},   {name, QStringLiteral("6-8%"), 8, -1},
        {name, QStringLiteral(">8%"), 7, -1},     {name, QStringLiteral("跌停"), 15, -1},
    };
    for (const Bucket& b : buckets_)
        counts_.push_back(b.count);
}

int IndexSectionCountModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(buckets_.size());
}

QHash<int, QByteArray> IndexSectionCountModel::roleNames() const
{
    return {{NameRole, "name"}, {SectionRole, "section"}, {CountRole, "count"}, {TypeRole, "type"}};
}

QVariant IndexSectionCountModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() < 0 || index.row() >= int(buckets_.size()))
        return QVariant();
    const Bucket& b = buckets_[size_t(index.row())];
    switch (role) {
    case NameRole:
        return b.name;
    case SectionRole:
        return b.section;
    case CountRole:
        return b.count;
    case TypeRole:
        return b.type;
    default:
        return QVariant();
    }
}

int IndexSectionCountModel::getMaxCount() const
{
    return sectionMax(counts_);
}

float IndexSectionCountModel::getCurRatio(uint index) const
{
    return sectionRatio(counts_, int64_t(index));
}
