// End-to-end runs of the updater on loopback: a test HTTP server serves the
// manifest and the files, the installation is a temporary folder with the
// stand-in main program running from it.
#include <gtest/gtest.h>

#include <QDir>

#include "httpserver.h"
#include "qtprinters.h"
#include "updaterun.h"
#include "zipbuilder.h"

namespace {

using Files = QList<QPair<QString, QString>>;

const QString retry = QStringLiteral("\n下载升级文件失败，请请稍后重试！");

QByteArray zipOf(const QList<QPair<QByteArray, QByteArray>>& entries)
{
    QList<ZipEntry> list;
    for (const auto& e : entries)
        list.append(ZipEntry{e.first, e.second});
    return buildZip(list);
}

// A run that installed everything: exit 0, no message, the files with their
// contents, the manifest as the version file, the program started again.
void expectInstalled(const Installation& inst, const UpdateRun& r, const QByteArray& manifest,
                     const QList<QPair<QString, QByteArray>>& files)
{
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.boxes.isEmpty()) << r.boxes.join(";").toStdString();
    for (const auto& f : files)
        EXPECT_EQ(inst.read(f.first), f.second) << f.first.toStdString();
    EXPECT_EQ(inst.read("version.json"), manifest);
    EXPECT_FALSE(inst.tempExists());
    EXPECT_TRUE(inst.waitForPids(2));
}

}  // namespace

TEST(UpdateFlow, NothingToUpdateEndsWithoutTheWindow)
{
    TestHttpServer server;
    Installation inst;
    const int pid = inst.startProgram();
    ASSERT_GT(pid, 0);
    // Equal versions, and a local version newer by number (1.0.10 > 1.0.9).
    inst.write("version.json", manifestText(server.url("/files/"), {{"a.txt", "2"}, {"b.txt", "1.0.10"}}));
    server.file("/manifest.json", manifestText(server.url("/files/"), {{"a.txt", "2"}, {"b.txt", "1.0.9"}}));

    const UpdateRun r = inst.run(server.url("/manifest.json"));
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_FALSE(r.everShown);
    EXPECT_TRUE(r.boxes.isEmpty()) << r.boxes.join(";").toStdString();
    EXPECT_EQ(server.requests(), QStringList{"/manifest.json"});
    EXPECT_EQ(inst.pids(), QList<int>{pid});
    EXPECT_TRUE(inst.running(pid));
    EXPECT_FALSE(inst.tempExists());
}

TEST(UpdateFlow, ChangedAndNewFilesAreInstalledAndTheProgramRestarted)
{
    TestHttpServer server;
    Installation inst;
    const int pid = inst.startProgram();
    ASSERT_GT(pid, 0);
    const QByteArray oldVersion =
        manifestText(server.url("/files/"), {{"b.txt", "1.0.9"}, {"c.txt", "5"}, {"data/a.txt", "1.0"}});
    inst.write("version.json", oldVersion);
    inst.write("data/a.txt", "old a", 0600);
    inst.write("b.txt", "old b");
    inst.write("c.txt", "unchanged c");
    const QByteArray remote = manifestText(
        server.url("/files/"), {{"data/a.txt", "1.1"}, {"b.txt", "1.0.10"}, {"c.txt", "5"}, {"sub/dir/new.txt", "1"}});
    server.file("/manifest.json", remote);
    server.file("/files/data/a.txt", "new a");
    server.file("/files/b.txt", "new b");
    server.file("/files/sub/dir/new.txt", QByteArray(100000, 'n'));
    server.file("/files/c.txt", "must not be fetched");

    const UpdateRun r = inst.run(server.url("/manifest.json"));
    // Stopped as a process (checked before the restart is awaited).
    EXPECT_FALSE(inst.running(pid));
    expectInstalled(inst, r, remote,
                    {{"data/a.txt", "new a"},
                     {"b.txt", "new b"},
                     {"c.txt", "unchanged c"},
                     {"sub/dir/new.txt", QByteArray(100000, 'n')}});
    // The dialog's states at each click.
    ASSERT_EQ(r.clicks.size(), 2);
    EXPECT_EQ(r.clicks[0], QStringList({"更新", "检测测到有3个文件需要更新，点击更新按钮下载并更新文件！", "0"}));
    EXPECT_EQ(r.clicks[1], QStringList({"立即更新", "下载完成，点击“立即更新”将完成更新并重启", "100"}));
    EXPECT_FALSE(r.cancelVisibleAtEnd);

    QStringList fetched = server.requests();
    std::sort(fetched.begin(), fetched.end());
    EXPECT_EQ(fetched, QStringList({"/files/b.txt", "/files/data/a.txt", "/files/sub/dir/new.txt", "/manifest.json"}));
    EXPECT_EQ(QFileInfo(inst.file("data/a.txt")).permissions() & 0x0777, QFileDevice::Permissions(0x0600));
    // Started again: a second pid that runs.
    ASSERT_EQ(inst.pids().size(), 2);
    EXPECT_NE(inst.pids().at(1), pid);
    EXPECT_TRUE(inst.running(inst.pids().at(1)));
}

