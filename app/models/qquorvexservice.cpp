#include "models/qquorvexservice.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

#include <cstring>
#include <string>
#include <vector>

#include "models/groupstore.h"
#include "models/qquorvexdll.h"
#include "shell/hfileio.h"

namespace {

const QString kFile = QStringLiteral("Quorvex.json");

GroupStore& store() { return GroupStore::instance(GroupStore::Screening); }

}  // namespace

QQuorvexService::QQuorvexService(QObject* parent) : QObject(parent)
{
    QQuorvexDll* dll = QQuorvexDll::instance();
    connect(dll, &QQuorvexDll::dataChange, this, &QQuorvexService::onDataChange, Qt::QueuedConnection);
    connect(dll, &QQuorvexDll::syncActionCmd, this, &QQuorvexService::onSyncActionCmd, Qt::QueuedConnection);
    QString text = HFileIO::readData(kFile);
    if (text.isEmpty())
        text = QString::fromUtf8(groupdoc::kDefaultText);
    store().fromJson(text);
}

QString QQuorvexService::freeGroupId(const QString& id) const
{
    const QJsonArray result = store().groups();
    QString candidate = id;
    for (int n = 2; groupdoc::groupIndex(result, candidate) >= 0; ++n)
        candidate = id + QStringLiteral(" #") + QString::number(n);
    return candidate;
}

void QQuorvexService::onDataChange() { emit updateQuorvex(); }

void QQuorvexService::onSyncActionCmd(QString str) { emit updateActionCmd(str); }

void QQuorvexService::fromJson(QString json_str) { store().fromJson(json_str); }

QVariant QQuorvexService::getJson() const { return store().document().toVariantMap(); }

QVariant QQuorvexService::getGroups() const { return store().groups().toVariantList(); }

QVariant QQuorvexService::getGroupTitles() const { return groupdoc::groupTitles(store().groups()); }

QVariant QQuorvexService::getGroupCodes(QString group_id) const
{
    return groupdoc::groupCodes(store().groups(), group_id);
}

void QQuorvexService::addGroup(QString id, QString name, QVariant codes)
{
    QJsonObject doc = store().document();
    QJsonArray result = doc.value("result").toArray();
    result.prepend(QJsonObject{{"group_id", id}, {"group_name", name},
                               {"codes", QJsonArray::fromVariantList(codes.toList())}});
    doc.insert("result", result);
    saveJson(doc);
}

void QQuorvexService::removeGroup(QString group_id)
{
    QJsonObject doc = store().document();
    QJsonArray result = doc.value("result").toArray();
    const int i = groupdoc::groupIndex(result, group_id);
    if (i < 0)
        return;
    result.removeAt(i);
    doc.insert("result", result);
    saveJson(doc);
}

void QQuorvexService::editGroup(QString group_id, QString name)
{
    QJsonObject doc = store().document();
    QJsonArray result = doc.value("result").toArray();
    const int i = groupdoc::groupIndex(result, group_id);
    if (i < 0)
        return;
    QJsonObject g = result.at(i).toObject();
    g.insert("group_name", name);
    result.replace(i, g);
    doc.insert("result", result);
    saveJson(doc);
}

// The file is replaced atomically. A file that does not parse (hand-edited,
// or written by something else) is kept as "Quorvex.json.bad" first rather
// than lost under the new store (a later damaged one beside it, numbered);
// one that cannot be read the writer moves aside itself.
// The store takes the edit even when the disk refuses it: the next save
// writes it again.
void QQuorvexService::saveJson(const QJsonObject& doc)
{
    const QString current = HFileIO::readData(kFile);
    QJsonObject ignored;
    if (!current.isEmpty() && !groupdoc::parse(current, &ignored))
        HFileIO::keepBadCopy(kFile);
    const QString text = QString::fromUtf8(QJsonDocument(doc).toJson(QJsonDocument::Indented));
    HFileIO::writeData(kFile, text);
    store().fromJson(text);
}

void QQuorvexService::showQuorvex(QString appName, QString host, QString user, QString auth, int option)
{
    QQuorvexDll::instance()->showDialog(appName, host, user, auth, option);
}

QVariant QQuorvexService::quorvexResponse(QJsonObject jObj)
{
    const int type = jObj.value("type").toInt(0);
    const QJsonArray data = jObj.value("data").toArray();
    switch (type) {
    case NotifyStocks: {
        std::vector<NotifyStockItem> items(size_t(data.size()));
        for (int i = 0; i < data.size(); ++i) {
            const QJsonObject o = data.at(i).toObject();
            NotifyStockItem& it = items[size_t(i)];
            std::memset(&it, 0, sizeof it);
            // A code that does not fit the record whole (too long, or holding a
            // NUL) goes in as one the bridge refuses rather than cut short.
            QByteArray code = o.value("stock_code").toString().toUtf8();
            if (code.size() >= int(sizeof it.code) || code.contains('\0'))
                code = "?";
            std::memcpy(it.code, code.constData(), size_t(code.size()));
            it.market = o.value("exchange_type").toString().toInt(nullptr, 10);
        }
        NotifyMsg msg{NotifyStocks, int32_t(items.size()), items.empty() ? nullptr : items.data()};
        return QQuorvexDll::onNotify(&msg);
    }
    case NotifyConditions: {
        std::vector<std::u16string> titles;
        std::vector<QByteArray> keys, params;
        std::vector<NotifyConditionItem> items(size_t(data.size()));
        titles.reserve(items.size());
        keys.reserve(items.size());
        params.reserve(items.size());
        for (int i = 0; i < data.size(); ++i) {
            const QJsonObject o = data.at(i).toObject();
            const QString title = o.value("name").toString();
            titles.emplace_back(reinterpret_cast<const char16_t*>(title.utf16()), size_t(title.size()));
            keys.push_back(o.value("id").toVariant().toString().toUtf8());
            params.push_back(o.value("args").toVariant().toString().toUtf8());
            NotifyConditionItem& it = items[size_t(i)];
            it.title = titles.back().c_str();
            it.key = keys.back().constData();
            it.params = params.back().constData();
            it.period = o.value("peroid").toVariant().toInt();
            it.fmlType = o.value("type").toVariant().toInt();
        }
        NotifyMsg msg{NotifyConditions, int32_t(items.size()), items.empty() ? nullptr : items.data()};
        return QQuorvexDll::onNotify(&msg);
    }
    case NotifyTemplate: {
        QJsonArray out;
        for (const QJsonValue& element : data) {
            QJsonObject e = element.toObject();
            QJsonArray kept;
            for (const QJsonValue& entry : e.value("items").toArray()) {
                const QByteArray key = entry.toObject().value("key").toVariant().toString().toUtf8();
                NotifyTemplateItem item{u"", key.constData()};
                NotifyMsg msg{NotifyTemplate, 1, &item};
                if (QQuorvexDll::onNotify(&msg) == 1)
                    kept.append(entry);
            }
            e.insert("items", kept);
            out.append(e);
        }
        return out.toVariantList();
    }
    default:
        return 1;
    }
}
