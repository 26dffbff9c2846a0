// FileDownload: a start-up download that goes straight to its data file
// (board.json, stock_rating.json, stock_rzrq.json). The body is received on
// the GUI thread's network manager, then unpacked, parsed, checked for the
// shape its file keeps and written on a worker thread, so that a reply of
// tens of megabytes never holds a window. A failed reply, one over the cap or
// of another shape keeps the cached file. GUI thread.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QJSValue>
#include <QObject>
#include <QString>

class QNetworkAccessManager;

class FileDownload : public QObject {
    Q_OBJECT
public:
    explicit FileDownload(QObject* parent = nullptr);

    // Fetches url (its {{key}} placeholders filled as HttpRequest does) into
    // the data file `file`, giving up after timeoutMs; then calls
    // done(saved, reason) on the GUI thread: saved true when the file was
    // replaced, reason a short text of why not.
    Q_INVOKABLE void fetch(const QString& url, const QString& file, int timeoutMs, const QJSValue& done);

    // The most rows a list may have: every security of the market, several
    // times over. The lists feed lookup tables loaded at each start, so a
    // longer one is refused rather than slowing every start.
    static constexpr int kMaxRows = 50000;

    // Any thread: why the reply cannot be kept as `file` ("reply of another
    // shape" for JSON of another shape or a file that is not a download of
    // this kind, or a list over kMaxRows), or "" when it can.
    static QString misfit(const QString& file, const QByteArray& json);
    // Any thread: the body unpacked when it is a gzip stream, or empty when
    // it is or unpacks to more than maxBytes.
    static QByteArray unpack(const QByteArray& body, qint64 maxBytes);

private:
    QNetworkAccessManager* manager();
    void report(quint64 id, const QString& reason);

    QHash<quint64, QJSValue> pending_;  // callbacks by fetch
    quint64 nextId_ = 0;
};
