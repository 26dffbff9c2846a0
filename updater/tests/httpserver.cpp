#include "httpserver.h"

#include <QHostAddress>
#include <QTcpSocket>

TestHttpServer::TestHttpServer()
{
    server_.listen(QHostAddress::LocalHost, 0);
    connect(&server_, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* s = server_.nextPendingConnection()) {
            connect(s, &QTcpSocket::readyRead, this, [this, s] { serve(s); });
            connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
        }
    });
}

QString TestHttpServer::url(const QString& path) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(port()).arg(path);
}

void TestHttpServer::redirect(const QString& path, int status, const QByteArray& location)
{
    // The body must never reach a downloaded file.
    answers_[path] = HttpAnswer{status, "redirect body", {{"Location", location}}, 0};
}

void TestHttpServer::serve(QTcpSocket* s)
{
    if (s->property("answered").toBool())
        return;
    QByteArray request = s->property("request").toByteArray() + s->readAll();
    s->setProperty("request", request);
    if (!request.contains("\r\n\r\n"))
        return;
    s->setProperty("answered", true);
    const QList<QByteArray> line = request.left(request.indexOf("\r\n")).split(' ');
    const QString path = line.size() > 1 ? QString::fromUtf8(line.at(1)) : QString();
    requests_.append(path);

    HttpAnswer a{404, "not found", {}, 0};
    if (answers_.contains(path))
        a = answers_.value(path);
    if (a.silent)
        return;
    QByteArray out = "HTTP/1.1 " + QByteArray::number(a.status) + " X\r\n";
    if (a.endless == 0)
        out += "Content-Length: " + QByteArray::number(a.body.size() + a.missingBytes) + "\r\n";
    out += "Connection: close\r\n";
    for (const auto& h : a.headers)
        out += h.first + ": " + h.second + "\r\n";
    out += "\r\n" + a.body;
    s->write(out);
    if (a.stall)
        return;
    if (a.endless > 0) {
        // Keeps about a MiB queued until the total is sent or the peer goes.
        const qint64 total = a.endless;
        auto* sent = new qint64(0);
        const QByteArray filler(256 * 1024, 'x');
        const auto refill = [this, s, sent, total, filler] {
            while (*sent < total && s->state() == QAbstractSocket::ConnectedState && s->bytesToWrite() < (1 << 20)) {
                const QByteArray chunk = filler.left(int(qMin<qint64>(filler.size(), total - *sent)));
                s->write(chunk);
                *sent += chunk.size();
                fillerSent_ += chunk.size();
            }
            if (*sent >= total)
                s->disconnectFromHost();
        };
        connect(s, &QTcpSocket::bytesWritten, s, refill);
        connect(s, &QObject::destroyed, [sent] { delete sent; });
        refill();
        return;
    }
    s->disconnectFromHost();
}
