// What a start does with the install journal a killed updater left: each row
// is the installation as a kill at one point leaves it (journal written by
// hand), and the start must leave it wholly old or wholly new, with nothing
// staged, set aside or journaled.
#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "installjournal.h"
#include "qtprinters.h"

using namespace updater;

namespace {

void put(const QString& path, const QByteArray& data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(data);
}

QByteArray get(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

QStringList entries(const QString& root)
{
    QStringList out;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        out << QDir(root).relativeFilePath(it.next());
    out.sort();
    return out;
}

// The steps of one install: folder d made, a.txt replaced, b.txt and d/c.txt new.
const char kStaged[] = "[\"folder\",\"d\"]\n[\"replace\",\"a.txt\"]\n[\"new\",\"b.txt\"]\n[\"new\",\"d/c.txt\"]\n";

// What a state holds besides the journal.
enum Piece : unsigned {
    OldA = 1,      // a.txt holds the old content
    NewA = 2,      // a.txt holds the new content
    BackupA = 4,   // a.txt.update-old (a hard link to the old a.txt)
    StagedA = 8,   // a.txt.update-new
    StagedB = 16,  // b.txt.update-new
    NewB = 32,     // b.txt (renamed in)
    StagedC = 64,  // d/c.txt.update-new
    NewC = 128,    // d/c.txt (renamed in)
};

}  // namespace

TEST(InstallJournal, AStartFinishesOrUndoesWhatAKillLeft)
{
    struct Row {
        const char* when;
        QByteArray journal;
        unsigned pieces;
        const char* expected;  // "old" or "new"
    };
    const QByteArray staged(kStaged);
    const Row rows[] = {
        {"while staging: a's step noted, its backup not made", "[\"replace\",\"a.txt\"]\n", OldA, "old"},
        {"while staging: b noted, not written", "[\"replace\",\"a.txt\"]\n[\"new\",\"b.txt\"]\n",
         OldA | BackupA | StagedA, "old"},
        {"everything staged, no commit", staged, OldA | BackupA | StagedA | StagedB | StagedC, "old"},
        {"the commit step cut short", staged + "[\"comm", OldA | BackupA | StagedA | StagedB | StagedC, "old"},
        {"committed, nothing renamed", staged + "[\"commit\"]\n", OldA | BackupA | StagedA | StagedB | StagedC, "new"},
        {"committed, a renamed", staged + "[\"commit\"]\n", NewA | BackupA | StagedB | StagedC, "new"},
        {"committed, all renamed, backup left", staged + "[\"commit\"]\n", NewA | BackupA | NewB | NewC, "new"},
        {"committed, all done but the journal", staged + "[\"commit\"]\n", NewA | NewB | NewC, "new"},
        {"rolling back after a and b were renamed", staged + "[\"commit\"]\n[\"rollback\"]\n",
         NewA | BackupA | NewB | StagedC, "old"},
        {"rolling back, a already put back", staged + "[\"commit\"]\n[\"rollback\"]\n", OldA | NewB | StagedC, "old"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.when);
        QTemporaryDir dir;
        const QString root = QDir::cleanPath(dir.path());
        put(root + "/keep.txt", "not part of the update");
        if (r.pieces & OldA)
            put(root + "/a.txt", "old a");
        if (r.pieces & NewA)
            put(root + "/a.txt", "new a");
        if (r.pieces & BackupA) {
            if (r.pieces & OldA)
                ASSERT_EQ(::link(QFile::encodeName(root + "/a.txt").constData(),
                                 QFile::encodeName(root + "/a.txt.update-old").constData()),
                          0);
            else
                put(root + "/a.txt.update-old", "old a");
        }
        if (r.pieces & StagedA)
            put(root + "/a.txt.update-new", "new a");
        if (r.pieces & StagedB)
            put(root + "/b.txt.update-new", "new b");
        if (r.pieces & NewB)
            put(root + "/b.txt", "new b");
        if (r.pieces & StagedC)
            put(root + "/d/c.txt.update-new", "new c");
        if (r.pieces & NewC)
            put(root + "/d/c.txt", "new c");
        if (r.journal.contains("folder"))
            QDir().mkpath(root + "/d");
        put(root + "/update.journal", r.journal);

        QString error;
        EXPECT_TRUE(recoverInstall(root, &error)) << error.toStdString();
        if (QByteArray(r.expected) == "old") {
            EXPECT_EQ(entries(root), QStringList({"a.txt", "keep.txt"}));
            EXPECT_EQ(get(root + "/a.txt"), "old a");
        } else {
            EXPECT_EQ(entries(root), QStringList({"a.txt", "b.txt", "d", "d/c.txt", "keep.txt"}));
            EXPECT_EQ(get(root + "/a.txt"), "new a");
            EXPECT_EQ(get(root + "/b.txt"), "new b");
            EXPECT_EQ(get(root + "/d/c.txt"), "new c");
        }
        EXPECT_EQ(get(root + "/keep.txt"), "not part of the update");
    }
}

// An install still running holds its journal: a start leaves it alone. With
// no journal there is nothing to do.
TEST(InstallJournal, AJournalHeldByARunningInstallIsLeftAlone)
{
    QTemporaryDir dir;
    const QString root = QDir::cleanPath(dir.path());
    QString error;
    EXPECT_TRUE(recoverInstall(root, &error));
    EXPECT_TRUE(entries(root).isEmpty());

    put(root + "/a.txt", "new a");
    put(root + "/a.txt.update-old", "old a");
    put(root + "/update.journal", "[\"replace\",\"a.txt\"]\n[\"commit\"]\n[\"rollback\"]\n");
    const int held = ::open(QFile::encodeName(root + "/update.journal").constData(), O_RDONLY);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    EXPECT_TRUE(recoverInstall(root, &error));
    EXPECT_EQ(entries(root), QStringList({"a.txt", "a.txt.update-old", "update.journal"}));
    ::close(held);
    EXPECT_TRUE(recoverInstall(root, &error)) << error.toStdString();
    EXPECT_EQ(entries(root), QStringList({"a.txt"}));
    EXPECT_EQ(get(root + "/a.txt"), "old a");
}