TEST(UpdateFlow, ZipKeysUnpackIntoTheFolderOfTheKey)
{
    TestHttpServer server;
    Installation inst;
    ASSERT_GT(inst.startProgram(), 0);
    const QByteArray remote =
        manifestText(server.url("/files/"), {{"plugins/a.zip", "2"}, {"a.zip", "2"}, {"plain.txt", "1"}});
    server.file("/manifest.json", remote);
    server.file("/files/plugins/a.zip", zipOf({{"p1.txt", "plugin one"}, {"deep/p2.txt", "plugin two"}}));
    server.file("/files/a.zip", zipOf({{"top.txt", "top"}}));
    server.file("/files/plain.txt", "plain");

    const UpdateRun r = inst.run(server.url("/manifest.json"));
    expectInstalled(inst, r, remote,
                    {{"plugins/p1.txt", "plugin one"},
                     {"plugins/deep/p2.txt", "plugin two"},
                     {"top.txt", "top"},
                     {"plain.txt", "plain"}});
    // Archives are unpacked, not copied.
    EXPECT_FALSE(inst.exists("plugins/a.zip"));
    EXPECT_FALSE(inst.exists("a.zip"));
}

TEST(UpdateFlow, RedirectsAreFollowedAndTheirBodiesDropped)
{
    TestHttpServer server;
    Installation inst;
    ASSERT_GT(inst.startProgram(), 0);
    const QByteArray remote =
        manifestText(server.url("/files/"), {{"rel.txt", "1"}, {"abs.txt", "1"}, {"chain.txt", "1"}});
    // The manifest itself sits behind a redirect.
    server.redirect("/manifest.json", 302, "/real/manifest.json");
    server.file("/real/manifest.json", remote);
    server.redirect("/files/rel.txt", 302, "../real/rel.txt");
    server.file("/real/rel.txt", "relative target");
    server.redirect("/files/abs.txt", 301, server.url("/real/abs.txt").toUtf8());
    server.file("/real/abs.txt", "absolute target");
    // Five redirects in a row, one of each kind, are still followed.
    server.redirect("/files/chain.txt", 301, "/c1");
    server.redirect("/c1", 302, "/c2");
    server.redirect("/c2", 303, "/c3");
    server.redirect("/c3", 307, "/c4");
    server.redirect("/c4", 308, "/real/chain.txt");
    server.file("/real/chain.txt", "end of chain");

    const UpdateRun r = inst.run(server.url("/manifest.json"));
    expectInstalled(inst, r, remote,
                    {{"rel.txt", "relative target"}, {"abs.txt", "absolute target"}, {"chain.txt", "end of chain"}});
}

// Download failures: the error texts, nothing installed, the temporary
// folder gone, and the main program never stopped.
TEST(UpdateFlow, DownloadFailuresInstallNothingAndLeaveTheProgramRunning)
{
    // Five files; the third one fails.
    struct Case {
        const char* name;
        std::function<void(TestHttpServer&, Installation&)> third;
        QString box;
    } cases[] = {
        {"404", [](TestHttpServer&, Installation&) {}, "网络错误|HTTP status codes: 404" + retry},
        {"redirect loop", [](TestHttpServer& s, Installation&) { s.redirect("/files/f3.txt", 302, "/files/f3.txt"); },
         "网络错误|HTTP status codes: 302" + retry},
        {"redirect to a local file",
         [](TestHttpServer& s, Installation&) { s.redirect("/files/f3.txt", 302, "file:///etc/passwd"); },
         "网络错误|HTTP status codes: 302" + retry},
        {"body shorter than its length",
         [](TestHttpServer& s, Installation&) {
             s.answer("/files/f3.txt", HttpAnswer{200, "short", {}, 10});
         },
         "网络错误|下载文件不完整" + retry},
        {"download file cannot be created",
         [](TestHttpServer& s, Installation& inst) {
             s.file("/files/f3.txt", "new");
             QDir().mkpath(inst.file("updaate_temp/f3.txt"));
         },
         "下载错误|创建下载文件错误" + retry},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestHttpServer server;
        Installation inst;
        const int pid = inst.startProgram();
        ASSERT_GT(pid, 0);
        const QByteArray oldVersion = manifestText(server.url("/files/"), {{"f1.txt", "1"}});
        inst.write("version.json", oldVersion);
        inst.write("f1.txt", "old");
        Files files;
        for (int i = 1; i <= 5; ++i)
            files << qMakePair(QStringLiteral("f%1.txt").arg(i), QStringLiteral("2"));
        server.file("/manifest.json", manifestText(server.url("/files/"), files));
        for (const char* f : {"/files/f1.txt", "/files/f2.txt", "/files/f4.txt", "/files/f5.txt"})
            server.file(f, "new");
        c.third(server, inst);

        const UpdateRun r = inst.run(server.url("/manifest.json"));
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.boxes, QStringList{c.box});
        EXPECT_FALSE(server.requests().contains("/files/f4.txt"));
        EXPECT_EQ(inst.read("f1.txt"), "old");
        EXPECT_FALSE(inst.exists("f2.txt"));
        EXPECT_EQ(inst.read("version.json"), oldVersion);
        EXPECT_FALSE(inst.tempExists());
        EXPECT_EQ(inst.pids(), QList<int>{pid});
        EXPECT_TRUE(inst.running(pid));
    }
}

