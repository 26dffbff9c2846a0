// The single-instance guard: a lock file in the data directory says whether a
// live instance exists; a local server named per user lets a second start
// reach it. Only the lock's owner ever removes a leftover server name, so a
// live but busy first instance keeps its name.
#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

#include <memory>

class InstanceGuard : public QObject {
    Q_OBJECT
public:
    // GUI thread.
    InstanceGuard(const QString& appName, QObject* parent = nullptr);
    ~InstanceGuard() override;

    // The local server's name: $XDG_RUNTIME_DIR/<app> when that directory
    // exists, else "<app>-<uid>" in the temporary folder.
    static QString serverNameFor(const QString& appName);
    // The lock file: <data dir>/instance.lock.
    static QString lockPath();

    // True when this process is the first instance: it holds the lock and
    // listens. False when another live instance holds it (`message` was then
    // sent to that instance's server if it answered within 500 ms), or when a
    // leftover lock could not be removed (failure() says why).
    bool claim(const QString& message);
    // Why this start cannot go on; "" when it can, or another instance runs.
    const QString& failure() const { return failure_; }

    // The first instance's server (null otherwise); its newConnection()
    // signals a second start.
    QLocalServer* server() const { return server_; }
    const QString& serverName() const { return serverName_; }

    // Frees the server name and the lock, so a new process can take over.
    void close();

private:
    bool forward(const QString& message);
    void listen(bool ownsLock);

    QString serverName_;
    QString failure_;
    QLocalServer* server_ = nullptr;
    std::unique_ptr<QLockFile> lock_;
};
