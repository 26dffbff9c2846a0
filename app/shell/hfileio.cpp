#include "shell/hfileio.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <cerrno>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QMutex>
#include <QQmlEngine>

#include "platform/savefile.h"
#include "shell/datadir.h"
#include "shell/localdatabase.h"

namespace {

// Which files failed to save and why, so that each cause is told once.
class SaveFailures : public QObject {
    Q_OBJECT
public:
    SaveFailures()
    {
        if (QCoreApplication::instance())
            moveToThread(QCoreApplication::instance()->thread());
    }

    // Any thread. A failure is told unless a file (this one or another) is
    // already failing for the same cause.
    void note(const QString& path, int error)
    {
        QString text;
        {
            QMutexLocker lock(&mutex_);
            if (error == 0) {
                failing_.remove(path);
                return;
            }
            text = QString::fromStdString(platform::save_error_text(error));
            const bool told = std::find(failing_.cbegin(), failing_.cend(), text) != failing_.cend();
            failing_.insert(path, text);
            if (told)
                return;
        }
        qWarning("%s: %s", qPrintable(path), qPrintable(text));
        emit failed(text);
    }

    // Any thread.
    QString pending()
    {
        QMutexLocker lock(&mutex_);
        return failing_.isEmpty() ? QString() : failing_.cbegin().value();
    }

    // Any thread. A file at `path` that could not be read: told once while
    // it stays so; the copy a save moved it to (`keptAs`) is told too.
    void noteUnreadable(const QString& path, int error, const QString& keptAs = QString())
    {
        const QString name = shownName(path);
        const QString text =
            keptAs.isEmpty()
                ? QStringLiteral("无法读取 %1：%2").arg(name, QString::fromStdString(platform::read_error_text(error)))
                : QStringLiteral("无法读取的 %1 已移到 %2").arg(name, shownName(keptAs));
        {
            QMutexLocker lock(&mutex_);
            if (keptAs.isEmpty() && unreadable_.contains(path))
                return;
            if (keptAs.isEmpty())
                unreadable_.insert(path);
            else
                unreadable_.remove(path);
            untold_ << text;
        }
        qWarning("%s", qPrintable(text));
        emit readFailed();
    }

    // Any thread. At most three lines fit the message; the rest are counted
    // (each is in the log).
    QString takeUntold()
    {
        QMutexLocker lock(&mutex_);
        QStringList lines = untold_.mid(0, 3);
        if (untold_.size() > 3)
            lines << QStringLiteral("另有 %1 条，见程序日志").arg(untold_.size() - 3);
        untold_.clear();
        return lines.join(QLatin1Char('\n'));
    }

signals:
    void failed(QString text);
    void readFailed();

private:
    // A data-directory file by its name there, any other by its file name.
    static QString shownName(const QString& path)
    {
        const QString dir = dataDirectory() + QLatin1Char('/');
        return path.startsWith(dir) ? path.mid(dir.size()) : QFileInfo(path).fileName();
    }

    QMutex mutex_;                     // guards failing_, unreadable_ and untold_
    QHash<QString, QString> failing_;  // path -> the cause told for it
    QSet<QString> unreadable_;         // paths told unreadable and not replaced since
    QStringList untold_;               // read problems no window has shown yet
};

SaveFailures* saveFailures()
{
    static SaveFailures* failures = new SaveFailures;
    return failures;
}

// The writer thread of writeDataLater: per file at most one save waiting
// (a later one takes its place) and one being written. The thread lives
// while there are saves and ends when there are none.
class LaterSaves {
public:
    struct Job {
        std::function<QByteArray()> produce;
        std::function<void(bool)> done;
    };

    ~LaterSaves()
    {
        finish(QString());
        std::lock_guard<std::mutex> lock(mutex_);
        if (thread_.joinable())
            thread_.join();
    }

    // Any thread.
    void add(const QString& path, Job job)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!waiting_.contains(path))
            order_.push_back(path);
        waiting_.insert(path, std::move(job));
        if (!alive_) {
            if (thread_.joinable())
                thread_.join();  // it has left the lock for good
            alive_ = true;
            thread_ = std::thread([this] { run(); });
        }
    }

    // Any thread. Whether `path` has a save waiting or being written.
    bool busy(const QString& path)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return waiting_.contains(path) || running_ == path;
    }

    // Any thread but the writer's own (where it returns at once: a save
    // reading its own file). Waits until `path`, or every file when it is
    // "", has no save waiting or being written.
    void finish(const QString& path)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        if (alive_ && std::this_thread::get_id() == thread_.get_id())
            return;
        idle_.wait(lock, [&] {
            return path.isEmpty() ? waiting_.isEmpty() && running_.isEmpty()
                                  : !waiting_.contains(path) && running_ != path;
        });
    }

private:
    // Writer thread.
    void run()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        while (!order_.empty()) {
            const QString path = order_.front();
            order_.pop_front();
            Job job = waiting_.take(path);
            running_ = path;
            lock.unlock();
            const bool written = HFileIO::writePath(path, job.produce());
            if (job.done)
                job.done(written);
            lock.lock();
            running_.clear();
            idle_.notify_all();
        }
        alive_ = false;
    }

    std::mutex mutex_;  // guards every member below
    std::condition_variable idle_;
    std::deque<QString> order_;    // files with a save waiting, oldest first
    QHash<QString, Job> waiting_;  // the save waiting per file
    QString running_;              // the file being written, or ""
    bool alive_ = false;           // the thread is taking saves
    std::thread thread_;
};

