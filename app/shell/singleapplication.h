// SingleApplication: the application object, which also makes sure only one
// instance runs. A second start forwards its last argument to the first and
// ends; the first then raises its window.
#pragma once

#include <QApplication>
#include <QPointer>
#include <QString>
#include <QWindow>

class InstanceGuard;

class SingleApplication : public QApplication {
    Q_OBJECT
public:
    // GUI thread. Runs the instance check.
    SingleApplication(int& argc, char** argv, QString serverName);
    ~SingleApplication() override;

    bool isRunning() const { return isRunning_; }
    // Why this start cannot go on (isRunning() is then true too); "" otherwise.
    QString startFailure() const;
    // Frees the local server name (and the instance lock) before a restart.
    void closeServer();

    // The window raised when another start comes in.
    QWindow* window() const { return window_; }
    void setWindow(QWindow* window) { window_ = window; }

signals:
    // After a second start was seen and the window (if any) raised.
    void activated();

public slots:
    void newLocalConnection();

private:
    QPointer<QWindow> window_;
    bool isRunning_ = false;
    InstanceGuard* guard_ = nullptr;
    QString serverName_;
};
