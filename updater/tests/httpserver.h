// A small HTTP/1.1 server on 127.0.0.1 (free port) for the updater's tests,
// served from the GUI thread's event loop: fixed answers by path, every
// request's path recorded, one answer per connection.
#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QPair>
#include <QStringList>
#include <QTcpServer>

struct HttpAnswer {
    int status = 200;
    QByteArray body;
    QList<QPair<QByteArray, QByteArray>> headers;
    // Declares this many bytes more than the body holds, then closes.
    int missingBytes = 0;
    // Hostile servers: reads the request and never answers; or answers and
    // then stalls without closing; or sends no length and this many filler
    // bytes (as fast as they are taken), then closes.
    bool silent = false;
    bool stall = false;
    qint64 endless = 0;
};

class TestHttpServer : public QObject {
    Q_OBJECT
public:
    TestHttpServer();
    quint16 port() const { return server_.serverPort(); }
    QString url(const QString& path) const;
    void answer(const QString& path, const HttpAnswer& a) { answers_[path] = a; }
    void file(const QString& path, const QByteArray& body) { answers_[path] = HttpAnswer{200, body, {}, 0}; }
    void redirect(const QString& path, int status, const QByteArray& location);
    const QStringList& requests() const { return requests_; }
    // Filler bytes handed to the system for endless answers so far.
    qint64 fillerSent() const { return fillerSent_; }

private:
    void serve(class QTcpSocket* socket);

    QTcpServer server_;
    QMap<QString, HttpAnswer> answers_;
    QStringList requests_;
    qint64 fillerSent_ = 0;
};
