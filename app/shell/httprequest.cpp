#include "shell/httprequest.h"

#include <QCoreApplication>
#include <QDebug>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QQmlEngine>
#include <QRegularExpression>
#include <QThreadPool>
#include <QTimer>

#include <algorithm>
#include <numeric>
#include <vector>

#include "shell/core/gzipdecoder.h"
#include "shell/qbaseservice.h"

namespace {

// The size a gzip body inflates to, from its trailer; 0 for other bodies.
qint64 inflatedSize(const QByteArray& body)
{
    return gzip_size_check(reinterpret_cast<const unsigned char*>(body.constData()), static_cast<size_t>(body.size()));
}

// The text of a response body: inflated first when it is a gzip stream.
QString bodyText(const QByteArray& body)
{
    const auto* data = reinterpret_cast<const unsigned char*>(body.constData());
    const int32_t size = gzip_size_check(data, static_cast<size_t>(body.size()));
    if (size > 0) {
        QByteArray out(size, Qt::Uninitialized);
        if (gzip_inflate(data, static_cast<size_t>(body.size()), reinterpret_cast<unsigned char*>(out.data()),
                         static_cast<size_t>(size)))
            return QString::fromUtf8(out);
    }
    return QString::fromUtf8(body);
}

// The date a row is ordered by: its "pubdate", else its "date" text; "".
QString rowDate(const QJsonValue& row)
{
    const QJsonObject o = row.toObject();
    const QJsonValue d =
        o.contains(QLatin1String("pubdate")) ? o.value(QLatin1String("pubdate")) : o.value(QLatin1String("date"));
    return d.isString() ? d.toString() : QString();
}

// Worker thread: the body's text for the caller, with every list cut to
// `rows` when the body is JSON.
QString keptText(const QByteArray& body, int rows)
{
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError)
        return bodyText(body);
    const QJsonValue kept = keepNewestRows(doc.isArray() ? QJsonValue(doc.array()) : QJsonValue(doc.object()), rows);
    return QString::fromUtf8((kept.isArray() ? QJsonDocument(kept.toArray()) : QJsonDocument(kept.toObject()))
                                 .toJson(QJsonDocument::Compact));
}

}  // namespace

QJsonValue keepNewestRows(const QJsonValue& value, int rows)
{
    if (value.isObject()) {
        QJsonObject o = value.toObject();
        for (auto it = o.begin(); it != o.end(); ++it)
            if (it.value().isArray() || it.value().isObject())
                it.value() = keepNewestRows(it.value(), rows);
        return o;
    }
    if (!value.isArray())
        return value;
    const QJsonArray in = value.toArray();
    std::vector<int> order;
    if (in.size() > rows) {
        std::vector<QString> dates;
        dates.reserve(size_t(in.size()));
        bool dated = true;
        for (const QJsonValue& row : in) {
            dates.push_back(rowDate(row));
            dated = dated && !dates.back().isEmpty();
        }
        order.resize(size_t(in.size()));
        std::iota(order.begin(), order.end(), 0);
        if (dated)
            std::stable_sort(order.begin(), order.end(),
                             [&dates](int a, int b) { return dates[size_t(a)] > dates[size_t(b)]; });
        order.resize(size_t(rows));
        if (!dated)
            std::sort(order.begin(), order.end());
    } else {
        order.resize(size_t(in.size()));
        std::iota(order.begin(), order.end(), 0);
    }
    QJsonArray out;
    for (int i : order) {
        const QJsonValue row = in.at(i);
        out.append(row.isArray() || row.isObject() ? keepNewestRows(row, rows) : row);
    }
    return out;
}

class HttpRequestPrivate : public QObject {
    Q_OBJECT
public:
    explicit HttpRequestPrivate(HttpRequest* owner) : QObject(owner), q(owner) {}

    // Drops the current reply: no more signals from it, and it goes.
    void releaseReply()
    {
        received.clear();
        if (!reply)
            return;
        QNetworkReply* old = reply;
        reply = nullptr;
        old->disconnect(this);
        old->disconnect(q);
        QObject::disconnect(q, nullptr, old, nullptr);
        if (old->isRunning())
            old->abort();
        old->deleteLater();
    }

