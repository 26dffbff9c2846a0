// HRoute: splits a user-interface URL (app://qml/..., app://curview/...,
// app://findview/..., http(s)://...) into the route object the tab view, the
// main window and the views read by key.
#pragma once

#include <QJsonObject>
#include <QObject>
#include <QString>
#include <QVariant>

class HRoute : public QObject {
    Q_OBJECT
public:
    explicit HRoute(QObject* parent = nullptr);

    // Any thread. The route object: url, scheme, host, port, path, query,
    // fragment, url_query, path_query, query_all and query_map.
    static QJsonObject route(const QString& url);
    // Any thread. The key=value items of `query` (split at "&", then at the
    // first "="), each key and value percent-decoded after splitting; a later
    // key replaces an earlier one. An item without "=" has the value "".
    static QJsonObject queryMap(const QString& query);

public slots:
    QVariant getRoute(QString url);
};
