#include "dialog.h"

#include <QCoreApplication>
#include <QThread>

#include "messageboxes.h"
#include "ui_dialog.h"
#include "worker.h"

Dialog::Dialog(MessageBoxes* boxes, QWidget* parent)
    : QDialog(parent, Qt::WindowTitleHint), ui(new Ui::Dialog), worker(new Worker), thread(new QThread(this)),
      boxes(boxes)
{
    if (!this->boxes) {
        ownBoxes = std::make_unique<WidgetMessageBoxes>();
        this->boxes = ownBoxes.get();
    }
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint);
    setFixedSize(480, 380);

    worker->moveToThread(thread);
    connect(thread, SIGNAL(finished()), worker, SLOT(deleteLater()));
    connect(this, SIGNAL(sigWork()), worker, SLOT(doWork()));
    connect(this, SIGNAL(sigCheck(QString, QString, QString)), worker, SLOT(doCheckVersion(QString, QString, QString)));
    connect(this, SIGNAL(sigUpdateAndLaunchApp()), worker, SLOT(updateAndLaunchApp()));
    connect(worker, SIGNAL(sigShowProgress(qint64, qint64)), this, SLOT(showProgress(qint64, qint64)));
    connect(worker, SIGNAL(sigShowStatus(QString)), this, SLOT(showStatus(QString)));
    connect(worker, SIGNAL(sigShowInfo(QString)), this, SLOT(showInfo(QString)));
    connect(worker, SIGNAL(sigShowError(QString, QString)), this, SLOT(showError(QString, QString)));
    connect(worker, SIGNAL(sigExit()), this, SLOT(exit()));
    connect(worker, SIGNAL(sigDownloadOk()), this, SLOT(onDownloadOk()));
    connect(worker, SIGNAL(sigCheckUpdateOK()), this, SLOT(onCheckUpdateOK()));
    thread->start(QThread::InheritPriority);
}

Dialog::~Dialog()
{
    delete ui;
    thread->quit();
    thread->wait();
}

void Dialog::checkVersion(const QString& exe, const QString& versionFile, const QString& url)
{
    appExeName = exe;
    emit sigCheck(exe, versionFile, url);
}

void Dialog::on_getButton_clicked()
{
    const QString text = ui->getButton->text();
    if (text == QStringLiteral("更新")) {
        ui->getButton->setEnabled(false);
        emit sigWork();
    } else if (text == QStringLiteral("立即更新")) {
        emit sigUpdateAndLaunchApp();
        ui->cancelButton->hide();
        ui->cancelButton->setEnabled(false);
        ui->getButton->setEnabled(false);
    }
}

void Dialog::on_cancelButton_clicked()
{
    close();
}

void Dialog::showProgress(qint64 bytesRead, qint64 totalBytes)
{
    if (totalBytes == -1)
        ui->progressBar->setValue(0);
    else if (totalBytes > 0)
        ui->progressBar->setValue(static_cast<int>(static_cast<double>(bytesRead) * 100 / totalBytes));
}

void Dialog::showStatus(const QString& text)
{
    ui->statusLabel->setText(text);
}

void Dialog::showInfo(const QString&) {}

void Dialog::showError(const QString& title, const QString& text)
{
    // A text carrying a server's name (an archive entry) is cut: laying out
    // tens of kilobytes would freeze the window.
    constexpr int maxShown = 1000;
    const QString shown = text.size() > maxShown ? text.left(maxShown) + QStringLiteral("…") : text;
    boxes->critical(this, title, shown + QStringLiteral("\n") + QStringLiteral("下载升级文件失败，请请稍后重试！"));
    QCoreApplication::exit(0);
}

void Dialog::exit()
{
    QCoreApplication::exit(0);
}

void Dialog::onDownloadOk()
{
    ui->getButton->setText(QStringLiteral("立即更新"));
    ui->getButton->setEnabled(true);
}

void Dialog::onCheckUpdateOK()
{
    show();
}
