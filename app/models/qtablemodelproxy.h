// QTableModelProxy: a window of consecutive columns of a table model, so a
// view can scroll the non-fixed columns of a wide quote table. Style 1 reports
// the source's column count as its row count (header strips). Property writes
// only store the value; QML emits the signals.
#pragma once

#include <QSortFilterProxyModel>

class QTableModelProxy : public QSortFilterProxyModel {
    Q_OBJECT
    Q_PROPERTY(int startColumn READ startColumn WRITE setStartColumn NOTIFY startColumnChanged)
    Q_PROPERTY(int endColumn READ endColumn WRITE setEndColumn NOTIFY endColumnChanged)
    Q_PROPERTY(int style READ style WRITE setStyle NOTIFY styleChanged)
public:
    explicit QTableModelProxy(QObject* parent = nullptr);

    int startColumn() const { return startColumn_; }
    void setStartColumn(int v) { startColumn_ = v; }
    int endColumn() const { return endColumn_; }
    void setEndColumn(int v) { endColumn_ = v; }
    int style() const { return style_; }
    void setStyle(int v) { style_ = v; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;

signals:
    void startColumnChanged(int startIndex);
    void endColumnChanged(int pageSize);
    void styleChanged(int style);

protected:
    bool filterAcceptsColumn(int source_column, const QModelIndex& source_parent) const override;

private:
    int startColumn_ = 0;
    int endColumn_ = 0;
    int style_ = 0;
};
