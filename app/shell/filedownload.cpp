#include "shell/filedownload.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QQmlEngine>
#include <QThreadPool>
#include <QTimer>

#include <memory>

#include "shell/core/gzipdecoder.h"
#include "shell/hfileio.h"
#include "shell/httprequest.h"

FileDownload::FileDownload(QObject* parent) : QObject(parent) {}

QNetworkAccessManager* FileDownload::manager()
{
    QQmlEngine* engine = qmlEngine(this);
    if (engine && engine->networkAccessManager())
        return engine->networkAccessManager();
    static QNetworkAccessManager own;
    return &own;
}

QByteArray FileDownload::unpack(const QByteArray& body, qint64 maxBytes)
{
    if (body.size() > maxBytes)
        return QByteArray();
    const auto* data = reinterpret_cast<const unsigned char*>(body.constData());
    const qint64 size = gzip_size_check(data, static_cast<size_t>(body.size()));
    if (size <= 0)
        return body;
    if (size > maxBytes)
        return QByteArray();
    QByteArray out(int(size), Qt::Uninitialized);
    if (!gzip_inflate(data, static_cast<size_t>(body.size()), reinterpret_cast<unsigned char*>(out.data()),
                      static_cast<size_t>(size)))
        return body;
    return out;
}

QString FileDownload::misfit(const QString& file, const QByteArray& json)
{
    const QString shape = QStringLiteral("reply of another shape");
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        return shape;
    QJsonArray rows;
    if (file == QLatin1String("board.json")) {
        const QJsonObject o = doc.object();
        if (!doc.isObject() || !(o.value("boardIndex").isArray() || o.value("boardset").isArray()))
            return shape;
        rows = o.value("boardIndex").isArray() ? o.value("boardIndex").toArray() : o.value("boardset").toArray();
    } else if (file == QLatin1String("stock_rating.json")) {
        if (!doc.isObject() || !doc.object().value("ratingInfos").isArray())
            return shape;
        rows = doc.object().value("ratingInfos").toArray();
    } else if (file == QLatin1String("stock_rzrq.json")) {
        if (!doc.isArray())
            return shape;
        rows = doc.array();
    } else {
        return shape;
    }
    if (rows.size() > kMaxRows)
        return QStringLiteral("a list of %1 rows, more than the %2 a market has").arg(rows.size()).arg(kMaxRows);
    return QString();
}

void FileDownload::report(quint64 id, const QString& reason)
{
    QJSValue done = pending_.take(id);
    if (done.isCallable())
        done.call({QJSValue(reason.isEmpty()), QJSValue(reason)});
}

void FileDownload::fetch(const QString& url, const QString& file, int timeoutMs, const QJSValue& done)
{
    const quint64 id = ++nextId_;
    pending_.insert(id, done);
    const qint64 cap = HttpRequest::kDefaultMaxReplySize;
    QNetworkRequest request(QUrl(fillUrlTemplates(url)));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    QNetworkReply* reply = manager()->get(request);
    reply->setParent(this);
    auto tooLarge = std::make_shared<bool>(false);
    auto timedOut = std::make_shared<bool>(false);
    QTimer::singleShot(timeoutMs > 0 ? timeoutMs : 15000, reply, [reply, timedOut] {
        *timedOut = true;
        reply->abort();
    });
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply, tooLarge, cap](qint64 received, qint64 total) {
        if (!*tooLarge && (received > cap || total > cap)) {
            *tooLarge = true;
            reply->abort();
        }
    });
    connect(reply, &QNetworkReply::finished, this, [this, id, reply, file, cap, tooLarge, timedOut] {
        reply->deleteLater();
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (*tooLarge || *timedOut || reply->error() != QNetworkReply::NoError || status >= 300) {
            report(id, *tooLarge       ? QStringLiteral("reply larger than %1 bytes").arg(cap)
                       : *timedOut     ? QStringLiteral("timed out")
                       : status >= 300 ? QStringLiteral("HTTP status %1").arg(status)
                                       : reply->errorString());
            return;
        }
        const QByteArray body = reply->readAll();
        // Worker thread: unpack, parse, check and write; the answer goes back
        // to the GUI thread.
        QPointer<FileDownload> self(this);
        QThreadPool::globalInstance()->start([self, id, body, file, cap] {
            const QByteArray json = unpack(body, cap);
            QString reason =
                json.isEmpty() ? QStringLiteral("reply empty or larger than %1 bytes").arg(cap) : misfit(file, json);
            if (reason.isEmpty() && !HFileIO::writePath(HFileIO::dataPath(file), json))
                reason = QStringLiteral("not saved");
            QMetaObject::invokeMethod(
                qApp,
                [self, id, reason] {
                    if (self)
                        self->report(id, reason);
                },
                Qt::QueuedConnection);
        });
    });
}
