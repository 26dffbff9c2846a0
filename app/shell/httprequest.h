// HttpRequest: one HTTP request for QML, shaped like the browser's
// XMLHttpRequest: open, set headers, send, then read status, readyState,
// statusText and responseText and react to the signals. Service URLs may
// carry {{key}} placeholders that open() fills from the login info, then the
// base info. A gzip body is unpacked when responseText is read. GUI thread.
#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QObject>
#include <QQmlParserStatus>
#include <QString>
#include <QUrl>

class QNetworkAccessManager;
class HttpRequestPrivate;

class HttpRequest : public QObject, public QQmlParserStatus {
    Q_OBJECT
    Q_INTERFACES(QQmlParserStatus)
    Q_PROPERTY(QString responseText READ responseText NOTIFY responseTextChanged)
    Q_PROPERTY(State readyState READ readyState NOTIFY readyStateChanged)
    Q_PROPERTY(NetworkStatus status READ status NOTIFY statusChanged)
    Q_PROPERTY(QString statusText READ statusText NOTIFY statusTextChanged)

public:
    // TimeOut is declared but never entered: a timed-out request ends in Error.
    enum State { UnStart = 0, Loading = 1, Error = 2, Finished = 3, TimeOut = 4 };
    Q_ENUM(State)

    // The network reply error codes under their Qt names; status holds one of
    // them after a failure and 200 after any success.
    enum NetworkStatus {
        NoError = 0,
        ConnectionRefusedError = 1,
        RemoteHostClosedError = 2,
        HostNotFoundError = 3,
        TimeoutError = 4,
        OperationCanceledError = 5,
        SslHandshakeFailedError = 6,
        TemporaryNetworkFailureError = 7,
        NetworkSessionFailedError = 8,
        BackgroundRequestNotAllowedError = 9,
        UnknownNetworkError = 99,
        ProxyConnectionRefusedError = 101,
        ProxyConnectionClosedError = 102,
        ProxyNotFoundError = 103,
        ProxyTimeoutError = 104,
        ProxyAuthenticationRequiredError = 105,
        UnknownProxyError = 199,
        ContentAccessDenied = 201,
        ContentOperationNotPermittedError = 202,
        ContentNotFoundError = 203,
        AuthenticationRequiredError = 204,
        ContentReSendError = 205,
        ContentConflictError = 206,
        ContentGoneError = 207,
        UnknownContentError = 299,
        ProtocolUnknownError = 301,
        ProtocolInvalidOperationError = 302,
        ProtocolFailure = 399,
        InternalServerError = 401,
        OperationNotImplementedError = 402,
        ServiceUnavailableError = 403,
        UnknownServerError = 499
    };
    Q_ENUM(NetworkStatus)

    static constexpr qint64 kDefaultMaxReplySize = 32 * 1024 * 1024;

    explicit HttpRequest(QObject* parent = nullptr);
    explicit HttpRequest(QNetworkAccessManager* manager, QObject* parent = nullptr);
    ~HttpRequest() override;

    QString responseText() const;
    State readyState() const;
    NetworkStatus status() const;
    QString statusText() const;

    // The manager that sends; not owned.
    void setNetworkAccessManager(QNetworkAccessManager* manager);
    QNetworkAccessManager* networkAccessManager() const;

    void classBegin() override;
    void componentComplete() override {}

signals:
    void started();
    void downloadProgress(qint64 bytesReceived, qint64 bytesTotal);
    void uploadProgress(qint64 bytesSent, qint64 bytesTotal);
    void finished();
    void error();
    void timeout();
    void abort();
    void responseTextChanged();
    void readyStateChanged();
    void statusChanged();
    void statusTextChanged();

public slots:
    void clear();
    void setTimeout(int time);
    int getTimeout() const;
    // The largest body accepted, received or inflated (default 32 MiB); a
    // larger reply is aborted and fails with UnknownContentError. Ignored
    // while Loading and for sizes below 1.
    void setMaxReplySize(qint64 bytes);
    qint64 maxReplySize() const;
    // For replies whose lists a view shows only in part: when rows > 0, a
    // JSON body is unpacked, parsed and every list in it cut to `rows`
    // (keepNewestRows) on a worker thread, and responseText is the compact
    // JSON of the rest; finished follows once it is back. 0 (the default)
    // hands the body over as it came. Ignored while Loading.
    void setKeepRows(int rows);
    int keepRows() const;
    void setRequestCookies(const QJsonObject& cookies);
    void setRequestHeader(const QJsonObject& headers);
    void setRequestHeader(const QByteArray& headerName, const QByteArray& value);
    QString getRequestHeader(const QString& headerName) const;
    void open(const QString& method, const QUrl& url, bool async);
    void open(const QString& method, const QUrl& url);
    void send(const QString& data);
    void send();
    QJsonArray getAllResponseHeader() const;

private:
    friend class HttpRequestPrivate;
    HttpRequestPrivate* d;  // child object
};

// Every list in value (at any depth) cut to its first `rows` entries; a list
// whose entries all carry a "pubdate" (else "date") text keeps its `rows`
// newest instead, newest first (the reply's order among equal dates). Lists
// of `rows` or fewer stay as they are.
QJsonValue keepNewestRows(const QJsonValue& value, int rows);

// The URL text with every %7B%7Bkey%7D%7D placeholder replaced by the
// percent-encoded text of the key's login value, else its base-info value,
// else nothing. Keys are letters, digits, "." and "_".
QString fillUrlTemplates(const QString& urlText);
