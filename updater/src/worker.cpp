#include "worker.h"

#include <cerrno>

#include <QDebug>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

#include "gzipdecoder.h"
#include "installer.h"
#include "installfiles.h"
#include "installjournal.h"
#include "platform/savefile.h"

namespace {

int httpStatus(QNetworkReply* r)
{
    return r->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
}

bool isRedirect(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// The next URL when `r` is a redirect (301, 302, 303, 307, 308) to an http or
// https target, relative targets resolved against the request; invalid otherwise.
QUrl redirectTarget(QNetworkReply* r)
{
    if (!isRedirect(httpStatus(r)))
        return QUrl();
    const QByteArray location = r->rawHeader("Location");
    if (location.isEmpty())
        return QUrl();
    const QUrl next = r->url().resolved(QUrl::fromEncoded(location));
    if (next.scheme() != QLatin1String("http") && next.scheme() != QLatin1String("https"))
        return QUrl();
    return next;
}

QNetworkRequest plainRequest(const QUrl& url)
{
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    // Asked for by hand, so the body arrives as sent and its gzip trailer
    // can be checked here.
    request.setRawHeader("Accept-Encoding", "gzip");
    return request;
}

constexpr qint64 readBuffer = 1 << 20;

}  // namespace

Worker::Limits& Worker::limits()
{
    static Limits l;
    return l;
}

Worker::Worker(QObject* parent) : QObject(parent), processes(platform::makeProcessControl()) {}

Worker::~Worker()
{
    releaseDownload();
    if (!keepTemp && !root.isEmpty())
        updater::removePath(tempRoot());
}

QString Worker::tempRoot() const
{
    return QDir::cleanPath(root + tempDir);
}

// Worker thread.
void Worker::updateProgress(qint64 received, qint64 total)
{
    if (reply && httpStatus(reply) == 200)
        emit sigShowProgress(received, total);
}

// Worker thread. Blocks in a nested event loop (user input excluded) until the
// manifest has arrived; only a whole 200 answer counts, redirects are
// followed. A server that stalls or sends too much gives an empty manifest.
QByteArray Worker::fetchManifest(const QUrl& url)
{
    QNetworkAccessManager nam;
    QUrl current = url;
    for (int hop = 0;; ++hop) {
        QNetworkReply* r = nam.get(plainRequest(current));
        r->setReadBufferSize(readBuffer);
        QByteArray body;
        bool failed = false;
        QEventLoop loop;
        QTimer stall;
        stall.setSingleShot(true);
        const auto progress = [&] {
            stall.start(limits().idleTimeoutMs);
            if (httpStatus(r) != 200 || failed)
                return;
            body += r->readAll();
            if (body.size() > limits().maxManifest) {
                qWarning() << "version manifest: larger than" << limits().maxManifest << "bytes";
                failed = true;
                r->abort();
            }
        };
        connect(r, &QNetworkReply::readyRead, &loop, progress);
        connect(r, &QNetworkReply::metaDataChanged, &loop, progress);
        connect(r, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        connect(&stall, &QTimer::timeout, &loop, [&] {
            qWarning() << "version manifest: no answer from" << current.toString();
            failed = true;
            r->abort();
        });
        stall.start(limits().idleTimeoutMs);
        if (!r->isFinished())
            loop.exec(QEventLoop::ExcludeUserInputEvents);
        progress();
        stall.stop();
        const QUrl next = redirectTarget(r);
        const int status = httpStatus(r);
        const QByteArray encoding = r->rawHeader("Content-Encoding").trimmed().toLower();
        if (!failed && status == 200 && (encoding == "gzip" || encoding == "x-gzip")) {
            updater::GzipDecoder decoder;
            QByteArray plain;
            const bool ok = decoder.feed(body, [&plain](const char* d, qint64 n) {
                plain.append(d, int(n));
                return plain.size() <= limits().maxManifest;
            });
            body = ok && decoder.complete() ? plain : QByteArray();
        } else if (!encoding.isEmpty() && encoding != "identity") {
            failed = true;
        }
        if (failed || r->error() != QNetworkReply::NoError)
            body.clear();
        delete r;
        if (!failed && next.isValid() && hop < maxRedirects) {
            current = next;
            continue;
        }
        if (status != 200)
            qWarning() << "version manifest: HTTP status" << status << "from" << current.toString();
        return body;
    }
}

// Worker thread.
void Worker::doCheckVersion(const QString& exe, const QString& versionFile, const QString& url)
{
    appExeName = exe;
    pending.clear();
    versionFileName = versionFile;
    root = QDir::cleanPath(QDir::currentPath());

    // An install cut short by a kill is finished or undone first, so the
    // versions compared below are the installation's real ones.
    QString recoverError;
    if (!updater::recoverInstall(root, &recoverError)) {
        emit sigShowError(QStringLiteral("更新错误"), recoverError);
        return;
    }

    const QString localPath = updater::checkedJoin(root, versionFileName);
    qDebug() << "local version file:" << localPath;
    updater::Manifest local;
    QFile localFile(localPath);
    if (!localPath.isEmpty() && localFile.open(QIODevice::ReadOnly | QIODevice::Text))
        local = updater::parseManifest(localFile.readAll());
    else
        qDebug() << "can not load verion file.";

    const QByteArray body = fetchManifest(QUrl(url));
    updater::Manifest remote = updater::parseManifest(body);
    // Keys become paths: one that could leave the installation (or land in
    // the temporary folder, removed after the install) makes the whole
    // manifest invalid, read as empty.
    const QString tempPrefix = tempRoot() + QLatin1Char('/');
    for (auto it = remote.files.constBegin(); it != remote.files.constEnd(); ++it) {
        const QString target = updater::checkedJoin(root, it.key());
        if (target.isEmpty() || target == tempRoot() || target.startsWith(tempPrefix)) {
            qWarning() << "version manifest refused: unsafe path" << it.key();
            remote = updater::Manifest();
            break;
        }
    }
    remoteSource = remote.source;
    remoteFiles = remote.files;

    for (auto it = remoteFiles.constBegin(); it != remoteFiles.constEnd(); ++it) {
        const auto have = local.files.constFind(it.key());
        if (have == local.files.constEnd() ||
            updater::compareVersions(updater::versionText(have.value()), updater::versionText(it.value())) < 0)
            pending.append(it.key());
    }
    if (pending.isEmpty()) {
        emit sigExit();
        return;
    }

    // The manifest becomes the local version file once everything is in place.
    const QString saved = tempRoot() + QLatin1Char('/') + versionFileName;
    const int error =
        QDir().mkpath(QFileInfo(saved).absolutePath())
            ? platform::replace_file(QFile::encodeName(saved).toStdString(), body.constData(), size_t(body.size()))
            : ENOENT;
    if (error != 0) {
        updater::removePath(tempRoot());
        emit sigShowError(QStringLiteral("下载错误"), QStringLiteral("创建下载文件错误: ") +
                                                          QString::fromStdString(platform::save_error_text(error)));
        return;
    }

    updateList = pending;
    emit sigShowStatus(QStringLiteral("检测测到有%1个文件需要更新，点击更新按钮下载并更新文件！").arg(pending.size()));
    emit sigCheckUpdateOK();
}

// Worker thread. Downloads the next pending file; the main program keeps
// running until the install begins.
void Worker::doWork()
{
    if (pending.isEmpty())
        return;
    currentKey = pending.takeFirst();
    emit sigShowStatus(QStringLiteral("正在下载:") + QFileInfo(currentKey).fileName());

    target = updater::checkedJoin(tempRoot(), currentKey);
    file = new QFile(target, this);
    // Unbuffered: a failed write (a full disk) shows at once.
    if (target.isEmpty() || !QDir().mkpath(QFileInfo(target).absolutePath()) ||
        !file->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        failDownload(QStringLiteral("下载错误"), QStringLiteral("创建下载文件错误"));
        return;
    }
    manager = new QNetworkAccessManager(this);
    idle = new QTimer(this);
    idle->setSingleShot(true);
    connect(idle, &QTimer::timeout, this, &Worker::onIdle);
    redirects = 0;
    startRequest(QUrl(remoteSource + currentKey));
}

void Worker::startRequest(const QUrl& url)
{
    received = 0;
    written = 0;
    bodyStarted = false;
    gzip.reset();
    reply = manager->get(plainRequest(url));
    // Read from the socket only as fast as it is written: memory stays flat
    // and a download that fails stops the server at once.
    reply->setReadBufferSize(readBuffer);
    connect(reply, SIGNAL(readyRead()), this, SLOT(onReadyRead()));
    connect(reply, SIGNAL(finished()), this, SLOT(onFinishDownload()));
    connect(reply, SIGNAL(downloadProgress(qint64, qint64)), this, SLOT(updateProgress(qint64, qint64)));
    connect(reply, &QNetworkReply::metaDataChanged, idle, [this] { idle->start(limits().idleTimeoutMs); });
    idle->start(limits().idleTimeoutMs);
}

// Worker thread. No byte for too long: the server is stalled.
void Worker::onIdle()
{
    if (reply)
        failDownload(QStringLiteral("网络错误"), QStringLiteral("下载超时"));
}

// Worker thread. Writes unpacked body bytes; the reason when the write
// fails or the file would grow past the cap, "" otherwise.
QString Worker::writeBody(const char* data, qint64 size)
{
    if (written + size > limits().maxDownload)
        return QStringLiteral("下载文件过大");
    if (file->write(data, size) != size)
        return QStringLiteral("写入下载文件错误");
    written += size;
    return QString();
}

// Worker thread. The body's headers are in: picks its decoding and refuses
// one declared larger than the cap. False after failing the download.
bool Worker::startBody()
{
    bodyStarted = true;
    const QByteArray encoding = reply->rawHeader("Content-Encoding").trimmed().toLower();
    if (encoding == "gzip" || encoding == "x-gzip") {
        gzip = std::make_unique<updater::GzipDecoder>();
    } else if (!encoding.isEmpty() && encoding != "identity") {
        failDownload(QStringLiteral("网络错误"), QStringLiteral("不支持的内容编码"));
        return false;
    } else if (reply->header(QNetworkRequest::ContentLengthHeader).toLongLong() > limits().maxDownload) {
        failDownload(QStringLiteral("下载错误"), QStringLiteral("下载文件过大"));
        return false;
    }
    return true;
}

// Worker thread. Only a 200 body is written (a redirect's body never is); a
// gzip-encoded one is unpacked on the way. The first failed write ends the
// download.
void Worker::onReadyRead()
{
    if (!reply || httpStatus(reply) != 200)
        return;
    idle->start(limits().idleTimeoutMs);
    if (!bodyStarted && !startBody())
        return;
    const QByteArray data = reply->readAll();
    received += data.size();
    QString writeError;
    bool ok = true;
    if (!gzip) {
        writeError = writeBody(data.constData(), data.size());
    } else {
        ok = gzip->feed(data, [this, &writeError](const char* d, qint64 n) {
            writeError = writeBody(d, n);
            return writeError.isEmpty();
        });
    }
    if (!writeError.isEmpty())
        failDownload(QStringLiteral("下载错误"), writeError);
    else if (!ok)
        failDownload(QStringLiteral("网络错误"), QStringLiteral("下载文件不完整"));
}

// Worker thread.
void Worker::onFinishDownload()
{
    QNetworkReply* r = reply;
    if (!r)
        return;
    idle->stop();
    const int status = httpStatus(r);
    if (isRedirect(status)) {
        const QUrl next = redirectTarget(r);
        r->disconnect(this);
        r->deleteLater();
        reply = nullptr;
        if (next.isValid() && ++redirects <= maxRedirects) {
            startRequest(next);
            return;
        }
    }
    // A redirect that cannot be followed fails like any other status.
    if (status != 200) {
        failDownload(QStringLiteral("网络错误"), QStringLiteral("HTTP status codes: ") + QString::number(status));
        return;
    }
    if (r->bytesAvailable() > 0 || !bodyStarted) {
        onReadyRead();
        if (!reply)
            return;  // failed while writing
    }
    // A body cut short (the connection dropped, fewer bytes than declared, a
    // gzip stream without its whole last member) is a failed download.
    bool complete = r->error() == QNetworkReply::NoError && (!gzip || gzip->complete());
    const QVariant length = r->header(QNetworkRequest::ContentLengthHeader);
    if (length.isValid() && length.toLongLong() != received)
        complete = false;
    if (!file->flush()) {
        failDownload(QStringLiteral("下载错误"), QStringLiteral("写入下载文件错误"));
        return;
    }
    file->close();
    if (!complete) {
        failDownload(QStringLiteral("网络错误"), QStringLiteral("下载文件不完整"));
        return;
    }
    // An archive is proven whole now, while nothing is stopped yet.
    if (QFileInfo(currentKey).suffix() == QLatin1String("zip")) {
        const QString keyDir = updater::keyDirectory(currentKey);
        const QString destDir = keyDir.isEmpty() ? root : updater::checkedJoin(root, keyDir, true);
        QString error;
        if (!updater::checkZip(target, destDir, tempRoot(), &error)) {
            failDownload(QStringLiteral("下载错误"), error);
            return;
        }
    }
    releaseDownload();
    if (pending.isEmpty()) {
        emit sigShowStatus(QStringLiteral("下载完成，点击“立即更新”将完成更新并重启"));
        emit sigDownloadOk();
    } else {
        doWork();
    }
}

void Worker::releaseDownload()
{
    if (file) {
        file->close();
        delete file;
        file = nullptr;
    }
    if (reply) {
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
        reply = nullptr;
    }
    if (manager) {
        manager->deleteLater();
        manager = nullptr;
    }
    if (idle) {
        idle->stop();
        idle->deleteLater();
        idle = nullptr;
    }
    gzip.reset();
}

// Nothing was installed: the partial downloads go, the main program was never stopped.
void Worker::failDownload(const QString& title, const QString& text)
{
    releaseDownload();
    updater::removePath(tempRoot());
    emit sigShowError(title, text);
}

// Worker thread. Stops the main program and installs everything as a whole:
// every new file (the version file last) is staged beside its place, then
// all are swapped in. On any failure every replaced file is put back, the
// old version file stays and the temporary folder is kept. The main program
// starts again either way.
void Worker::updateAndLaunchApp()
{
    const QString exePath = updater::checkedJoin(root, appExeName);
    const platform::StopResult stopped = processes->stop(QFile::encodeName(exePath).toStdString());
    qDebug() << "pInt:" << stopped.found;

    const QString temp = tempRoot();
    QString error;
    {
        updater::Installer installer(root);
        for (auto it = remoteFiles.constBegin(); it != remoteFiles.constEnd() && error.isEmpty(); ++it) {
            const QString& key = it.key();
            if (!updateList.contains(key))
                continue;
            const QString keyDir = updater::keyDirectory(key);
            const QString destDir = keyDir.isEmpty() ? root : updater::checkedJoin(root, keyDir, true);
            const QString source = updater::checkedJoin(temp, key);
            if (destDir.isEmpty() || source.isEmpty()) {
                error = QStringLiteral("无法创建文件夹:") + key;
                break;
            }
            if (QFileInfo(source).suffix() == QLatin1String("zip")) {
                installer.stageZip(
                    source, destDir,
                    [this](const QString& entry) { emit sigShowStatus(QStringLiteral("正在解压文件:") + entry); },
                    &error);
            } else {
                emit sigShowStatus(QStringLiteral("正在复制:") + key);
                installer.stageCopy(source, updater::checkedJoin(root, key), &error);
            }
        }
        if (error.isEmpty())
            installer.stageCopy(temp + QLatin1Char('/') + versionFileName, updater::checkedJoin(root, versionFileName),
                                &error);
        if (error.isEmpty())
            installer.commit(&error);
    }
    if (error.isEmpty()) {
        if (!updater::removePath(temp))
            qWarning() << "could not remove" << temp;
    } else {
        keepTemp = true;
        qWarning() << "install failed:" << error;
    }

    if (exePath.isEmpty() ||
        !processes->restart(QFile::encodeName(exePath).toStdString(), {}, QFile::encodeName(root).toStdString())) {
        if (error.isEmpty())
            error = QStringLiteral("无法启动程序:") + appExeName;
    }
    if (error.isEmpty())
        emit sigExit();
    else
        emit sigShowError(QStringLiteral("更新错误"), error);
}
