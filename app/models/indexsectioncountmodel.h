// IndexSectionCountModel: the twelve rise-and-fall buckets of the Shanghai
// and Shenzhen markets (how many stocks rose or fell by how much), with the
// largest count and each bucket's share of it for bar lengths.
#pragma once

#include <QAbstractListModel>
#include <QString>

#include <vector>

class IndexSectionCountModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role { NameRole = 1, SectionRole, CountRole, TypeRole };

    struct Bucket {
        QString name;
        QString section;
        int count;
        int type;  // 1 rise, -1 fall
    };

    explicit IndexSectionCountModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    Q_INVOKABLE int getMaxCount() const;
    Q_INVOKABLE float getCurRatio(uint index) const;

private:
    std::vector<Bucket> buckets_;
    std::vector<int> counts_;
};
