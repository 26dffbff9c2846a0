// Every file the program keeps, saved on a full disk: the old file stays
// whole, nothing is left beside it, what was not saved stays marked so, and
// the user is told once ("保存失败：磁盘空间不足"), not at every save. With
// room again the same saves go through. A real full file system where one
// may be mounted, an injected write failure everywhere.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QUrl>

#include <cerrno>
#include <memory>

#include "datawriters.h"
#include "fulldisk.h"
#include "ownprocess.h"
#include "platform/savefile.h"
#include "shell/datadir.h"
#include "shell/hfileio.h"
#include "shell/localdatabase.h"
#include "shell/qbaseservice.h"
#include "shell/stockdictionary.h"

namespace {

QByteArray bytesOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// The files of a folder and its subfolders, hidden ones too.
QStringList filesUnder(const QString& dir)
{
    QStringList out;
    for (const QString& f : QDir(dir).entryList(QDir::Files | QDir::Hidden, QDir::Name))
        out << f;
    for (const QString& d : QDir(dir).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name))
        for (const QString& f : filesUnder(dir + "/" + d))
            out << d + "/" + f;
    return out;
}

class SaveFailures : public ::testing::Test {
protected:
    void TearDown() override { platform::set_write_failure(0); }

    // Every writer fails twice, then saves with room again, then fails once
    // more; `fail(on)` makes the disk full or gives it room.
    void run(const std::function<void(bool)>& fail, const QString& extra)
    {
        const QString dir = dataDirectory();
        DrawingChart drawing;
        // The third save has room, and the fifth, after which none is failing.
        const std::vector<Writer> rows = writers(drawing, [](int n) { return n == 3 || n == 5; });
        ASSERT_TRUE(QDir(dir).mkpath("cookies"));
        for (const Writer& w : rows)
            ASSERT_TRUE(HFileIO::writePath(dir + "/" + w.file, w.before())) << w.what;
        const QStringList before = filesUnder(dir);
        HFileIO io;
        QSignalSpy told(&io, &HFileIO::saveFailed);

        fail(true);
        for (const Writer& w : rows) {
            w.save(1);
            w.save(2);
            EXPECT_EQ(bytesOf(dir + "/" + w.file).toStdString(), w.before().toStdString()) << w.what;
            if (w.unsaved) {
                EXPECT_TRUE(w.unsaved()) << w.what << ": a failed save was taken as done";
            }
        }
        QStringList now = filesUnder(dir);
        now.removeAll(extra);
        EXPECT_EQ(now, before) << "left beside the old files: " << qPrintable(now.join(' '));
        ASSERT_EQ(told.count(), 1) << "each failed save told the user again";
        EXPECT_EQ(told.at(0).at(0).toString(), "保存失败：磁盘空间不足");

        fail(false);
        for (const Writer& w : rows) {
            w.save(3);
            EXPECT_NE(bytesOf(dir + "/" + w.file), w.before()) << w.what << ": not saved with room";
            if (w.unsaved) {
                EXPECT_FALSE(w.unsaved()) << w.what;
            }
        }
        EXPECT_EQ(told.count(), 1);

        // Full again: told again, once.
        fail(true);
        for (const Writer& w : rows)
            w.save(4);
        EXPECT_EQ(told.count(), 2);
        fail(false);
        for (const Writer& w : rows)
            w.save(5);
    }
};

}  // namespace

TEST_F(SaveFailures, InjectedWriteFailureKeepsEveryFile)
{
    RUN_IN_OWN_PROCESS();
    run([](bool on) { platform::set_write_failure(on ? ENOSPC : 0); }, QString());
}

TEST_F(SaveFailures, FullFileSystemKeepsEveryFile)
{
    RUN_IN_OWN_PROCESS();
    testsupport::FullDisk disk(QFile::encodeName(dataDirectory()).toStdString());
    if (!disk.mounted())
        GTEST_SKIP() << "cannot mount a small file system here (" << disk.why() << ")";
    bool filled = false;
    run(
        [&](bool on) {
            if (on && !filled)
                filled = disk.fill();
            else if (!on && filled)
                filled = !disk.free();
            ASSERT_EQ(filled, on);
        },
        ".filler");
}

// Every damaged copy is kept: a second damaged file goes beside the first
// copy, never over it (the screening results and the local database alike).
TEST(DamagedCopies, ASecondDamagedFileIsKeptBesideTheFirst)
{
    RUN_IN_OWN_PROCESS();
    const QString storage = dataDirectory() + "/storage";
    ASSERT_TRUE(QDir().mkpath(storage));
    const QString db = localStorageDatabaseFile(storage, "qelm");
    ASSERT_TRUE(QDir().mkpath(QFileInfo(db).absolutePath()));
    const QByteArray damaged[] = {QByteArray(8192, 'a'), QByteArray(8192, 'b')};
    QStringList copies;
    for (const QByteArray& bytes : damaged) {
        ASSERT_TRUE(HFileIO::writePath(db, bytes));
        const LocalDatabaseCheck check = checkLocalDatabase(storage, "qelm");
        EXPECT_TRUE(check.movedAside);
        copies << check.badPath;
    }
    EXPECT_EQ(copies, (QStringList{db + ".bad", db + ".2.bad"}));
    EXPECT_EQ(bytesOf(db + ".bad"), damaged[0]);
    EXPECT_EQ(bytesOf(db + ".2.bad"), damaged[1]);
}

