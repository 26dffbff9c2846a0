// QPageModelSorter: one page (a window of consecutive source rows) of its
// source model, and the selected row. Property writes only store the value;
// QML emits the signals and calls updateShow() to filter again.
#pragma once

#include <QSortFilterProxyModel>

class QPageModelSorter : public QSortFilterProxyModel {
    Q_OBJECT
    Q_PROPERTY(int startIndex READ startIndex WRITE setStartIndex NOTIFY startIndexChanged)
    Q_PROPERTY(int pageSize READ pageSize WRITE setPageSize NOTIFY pageSizeChanged)
    Q_PROPERTY(int count READ count NOTIFY countChanged)
    Q_PROPERTY(int srcCount READ srcCount NOTIFY srcCountChanged)
    Q_PROPERTY(int selectIndex READ selectIndex WRITE setSelectIndex NOTIFY selectIndexChanged)
public:
    explicit QPageModelSorter(QObject* parent = nullptr);

    int startIndex() const { return startIndex_; }
    void setStartIndex(int v) { startIndex_ = v; }
    int pageSize() const { return pageSize_; }
    void setPageSize(int v) { pageSize_ = v; }
    int selectIndex() const { return selectIndex_; }
    void setSelectIndex(int v) { selectIndex_ = v; }
    int count() const { return rowCount(); }
    int srcCount() const;

signals:
    void startIndexChanged(int startIndex);
    void pageSizeChanged(int pageSize);
    void countChanged(int count);
    void srcCountChanged(int count);
    void selectIndexChanged(int selectIndex);

public slots:
    void updateShow();

protected:
    bool filterAcceptsRow(int source_row, const QModelIndex& source_parent) const override;

private:
    int startIndex_ = 0;
    int pageSize_ = 0;
    int selectIndex_ = -1;
};
