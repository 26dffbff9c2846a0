// The process-wide settings stores: the login info (the sign-in reply) and the
// server addresses (the service URLs handed out at sign-in), plus the base
// info the program says about itself. Read by dotted key path.
#pragma once

#include <QJsonObject>
#include <QString>
#include <QVariant>

namespace settings {

// Any thread. Copies of the stores (empty until the login window fills them).
QJsonObject loginInfo();
QJsonObject serverAddresses();
// GUI thread. Replace a store.
void setLoginInfo(const QJsonObject& json);
void setServerAddresses(const QJsonObject& json);

// {appName, appVer, pcID}, built on every call.
QJsonObject baseInfo();

// The null result of the slots: isNull() in C++, null in QML.
QVariant nullValue();

// Dotted-path lookup: every part but the last must name an object (a missing
// or non-object member gives null); the last part's member is returned as a
// QJsonObject, a QJsonArray or a QJsonValue (an undefined one when missing).
// An empty store gives null.
QVariant valueAtPath(const QJsonObject& store, const QString& path);

}  // namespace settings
