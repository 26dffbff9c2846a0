#include "worker.h"

#include <QDebug>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

#include "installfiles.h"

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
    return request;
}

}  // namespace

Worker::Worker(QObject* parent)
    : QObject(parent)
    , processes(platform::makeProcessControl())
{
}

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
// manifest has arrived; only a 200 answer counts, redirects are followed.
QByteArray Worker::fetchManifest(const QUrl& url)
{
    QNetworkAccessManager nam;
    QUrl current = url;
    for (int hop = 0;; ++hop) {
        QNetworkReply* r = nam.get(plainRequest(current));
        QEventLoop loop;
        connect(r, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        const QUrl next = redirectTarget(r);
        const int status = httpStatus(r);
        const QByteArray body = status == 200 && r->error() == QNetworkReply::NoError ? r->readAll() : QByteArray();
        delete r;
        if (next.isValid() && hop < maxRedirects) {
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
        if (have == local.files.constEnd()
            || updater::compareVersions(have.value().toString(), it.value().toString()) < 0)
            pending.append(it.key());
    }
    if (pending.isEmpty()) {
        emit sigExit();
        return;
    }

    // The manifest becomes the local version file once everything is in place.
    const QString saved = tempRoot() + QLatin1Char('/') + versionFileName;
    QFile out(saved);
    if (!QDir().mkpath(QFileInfo(saved).absolutePath()) || !out.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || out.write(body) != body.size() || !out.flush()) {
        updater::removePath(tempRoot());
        emit sigShowError(QStringLiteral("下载错误"), QStringLiteral("创建下载文件错误"));
        return;
    }
    out.close();

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

    const QString target = updater::checkedJoin(tempRoot(), currentKey);
    file = new QFile(target, this);
    if (target.isEmpty() || !QDir().mkpath(QFileInfo(target).absolutePath())
        || !file->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        failDownload(QStringLiteral("下载错误"), QStringLiteral("创建下载文件错误"));
        return;
    }
    manager = new QNetworkAccessManager(this);
    redirects = 0;
    written = 0;
    writeFailed = false;
    startRequest(QUrl(remoteSource + currentKey));
}

void Worker::startRequest(const QUrl& url)
{
    reply = manager->get(plainRequest(url));
    connect(reply, SIGNAL(readyRead()), this, SLOT(onReadyRead()));
    connect(reply, SIGNAL(finished()), this, SLOT(onFinishDownload()));
    connect(reply, SIGNAL(downloadProgress(qint64,qint64)), this, SLOT(updateProgress(qint64,qint64)));
}

// Worker thread. Only a 200 body is written (a redirect's body never is).
void Worker::onReadyRead()
{
    if (!reply || httpStatus(reply) != 200)
        return;
    const QByteArray data = reply->readAll();
    if (writeFailed)
        return;
    if (file->write(data) != data.size())
        writeFailed = true;
    written += data.size();
}

// Worker thread.
void Worker::onFinishDownload()
{
    QNetworkReply* r = reply;
    if (!r)
        return;
    const int status = httpStatus(r);
    if (isRedirect(status)) {
        const QUrl next = redirectTarget(r);
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
    if (r->bytesAvailable() > 0)
        onReadyRead();
    // A body cut short (the connection dropped, fewer bytes than the declared
    // length of an unencoded body) is a failed download, not a finished one.
    bool complete = r->error() == QNetworkReply::NoError;
    const QByteArray encoding = r->rawHeader("Content-Encoding").trimmed().toLower();
    const QVariant length = r->header(QNetworkRequest::ContentLengthHeader);
    if (length.isValid() && (encoding.isEmpty() || encoding == "identity") && length.toLongLong() != written)
        complete = false;
    if (!file->flush())
        writeFailed = true;
    file->close();
    if (writeFailed) {
        failDownload(QStringLiteral("下载错误"), QStringLiteral("写入下载文件错误"));
        return;
    }
    if (!complete) {
        failDownload(QStringLiteral("网络错误"), QStringLiteral("下载文件不完整"));
        return;
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
        reply->deleteLater();
        reply = nullptr;
    }
    if (manager) {
        manager->deleteLater();
        manager = nullptr;
    }
}

// Nothing was installed: the partial downloads go, the main program was never stopped.
void Worker::failDownload(const QString& title, const QString& text)
{
    releaseDownload();
    updater::removePath(tempRoot());
    emit sigShowError(title, text);
}

// Worker thread. Stops the main program, puts every downloaded file in place,
// then the version file; any failure keeps the old version file (the next run
// tries again) and the temporary folder. The main program starts again either way.
void Worker::updateAndLaunchApp()
{
    const QString exePath = updater::checkedJoin(root, appExeName);
    const platform::StopResult stopped = processes->stop(QFile::encodeName(exePath).toStdString());
    qDebug() << "pInt:" << stopped.found;

    const QString temp = tempRoot();
    QString error;
    for (auto it = remoteFiles.constBegin(); it != remoteFiles.constEnd() && error.isEmpty(); ++it) {
        const QString& key = it.key();
        if (!updateList.contains(key))
            continue;
        const QString keyDir = updater::keyDirectory(key);
        const QString destDir = keyDir.isEmpty() ? root : updater::checkedJoin(root, keyDir, true);
        const QString source = updater::checkedJoin(temp, key);
        if (destDir.isEmpty() || source.isEmpty() || !QDir().mkpath(destDir)) {
            error = QStringLiteral("无法创建文件夹:") + key;
            break;
        }
        if (QFileInfo(source).suffix() == QLatin1String("zip")) {
            updater::unpackZip(
                source, destDir,
                [this](const QString& entry) { emit sigShowStatus(QStringLiteral("正在解压文件:") + entry); }, &error);
        } else {
            emit sigShowStatus(QStringLiteral("正在复制:") + key);
            updater::replaceFile(source, updater::checkedJoin(root, key), &error);
        }
    }
    if (error.isEmpty())
        updater::replaceFile(temp + QLatin1Char('/') + versionFileName,
                             updater::checkedJoin(root, versionFileName), &error);
    if (error.isEmpty()) {
        if (!updater::removePath(temp))
            qWarning() << "could not remove" << temp;
    } else {
        keepTemp = true;
        qWarning() << "install failed:" << error;
    }

    if (exePath.isEmpty()
        || !processes->restart(QFile::encodeName(exePath).toStdString(), {}, QFile::encodeName(root).toStdString())) {
        if (error.isEmpty())
            error = QStringLiteral("无法启动程序:") + appExeName;
    }
    if (error.isEmpty())
        emit sigExit();
    else
        emit sigShowError(QStringLiteral("更新错误"), error);
}
