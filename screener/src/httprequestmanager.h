// FCHttpRequestManager: asynchronous HTTP requests on the GUI thread. Each
// request gets a task id (100, 101, ... never reused), passes the stages sent
// (status and headers known) and finished (body complete or failed), and may
// carry its own time-out, after which it is dropped without finishing.
#ifndef QUORVEX_HTTPREQUESTMANAGER_H
#define QUORVEX_HTTPREQUESTMANAGER_H

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <map>
#include <memory>

class QNetworkAccessManager;
class QNetworkReply;
class QTimer;

struct FCHttpRequestHeader {
    enum Verb { Get = 0, Post = 1, PostToo = 2, Delete = 3 };
    QByteArray body;  // sent only when not empty
    int verb = Get;   // 1 or 2: POST, 3: DELETE, else GET
    QString url;
    int rangeStart = 0;          // not 0: "Range: bytes=<n>-"
    QString userAgent;           // empty: the manager's default agent
    QString headers;             // extra header lines, each ended by "\r\n"
    quint32 flags = 0x84000000;  // reload from the server, do not cache
    int timeoutMs = 0;           // not 0: drop the request after this long
    QString proxyHost;
    int proxyPort = 80;
    QString proxyUser;
    QString proxyPassword;
};

struct FCHttpResponseInfo {
    int status = -1;           // -1 while no status line was received
    qint64 contentLength = 0;  // 0 when absent
    QString lastModified;
    QString server;
    QString contentType;
    int readOk = 0;  // 1 when the body was read to its end
};

class FCHttpRequest {
public:
    virtual ~FCHttpRequest();
    int taskId() const { return taskId_; }
    const FCHttpRequestHeader& header() const { return header_; }
    const FCHttpResponseInfo& response() const { return response_; }
    qint64 receivedBytes() const { return received_; }
    qint64 startTime() const { return startTime_; }

private:
    friend class FCHttpRequestManager;
    int taskId_ = 0;
    FCHttpRequestHeader header_;
    FCHttpResponseInfo response_;
    QByteArray buffer_;
    qint64 received_ = 0;
    qint64 startTime_ = 0;
    bool sent_ = false;
    bool tooLarge_ = false;  // the body passed the cap: dropped, the request fails
    QPointer<QNetworkReply> reply_;
    std::unique_ptr<QTimer> timer_;
};

class FCHttpRequestManager {
public:
    // A body longer than this fails the request (finished with readOk 0).
    static constexpr qint64 kMaxBody = qint64(32) << 20;
    // Redirects a GET follows in a row (to http or https only).
    static constexpr int kMaxRedirects = 5;

    FCHttpRequestManager();
    virtual ~FCHttpRequestManager();
    FCHttpRequestManager(const FCHttpRequestManager&) = delete;
    FCHttpRequestManager& operator=(const FCHttpRequestManager&) = delete;

    // GUI thread. Starts a request; returns its task id.
    int AddRequest(const FCHttpRequestHeader& header);
    // GUI thread. The running request with this id, or null.
    FCHttpRequest* FindRequest(int taskId) const;
    // GUI thread. Aborts and forgets a request; its hooks are not called.
    void DeleteRequest(int taskId);
    // Moves the body received so far out of the request.
    static QByteArray ReceiveBody(FCHttpRequest& request);

    // Splits header lines ("Name: value\r\n" each) into pairs; false when a
    // line lacks its name or colon, or a CR or LF stands inside a line.
    static bool ParseHeaderLines(const QString& lines, QList<QPair<QByteArray, QByteArray>>* out);

protected:
    virtual void OnRequestSent(FCHttpRequest&) {}
    virtual void OnRequestFinished(FCHttpRequest&) {}
    virtual void OnRequestTimeout(FCHttpRequest&) {}

private:
    void onMetaData(int taskId, bool final);
    void onReadyRead(int taskId);
    void onFinished(int taskId);
    void onTimeout(int taskId);

    std::unique_ptr<QObject> context_;  // owns the network manager and the connections
    QNetworkAccessManager* network_ = nullptr;
    std::map<int, std::unique_ptr<FCHttpRequest>> running_;
    int nextTaskId_ = 100;
};

#endif
