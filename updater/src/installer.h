// Installer: puts a set of new files into an installation as a whole, under a
// kill at any instant too. Each new file is first written in full beside its
// destination (staged) and each file it replaces gets a backup (a hard link);
// commit then renames every staged file over its destination, so each one is
// always there, old or new. Every step is written to the install journal
// (InstallJournal) before it is taken: an install cut short is finished or
// rolled back at the next start; a failed one puts every replaced file back.
// Folders are made and files written only where their real (link-resolved)
// path stays inside the root.
#pragma once

#include <QFileDevice>
#include <QString>
#include <QStringList>

#include <functional>
#include "installjournal.h"

namespace updater {

class Installer {
public:
    // `root`: an absolute, clean path of an existing folder.
    explicit Installer(const QString& root);
    // Not committed: rolls back (every staged file and backup removed).
    ~Installer();
    Installer(const Installer&) = delete;
    Installer& operator=(const Installer&) = delete;

    // Stages a copy of `source` to land at `dest` (inside the root). An
    // existing destination keeps its permissions, a new one takes the source's.
    // A failure here or in stageZip rolls back everything staged so far.
    bool stageCopy(const QString& source, const QString& dest, QString* error);
    // Stages every file entry of the archive to land under `destDir`.
    bool stageZip(const QString& zipPath, const QString& destDir, const std::function<void(const QString&)>& onFile,
                  QString* error);
    // Puts every staged file in place, in staging order. On failure every
    // file already replaced is restored and the new ones removed.
    bool commit(QString* error);

    // The staged files not yet put in place.
    QStringList stagedPaths() const;

private:
    bool makeFolder(const QString& dir, QString* error);
    bool stage(const QString& dest, const std::function<bool(QFileDevice&)>& fill,
               QFileDevice::Permissions newPermissions, QString* error);
    void rollBack();

    QString root_;
    QString realRoot_;  // root_ with links resolved
    InstallJournal journal_;
    QStringList dests_;  // the staged files' destinations, in staging order
    bool committed_ = false;
};

}  // namespace updater