    void setReadyState(HttpRequest::State state)
    {
        if (readyState == state)
            return;
        readyState = state;
        emit q->readyStateChanged();
    }
    void setStatus(int value)
    {
        if (status == value)
            return;
        status = value;
        emit q->statusChanged();
    }
    void setStatusText(const QString& text)
    {
        if (statusText == text)
            return;
        statusText = text;
        emit q->statusTextChanged();
    }

public slots:
    // GUI thread: a piece of the current reply's body, taken as it comes so
    // that a long body is never copied in one piece on this thread.
    void onReadyRead()
    {
        if (reply && sender() == reply && !tooLarge)
            received.append(reply->readAll());
    }

    // GUI thread: the current reply ended (also when aborted).
    void onFinished()
    {
        if (!reply || sender() != reply)
            return;
        // A reply over the cap was aborted while it came in; its body is dropped.
        QByteArrayList chunks;
        chunks.swap(received);
        if (!tooLarge && reply->isOpen())
            chunks.append(reply->readAll());
        else
            chunks.clear();
        const int httpCode = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        const bool empty = std::all_of(chunks.cbegin(), chunks.cend(), [](const QByteArray& c) { return c.isEmpty(); });
        if (keepRows > 0 && !tooLarge && reply->error() == QNetworkReply::NoError && httpCode < 300 && !empty) {
            // Joined, unpacked, parsed and cut on a worker; the reply ends
            // when its text is back, if the request still waits for it.
            QPointer<HttpRequestPrivate> self(this);
            QPointer<QNetworkReply> current(reply);
            const int rows = keepRows;
            const qint64 cap = maxReplySize;
            QThreadPool::globalInstance()->start([self, current, chunks, rows, cap] {
                const QByteArray raw = chunks.size() == 1 ? chunks.front() : chunks.join();
                const bool over = inflatedSize(raw) > cap;
                const qint64 size = over ? 0 : inflatedSize(raw);
                QByteArray plain = raw;
                if (size > 0) {
                    plain = QByteArray(int(size), Qt::Uninitialized);
                    if (!gzip_inflate(reinterpret_cast<const unsigned char*>(raw.constData()),
                                      static_cast<size_t>(raw.size()), reinterpret_cast<unsigned char*>(plain.data()),
                                      static_cast<size_t>(size)))
                        plain = raw;
                }
                const QString text = over ? QString() : keptText(plain, rows);
                QMetaObject::invokeMethod(
                    qApp,
                    [self, current, raw, text, over] {
                        if (!self || !current || self->reply != current)
                            return;
                        if (over) {
                            self->tooLarge = true;
                            self->finishWith(QByteArray(), QString(), false);
                        } else {
                            self->finishWith(raw, text);
                        }
                    },
                    Qt::QueuedConnection);
            });
            return;
        }
        QByteArray body = chunks.join();
        if (!tooLarge && inflatedSize(body) > maxReplySize) {
            tooLarge = true;
            body.clear();
        }
        finishWith(body, QString(), false);
    }

public:
    // GUI thread: ends the current reply with its body and the text the
    // caller reads (decoded here unless `decoded`).
    void finishWith(const QByteArray& body, const QString& keptText, bool decoded = true)
    {
        if (decoded || body != responseBody) {
            // Decoded once here, not on every read of the property.
            responseBody = body;
            responseText = decoded ? keptText : bodyText(body);
            emit q->responseTextChanged();
        }
        int code = reply->error();
        QString text = reply->errorString();
        if (tooLarge) {
            code = HttpRequest::UnknownContentError;
            text = QStringLiteral("reply larger than %1 bytes").arg(maxReplySize);
        }
        // A redirect that was not followed (or any other 3xx) is no success.
        const int httpStatus = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (code == QNetworkReply::NoError && httpStatus >= 300) {
            code = HttpRequest::UnknownContentError;
            text = QStringLiteral("HTTP status %1 %2")
                       .arg(httpStatus)
                       .arg(reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString());
        }
        setStatus(code != QNetworkReply::NoError ? code : 200);
        responseHeaders = reply->rawHeaderPairs();
        if (code != QNetworkReply::NoError) {
            setReadyState(HttpRequest::Error);
            setStatusText(text);
            emit q->error();
        } else {
            setReadyState(HttpRequest::Finished);
            setStatusText(QString());
            emit q->finished();
        }
    }

public:
    HttpRequest* q;
    int timeout = 30000;
    QNetworkRequest request;
    QPointer<QNetworkReply> reply;
    QString method;
    HttpRequest::State readyState = HttpRequest::UnStart;
    int status = 0;
    QString statusText;
    QList<QNetworkReply::RawHeaderPair> responseHeaders;
    QByteArray responseBody;
    QByteArrayList received;  // the current reply's body so far, in its pieces
    QString responseText;     // responseBody as text, inflated when gzipped
    QPointer<QNetworkAccessManager> manager;
    int sequence = 0;
    qint64 maxReplySize = HttpRequest::kDefaultMaxReplySize;
    int keepRows = 0;       // > 0: lists of a JSON body cut off the GUI thread
    bool tooLarge = false;  // the current reply went over maxReplySize

