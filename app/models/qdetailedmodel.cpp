#include "models/qdetailedmodel.h"

#include <QJsonArray>
#include <QJsonObject>

#include <cstring>

#include "models/codetext.h"
#include "models/core/ticklists.h"
#include "models/mqmodel.h"

QDetailedModel::QDetailedModel(QObject* parent) : TrimmedListModel(parent) {}

int QDetailedModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(rows_.size());
}

QHash<int, QByteArray> QDetailedModel::roleNames() const
{
    return {
        {TimeRole, "time"}, {PriceRole, "price"}, {VolRole, "vol"}, {WindRole, "wind"}, {PreCloseRole, "pre_close"}};
}

QVariant QDetailedModel::value(const Row& r, int role) const
{
    switch (role) {
    case TimeRole:
        return QVariant::fromValue(uint(r.time));
    case PriceRole:
        return r.price;
    case VolRole:
        return r.vol;
    case WindRole:
        return r.wind ? QString(QChar::fromLatin1(r.wind)) : QString();
    case PreCloseRole:
        return preClose_;
    default:
        return QVariant();
    }
}

QVariant QDetailedModel::data(const QModelIndex& index, int role) const
{
    return index.isValid() ? getItem(index.row(), role) : QVariant();
}

void QDetailedModel::bindDataSignal(QObject* obj)
{
    if (auto* model = qobject_cast<MQModel*>(obj))
        connect(model, &MQModel::updateDetail, this, &QDetailedModel::onUpdateDetail, Qt::UniqueConnection);
}

QString QDetailedModel::code() const
{
    return codeInfoCode(codeInfo_);
}

void QDetailedModel::clearData()
{
    beginResetModel();
    rows_.clear();
    endResetModel();
}

QVariant QDetailedModel::getItem(int index, int role) const
{
    if (index < 0 || index >= int(rows_.size()))
        return QVariant();
    return value(rows_[size_t(index)], role);
}

QVariant QDetailedModel::getItemJson(int index) const
{
    if (index < 0 || index >= int(rows_.size()))
        return QVariant();
    const Row& r = rows_[size_t(index)];
    QJsonObject o;
    o["time"] = qint64(r.time);
    o["price"] = double(r.price);
    o["vol"] = r.vol;
    o["wind"] = value(r, WindRole).toString();
    o["pre_close"] = double(preClose_);
    return QVariant::fromValue(o);
}

QVariant QDetailedModel::getJson(int sIndex, int eIndex) const
{
    QJsonArray out;
    const int n = int(rows_.size());
    if (sIndex >= 0 && sIndex < n) {
        const int end = eIndex < 0 ? n : std::min(eIndex, n);
        for (int i = sIndex; i < end; ++i)
            out.append(getItemJson(i).toJsonObject());
    }
    return QVariant::fromValue(out);
}

QVariant QDetailedModel::isPreMinute(int index) const
{
    if (index <= 0 || index >= int(rows_.size()))
        return false;
    return rows_[size_t(index) - 1].time / 60 == rows_[size_t(index)].time / 60;
}

int QDetailedModel::getDecimal() const
{
    return codeInfo_.decimal ? codeInfo_.decimal : 2;
}

void QDetailedModel::onUpdateDetail(const QuoteDetailPoints& dp)
{
    // A batch of another stock never continues this one's list.
    const bool otherStock =
        !rows_.empty() && (std::memcmp(codeInfo_.code, dp.code_info.code, sizeof codeInfo_.code) != 0 ||
                           codeInfo_.market != dp.code_info.market);
    preClose_ = dp.price;
    codeInfo_ = dp.code_info;
    // The library's last header field: where the batch stands in the day.
    const int startNumber = dp.total;
    const int count = dp.entries && dp.count > 0 ? dp.count : 0;

    const int kept =
        detailKeptRows(int(rows_.size()), otherStock ? 0 : startNumber, count > 0, count > 0 ? dp.entries[0].time : -1,
                       [this](int i) { return rows_[size_t(i)].time; });
    keepFirstRows(rows_, kept);

    const int n = int(rows_.size());
    if (count > 0) {
        beginInsertRows(QModelIndex(), n, n + count - 1);
        rows_.reserve(rows_.size() + size_t(count));
        for (int i = 0; i < count; ++i) {
            const QuoteDetailPoint& p = dp.entries[i];
            rows_.push_back({uint32_t(p.time), p.price, double(p.volume), char(p.flag)});
        }
        endInsertRows();
    }
    emit dataUpdated(n);
}
