#include "models/groupstore.h"

#include <QJsonDocument>
#include <QJsonParseError>
#include <QJsonValue>
#include <QtDebug>

#include <cmath>

namespace groupdoc {

const char* const kDefaultText = R"({"code":"0000","msg":"success","result":[]})";

int marketOf(const QJsonObject& item)
{
    const QJsonValue v = item.value("market_id");
    if (v.isDouble()) {
        const double d = v.toDouble();
        return d == std::floor(d) && std::fabs(d) <= 1e9 ? int(d) : 0;
    }
    if (!v.isString())
        return 0;
    bool ok = false;
    const int n = v.toString().toInt(&ok, 10);
    return ok ? n : 0;
}

QString groupIdOf(const QJsonObject& group)
{
    const QJsonValue v = group.value("group_id");
    return v.isString() ? v.toString() : QString();
}

QJsonArray cleanGroups(const QJsonValue& result, int* dropped)
{
    int left = result.isArray() || result.isUndefined() || result.isNull() ? 0 : 1;
    QJsonArray out;
    for (const QJsonValue& g : result.toArray()) {
        if (!g.isObject()) {
            ++left;
            continue;
        }
        QJsonObject group = g.toObject();
        const QJsonValue name = group.value("group_name");
        if (!name.isString())
            group.insert("group_name", name.isDouble() ? QString::number(name.toDouble(), 'g', 15) : QString());
        const QJsonValue codes = group.value("codes");
        QJsonArray kept;
        for (const QJsonValue& c : codes.toArray()) {
            QJsonObject item = c.toObject();
            if (!c.isObject() || !item.value("code").isString()) {
                ++left;
                continue;
            }
            if (item.value("market_id").isDouble())
                item.insert("market_id", QString::number(marketOf(item)));
            kept.append(item);
        }
        if (!codes.isArray() && !codes.isUndefined() && !codes.isNull())
            ++left;
        group.insert("codes", kept);
        out.append(group);
    }
    if (dropped)
        *dropped = left;
    return out;
}

QVariantMap groupTitles(const QJsonArray& result)
{
    const auto text = [](const QJsonValue& v) {
        return v.isString() ? v.toString() : v.isDouble() ? QString::number(v.toDouble(), 'g', 15) : QString();
    };
    QStringList ids, names;
    ids.reserve(result.size());
    names.reserve(result.size());
    for (const QJsonValue& g : result) {
        const QJsonObject o = g.toObject();
        ids << text(o.value("group_id"));
        names << text(o.value("group_name"));
    }
    return {{"ids", ids}, {"names", names}};
}

bool parse(const QString& text, QJsonObject* out)
{
    QJsonParseError err{};
    const QJsonDocument d = QJsonDocument::fromJson(text.toUtf8(), &err);
    if (err.error != QJsonParseError::NoError || !d.isObject())
        return false;
    *out = d.object();
    return true;
}

int groupIndex(const QJsonArray& result, const QString& groupId)
{
    for (int i = 0; i < result.size(); ++i)
        if (groupIdOf(result.at(i).toObject()) == groupId)
            return i;
    return -1;
}

QVariant groupCodes(const QJsonArray& result, const QString& groupId)
{
    const int i = groupIndex(result, groupId);
    if (i < 0)
        return {};
    return result.at(i).toObject().value("codes").toArray().toVariantList();
}

}  // namespace groupdoc

GroupStore& GroupStore::instance(Kind kind)
{
    static GroupStore stores[3];
    return stores[kind];
}

bool GroupStore::fromJson(const QString& text)
{
    QJsonObject d;
    if (!groupdoc::parse(text, &d))
        return false;
    setDocument(d);
    return true;
}

void GroupStore::setDocument(const QJsonObject& doc)
{
    doc_ = doc;
    int dropped = 0;
    doc_.insert("result", groupdoc::cleanGroups(doc.value("result"), &dropped));
    if (dropped > 0)
        qWarning() << "stock groups:" << dropped << "entries of another shape left out";
    indexed_ = false;
}

void GroupStore::adoptDocument(const QJsonObject& doc)
{
    doc_ = doc;
    indexed_ = false;
}

void GroupStore::setGroups(const QJsonArray& result)
{
    QJsonObject d = doc_;
    d.insert("result", result);
    setDocument(d);
}

bool GroupStore::findStock(const QString& code, int market, int* group, int* item) const
{
    if (!indexed_) {
        index_.clear();
        const QJsonArray result = groups();
        for (int g = 0; g < result.size(); ++g) {
            const QJsonArray codes = result.at(g).toObject().value("codes").toArray();
            for (int i = 0; i < codes.size(); ++i) {
                const QJsonObject o = codes.at(i).toObject();
                const QJsonValue c = o.value("code");
                if (!c.isString())
                    continue;
                const auto key = qMakePair(c.toString(), groupdoc::marketOf(o));
                if (!index_.contains(key))
                    index_.insert(key, qMakePair(g, i));
            }
        }
        indexed_ = true;
    }
    const auto at = index_.constFind(qMakePair(code, market));
    if (at == index_.constEnd())
        return false;
    *group = at->first;
    *item = at->second;
    return true;
}

namespace {

struct StoreSource : StockGroupSource {
    QJsonArray groups(Kind kind) const override
    {
        switch (kind) {
        case MyStock:
            return GroupStore::instance(GroupStore::MyStock).groups();
        case Screening:
            return GroupStore::instance(GroupStore::Screening).groups();
        case StockPool:
            return GroupStore::instance(GroupStore::StockPool).groups();
        }
        return {};
    }
};

}  // namespace

const StockGroupSource* GroupStore::tableSource()
{
    static const StoreSource source;
    return &source;
}
