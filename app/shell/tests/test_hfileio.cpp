// Files in the data directory by name, and plain files by path. Every test
// process has its own temporary home (testhome.h).
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

#include "ownprocess.h"
#include "shell/hfileio.h"
#include "testhome.h"

namespace {

QByteArray bytesOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

ino_t inodeOf(const QString& path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

// An empty data directory, whatever tests ran before in this process.
void emptyDataDirectory()
{
    QDir(testsupport::testDataDir()).removeRecursively();
    QDir().mkpath(testsupport::testDataDir());
}

TEST(HFileIO, DataDirectoryFilesAreReplacedWhole)
{
    emptyDataDirectory();
    HFileIO io;
    const QString dir = testsupport::testDataDir();
    EXPECT_EQ(io.getDefaultPath(), dir);
    EXPECT_TRUE(QFileInfo(dir).isDir());

    EXPECT_EQ(io.readFileDefaultPath("view_config.json"), QString());
    ASSERT_TRUE(io.writedFileDefaultPath("view_config.json", QStringLiteral("{\"MQView\":\"行情\"}")));
    EXPECT_EQ(bytesOf(dir + "/view_config.json"), QByteArray("{\"MQView\":\"\xe8\xa1\x8c\xe6\x83\x85\"}"));
    EXPECT_EQ(io.readFileDefaultPath("view_config.json"), QStringLiteral("{\"MQView\":\"行情\"}"));

    // A shorter text replaces the file through a new one renamed over it.
    const ino_t before = inodeOf(dir + "/view_config.json");
    ASSERT_TRUE(io.writedFileDefaultPath("view_config.json", QStringLiteral("{}")));
    EXPECT_EQ(bytesOf(dir + "/view_config.json"), QByteArray("{}"));
    EXPECT_NE(inodeOf(dir + "/view_config.json"), before);
    EXPECT_EQ(QDir(dir).entryList(QDir::Files), QStringList{"view_config.json"}) << "no temporary left";
    ASSERT_TRUE(io.writedFileDefaultPath("formula.json", QString()));
    EXPECT_EQ(bytesOf(dir + "/formula.json"), QByteArray());

    // Subfolders are used but not made.
    EXPECT_FALSE(io.writedFileDefaultPath("cookies/cookies.txt", "a"));
    ASSERT_TRUE(QDir(dir).mkdir("cookies"));
    EXPECT_TRUE(io.writedFileDefaultPath("cookies/cookies.txt", "a"));
    EXPECT_TRUE(io.writedFileDefaultPath("cookies/./c2.txt", "b"));
    EXPECT_EQ(io.readFileDefaultPath("cookies/c2.txt"), "b");

    // A name that is a folder cannot be written.
    EXPECT_FALSE(io.writedFileDefaultPath("cookies", "x"));
}

TEST(HFileIO, NamesThatLeaveTheDataDirectoryAreRefused)
{
    emptyDataDirectory();
    HFileIO io;
    const QString dir = testsupport::testDataDir();
    const QString outside = QFileInfo(dir).path() + "/escape.txt";
    QFile f(outside);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("outside");
    f.close();

    for (const QString& name :
         {QStringLiteral("../escape.txt"), QStringLiteral("a/../../escape.txt"), QStringLiteral("a/../b.txt"), outside,
          QStringLiteral("..\\escape.txt"), QStringLiteral("a\\b.txt"), QString(), QStringLiteral("."),
          QStringLiteral("./"), QStringLiteral("x") + QChar(0) + QStringLiteral("y")}) {
        SCOPED_TRACE(name.toStdString());
        EXPECT_EQ(HFileIO::dataPath(name), QString());
        EXPECT_FALSE(io.writedFileDefaultPath(name, "overwritten"));
        EXPECT_EQ(io.readFileDefaultPath(name), QString());
    }
    EXPECT_EQ(bytesOf(outside), QByteArray("outside"));
    EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot), QStringList());
    // Names that only look odd stay inside.
    EXPECT_EQ(HFileIO::dataPath("...json"), dir + "/...json");
    EXPECT_EQ(HFileIO::dataPath("600000-1-33.json"), dir + "/600000-1-33.json");
}

TEST(HFileIO, PlainPathsReadAndAppend)
{
    RUN_IN_OWN_PROCESS();
    HFileIO io;
    const QString path = testsupport::testHome() + "/plain.bin";
    EXPECT_EQ(io.readFile(path), QByteArray());
    EXPECT_TRUE(io.writeFile(path, QByteArray("ab\0c", 4)));
    EXPECT_TRUE(io.writeFile(path, "de"));
    EXPECT_EQ(io.readFile(path), QByteArray("ab\0cde", 6));
    EXPECT_FALSE(io.writeFile(testsupport::testHome() + "/no/such/dir/f", "x"));
    EXPECT_EQ(io.readFile(testsupport::testHome()), QByteArray()) << "a folder reads as nothing";
}

}  // namespace
