#include "models/groupstore.h"

#include <QJsonDocument>
#include <QJsonParseError>
#include <QJsonValue>

namespace groupdoc {

const char* const kDefaultText = R"({"code":"0000","msg":"success","result":[]})";

int marketOf(const QJsonObject& item)
{
    const QJsonValue v = item.value("market_id");
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

bool findStock(const QJsonArray& result, const QString& code, int market, int* group, int* item)
{
    for (int g = 0; g < result.size(); ++g) {
        const QJsonArray codes = result.at(g).toObject().value("codes").toArray();
        for (int i = 0; i < codes.size(); ++i) {
            const QJsonObject o = codes.at(i).toObject();
            if (o.value("code").toString() == code && o.value("code").isString() && marketOf(o) == market) {
                *group = g;
                *item = i;
                return true;
            }
        }
    }
    return false;
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
    doc_ = d;
    return true;
}

void GroupStore::setGroups(const QJsonArray& result)
{
    QJsonObject d = doc_;
    d.insert("result", result);
    doc_ = d;
}

namespace {

struct StoreSource : StockGroupSource {
    QJsonArray groups(Kind kind) const override
    {
        switch (kind) {
        case MyStock: return GroupStore::instance(GroupStore::MyStock).groups();
        case Screening: return GroupStore::instance(GroupStore::Screening).groups();
        case StockPool: return GroupStore::instance(GroupStore::StockPool).groups();
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
