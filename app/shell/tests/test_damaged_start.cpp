// The whole program started from the damaged data directories a power loss or
// a bad reply leaves: it must start, sign in as demo, open a stock and switch
// it to its day K-line, with no script error on the way, and keep the good
// cached files. Runs on a virtual display against the local quote server and
// back end, driven by the demo documents of app/e2e/; the chart is kept as
// <build>/screenshots/damaged-<n>.png.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QStandardPaths>
#include <QRandomGenerator>
#include <QUrl>

#include <functional>

#include <sys/stat.h>

#include "nofileoverride.h"
#include "ownprocess.h"
#include "programrun.h"
#include "shell/stockdictionary.h"
#include "testhome.h"

namespace {

using namespace testsupport;

QString dataDir()
{
    return testsupport::testDataDir();
}

void put(const QString& name, const QByteArray& bytes)
{
    const QString path = dataDir() + "/" + name;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    f.write(bytes);
}

QByteArray read(const QString& name)
{
    QFile f(dataDir() + "/" + name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString databaseFile()
{
    return localStorageDatabaseFile(dataDir(), "qelm");
}

}  // namespace

TEST(DamagedStart, StartsSignsInAndOpensAChartFromDamagedData)
{
    RUN_IN_OWN_PROCESS();
    if (!canRunVirtualDisplay())
        GTEST_SKIP() << "Xvfb is not installed";
    LocalServers servers;
    ASSERT_TRUE(servers.started());
    ServerProcess& backend = *servers.backend;
    const QString base = servers.backendUrl();
    VirtualDisplay display;
    ASSERT_FALSE(display.name().isEmpty()) << display.output().toStdString();

    const QByteArray html = "<html><body>502 Bad Gateway</body></html>";
    // Good files an earlier start left, which a bad download must not replace.
    const QByteArray board = fetchBody(base + "/api/board");
    const QByteArray rating = fetchBody(base + "/api/stock_rating");
    ASSERT_FALSE(board.isEmpty());
    QByteArray noise(8192, Qt::Uninitialized);
    QRandomGenerator gen(39);
    for (char& c : noise)
        c = char(gen.bounded(256));
    struct Row {
        const char* what;
        std::function<void()> damage;
        std::vector<std::pair<std::string, QByteArray>> answers;  // path, body
        std::vector<std::pair<QString, QByteArray>> kept;         // file, content
    };
    const Row rows[] = {
        {"garbage lock, random database, bad start images, layout and groups, HTML board, text pools",
         [&] {
             put("instance.lock", "\xff\xfe garbage");
             put(databaseFile().mid(dataDir().size() + 1), noise);
             put("start_image.json", R"({"length":1000000})");
             put("formula_map.json",
                 R"({"kline":{"main_charts":[{"fname":5},null,{"fname":"KLINE","s":"KSCALES","c":"KCROSSHAIR"}],)"
                 R"("sub_charts":[{"fname":"MACD"},7]},"mline":{"main_charts":"MLINE","sub_charts":[null]}})");
             put("formula_group_own.json", R"([null, 5, "x", {"name":7}, {"name":"我的","formulas":["MACD"]}])");
             put("board.json", board);
         },
         {{"/api/board", html}, {"/api/stock_pool", '"' + QByteArray(100000, 'p') + '"'}},
         {{"board.json", board}}},
        {"empty lock, database a directory, text start images, layout and groups of other types, HTML ratings",
         [&] {
             put("instance.lock", "");
             QDir().mkpath(databaseFile() + "/inside");
             put("start_image.json", '"' + QByteArray(100000, 'i') + '"');
             put("formula_map.json", "[1,2,3]");
             put("formula_group_own.json", R"({"name":"x"})");
             put("stock_rating.json", rating);
         },
         {{"/api/stock_rating", html}, {"/api/stock_rzrq", R"({"msg":"<html>"})"}, {"/api/formula", html}},
         {{"stock_rating.json", rating}}},
    };

    int n = 0;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        ++n;
        QDir(dataDir()).removeRecursively();
        r.damage();
        for (const auto& a : r.answers) {
            backend.control("answer " + a.first + " " + a.second.toHex().toStdString());
            ASSERT_TRUE(backend.wait_prefix("ok answer " + a.first + " "));
        }
        const QString shot = QString("damaged-%1.png").arg(n);
        clearScreenshots({shot});
        LineProcess program;
        program.start(programPath(),
                      {"--screenshots=" + screenshotDir(), "--day-kline", "--stock-shot=" + shot,
                       QString("--main-shot=damaged-main-%1.png").arg(n)},
                      programEnvironment(display.name(), base + "/", "DemoMain.qml"));

        ASSERT_FALSE(program.waitFor("demo: signing in", 30000).isEmpty()) << program.output().toStdString();
        ASSERT_EQ(program.waitFor("demo: ready", 40000).left(16), "demo: ready true") << program.output().toStdString();
        ASSERT_FALSE(program.waitFor("demo: opened", 30000).isEmpty()) << program.output().toStdString();
        const QString command = program.waitFor("demo: quick command", 30000);
        const QString opened = program.waitFor("demo: opened", 30000);
        EXPECT_TRUE(command.startsWith("demo: quick command 96 rows")) << command.toStdString();
        EXPECT_FALSE(opened.isEmpty()) << program.output().toStdString();
        ASSERT_FALSE(program.waitFor("demo: wrote " + screenshotDir() + "/" + shot, 20000).isEmpty())
            << program.output().toStdString();
        EXPECT_TRUE(program.finishWithin(20000));
        EXPECT_EQ(program.exitCode(), 0);
        const QString out = program.output();
        for (const char* fault : {"TypeError", "Cannot assign", "ReferenceError", "is not a function"})
            EXPECT_FALSE(out.contains(fault)) << fault << "\n" << out.toStdString();
        for (const auto& k : r.kept)
            EXPECT_EQ(read(k.first), k.second) << k.first.toStdString() << " was replaced";
        EXPECT_TRUE(QFileInfo::exists(databaseFile() + ".bad"));

        // The day K-line is drawn: the chart area holds many colours.
        const QImage image(screenshotDir() + "/" + shot);
        ASSERT_FALSE(image.isNull());
        const int top = image.height() / 4;
        EXPECT_GT(distinctColours(image, QRect(0, top, image.width() / 2, image.height() * 3 / 4 - top)), 20)
            << "the chart looks empty";
        for (const auto& a : r.answers) {
            backend.control("ok " + a.first);
            ASSERT_TRUE(backend.wait_line("ok ok " + a.first));
        }
    }
}

// The files a user would miss most, unreadable to the program (mode 000 after
// a restore from a backup): it starts, signs in and shows the day K-line, says
// which files it cannot read, and writes over none of them; the pane layout,
// which the stock view saves at once, is moved aside as .bad and the next
// start reads the new one back. A temporary file of a save cut short is
// removed at start.
TEST(DamagedStart, UnreadableFilesAreToldAndNotWrittenOver)
{
    RUN_IN_OWN_PROCESS();
    if (!canRunVirtualDisplay())
        GTEST_SKIP() << "Xvfb is not installed";
    if (QStandardPaths::findExecutable("setpriv").isEmpty())
        GTEST_SKIP() << "setpriv is not installed";
    LocalServers servers;
    ASSERT_TRUE(servers.started());
    VirtualDisplay display;
    ASSERT_FALSE(display.name().isEmpty()) << display.output().toStdString();
    QDir(dataDir()).removeRecursively();
    const QString closed[] = {"index.param", "Quorvex.json", "formula_group_own.json", "formula_map.json",
                              "600000-1-33.json"};
    const auto mode = [](const QString& name) {
        struct stat st;
        return ::stat(QFile::encodeName(dataDir() + "/" + name).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
    };
    for (const QString& name : closed) {
        put(name, "old " + name.toUtf8());
        ASSERT_EQ(::chmod(QFile::encodeName(dataDir() + "/" + name).constData(), 0), 0);
    }
    // What a save cut short by a kill left: gone after the start. Process
    // id 2^22 + 1 is above the kernel's limit, so no process has it.
    put("Quorvex.json.4194305-3.tmp", "part");
    QStringList command;
    for (const std::string& part : testsupport::WithoutFileOverride::childPrefix())
        command << QString::fromStdString(part);
    const auto run = [&](int n) {
        const QString shot = QString("unreadable-%1.png").arg(n);
        clearScreenshots({shot});
        LineProcess program;
        program.start(
            command.first(),
            command.mid(1) + QStringList{programPath(), "--screenshots=" + screenshotDir(), "--day-kline",
                                         "--stock-shot=" + shot, QString("--main-shot=unreadable-main-%1.png").arg(n)},
            programEnvironment(display.name(), servers.backendUrl() + "/", "DemoMain.qml"));
        // The whole screen while the stock shows, with the message over it.
        EXPECT_FALSE(program.waitFor("demo: opened", 90000).isEmpty()) << program.output().toStdString();
        if (canRunVirtualDisplay(true))
            grabScreen(display.name(), screenshotDir() + QString("/unreadable-screen-%1.png").arg(n));
        EXPECT_FALSE(program.waitFor("demo: wrote " + screenshotDir() + "/" + shot, 90000).isEmpty())
            << program.output().toStdString();
        EXPECT_TRUE(program.finishWithin(20000));
        EXPECT_EQ(program.exitCode(), 0);
        return program.output();
    };

    const QString first = run(1);
    EXPECT_FALSE(QFileInfo::exists(dataDir() + "/Quorvex.json.4194305-3.tmp"));
    for (const char* told :
         {"无法读取 index.param：没有读取权限", "无法读取 formula_map.json：没有读取权限",
          "无法读取的 formula_map.json 已移到 formula_map.json.bad", "无法读取 formula_group_own.json：没有读取权限",
          "无法读取 600000-1-33.json：没有读取权限"})
        EXPECT_TRUE(first.contains(QString::fromUtf8(told))) << told << "\n" << first.toStdString();
    // Nothing the user did not change is written over.
    for (const QString& name : closed) {
        if (name == "formula_map.json")
            continue;
        EXPECT_EQ(mode(name), 0) << name.toStdString();
        ::chmod(QFile::encodeName(dataDir() + "/" + name).constData(), 0600);
        EXPECT_EQ(read(name), "old " + name.toUtf8()) << name.toStdString() << " was replaced";
        ::chmod(QFile::encodeName(dataDir() + "/" + name).constData(), 0);
    }
    EXPECT_EQ(mode("formula_map.json"), 0600);
    EXPECT_EQ(mode("formula_map.json.bad"), 0);
    EXPECT_TRUE(QJsonDocument::fromJson(read("formula_map.json")).isObject());

    // The next start reads the layout it wrote.
    const QString second = run(2);
    EXPECT_FALSE(second.contains("formula_map.json")) << second.toStdString();
    EXPECT_TRUE(second.contains(QString::fromUtf8("无法读取 index.param：没有读取权限"))) << second.toStdString();
    EXPECT_FALSE(QFileInfo::exists(dataDir() + "/formula_map.json.2.bad"));
}
