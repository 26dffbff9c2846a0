#include "shell/hroute.h"

#include <QUrl>

HRoute::HRoute(QObject* parent) : QObject(parent) {}

namespace {

QString decoded(const QStringRef& part)
{
    return QUrl::fromPercentEncoding(part.toUtf8());
}

}  // namespace

QJsonObject HRoute::queryMap(const QString& query)
{
    QJsonObject map;
    const QVector<QStringRef> items = query.splitRef(QLatin1Char('&'), Qt::SkipEmptyParts);
    for (const QStringRef& item : items) {
        const int eq = item.indexOf(QLatin1Char('='));
        if (eq < 0)
            map.insert(decoded(item), QString());
        else
            map.insert(decoded(item.left(eq)), decoded(item.mid(eq + 1)));
    }
    return map;
}

QJsonObject HRoute::route(const QString& text)
{
    // A text that does not parse gives empty parts throughout, not the
    // pieces read before the error.
    QUrl url(text, QUrl::TolerantMode);
    if (!url.isValid())
        url = QUrl();
    const QString path = url.path(QUrl::FullyDecoded);
    const QString query = url.query();
    const QString fragment = url.fragment();
    QString all = query;
    if (!fragment.isEmpty())
        all = all.isEmpty() ? fragment : all + QLatin1Char('&') + fragment;

    QJsonObject r;
    r.insert(QStringLiteral("url"), url.toString());
    r.insert(QStringLiteral("scheme"), url.scheme());
    r.insert(QStringLiteral("host"), url.host(QUrl::FullyDecoded));
    r.insert(QStringLiteral("port"), url.port());
    r.insert(QStringLiteral("path"), path);
    r.insert(QStringLiteral("query"), query);
    r.insert(QStringLiteral("fragment"), fragment);
    r.insert(QStringLiteral("url_query"), url.toString(QUrl::RemoveFragment));
    r.insert(QStringLiteral("path_query"), query.isEmpty() ? path : path + QLatin1Char('?') + query);
    r.insert(QStringLiteral("query_all"), all);
    r.insert(QStringLiteral("query_map"), queryMap(all));
    return r;
}

QVariant HRoute::getRoute(QString url)
{
    return route(url);
}
