// Installer: puts a set of new files into an installation as a whole. Each
// new file is first written in full beside its destination (staged); commit
// then swaps them in one by one, keeping every replaced file aside, and on
// any failure puts every replaced file back. Folders are made and files
// written only where their real (link-resolved) path stays inside the root.
#pragma once

#include <QFileDevice>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace updater {

class Installer {
public:
    // `root`: an absolute, clean path of an existing folder.
    explicit Installer(const QString& root);
    // Removes every staged file that was not put in place.
    ~Installer();
    Installer(const Installer&) = delete;
    Installer& operator=(const Installer&) = delete;

    // Stages a copy of `source` to land at `dest` (inside the root). An
    // existing destination keeps its permissions, a new one takes the source's.
    bool stageCopy(const QString& source, const QString& dest, QString* error);
    // Stages every file entry of the archive to land under `destDir`.
    bool stageZip(const QString& zipPath, const QString& destDir,
                  const std::function<void(const QString&)>& onFile, QString* error);
    // Puts every staged file in place, in staging order. On failure every
    // file already replaced is restored and the new ones removed.
    bool commit(QString* error);

    // The staged files not yet put in place.
    QStringList stagedPaths() const;

private:
    struct Item {
        QString dest;
        QString staged;
        QString backup;  // the replaced file while committing; "" for a new one
    };
    bool makeFolder(const QString& dir, QString* error);
    bool stage(const QString& dest, const std::function<bool(QFileDevice&)>& fill,
               QFileDevice::Permissions newPermissions, QString* error);
    void rollBack(size_t done);

    QString root_;
    QString realRoot_;  // root_ with links resolved
    std::vector<Item> items_;
    QStringList madeFolders_;  // in the order made
    bool committed_ = false;
};

}  // namespace updater
