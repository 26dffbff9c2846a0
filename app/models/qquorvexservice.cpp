#include "models/qquorvexservice.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

#include <sys/stat.h>

#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "models/groupstore.h"
#include "models/qquorvexdll.h"
#include "shell/hfileio.h"

namespace {

const QString kFile = QStringLiteral("Quorvex.json");

GroupStore& store()
{
    return GroupStore::instance(GroupStore::Screening);
}

// Which file the store holds: its identity on the disk when it was last read
// or written here. A file of the same identity is not read again.
struct FileMark {
    bool exists = false;
    qint64 size = 0, seconds = 0, nanoseconds = 0;
    quint64 inode = 0;
    bool operator==(const FileMark& o) const
    {
        return exists == o.exists && size == o.size && seconds == o.seconds && nanoseconds == o.nanoseconds &&
               inode == o.inode;
    }
};

FileMark markOf(const QString& path)
{
    FileMark m;
    struct stat st;
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0)
        return m;
    m.exists = true;
    m.size = st.st_size;
    m.seconds = st.st_mtim.tv_sec;
    m.nanoseconds = st.st_mtim.tv_nsec;
    m.inode = st.st_ino;
    return m;
}

std::mutex markMutex;          // guards the three below (the writer thread sets the mark)
std::optional<FileMark> held;  // the file as the store last had it; none before the first load
bool fileDamaged = false;      // the file held did not parse: kept aside before the next save

}  // namespace

// GUI thread. Reads the file again unless the store already holds it (or
// newer: a save of it still on its way).
QQuorvexService::QQuorvexService(QObject* parent) : QObject(parent)
{
    QQuorvexDll* dll = QQuorvexDll::instance();
    connect(dll, &QQuorvexDll::dataChange, this, &QQuorvexService::onDataChange, Qt::QueuedConnection);
    connect(dll, &QQuorvexDll::syncActionCmd, this, &QQuorvexService::onSyncActionCmd, Qt::QueuedConnection);
    if (HFileIO::savingLater(kFile))
        return;
    {
        std::lock_guard<std::mutex> lock(markMutex);
        if (held && *held == markOf(HFileIO::dataPath(kFile)))
            return;
    }
    loadFile();
}

void QQuorvexService::loadFile()
{
    // A file that cannot be read is told and shows the default; the writer
    // moves it aside as ".bad" once the next save is on the disk.
    const FileMark mark = markOf(HFileIO::dataPath(kFile));
    QString text;
    const bool read = HFileIO::readData(kFile, &text) == HFileIO::Found::Read;
    QJsonObject parsed;
    const bool damaged = read && !text.isEmpty() && !groupdoc::parse(text, &parsed);
    if (text.isEmpty())
        text = QString::fromUtf8(groupdoc::kDefaultText);
    store().fromJson(text);
    std::lock_guard<std::mutex> lock(markMutex);
    held = mark;
    fileDamaged = damaged;
}

QString QQuorvexService::freeGroupId(const QString& id) const
{
    const QJsonArray result = store().groups();
    QString candidate = id;
    for (int n = 2; groupdoc::groupIndex(result, candidate) >= 0; ++n)
        candidate = id + QStringLiteral(" #") + QString::number(n);
    return candidate;
}

void QQuorvexService::onDataChange()
{
    emit updateQuorvex();
}

void QQuorvexService::onSyncActionCmd(QString str)
{
    emit updateActionCmd(str);
}

void QQuorvexService::fromJson(QString json_str)
{
    store().fromJson(json_str);
}

QVariant QQuorvexService::getJson() const
{
    return store().document().toVariantMap();
}

QVariant QQuorvexService::getGroups() const
{
    return store().groups().toVariantList();
}

QVariant QQuorvexService::getGroupTitles() const
{
    return groupdoc::groupTitles(store().groups());
}

QVariant QQuorvexService::getGroupCodes(QString group_id) const
{
    return groupdoc::groupCodes(store().groups(), group_id);
}

void QQuorvexService::addGroup(QString id, QString name, QVariant codes)
{
    QJsonObject doc = store().document();
    QJsonArray result = doc.value("result").toArray();
    // Only the new group is checked for the store's shape.
    result.prepend(
        groupdoc::cleanGroups(
            QJsonArray{QJsonObject{
                {"group_id", id}, {"group_name", name}, {"codes", QJsonArray::fromVariantList(codes.toList())}}})
            .first());
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

// GUI thread. The store takes the edit at once; the file is written whole
// and renamed into place on the writer thread, so that neither the text of a
// thousand results nor the disk holds the window. A file that did not parse
// (hand-edited, or written by something else) is kept as "Quorvex.json.bad"
// first rather than lost under the new store (a later damaged one beside it,
// numbered); one that cannot be read the writer moves aside itself. When the
// disk refuses the save the store keeps the edit: the next save writes it
// again.
void QQuorvexService::saveJson(const QJsonObject& doc)
{
    bool damaged = false;
    {
        std::lock_guard<std::mutex> lock(markMutex);
        std::swap(damaged, fileDamaged);
    }
    if (damaged)
        HFileIO::keepBadCopy(kFile);
    store().adoptDocument(doc);
    const QString path = HFileIO::dataPath(kFile);
    HFileIO::writeDataLater(
        kFile, [doc] { return QJsonDocument(doc).toJson(QJsonDocument::Indented); },
        [path](bool) {
            std::lock_guard<std::mutex> lock(markMutex);
            held = markOf(path);
        });
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
