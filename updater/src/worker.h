// The updater's work on its own thread: compares the local version file with
// the remote manifest, downloads the changed files into the temporary folder
// and puts them in place, stopping and restarting the main program around the
// install.
#pragma once

#include <QJsonObject>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <memory>

#include "platform/processcontrol.h"

class QFile;
class QNetworkAccessManager;
class QNetworkReply;
class QTimer;

namespace updater {
class GzipDecoder;
}

class Worker : public QObject {
    Q_OBJECT
public:
    explicit Worker(QObject* parent = nullptr);
    ~Worker() override;

    // Redirects followed in a row before a request counts as failed.
    static constexpr int maxRedirects = 5;

    // Bounds on what a server can make the updater do; tests shorten them.
    struct Limits {
        int idleTimeoutMs = 30000;               // a request without progress this long fails
        qint64 maxDownload = qint64(512) << 20;  // one file, unpacked
        qint64 maxManifest = qint64(4) << 20;
    };
    static Limits& limits();

signals:
    void sigShowProgress(qint64, qint64);
    void sigShowStatus(const QString&);
    void sigShowInfo(const QString&);
    void sigShowError(const QString&, const QString&);
    void sigCheckUpdateOK();
    void sigExit();
    void sigDownloadOk();

public slots:
    // Worker thread, all of them.
    void updateProgress(qint64 received, qint64 total);
    void doWork();
    void onReadyRead();
    void onFinishDownload();
    void doCheckVersion(const QString& exe, const QString& versionFile, const QString& url);
    void updateAndLaunchApp();

private:
    QString tempRoot() const;
    QByteArray fetchManifest(const QUrl& url);
    void startRequest(const QUrl& url);
    bool startBody();
    QString writeBody(const char* data, qint64 size);
    void onIdle();
    void releaseDownload();
    void failDownload(const QString& title, const QString& text);

    QString versionFileName = QStringLiteral("version.json");
    QString appExeName;
    QString tempDir = QStringLiteral("/updaate_temp/");
    QString currentKey;
    QStringList pending;
    QString remoteSource;
    QJsonObject remoteFiles;
    QStringList updateList;
    QNetworkAccessManager* manager = nullptr;
    QNetworkReply* reply = nullptr;
    QFile* file = nullptr;

    QString root;         // the installation: the current directory at the check
    QString target;       // where the running download is written
    int redirects = 0;    // of the running download, in a row
    qint64 received = 0;  // bytes of the running download's body as sent
    qint64 written = 0;   // bytes of the running download written (unpacked)
    bool bodyStarted = false;
    std::unique_ptr<updater::GzipDecoder> gzip;  // for a gzip-encoded body
    QTimer* idle = nullptr;                      // no progress for a while: the download fails
    bool keepTemp = false;                       // a failed install leaves the folder for inspection
    std::unique_ptr<platform::ProcessControl> processes;
};