    // GUI thread: aborts the current reply once it announces or brings more
    // than the cap.
    void checkSize(qint64 size)
    {
        if (!reply || tooLarge || size <= maxReplySize)
            return;
        tooLarge = true;
        reply->abort();
    }
};

namespace {

// The text form of a store value; null when there is none.
QString storeText(const QVariant& value, bool* found)
{
    QVariant v = value;
    if (v.userType() == QMetaType::QJsonValue)
        v = v.toJsonValue().toVariant();
    *found = v.isValid() && !v.isNull() && v.canConvert<QString>();
    return *found ? v.toString() : QString();
}

}  // namespace

QString fillUrlTemplates(const QString& urlText)
{
    static const QRegularExpression placeholder(QStringLiteral("%7B%7B[0-9a-zA-Z._]+%7D%7D"));
    QStringList matches;
    auto it = placeholder.globalMatch(urlText);
    while (it.hasNext())
        matches << it.next().captured(0);
    if (matches.isEmpty())
        return urlText;
    QBaseService base;
    QString out = urlText;
    for (const QString& match : matches) {
        const QString key = match.mid(6, match.size() - 12);
        bool found = false;
        QString value = storeText(base.getLoginValue(key), &found);
        if (!found || value.isEmpty())
            value = storeText(base.getBaseInfoValue(key), &found);
        // Encoded, so a value holding & = + % or non-ASCII text stays one value.
        out.replace(match, QString::fromLatin1(QUrl::toPercentEncoding(value)));
    }
    return out;
}

HttpRequest::HttpRequest(QObject* parent) : QObject(parent), d(new HttpRequestPrivate(this)) {}

HttpRequest::HttpRequest(QNetworkAccessManager* manager, QObject* parent) : HttpRequest(parent)
{
    d->manager = manager;
}

HttpRequest::~HttpRequest()
{
    d->releaseReply();
}

QString HttpRequest::responseText() const
{
    return d->responseText;
}

HttpRequest::State HttpRequest::readyState() const
{
    return d->readyState;
}

HttpRequest::NetworkStatus HttpRequest::status() const
{
    return static_cast<NetworkStatus>(d->status);
}

QString HttpRequest::statusText() const
{
    return d->statusText;
}

void HttpRequest::setNetworkAccessManager(QNetworkAccessManager* manager)
{
    d->manager = manager;
}

QNetworkAccessManager* HttpRequest::networkAccessManager() const
{
    return d->manager;
}

void HttpRequest::classBegin()
{
    QQmlEngine* engine = qmlEngine(this);
    if (engine && engine->networkAccessManager()) {
        d->manager = engine->networkAccessManager();
        qDebug() << "Set Net Access Manager Success";
    }
}

void HttpRequest::clear()
{
    emit abort();
    d->responseHeaders.clear();
    d->request = QNetworkRequest();
    d->setReadyState(UnStart);
    d->method.clear();
    d->releaseReply();
    // The send counter keeps counting: a time-out timer of an earlier send
    // must never match a later one.
}

void HttpRequest::setTimeout(int time)
{
    if (d->readyState != Loading)
        d->timeout = time;
}

void HttpRequest::setMaxReplySize(qint64 bytes)
{
    if (d->readyState != Loading && bytes > 0)
        d->maxReplySize = bytes;
}

void HttpRequest::setKeepRows(int rows)
{
    if (d->readyState != Loading)
        d->keepRows = std::max(0, rows);
}

int HttpRequest::keepRows() const
{
    return d->keepRows;
}

qint64 HttpRequest::maxReplySize() const
{
    return d->maxReplySize;
}

