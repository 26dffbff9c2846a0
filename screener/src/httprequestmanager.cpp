#include "httprequestmanager.h"

#include <QAuthenticator>
#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

namespace {

// The connect, send and receive time-out of every request.
constexpr int kTransferTimeoutMs = 120000;

qint64 millisecondsSinceStart()
{
    QElapsedTimer t;
    t.start();
    return t.msecsSinceReference();
}

}  // namespace

FCHttpRequest::~FCHttpRequest()
{
    if (reply_) {
        reply_->disconnect();
        reply_->abort();
        reply_->deleteLater();
    }
}

FCHttpRequestManager::FCHttpRequestManager()
    : context_(new QObject), network_(new QNetworkAccessManager(context_.get()))
{}

FCHttpRequestManager::~FCHttpRequestManager()
{
    // Nothing reaches the hooks any more: the replies are aborted with their
    // signals cut, then the network manager goes with the context.
    running_.clear();
}

bool FCHttpRequestManager::ParseHeaderLines(const QString& lines, QList<QPair<QByteArray, QByteArray>>* out)
{
    out->clear();
    const QStringList parts = lines.split(QStringLiteral("\r\n"));
    for (int i = 0; i < parts.size(); ++i) {
        const QString& line = parts[i];
        if (line.isEmpty()) {
            if (i == parts.size() - 1)
                continue;  // after the last line's ending
            return false;
        }
        if (line.contains(QLatin1Char('\r')) || line.contains(QLatin1Char('\n')))
            return false;
        const int colon = line.indexOf(QLatin1Char(':'));
        if (colon <= 0)
            return false;
        out->append({line.left(colon).trimmed().toUtf8(), line.mid(colon + 1).trimmed().toUtf8()});
    }
    return true;
}

int FCHttpRequestManager::AddRequest(const FCHttpRequestHeader& header)
{
    auto owned = std::make_unique<FCHttpRequest>();
    FCHttpRequest* request = owned.get();
    const int taskId = nextTaskId_++;
    request->taskId_ = taskId;
    request->header_ = header;
    request->startTime_ = millisecondsSinceStart();
    running_.emplace(taskId, std::move(owned));

    // A URL without a port goes to 443 for https and 80 otherwise.
    QNetworkRequest nr{QUrl(header.url)};
    nr.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    nr.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    nr.setTransferTimeout(kTransferTimeoutMs);
    // Template downloads follow redirects as the updater does; a POST is
    // never re-sent elsewhere.
    if (header.verb != FCHttpRequestHeader::Post && header.verb != FCHttpRequestHeader::PostToo &&
        header.verb != FCHttpRequestHeader::Delete) {
        nr.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
        nr.setMaximumRedirectsAllowed(kMaxRedirects);
    }
    if (!header.userAgent.isEmpty())
        nr.setHeader(QNetworkRequest::UserAgentHeader, header.userAgent);
    QList<QPair<QByteArray, QByteArray>> extra;
    if (!ParseHeaderLines(header.headers, &extra)) {
        qWarning("Quorvex: request header lines refused (a line without a name, or a CR or LF inside a line)");
        extra.clear();
    }
    for (const auto& h : extra)
        nr.setRawHeader(h.first, h.second);
    if (header.rangeStart != 0)
        nr.setRawHeader("Range", "bytes=" + QByteArray::number(header.rangeStart) + "-");

    if (!header.proxyHost.isEmpty()) {
        QNetworkProxy proxy(QNetworkProxy::HttpProxy, header.proxyHost, static_cast<quint16>(header.proxyPort),
                            header.proxyUser, header.proxyPassword);
        network_->setProxy(proxy);
    } else {
        network_->setProxy(QNetworkProxy::DefaultProxy);
    }

    QNetworkReply* reply;
    if (header.verb == FCHttpRequestHeader::Post || header.verb == FCHttpRequestHeader::PostToo) {
        if (!nr.header(QNetworkRequest::ContentTypeHeader).isValid() && !header.body.isEmpty())
            nr.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/x-www-form-urlencoded"));
        reply = network_->post(nr, header.body);
    } else if (header.verb == FCHttpRequestHeader::Delete) {
        reply = header.body.isEmpty() ? network_->deleteResource(nr)
                                      : network_->sendCustomRequest(nr, "DELETE", header.body);
    } else {
        reply = header.body.isEmpty() ? network_->get(nr) : network_->sendCustomRequest(nr, "GET", header.body);
    }
    request->reply_ = reply;
    // Qt reads from the socket only as fast as the body is taken here.
    reply->setReadBufferSize(qint64(1) << 20);
    QObject::connect(reply, &QNetworkReply::metaDataChanged, context_.get(),
                     [this, taskId] { onMetaData(taskId, false); });
    QObject::connect(reply, &QNetworkReply::readyRead, context_.get(), [this, taskId] { onReadyRead(taskId); });
    QObject::connect(reply, &QNetworkReply::finished, context_.get(), [this, taskId] { onFinished(taskId); });

    if (header.timeoutMs != 0) {
        request->timer_ = std::make_unique<QTimer>();
        request->timer_->setSingleShot(true);
        QObject::connect(request->timer_.get(), &QTimer::timeout, context_.get(),
                         [this, taskId] { onTimeout(taskId); });
        request->timer_->start(header.timeoutMs);
    }
    return taskId;
}

