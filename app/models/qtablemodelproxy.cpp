#include "models/qtablemodelproxy.h"

QTableModelProxy::QTableModelProxy(QObject* parent) : QSortFilterProxyModel(parent) {}

int QTableModelProxy::rowCount(const QModelIndex& parent) const
{
    if (style_ == 1)
        return sourceModel() && !parent.isValid() ? sourceModel()->columnCount() : 0;
    return QSortFilterProxyModel::rowCount(parent);
}

bool QTableModelProxy::filterAcceptsColumn(int source_column, const QModelIndex&) const
{
    return source_column >= startColumn_ && source_column <= endColumn_;
}
