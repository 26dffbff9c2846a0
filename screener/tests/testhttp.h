// LoopbackHttp: a tiny HTTP/1.1 server on 127.0.0.1 for the dialog's tests,
// run by the GUI thread's event loop. Each path has a canned answer; every
// request is kept whole (method, path, header lines, body).
#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QTcpServer>

class QTcpSocket;

struct CannedAnswer {
    int status = 200;
    QByteArray body;
    int shortBy = 0;      // declares this many bytes more than it sends, then closes
    bool silent = false;  // never answers
    QByteArray location;  // sent as a Location header when not empty
    qint64 endless = 0;   // no length: this many filler bytes as fast as taken, then closes
};

struct SeenRequest {
    QByteArray method, path, body;
    QList<QByteArray> headerLines;
    QByteArray header(const QByteArray& name) const;  // value of the first such line, lower-case match
};

class LoopbackHttp : public QObject {
    Q_OBJECT
public:
    LoopbackHttp();
    QString base() const;
    void set(const QByteArray& path, const CannedAnswer& a) { answers_[path] = a; }
    const QList<SeenRequest>& seen() const { return seen_; }
    qint64 fillerSent() const { return fillerSent_; }

private:
    void readFrom(QTcpSocket* socket);
    QTcpServer server_;
    QHash<QByteArray, CannedAnswer> answers_;
    QHash<QTcpSocket*, QByteArray> pending_;
    QList<SeenRequest> seen_;
    qint64 fillerSent_ = 0;
};

// A loopback port nobody listens on (it was free a moment ago): requests to
// it are refused.
inline quint16 closedPort()
{
    QTcpServer closed;
    closed.listen(QHostAddress::LocalHost, 0);
    const quint16 port = closed.serverPort();
    closed.close();
    return port;
}