LaterSaves& laterSaves()
{
    static LaterSaves saves;
    return saves;
}

}  // namespace

HFileIO::HFileIO(QObject* parent) : QObject(parent)
{
    connect(saveFailures(), &SaveFailures::failed, this, &HFileIO::saveFailed);
    connect(saveFailures(), &SaveFailures::readFailed, this, &HFileIO::readFailed);
}

QString HFileIO::dataPath(const QString& fileName)
{
    if (fileName.isEmpty() || fileName.startsWith(QLatin1Char('/')) || fileName.contains(QLatin1Char('\\')) ||
        fileName.contains(QChar(0)))
        return QString();
    const QStringList parts = fileName.split(QLatin1Char('/'));
    if (parts.contains(QStringLiteral("..")))
        return QString();
    const QString dir = dataDirectory();
    const QString path = QDir::cleanPath(dir + QLatin1Char('/') + fileName);
    if (!path.startsWith(dir + QLatin1Char('/')))
        return QString();
    return path;
}

HFileIO::Found HFileIO::readData(const QString& fileName, QString* text)
{
    text->clear();
    const QString path = dataPath(fileName);
    if (path.isEmpty())
        return Found::Missing;
    QByteArray bytes;
    const Found found = readPath(path, &bytes);
    *text = QString::fromUtf8(bytes);
    return found;
}

HFileIO::Found HFileIO::readPath(const QString& path, QByteArray* bytes)
{
    bytes->clear();
    laterSaves().finish(path);
    std::string read;
    const int error = platform::read_file(QFile::encodeName(path).toStdString(), &read);
    if (error == ENOENT)
        return Found::Missing;
    if (error != 0) {
        saveFailures()->noteUnreadable(path, error);
        return Found::Unreadable;
    }
    *bytes = QByteArray(read.data(), int(read.size()));
    return Found::Read;
}

QString HFileIO::readData(const QString& fileName)
{
    QString text;
    readData(fileName, &text);
    return text;
}

bool HFileIO::writeData(const QString& fileName, const QString& data)
{
    const QString path = dataPath(fileName);
    if (path.isEmpty())
        return false;
    return writePath(path, data.toUtf8());
}

bool HFileIO::writePath(const QString& path, const QByteArray& bytes)
{
    laterSaves().finish(path);
    std::string keptAs;
    const int error =
        platform::replace_file(QFile::encodeName(path).toStdString(), bytes.constData(), size_t(bytes.size()), &keptAs);
    saveFailures()->note(path, error);
    if (!keptAs.empty())
        saveFailures()->noteUnreadable(path, 0, QFile::decodeName(QByteArray::fromStdString(keptAs)));
    return error == 0;
}

void HFileIO::writeDataLater(const QString& fileName, std::function<QByteArray()> produce,
                             std::function<void(bool)> done)
{
    const QString path = dataPath(fileName);
    if (path.isEmpty()) {
        if (done)
            done(false);
        return;
    }
    laterSaves().add(path, LaterSaves::Job{std::move(produce), std::move(done)});
}

bool HFileIO::savingLater(const QString& fileName)
{
    const QString path = dataPath(fileName);
    return !path.isEmpty() && laterSaves().busy(path);
}

void HFileIO::finishSaves()
{
    laterSaves().finish(QString());
}

QString HFileIO::keepBadCopy(const QString& fileName)
{
    const QString path = dataPath(fileName);
    return path.isEmpty() ? QString() : keepBadCopyAt(path);
}

QString HFileIO::keepBadCopyAt(const QString& path)
{
    laterSaves().finish(path);
    const std::string copy = platform::keep_bad_copy(QFile::encodeName(path).toStdString());
    return QFile::decodeName(QByteArray::fromStdString(copy));
}

// GUI thread.
int HFileIO::removeStaleTempFiles()
{
    const QString dir = dataDirectory();
    int removed = platform::remove_stale_temp_files(QFile::encodeName(dir).toStdString());
    for (const QString& sub : QDir(dir).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden))
        removed += platform::remove_stale_temp_files(QFile::encodeName(dir + QLatin1Char('/') + sub).toStdString());
    return removed;
}

QByteArray HFileIO::readFile(QString fileName)
{
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

QString HFileIO::readFileDefaultPath(QString fileName)
{
    return readData(fileName);
}

bool HFileIO::writeFile(QString fileName, QByteArray byteArray)
{
    QFile f(fileName);
    if (!f.open(QIODevice::ReadWrite | QIODevice::Append))
        return false;
    return f.write(byteArray) == byteArray.size() && f.flush();
}

bool HFileIO::writedFileDefaultPath(QString fileName, QString data)
{
    return writeData(fileName, data);
}

QString HFileIO::keepBadFileDefaultPath(QString fileName)
{
    return keepBadCopy(fileName);
}

QString HFileIO::pendingSaveFailure()
{
    return saveFailures()->pending();
}

QString HFileIO::takeReadFailures()
{
    return saveFailures()->takeUntold();
}

QString HFileIO::getDefaultPath()
{
    return dataDirectory();
}

// GUI thread.
QString HFileIO::checkLocalDatabase()
{
    const QQmlEngine* engine = qmlEngine(this);
    const QString storage = engine ? engine->offlineStoragePath() : dataDirectory();
    const LocalDatabaseCheck check = ::checkLocalDatabase(storage, QStringLiteral("qelm"));
    return check.badPath;
}

#include "hfileio.moc"
