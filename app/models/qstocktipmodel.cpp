#include "models/qstocktipmodel.h"

#include "models/codetext.h"
#include "models/core/ticklists.h"
#include "models/mqmodel.h"
#include "shell/core/theme.h"

QStockTipModel::QStockTipModel(QObject* parent) : TrimmedListModel(parent) {}

int QStockTipModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(rows_.size());
}

QHash<int, QByteArray> QStockTipModel::roleNames() const
{
    return {{TimeRole, "time"}, {CodeRole, "code"}, {MarketRole, "market"},       {NameRole, "name"},
            {TipRole, "tip"},   {ValRole, "val"},   {TextColorRole, "text_color"}};
}

QString QStockTipModel::kindColor(int kind)
{
    switch (kind) {
    case 1:
        return QString::fromStdString(theme::hexName(theme::kUpColor));
    case 2:
        return QString::fromStdString(theme::hexName(theme::kDownColor));
    case 3:
        return QString::fromStdString(theme::hexName(theme::kTipBlueColor));
    case 4:
        return QString::fromStdString(theme::hexName(theme::kTipTealColor));
    // Lower case, as the tip rows have always carried it.
    default:
        return QString::fromStdString(theme::hexName(theme::kFlatColor)).toLower();
    }
}

QVariant QStockTipModel::getItem(int index, int role) const
{
    if (index < 0 || index >= int(rows_.size()))
        return QVariant();
    const Row& r = rows_[size_t(index)];
    switch (role) {
    case TimeRole:
        return QVariant::fromValue(uint(r.time));
    case CodeRole:
        return r.code;
    case MarketRole:
        return r.market;
    case NameRole:
        return r.name;
    case TipRole:
        return r.tip;
    case ValRole:
        return r.val;
    case TextColorRole:
        return r.textColor;
    default:
        return QVariant();
    }
}

QVariant QStockTipModel::data(const QModelIndex& index, int role) const
{
    return index.isValid() ? getItem(index.row(), role) : QVariant();
}

void QStockTipModel::setSelectIndex(int v)
{
    selectIndex_ = v;
    emit selectIndexChanged(v);
}

void QStockTipModel::bindDataSignal(QObject* obj)
{
    if (auto* model = qobject_cast<MQModel*>(obj))
        connect(model, &MQModel::updateStockTip, this, &QStockTipModel::onUpdateStockTip, Qt::UniqueConnection);
}

void QStockTipModel::clearData()
{
    beginResetModel();
    rows_.clear();
    endResetModel();
    emit dataUpdated(0);
}

QVariant QStockTipModel::getRole(const QString& name) const
{
    const QByteArray key = name.toUtf8();
    const QHash<int, QByteArray> names = roleNames();
    for (auto it = names.begin(); it != names.end(); ++it)
        if (it.value() == key)
            return it.key();
    return -1;
}

void QStockTipModel::onUpdateStockTip(const QuoteReply* rpl)
{
    const auto* tips = rpl ? static_cast<const QuoteSmartTip*>(rpl->data) : nullptr;
    const int count = tips && rpl->count > 0 ? int(rpl->count) : 0;

    const int kept = tipKeptRows(int(rows_.size()), count > 0, count > 0 ? tips[0].time : -1,
                                 [this](int i) { return uint32_t(rows_[size_t(i)].time); });
    keepFirstRows(rows_, kept);
    const int n = int(rows_.size());
    if (count == 0)
        return;

    std::vector<Row> fresh;
    fresh.reserve(size_t(count) + rows_.size());
    for (int i = 0; i < count; ++i) {
        const QuoteSmartTip& t = tips[i];
        fresh.push_back({int32_t(t.time), codeInfoCode(t.code_info), int32_t(int8_t(t.code_info.market)),
                         codeInfoName(t.code_info), t.kind_text ? QString::fromUtf8(t.kind_text) : QString(),
                         fixedFieldText(t.text), kindColor(t.kind_class)});
    }
    beginInsertRows(QModelIndex(), 0, count - 1);
    for (Row& r : rows_)
        fresh.push_back(std::move(r));
    rows_.swap(fresh);
    endInsertRows();
    emit dataUpdated(n);
}
