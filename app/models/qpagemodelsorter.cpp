#include "models/qpagemodelsorter.h"

QPageModelSorter::QPageModelSorter(QObject* parent) : QSortFilterProxyModel(parent)
{
    emit countChanged(rowCount());
    if (sourceModel())
        emit srcCountChanged(sourceModel()->rowCount());
}

int QPageModelSorter::srcCount() const
{
    return sourceModel() ? sourceModel()->rowCount() : rowCount();
}

void QPageModelSorter::updateShow()
{
    beginResetModel();
    endResetModel();
}

bool QPageModelSorter::filterAcceptsRow(int source_row, const QModelIndex&) const
{
    // 64-bit sum: a start near INT_MAX must not wrap into a window.
    return source_row >= startIndex_ && int64_t(source_row) < int64_t(startIndex_) + pageSize_;
}
