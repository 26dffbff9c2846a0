// HFileIO: whole files in the program's data directory (by name) and, for
// callers that hold a full path, plain reads and appends. Names are checked
// before they become paths, since callers build them from data (codes, user
// names, page titles). Every file the program keeps is written here: the old
// content stays unless the new one is wholly on the disk, and a failed save
// is told once (saveFailed) until that file saves again. Reading tells a
// missing file from one that is there but cannot be read; the second is told
// to the user (readFailed) and, when a save replaces it, moved aside as
// "<name>.bad" rather than lost.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class HFileIO : public QObject {
    Q_OBJECT
public:
    explicit HFileIO(QObject* parent = nullptr);

    // What a read found.
    enum class Found {
        Read,        // the content
        Missing,     // no file: the caller's default applies
        Unreadable,  // a file that cannot be read: never to be taken for an empty one
    };

    // Any thread. The path of `fileName` inside the data directory, or "" when
    // the name is empty, absolute, holds a backslash, a NUL or a ".." segment,
    // or would leave the directory.
    static QString dataPath(const QString& fileName);
    // Any thread. Reads a data-directory file as UTF-8 into *text ("" unless
    // Read). A refused name is Missing. An unreadable file is told once.
    static Found readData(const QString& fileName, QString* text);
    // Any thread. The same for the file at a full path, as bytes.
    static Found readPath(const QString& path, QByteArray* bytes);
    // Any thread. readData's text, "" when missing or unreadable.
    static QString readData(const QString& fileName);
    // Any thread. Replaces a data-directory file atomically with `data` as
    // UTF-8; false when refused or not written completely (the old content
    // then stays).
    static bool writeData(const QString& fileName, const QString& data);
    // Any thread. Replaces the file at a full path with `bytes` the same way
    // (for files whose place is not a plain data-directory name). A file
    // there that cannot be read is moved aside as ".bad" first, and the user
    // told where it went.
    static bool writePath(const QString& path, const QByteArray& bytes);
    // Any thread. Saves a data-directory file on the program's writer thread
    // with the bytes `produce` makes there, so that a large document is
    // neither serialised nor written on the GUI thread. Saves of one file
    // land in the order given, and one not yet begun gives way to a later
    // one. A failure is told as writeData's; `done` (when given) runs on the
    // writer thread once the save was written or failed. Reading or writing
    // that file through HFileIO first waits for its saves.
    static void writeDataLater(const QString& fileName, std::function<QByteArray()> produce,
                               std::function<void(bool)> done = {});
    // Any thread. Whether a save of the file given to writeDataLater is
    // waiting or being written.
    static bool savingLater(const QString& fileName);
    // Any thread. Waits until every save given to writeDataLater is done (at
    // the end of the program, and in tests before they look at the files).
    static void finishSaves();
    // Any thread. Moves an unreadable data-directory file aside as
    // "<name>.bad" (or "<name>.2.bad", ... so no earlier copy is lost) before
    // anything replaces it; the full path of the copy, or "".
    static QString keepBadCopy(const QString& fileName);
    // The same for a full path.
    static QString keepBadCopyAt(const QString& path);
    // GUI thread, at start. Removes what saves cut short by a kill left in
    // the data directory and its folders (see platform::remove_stale_temp_files).
    static int removeStaleTempFiles();

public slots:
    // The path exactly as passed; empty when it cannot be opened.
    QByteArray readFile(QString fileName);
    QString readFileDefaultPath(QString fileName);
    // Appends to the path exactly as passed (created when missing); true when
    // every byte was written.
    bool writeFile(QString fileName, QByteArray byteArray);
    bool writedFileDefaultPath(QString fileName, QString data);
    // keepBadCopy for the documents: a data-directory file that did not read
    // is moved aside before it is replaced.
    QString keepBadFileDefaultPath(QString fileName);
    // The cause of a save that failed and has not succeeded since (told
    // before this window could show it), or "".
    QString pendingSaveFailure();
    // The texts of files found unreadable (and where they were moved) that
    // no window has shown yet, one a line (three at most, then how many
    // more); taking them marks them shown.
    QString takeReadFailures();
    QString getDefaultPath();
    // Makes the local database usable before the QML side opens it (see
    // shell/localdatabase.h); returns where a damaged one was moved, or "".
    QString checkLocalDatabase();

signals:
    // A save failed with this text ("保存失败：磁盘空间不足", ...): sent once
    // per cause while saves keep failing, again only after one succeeded.
    void saveFailed(QString text);
    // A file could not be read ("无法读取 Quorvex.json：没有读取权限") or was
    // moved aside for that; takeReadFailures() has the texts.
    void readFailed();
};
