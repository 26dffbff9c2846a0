#include "shell/settingsstores.h"

#include <QJsonArray>
#include <QMutex>
#include <QMutexLocker>

#include "platform/machineid.h"

namespace settings {

namespace {

struct Stores {
    QMutex mutex;  // guards login and servers
    QJsonObject login;
    QJsonObject servers;
};

Stores& stores()
{
    static Stores s;
    return s;
}

}  // namespace

QJsonObject loginInfo()
{
    Stores& s = stores();
    QMutexLocker lock(&s.mutex);
    return s.login;
}

QJsonObject serverAddresses()
{
    Stores& s = stores();
    QMutexLocker lock(&s.mutex);
    return s.servers;
}

void setLoginInfo(const QJsonObject& json)
{
    Stores& s = stores();
    QMutexLocker lock(&s.mutex);
    s.login = json;
}

void setServerAddresses(const QJsonObject& json)
{
    Stores& s = stores();
    QMutexLocker lock(&s.mutex);
    s.servers = json;
}

QJsonObject baseInfo()
{
    QJsonObject info;
    info.insert("appName", QStringLiteral("Tarvolin"));
    info.insert("appVer", QStringLiteral("tarvo_winpc_tax1_1.000006"));
    info.insert("pcID", QString::fromStdString(platform::processor_id()));
    return info;
}

QVariant nullValue()
{
    // A null pointer rather than an invalid variant: QML sees null, not undefined.
    return QVariant::fromValue(nullptr);
}

QVariant valueAtPath(const QJsonObject& store, const QString& path)
{
    const QStringList parts = path.split('.');
    QJsonObject object = store;
    for (int i = 0; i + 1 < parts.size() && !object.isEmpty(); ++i)
        object = object.value(parts[i]).toObject();
    if (object.isEmpty())
        return nullValue();
    const QJsonValue value = object.value(parts.last());
    if (value.isObject())
        return value.toObject();
    if (value.isArray())
        return value.toArray();
    return QVariant::fromValue(value);
}

}  // namespace settings
