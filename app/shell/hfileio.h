// HFileIO: whole files in the program's data directory (by name) and, for
// callers that hold a full path, plain reads and appends. Names are checked
// before they become paths, since callers build them from data (codes, user
// names, page titles).
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class HFileIO : public QObject {
    Q_OBJECT
public:
    explicit HFileIO(QObject* parent = nullptr);

    // Any thread. The path of `fileName` inside the data directory, or "" when
    // the name is empty, absolute, holds a backslash, a NUL or a ".." segment,
    // or would leave the directory.
    static QString dataPath(const QString& fileName);
    // Any thread. Reads a data-directory file as UTF-8; "" when refused or
    // unreadable.
    static QString readData(const QString& fileName);
    // Any thread. Replaces a data-directory file atomically with `data` as
    // UTF-8; false when refused or not written completely (the old content
    // then stays).
    static bool writeData(const QString& fileName, const QString& data);

public slots:
    // The path exactly as passed; empty when it cannot be opened.
    QByteArray readFile(QString fileName);
    QString readFileDefaultPath(QString fileName);
    // Appends to the path exactly as passed (created when missing); true when
    // every byte was written.
    bool writeFile(QString fileName, QByteArray byteArray);
    bool writedFileDefaultPath(QString fileName, QString data);
    QString getDefaultPath();
    // Makes the local database usable before the QML side opens it (see
    // shell/localdatabase.h); returns where a damaged one was moved, or "".
    QString checkLocalDatabase();
};
