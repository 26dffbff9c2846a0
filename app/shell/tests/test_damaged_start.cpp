// The whole program started from the damaged data directories a power loss or
// a bad reply leaves: it must start, sign in as demo, open a stock and switch
// it to its day K-line, with no script error on the way, and keep the good
// cached files. Runs on a virtual display against the local quote server and
// back end, driven by the demo documents of app/e2e/; the chart is kept as
// <build>/screenshots/damaged-<n>.png.
#include <gtest/gtest.h>

#include "ownprocess.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRandomGenerator>
#include <QUrl>

#include <functional>

#include "programrun.h"
#include "shell/stockdictionary.h"
#include "testhome.h"

namespace {

using namespace testsupport;

QString dataDir() { return testsupport::testDataDir(); }

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

QByteArray fetch(const QString& url)
{
    QNetworkAccessManager manager;
    QNetworkReply* reply = manager.get(QNetworkRequest(QUrl(url)));
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    const QByteArray body = reply->readAll();
    delete reply;
    return body;
}

QString databaseFile() { return localStorageDatabaseFile(dataDir(), "qelm"); }

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
    const QByteArray board = fetch(base + "/api/board");
    const QByteArray rating = fetch(base + "/api/stock_rating");
    ASSERT_FALSE(board.isEmpty());
    QByteArray noise(8192, Qt::Uninitialized);
    QRandomGenerator gen(39);
    for (char& c : noise)
        c = char(gen.bounded(256));
    struct Row {
        const char* what;
        std::function<void()> damage;
        std::vector<std::pair<std::string, QByteArray>> answers;  // path, body
        std::vector<std::pair<QString, QByteArray>> kept;       // file, content
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