FCHttpRequest* FCHttpRequestManager::FindRequest(int taskId) const
{
    const auto it = running_.find(taskId);
    return it == running_.end() ? nullptr : it->second.get();
}

void FCHttpRequestManager::DeleteRequest(int taskId)
{
    // Taken out first: the request's destructor must not find itself listed.
    const auto it = running_.find(taskId);
    if (it == running_.end())
        return;
    const std::unique_ptr<FCHttpRequest> request = std::move(it->second);
    running_.erase(it);
}

QByteArray FCHttpRequestManager::ReceiveBody(FCHttpRequest& request)
{
    QByteArray body;
    body.swap(request.buffer_);
    return body;
}

// GUI thread. The status line and headers are in: fill the response info
// once. A redirect being followed is not the answer yet, unless the request
// ended on it (`final`).
void FCHttpRequestManager::onMetaData(int taskId, bool final)
{
    FCHttpRequest* request = FindRequest(taskId);
    if (!request || request->sent_ || !request->reply_)
        return;
    QNetworkReply* reply = request->reply_;
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid())
        return;
    const bool follows = reply->request().attribute(QNetworkRequest::RedirectPolicyAttribute).toInt() ==
                         QNetworkRequest::NoLessSafeRedirectPolicy;
    if (!final && follows && status.toInt() >= 300 && status.toInt() < 400 &&
        reply->hasRawHeader(QByteArrayLiteral("Location")))
        return;
    request->sent_ = true;
    FCHttpResponseInfo& info = request->response_;
    info.status = status.toInt();
    info.contentLength = reply->header(QNetworkRequest::ContentLengthHeader).toLongLong();
    info.lastModified = QString::fromLatin1(reply->rawHeader("Last-Modified"));
    info.server = QString::fromLatin1(reply->rawHeader("Server"));
    info.contentType = QString::fromLatin1(reply->rawHeader("Content-Type"));
    OnRequestSent(*request);
}

// GUI thread.
void FCHttpRequestManager::onReadyRead(int taskId)
{
    FCHttpRequest* request = FindRequest(taskId);
    if (!request || !request->reply_)
        return;
    const QByteArray block = request->reply_->readAll();
    if (request->tooLarge_)
        return;
    request->received_ += block.size();
    if (request->received_ > kMaxBody) {
        // An endless body would grow the host until it dies: drop it and
        // end the transfer (after this handler, not inside the reply's signal).
        qWarning("Quorvex: a response body passed %lld bytes; the request fails", static_cast<long long>(kMaxBody));
        request->tooLarge_ = true;
        request->buffer_.clear();
        QTimer::singleShot(0, context_.get(), [this, taskId] {
            FCHttpRequest* r = FindRequest(taskId);
            if (r && r->reply_)
                r->reply_->abort();
        });
        return;
    }
    request->buffer_ += block;
}

// GUI thread. The body is complete or the transfer failed.
void FCHttpRequestManager::onFinished(int taskId)
{
    FCHttpRequest* request = FindRequest(taskId);
    if (!request || !request->reply_)
        return;
    onMetaData(taskId, true);
    onReadyRead(taskId);
    QNetworkReply* reply = request->reply_;
    const QNetworkReply::NetworkError error = reply->error();
    // HTTP error statuses still carry a whole body; transport failures and
    // a body shorter than its declared length do not.
    const bool httpStatusError =
        (error >= QNetworkReply::ContentAccessDenied && error <= QNetworkReply::UnknownContentError) ||
        (error >= QNetworkReply::InternalServerError && error <= QNetworkReply::UnknownServerError);
    const bool transportOk = error == QNetworkReply::NoError || httpStatusError;
    const qint64 declared = request->response_.contentLength;
    request->response_.readOk =
        request->sent_ && transportOk && !request->tooLarge_ && (declared <= 0 || request->received_ >= declared) ? 1
                                                                                                                  : 0;
    if (request->timer_)
        request->timer_->stop();
    OnRequestFinished(*request);
    DeleteRequest(taskId);
}

// GUI thread.
void FCHttpRequestManager::onTimeout(int taskId)
{
    FCHttpRequest* request = FindRequest(taskId);
    if (!request)
        return;
    OnRequestTimeout(*request);
    DeleteRequest(taskId);
}
