// InstallJournal: the record that makes an install whole under a kill at any
// instant. It lives as "update.journal" in the installation's root and is
// written, one synced line per step, before the step is taken:
//   ["folder", dir]     a folder about to be made for the install
//   ["new", file]       a file about to be staged where none was
//   ["replace", file]   a file about to be staged over an existing one (its
//                       backup, a hard link, is made next)
//   ["commit"]          every file is staged and every backup made: from
//                       here on the install is finished, not undone
//   ["rollback"]        the commit failed: the install is undone
// A file's staged copy is "<file>.update-new", its backup "<file>.update-old".
// A journal found at a start is finished (after "commit") or rolled back,
// then what it names is removed with it. While an install runs, its process
// holds a lock on the journal, so nobody else touches it.
#pragma once

#include <QString>
#include <QStringList>

namespace updater {

class InstallJournal {
public:
    // `root`: an absolute, clean path of an existing folder.
    explicit InstallJournal(const QString& root);
    // Closes the journal; a journal not yet finished stays for the next start.
    ~InstallJournal();
    InstallJournal(const InstallJournal&) = delete;
    InstallJournal& operator=(const InstallJournal&) = delete;

    static QString fileName();  // "update.journal"
    static QString stagedPath(const QString& file);
    static QString backupPath(const QString& file);
    // Puts the entries of the folders holding `paths` on the disk, so a power
    // cut cannot lose a rename or a new name in them.
    static void syncFoldersOf(const QStringList& paths);

    // Starts a new journal, first finishing or rolling back one a killed
    // install left. False when another install is running or it cannot be
    // written.
    bool begin(QString* error);
    bool isOpen() const { return fd_ >= 0; }
    // Appends one step (paths absolute, under the root) and puts it on the
    // disk; false when it could not be written.
    bool note(const QString& step, const QString& path = QString());
    // Carries out what the journal says (finishing after "commit", rolling
    // back otherwise, after "rollback" or with `undo`) and removes it. False,
    // with the journal kept, when a file could not be put back or in place.
    bool settle(QString* error, bool undo = false);

private:
    friend bool recoverInstall(const QString& root, QString* error);
    bool open(bool create, QString* error);
    bool replay(bool undo, QString* error);

    QString root_;
    QString path_;
    int fd_ = -1;        // open and locked while this process owns the journal
    bool busy_ = false;  // another process held the lock
};

// Any thread, at a start (of the updater or of the main program): settles a
// journal a killed install left in `root`. True when there was none, another
// install holds it, or it was settled; false (with the reason) otherwise.
bool recoverInstall(const QString& root, QString* error);

}  // namespace updater