// A file that keeps failing is told again only when the cause changes.
TEST(SaveNotice, ANewCauseIsToldAgain)
{
    RUN_IN_OWN_PROCESS();
    HFileIO io;
    QSignalSpy told(&io, &HFileIO::saveFailed);
    const int causes[] = {EACCES, EACCES, ENOSPC, ENOSPC, EACCES};
    for (int error : causes) {
        platform::set_write_failure(error);
        EXPECT_FALSE(HFileIO::writeData("view_config.json", "{}"));
    }
    platform::set_write_failure(0);
    EXPECT_TRUE(HFileIO::writeData("view_config.json", "{}"));
    QStringList texts;
    for (const QList<QVariant>& signal : told)
        texts << signal.at(0).toString();
    EXPECT_EQ(texts.join(" | ").toStdString(),
              "保存失败：没有写入权限 | 保存失败：磁盘空间不足 | 保存失败：没有写入权限");
}

// An own formula group added while the disk is full stays in the list as
// unsaved, and the next edit with room saves it with that edit.
TEST(OwnFormulaGroups, AnEditThatFailedToSaveIsSavedWithTheNext)
{
    RUN_IN_OWN_PROCESS();
    const QString file = dataDirectory() + "/formula_group_own.json";
    QBaseService service;
    service.addLocalFormulaGroup(QJsonObject{{"name", "底"}});  // saved with room
    const QByteArray before = bytesOf(file);
    ASSERT_TRUE(before.contains("底")) << before.toStdString();

    platform::set_write_failure(ENOSPC);
    service.addLocalFormulaGroup(QJsonObject{{"name", "甲"}});
    platform::set_write_failure(0);
    EXPECT_EQ(bytesOf(file).toStdString(), before.toStdString()) << "the old file was not kept whole";
    auto names = [&] {
        QStringList out;
        for (const QJsonValue& g : service.getLoadLocalFormulaGroup().toJsonArray())
            out << g.toObject().value("name").toString();
        return out;
    };
    ASSERT_FALSE(names().isEmpty());
    EXPECT_EQ(names().last().toStdString(), "甲") << "the unsaved group left the list";

    service.addLocalFormulaGroup(QJsonObject{{"name", "乙"}});
    const QStringList saved = names();
    ASSERT_GE(saved.size(), 3);
    EXPECT_EQ(saved.mid(saved.size() - 3).join(',').toStdString(), "底,甲,乙");
    const QByteArray after = bytesOf(file);
    EXPECT_TRUE(after.contains("甲") && after.contains("乙")) << "saved: " << after.toStdString();
}

// The local database's settings file on a full disk: an old one stays whole,
// a missing one is not left as an empty file; with room it is written.
TEST(LocalDatabaseSettings, AFailedWriteKeepsTheOldFileWhole)
{
    RUN_IN_OWN_PROCESS();
    const QString storage = dataDirectory() + "/settings-storage";
    const QString db = localStorageDatabaseFile(storage, "qelm");
    const QString ini = db.left(db.size() - int(sizeof(".sqlite") - 1)) + ".ini";
    ASSERT_TRUE(QDir().mkpath(QFileInfo(db).absolutePath()));
    ASSERT_TRUE(HFileIO::writePath(db, QByteArray(8192, 'x')));  // unreadable: replaced by a fresh one
    ASSERT_TRUE(HFileIO::writePath(ini, "old settings"));

    platform::set_write_failure(ENOSPC);
    EXPECT_TRUE(checkLocalDatabase(storage, "qelm").movedAside);
    EXPECT_EQ(bytesOf(ini).toStdString(), "old settings");
    QFile::remove(ini);
    checkLocalDatabase(storage, "qelm");
    EXPECT_FALSE(QFileInfo::exists(ini)) << "left behind: \"" << bytesOf(ini).toStdString() << '"';
    platform::set_write_failure(0);

    checkLocalDatabase(storage, "qelm");
    const QByteArray text = bytesOf(ini);
    for (const char* line : {"[General]\n", "Name=qelm\n", "Version=\n", "Description=stock db\n",
                             "EstimatedSize=100000\n", "Driver=QSQLITE\n"})
        EXPECT_TRUE(text.contains(line)) << "no " << line << " in " << text.toStdString();
    EXPECT_FALSE(QFile::permissions(ini) & (QFileDevice::ReadGroup | QFileDevice::ReadOther));
}
