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

class Worker : public QObject {
    Q_OBJECT
public:
    explicit Worker(QObject* parent = nullptr);
    ~Worker() override;

    // Redirects followed in a row before a request counts as failed.
    static constexpr int maxRedirects = 5;

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

    QString root;        // the installation: the current directory at the check
    int redirects = 0;   // of the running download, in a row
    qint64 written = 0;  // bytes of the running download written
    bool writeFailed = false;
    bool keepTemp = false;  // a failed install leaves the folder for inspection
    std::unique_ptr<platform::ProcessControl> processes;
};
