#include "updaterun.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QTimer>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include "dialog.h"
#include "platform/processcontrol.h"

Installation::Installation()
{
    path_ = QDir::cleanPath(dir_.path() + "/inst");
    QDir().mkpath(path_);
    QFile::copy(UPDATER_FAKEMAIN, file("FakeMain"));
    ::chmod(QFile::encodeName(file("FakeMain")).constData(), 0755);
}

Installation::~Installation()
{
    // Every copy still running from here, a restarted one included.
    for (int pid : platform::findProcesses(QFile::encodeName(file("FakeMain")).toStdString()))
        ::kill(pid, SIGKILL);
    QDir::setCurrent(QDir::tempPath());
}

void Installation::write(const QString& relative, const QByteArray& data, int mode) const
{
    const QString p = file(relative);
    QDir().mkpath(QFileInfo(p).absolutePath());
    QFile f(p);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(data);
    f.close();
    ::chmod(QFile::encodeName(p).constData(), mode);
}

QByteArray Installation::read(const QString& relative) const
{
    QFile f(file(relative));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

bool Installation::exists(const QString& relative) const
{
    return QFileInfo::exists(file(relative));
}

QList<int> Installation::pids() const
{
    QList<int> out;
    for (const QByteArray& line : read("pids.txt").split('\n')) {
        if (line.toInt() > 0)
            out << line.toInt();
    }
    return out;
}

bool Installation::running(int pid) const
{
    return QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).symLinkTarget() == file("FakeMain");
}

bool Installation::waitForPids(int count) const
{
    QElapsedTimer t;
    t.start();
    while (pids().size() < count && t.elapsed() < 10000)
        QThread::msleep(5);
    return pids().size() >= count;
}

int Installation::startProgram()
{
    const int before = pids().size();
    QProcess::startDetached(file("FakeMain"), {}, path_);
    if (!waitForPids(before + 1))
        return -1;
    return pids().last();
}

UpdateRun Installation::run(const QString& manifestUrl, UserAction action) const
{
    QDir::setCurrent(path_);
    UpdateRun result;
    RecordingBoxes boxes;
    {
        Dialog dialog(&boxes);
        auto* get = dialog.findChild<QPushButton*>("getButton");
        auto* cancel = dialog.findChild<QPushButton*>("cancelButton");
        auto* status = dialog.findChild<QLabel*>("statusLabel");
        auto* progress = dialog.findChild<QProgressBar*>("progressBar");
        // Acts on the state the worker's signals left: no fixed delays.
        QTimer user;
        QObject::connect(&user, &QTimer::timeout, [&] {
            if (!dialog.isVisible())
                return;
            result.everShown = true;
            if (action == UserAction::Cancel) {
                cancel->click();
            } else if (get->isEnabled()) {
                result.clicks << QStringList{get->text(), status->text(), QString::number(progress->value())};
                get->click();
            }
        });
        user.start(5);
        QTimer::singleShot(60000, [] { QCoreApplication::exit(99); });
        dialog.checkVersion("FakeMain", "version.json", manifestUrl);
        result.exitCode = QApplication::exec();
        result.cancelVisibleAtEnd = !cancel->isHidden();
    }
    result.boxes = boxes.shown;
    return result;
}

QByteArray manifestText(const QString& source, const QList<QPair<QString, QString>>& files)
{
    QByteArray out = "{ \"source\": " +
                     QJsonDocument::fromVariant(QVariantList{source}).toJson(QJsonDocument::Compact).mid(1).chopped(1);
    out += ",\n  \"files\": {";
    for (int i = 0; i < files.size(); ++i) {
        out +=
            (i ? ", " : " ") +
            QJsonDocument::fromVariant(QVariantList{files[i].first}).toJson(QJsonDocument::Compact).mid(1).chopped(1);
        out += ": \"" + files[i].second.toUtf8() + "\"";
    }
    out += " } }\n";
    return out;
}
