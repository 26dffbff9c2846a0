// TrimmedListModel: a list model whose pushes first cut its rows back to the
// ones a new batch continues. Cutting every row is one reset, cutting a tail
// one removal, so a view keeps its place in the rows that stay.
#pragma once

#include <QAbstractListModel>

class TrimmedListModel : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

protected:
    // GUI thread. Keeps the first `kept` of rows (a std::vector of the
    // model's rows), announcing the change.
    template <class Rows>
    void keepFirstRows(Rows& rows, int kept)
    {
        const int old = int(rows.size());
        if (kept == 0 && old > 0) {
            beginResetModel();
            rows.clear();
            endResetModel();
        } else if (kept < old) {
            beginRemoveRows(QModelIndex(), kept, old - 1);
            rows.resize(size_t(kept));
            endRemoveRows();
        }
    }
};
