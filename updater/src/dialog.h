// The updater's window: hidden while the versions are compared, shown when
// files need updating; its buttons start the download, then the install.
#pragma once

#include <QDialog>
#include <QString>

#include <memory>

class MessageBoxes;
class QThread;
class Worker;

namespace Ui {
class Dialog;
}

class Dialog : public QDialog {
    Q_OBJECT
public:
    // Message boxes go through `boxes` (owned by the caller); null means the
    // real ones.
    explicit Dialog(MessageBoxes* boxes = nullptr, QWidget* parent = nullptr);
    ~Dialog() override;

    // GUI thread. Stores the program name and starts the comparison.
    void checkVersion(const QString& exe, const QString& versionFile, const QString& url);

signals:
    void sigWork();
    void sigCheck(const QString&, const QString&, const QString&);
    void sigUpdateAndLaunchApp();

public slots:
    // GUI thread, all of them.
    void on_getButton_clicked();
    void on_cancelButton_clicked();
    void showProgress(qint64 bytesRead, qint64 totalBytes);
    void showStatus(const QString& text);
    void showInfo(const QString& text);
    void showError(const QString& title, const QString& text);
    void exit();
    void onDownloadOk();
    void onCheckUpdateOK();

private:
    Ui::Dialog* ui;
    Worker* worker;
    QThread* thread;
    QString appExeName;
    std::unique_ptr<MessageBoxes> ownBoxes;
    MessageBoxes* boxes;
};