TEST(UpdateFlow, UnsafeManifestKeysMakeTheManifestEmpty)
{
    const QString nul = QStringLiteral("a") + QChar(0) + QStringLiteral("b");
    for (const QString& key : {QString(""), QString("/tmp/abs.txt"), QString("../out.txt"), QString("a/../../out.txt"),
                               QString("a\\..\\out.txt"), QString("c:out.txt"), nul, QString("a/.."),
                               QString("updaate_temp/x.txt"), QString("./updaate_temp")}) {
        SCOPED_TRACE(key.toStdString());
        TestHttpServer server;
        Installation inst;
        const int pid = inst.startProgram();
        ASSERT_GT(pid, 0);
        const QStringList before = QDir(inst.path() + "/..").entryList(QDir::AllEntries | QDir::Hidden);
        server.file("/manifest.json", manifestText(server.url("/files/"), {{"good.txt", "1"}, {key, "1"}}));
        server.file("/files/good.txt", "good");

        const UpdateRun r = inst.run(server.url("/manifest.json"));
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_FALSE(r.everShown);
        EXPECT_TRUE(r.boxes.isEmpty());
        EXPECT_EQ(server.requests(), QStringList{"/manifest.json"});
        EXPECT_FALSE(inst.exists("good.txt"));
        EXPECT_FALSE(inst.tempExists());
        EXPECT_EQ(QDir(inst.path() + "/..").entryList(QDir::AllEntries | QDir::Hidden), before);
        EXPECT_EQ(inst.pids(), QList<int>{pid});
    }
}

// A failed install keeps the old version file and the downloads, shows the
// error and still starts the main program again.
TEST(UpdateFlow, FailedInstallKeepsTheOldVersionAndRestartsTheProgram)
{
    TestHttpServer server;
    Installation inst;
    const int pid = inst.startProgram();
    ASSERT_GT(pid, 0);
    const QByteArray oldVersion = manifestText(server.url("/files/"), {{"b.txt", "1"}});
    inst.write("version.json", oldVersion);
    inst.write("b.txt", "old b");
    server.file("/manifest.json", manifestText(server.url("/files/"), {{"b.txt", "2"}, {"plugins/bad.zip", "1"}}));
    server.file("/files/b.txt", "new b");
    // The archive is whole, but one entry would replace a folder.
    server.file("/files/plugins/bad.zip", zipOf({{"fine.txt", "fine"}, {"dir", "file"}}));
    QDir().mkpath(inst.file("plugins/dir/inner"));

    const UpdateRun r = inst.run(server.url("/manifest.json"));
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.boxes, QStringList{"更新错误|目标是文件夹:" + inst.file("plugins/dir") + retry});
    EXPECT_EQ(inst.read("b.txt"), "old b");
    EXPECT_EQ(inst.read("version.json"), oldVersion);
    EXPECT_TRUE(inst.exists("updaate_temp/plugins/bad.zip"));
    EXPECT_TRUE(inst.exists("updaate_temp/version.json"));
    EXPECT_FALSE(inst.exists("plugins/fine.txt"));
    EXPECT_FALSE(QFileInfo::exists(inst.path() + "/../evil.txt"));
    EXPECT_FALSE(inst.running(pid));
    ASSERT_TRUE(inst.waitForPids(2));
    EXPECT_TRUE(inst.running(inst.pids().at(1)));
}

TEST(UpdateFlow, CancelEndsWithoutDownloading)
{
    TestHttpServer server;
    Installation inst;
    const int pid = inst.startProgram();
    ASSERT_GT(pid, 0);
    server.file("/manifest.json", manifestText(server.url("/files/"), {{"x.txt", "1"}}));
    server.file("/files/x.txt", "x");
    const UpdateRun r = inst.run(server.url("/manifest.json"), UserAction::Cancel);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.everShown);
    EXPECT_EQ(server.requests(), QStringList{"/manifest.json"});
    EXPECT_FALSE(inst.exists("x.txt"));
    EXPECT_FALSE(inst.tempExists());
    EXPECT_TRUE(inst.running(pid));
}