int HttpRequest::getTimeout() const
{
    return d->timeout;
}

void HttpRequest::setRequestCookies(const QJsonObject& cookies)
{
    if (d->readyState == Loading)
        return;
    QByteArray text;
    for (auto it = cookies.begin(); it != cookies.end(); ++it)
        text += it.key().toUtf8() + '=' + it.value().toString().toUtf8() + "; ";
    d->request.setRawHeader("Cookie", text);
}

void HttpRequest::setRequestHeader(const QJsonObject& headers)
{
    if (d->readyState == Loading)
        return;
    for (auto it = headers.begin(); it != headers.end(); ++it)
        d->request.setRawHeader(it.key().toUtf8(), it.value().toString().toUtf8());
}

void HttpRequest::setRequestHeader(const QByteArray& headerName, const QByteArray& value)
{
    if (d->readyState != Loading)
        d->request.setRawHeader(headerName, value);
}

QString HttpRequest::getRequestHeader(const QString& headerName) const
{
    return QString::fromUtf8(d->request.rawHeader(headerName.toUtf8()));
}

void HttpRequest::open(const QString& method, const QUrl& url, bool /*async*/)
{
    const QString text = fillUrlTemplates(url.toString(QUrl::FullyEncoded));
    d->method = method;
    d->request.setUrl(QUrl(text, QUrl::TolerantMode));
    d->setReadyState(UnStart);
    emit abort();
}

void HttpRequest::open(const QString& method, const QUrl& url)
{
    open(method, url, true);
}

void HttpRequest::send(const QString& data)
{
    if (d->readyState == Loading)
        return;
    if (!d->manager) {
        qDebug() << "NetAccessManager is nullptr";
        emit error();
        return;
    }
    // Cookies come from the manager's jar (cookies for this URL only) unless
    // the caller set a Cookie header; redirects are followed unless they lead
    // from https to http.
    QNetworkRequest request = d->request;
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    if (request.hasRawHeader("Cookie"))
        request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    const QString verb = d->method.toUpper();
    QNetworkReply* reply = nullptr;
    if (verb == QLatin1String("GET"))
        reply = d->manager->get(request);
    else if (verb == QLatin1String("POST"))
        reply = d->manager->post(request, data.toUtf8());
    else if (verb == QLatin1String("PUT"))
        reply = d->manager->put(request, data.toUtf8());
    else if (verb == QLatin1String("DELETE"))
        reply = d->manager->deleteResource(request);
    else if (verb == QLatin1String("HEAD"))
        reply = d->manager->head(request);
    if (!reply) {
        qDebug() << "Invaild method : " << d->method;
        return;
    }

    d->releaseReply();
    d->reply = reply;
    d->tooLarge = false;
    d->received.clear();
    connect(reply, &QNetworkReply::readyRead, d, &HttpRequestPrivate::onReadyRead);
    connect(reply, &QNetworkReply::finished, d, &HttpRequestPrivate::onFinished);
    connect(reply, &QNetworkReply::metaDataChanged, d, [this, reply] {
        if (reply == d->reply)
            d->checkSize(reply->header(QNetworkRequest::ContentLengthHeader).toLongLong());
    });
    connect(reply, &QNetworkReply::downloadProgress, d, [this, reply](qint64 received, qint64) {
        if (reply == d->reply)
            d->checkSize(received);
    });
    connect(this, &HttpRequest::abort, reply, &QNetworkReply::abort);
    connect(reply, &QNetworkReply::downloadProgress, this, &HttpRequest::downloadProgress);
    connect(reply, &QNetworkReply::uploadProgress, this, &HttpRequest::uploadProgress);

    const int sequence = ++d->sequence;
    if (d->timeout > 0) {
        QTimer::singleShot(d->timeout, this, [this, sequence] {
            if (d->reply && d->reply->isRunning() && sequence == d->sequence) {
                emit abort();
                emit timeout();
            }
        });
    }
    emit started();
    d->setReadyState(Loading);
}

void HttpRequest::send()
{
    send(QString());
}

QJsonArray HttpRequest::getAllResponseHeader() const
{
    QJsonArray out;
    for (const auto& header : d->responseHeaders)
        out.append(QJsonObject{{QString::fromUtf8(header.first), QString::fromUtf8(header.second)}});
    return out;
}

#include "httprequest.moc"
