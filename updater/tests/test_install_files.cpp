// The file rules of the updater: checked paths, version order, manifest
// reading, atomic replacement, zip unpacking and removal.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/stat.h>

#include "fulldisk.h"
#include "installer.h"
#include "installfiles.h"
#include "qtprinters.h"
#include "zipbuilder.h"

using namespace updater;

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeFile(const QString& path, const QByteArray& data, int mode = 0644)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(data);
    f.close();
    ::chmod(QFile::encodeName(path).constData(), mode);
}

int modeOf(const QString& path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? static_cast<int>(st.st_mode & 07777) : -1;
}

}  // namespace

TEST(InstallPaths, CheckedJoinKeepsEveryPathInsideTheRoot)
{
    const QString nul = QStringLiteral("a") + QChar(0) + QStringLiteral("b");
    struct Case {
        QString relative;
        bool allowRoot;
        QString expected;
    } cases[] = {
        {"a.txt", false, "/inst/a.txt"},
        {"sub/dir/b.txt", false, "/inst/sub/dir/b.txt"},
        {"./a.txt", false, "/inst/a.txt"},
        {"sub//c", false, "/inst/sub/c"},
        {"sub/", false, "/inst/sub"},
        {".", true, "/inst"},
        {".", false, ""},
        {"", false, ""},
        {"", true, ""},
        {"/etc/passwd", false, ""},
        {"../x", false, ""},
        {"a/../../x", false, ""},
        {"a/..", true, ""},
        {"v1..2.txt", false, ""},
        {"a\\b", false, ""},
        {"..\\x", false, ""},
        {"c:x", false, ""},
        {nul, false, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(checkedJoin("/inst", c.relative, c.allowRoot), c.expected)
            << "relative '" << c.relative.toStdString() << "' allowRoot " << c.allowRoot;
    EXPECT_EQ(keyDirectory("plugins/a.zip"), "plugins");
    EXPECT_EQ(keyDirectory("a/b/c.txt"), "a/b");
    EXPECT_EQ(keyDirectory("a.zip"), "");
}

TEST(InstallPaths, VersionsCompareByNumberWhenBothAreNumbers)
{
    struct Case {
        const char* local;
        const char* remote;
        int sign;
    } cases[] = {
        {"1.0.9", "1.0.10", -1},
        {"1.0.10", "1.0.9", 1},
        {"1.0.5", "1.0.6", -1},
        {"1.0", "1.0.0", 0},
        {"1.01", "1.1", 0},
        {"2", "10", -1},
        {"9.10", "10.1", -1},
        {"99999999999999999999.1", "100000000000000000000.0", -1},
        {"2.0", "2.0", 0},
        // Not both numbers: UTF-16 code-unit order.
        {"1.0.9a", "1.0.10a", 1},
        {"v2", "v10", 1},
        {"", "1", -1},
        {"1.0", "1.0-beta", -1},
        {"abc", "abc", 0},
    };
    for (const Case& c : cases) {
        const int r = compareVersions(QString::fromUtf8(c.local), QString::fromUtf8(c.remote));
        EXPECT_EQ((r > 0) - (r < 0), c.sign) << c.local << " vs " << c.remote;
    }
}

TEST(InstallPaths, ManifestReadsAsEmptyUnlessAnObject)
{
    for (const char* bad : {"", "not json", "[1,2]", "\"text\"", "{\"files\": "}) {
        const Manifest m = parseManifest(bad);
        EXPECT_TRUE(m.source.isEmpty() && m.files.isEmpty()) << bad;
    }
    Manifest m = parseManifest(R"({"source": 5, "files": {"a": "1"}})");
    EXPECT_TRUE(m.source.isEmpty());
    EXPECT_EQ(m.files.value("a").toString(), "1");
    m = parseManifest(R"({"source": "http://h/x/", "files": 3})");
    EXPECT_EQ(m.source, "http://h/x/");
    EXPECT_TRUE(m.files.isEmpty());
}

TEST(InstallFiles, ReplacementKeepsPermissionsAndRefusesFolders)
{
    QTemporaryDir dir;
    const QString root = QDir::cleanPath(dir.path());
    const QString src = root + "/src", old = root + "/old", fresh = root + "/fresh";
    writeFile(src, "new content", 0640);
    writeFile(old, "old", 0600);
    QString error;
    {
        Installer installer(root);
        ASSERT_TRUE(installer.stageCopy(src, old, &error)) << error.toStdString();
        ASSERT_TRUE(installer.stageCopy(src, fresh, &error)) << error.toStdString();
        ASSERT_TRUE(installer.commit(&error)) << error.toStdString();
    }
    EXPECT_EQ(readAll(old), "new content");
    EXPECT_EQ(modeOf(old), 0600);
    EXPECT_EQ(modeOf(fresh), 0640);

    QDir().mkpath(root + "/folder");
    Installer installer(root);
    EXPECT_FALSE(installer.stageCopy(src, root + "/folder", &error));
    EXPECT_FALSE(installer.stageCopy(root + "/missing", root + "/x", &error));
    EXPECT_FALSE(QFileInfo::exists(root + "/x"));
    // A copy staged but never committed leaves the old file as it was and no
    // temporary behind.
    {
        Installer uncommitted(root);
        ASSERT_TRUE(uncommitted.stageCopy(src, fresh, &error)) << error.toStdString();
    }
    EXPECT_EQ(readAll(old), "new content");
    EXPECT_EQ(QDir(root).entryList(QDir::Files).size(), 3);
}

// On a full disk nothing is put in place: the old files stay as they were,
// no temporary is left, and the error names the file.
TEST(InstallFiles, FullDiskLeavesTheInstallationAsItWas)
{
    QTemporaryDir dir;
    const QString root = QDir::cleanPath(dir.path()) + "/install";
    testsupport::FullDisk disk(root.toStdString());
    if (!disk.mounted())
        GTEST_SKIP() << "cannot mount a small file system here (" << disk.why() << ")";
    writeFile(root + "/a.txt", "old a");
    writeFile(dir.path() + "/new.txt", QByteArray(100, 'n'));
    writeFile(dir.path() + "/new.zip", buildZip({{"a.txt", "new a"}}));
    ASSERT_TRUE(disk.fill());
    for (int zip = 0; zip < 2; ++zip) {
        QString error;
        Installer installer(root);
        const bool staged = zip ? installer.stageZip(
                                      dir.path() + "/new.zip", root, [](const QString&) {}, &error)
                                : installer.stageCopy(dir.path() + "/new.txt", root + "/a.txt", &error);
        EXPECT_FALSE(staged) << zip;
        EXPECT_TRUE(error.contains("a.txt")) << error.toStdString();
        EXPECT_EQ(readAll(root + "/a.txt"), "old a") << zip;
        EXPECT_EQ(QDir(root).entryList(QDir::Files | QDir::Hidden), (QStringList{".filler", "a.txt"})) << zip;
    }
    // Room again: the same copy goes in.
    ASSERT_TRUE(disk.free());
    QString error;
    Installer installer(root);
    ASSERT_TRUE(installer.stageCopy(dir.path() + "/new.txt", root + "/a.txt", &error)) << error.toStdString();
    ASSERT_TRUE(installer.commit(&error)) << error.toStdString();
    EXPECT_EQ(readAll(root + "/a.txt"), QByteArray(100, 'n'));
}

TEST(InstallFiles, ZipUnpacksCheckedEntriesWithTheirModes)
{
    QTemporaryDir dir;
    const QString zipPath = dir.path() + "/a.zip";
    writeFile(zipPath, buildZip({{"d/", "", 040755},
                                 {"d/x.bin", "executable", 0100777},
                                 {"y.txt", "plain", 0100644},
                                 {"old.bin", "replaced", 0100644},
                                 {"link", "/etc/passwd", 0120777}}));
    const QString dest = dir.path() + "/out";
    writeFile(dest + "/old.bin", "old", 0700);
    QStringList seen;
    QString error;
    ASSERT_TRUE(unpackZip(
        zipPath, dest, [&](const QString& e) { seen << e; }, &error))
        << error.toStdString();
    EXPECT_EQ(seen, QStringList({"d/x.bin", "y.txt", "old.bin"}));
    EXPECT_EQ(readAll(dest + "/d/x.bin"), "executable");
    EXPECT_EQ(modeOf(dest + "/d/x.bin"), 0755);
    EXPECT_EQ(readAll(dest + "/y.txt"), "plain");
    EXPECT_EQ(modeOf(dest + "/y.txt"), 0644);
    EXPECT_EQ(readAll(dest + "/old.bin"), "replaced");
    EXPECT_EQ(modeOf(dest + "/old.bin"), 0700);
    EXPECT_FALSE(QFileInfo(dest + "/link").exists() || QFileInfo(dest + "/link").isSymLink());
}

TEST(InstallFiles, ZipWithUnsafeOrDamagedEntriesWritesNothing)
{
    QTemporaryDir dir;
    const QString dest = dir.path() + "/in/out";
    QDir().mkpath(dest);
    for (const QString& bad :
         {QStringLiteral("../evil.txt"), QStringLiteral("/tmp/evil.txt"), QStringLiteral("a/../../evil.txt"),
          QStringLiteral("c:\\evil.txt"), QStringLiteral("./../evil.txt")}) {
        const QString zipPath = dir.path() + "/bad.zip";
        writeFile(zipPath, buildZip({{"first.txt", "first"}, {bad.toUtf8(), "evil"}}));
        QString error;
        EXPECT_FALSE(unpackZip(
            zipPath, dest, [](const QString&) {}, &error))
            << bad.toStdString();
        EXPECT_TRUE(QDir(dest).isEmpty()) << bad.toStdString();
        EXPECT_FALSE(QFileInfo::exists(dir.path() + "/in/evil.txt"));
    }

    // Stored data with one byte changed fails its CRC.
    const QString zipPath = dir.path() + "/crc.zip";
    writeFile(zipPath, buildZip({{"data.txt", "HELLOWORLD"}}));
    QFile f(zipPath);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    QByteArray bytes = f.readAll();
    const int at = bytes.indexOf("HELLOWORLD");
    ASSERT_GE(at, 0);
    bytes[at] = 'J';
    f.seek(0);
    f.write(bytes);
    f.close();
    QString error;
    EXPECT_FALSE(unpackZip(
        zipPath, dest, [](const QString&) {}, &error));
    EXPECT_FALSE(QFileInfo::exists(dest + "/data.txt"));

    writeFile(dir.path() + "/junk.zip", "this is not a zip archive");
    EXPECT_FALSE(unpackZip(
        dir.path() + "/junk.zip", dest, [](const QString&) {}, &error));
}

// A swap that fails part-way puts back every file it replaced and leaves
// neither staged nor set-aside copies behind.
TEST(InstallFiles, FailedCommitRestoresEveryReplacedFile)
{
    QTemporaryDir dir;
    const QString root = QDir::cleanPath(dir.path());
    writeFile(root + "/src", "new");
    writeFile(root + "/a.txt", "old a", 0600);
    writeFile(root + "/b.txt", "old b");
    QString error;
    {
        Installer installer(root);
        ASSERT_TRUE(installer.stageCopy(root + "/src", root + "/a.txt", &error)) << error.toStdString();
        ASSERT_TRUE(installer.stageCopy(root + "/src", root + "/new/c.txt", &error)) << error.toStdString();
        ASSERT_TRUE(installer.stageCopy(root + "/src", root + "/b.txt", &error)) << error.toStdString();
        ASSERT_EQ(installer.stagedPaths().size(), 3);
        EXPECT_EQ(readAll(root + "/a.txt"), "old a");  // nothing swapped while staging
        QFile::remove(installer.stagedPaths().at(2));  // the last swap will fail
        EXPECT_FALSE(installer.commit(&error));
        EXPECT_TRUE(error.startsWith("替换文件错误:")) << error.toStdString();
    }
    EXPECT_EQ(readAll(root + "/a.txt"), "old a");
    EXPECT_EQ(modeOf(root + "/a.txt"), 0600);
    EXPECT_EQ(readAll(root + "/b.txt"), "old b");
    EXPECT_FALSE(QFileInfo::exists(root + "/new"));
    EXPECT_EQ(QDir(root).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList({"a.txt", "b.txt", "src"}));

    Installer installer(root);
    ASSERT_TRUE(installer.stageCopy(root + "/src", root + "/a.txt", &error));
    ASSERT_TRUE(installer.stageCopy(root + "/src", root + "/new/c.txt", &error));
    ASSERT_TRUE(installer.commit(&error)) << error.toStdString();
    EXPECT_EQ(readAll(root + "/a.txt"), "new");
    EXPECT_EQ(modeOf(root + "/a.txt"), 0600);
    EXPECT_EQ(readAll(root + "/new/c.txt"), "new");
    EXPECT_EQ(QDir(root).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList({"a.txt", "b.txt", "new", "src"}));
}

TEST(InstallFiles, RemovePathTakesLinksNotTheirTargets)
{
    QTemporaryDir dir;
    const QString outside = dir.path() + "/outside";
    writeFile(outside + "/keep.txt", "keep");
    const QString tree = dir.path() + "/tree";
    writeFile(tree + "/.hidden", "h");
    writeFile(tree + "/a/b/c.txt", "c");
    QFile::link(outside, tree + "/a/link");
    EXPECT_TRUE(removePath(tree));
    EXPECT_FALSE(QFileInfo::exists(tree));
    EXPECT_EQ(readAll(outside + "/keep.txt"), "keep");
    EXPECT_TRUE(removePath(""));
    EXPECT_TRUE(removePath(dir.path() + "/missing"));
    EXPECT_TRUE(removePath(outside + "/keep.txt"));
    EXPECT_FALSE(QFileInfo::exists(outside + "/keep.txt"));
}
