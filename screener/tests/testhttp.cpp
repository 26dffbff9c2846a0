#include "testhttp.h"

#include <QTcpSocket>
#include <memory>

QByteArray SeenRequest::header(const QByteArray& name) const
{
    for (const QByteArray& line : headerLines) {
        const int colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().toLower() == name.toLower())
            return line.mid(colon + 1).trimmed();
    }
    return {};
}

LoopbackHttp::LoopbackHttp()
{
    server_.listen(QHostAddress::LocalHost, 0);
    connect(&server_, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* s = server_.nextPendingConnection()) {
            connect(s, &QTcpSocket::readyRead, this, [this, s] { readFrom(s); });
            connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
        }
    });
}

QString LoopbackHttp::base() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(server_.serverPort());
}

void LoopbackHttp::readFrom(QTcpSocket* socket)
{
    QByteArray& data = pending_[socket];
    data += socket->readAll();
    const int end = data.indexOf("\r\n\r\n");
    if (end < 0)
        return;
    SeenRequest r;
    const QList<QByteArray> lines = data.left(end).split('\n');
    const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
    r.method = first.value(0);
    r.path = first.value(1);
    for (int i = 1; i < lines.size(); ++i)
        r.headerLines << lines[i].trimmed();
    const int length = r.header("Content-Length").toInt();
    if (data.size() < end + 4 + length)
        return;
    r.body = data.mid(end + 4, length);
    pending_.remove(socket);
    seen_ << r;

    const CannedAnswer a = answers_.value(r.path, CannedAnswer{404, "{}", 0, false});
    if (a.silent)
        return;
    QByteArray out = "HTTP/1.1 " + QByteArray::number(a.status) + " X\r\nContent-Type: application/json\r\n";
    if (a.endless == 0)
        out += "Content-Length: " + QByteArray::number(a.body.size() + a.shortBy) + "\r\n";
    if (!a.location.isEmpty())
        out += "Location: " + a.location + "\r\n";
    out += "Connection: close\r\n\r\n" + a.body;
    socket->write(out);
    if (a.endless > 0) {
        // Keeps about a MiB queued until the total is sent or the peer goes.
        auto sent = std::make_shared<qint64>(0);
        const qint64 total = a.endless;
        const auto refill = [this, socket, sent, total] {
            const QByteArray filler(256 * 1024, ' ');
            while (*sent < total && socket->state() == QAbstractSocket::ConnectedState &&
                   socket->bytesToWrite() < (1 << 20)) {
                const QByteArray chunk = filler.left(static_cast<int>(qMin<qint64>(filler.size(), total - *sent)));
                socket->write(chunk);
                *sent += chunk.size();
                fillerSent_ += chunk.size();
            }
            if (*sent >= total)
                socket->disconnectFromHost();
        };
        connect(socket, &QTcpSocket::bytesWritten, socket, refill);
        refill();
        return;
    }
    socket->disconnectFromHost();
}
