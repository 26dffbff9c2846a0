// The sign-in window and the services it leaves files for, started from the
// damaged states a power loss or a bad reply leaves behind: local databases
// that cannot be used, downloads of the wrong shape and local files of the
// wrong shape. Each state must still let the user sign in, and nothing good
// may be thrown away.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QQmlApplicationEngine>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQuickWindow>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

#include <functional>
#include <memory>

#include "ownprocess.h"
#include "programrun.h"
#include "serverprocess.h"
#include "shell/datadir.h"
#include "shell/qbaseservice.h"
#include "shell/qmltypes.h"
#include "shell/stockdictionary.h"

namespace {

QString dbFile()
{
    return localStorageDatabaseFile(dataDirectory(), "qelm");
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    f.write(bytes);
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Runs statements on a database file in a connection of its own; returns the
// first column of the last statement's rows.
QStringList sql(const QString& file, const QStringList& statements)
{
    QStringList out;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "damagedStateTest");
        db.setDatabaseName(file);
        if (db.open()) {
            QSqlQuery q(db);
            for (const QString& s : statements) {
                out.clear();
                if (!q.exec(s))
                    out << "error: " + q.lastError().text();
                while (q.next())
                    out << q.value(0).toString();
            }
            db.close();
        }
    }
    QSqlDatabase::removeDatabase("damagedStateTest");
    return out;
}

const QStringList kTables = {
    "CREATE TABLE IF NOT EXISTS user_info(user_name text PRIMARY KEY NOT NULL, user_password text)",
    "CREATE TABLE IF NOT EXISTS mystock_cmd(id INTEGER PRIMARY KEY AUTOINCREMENT NOT NULL, cmd TEXT NOT NULL, "
    "code TEXT NOT NULL, market INTEGER NOT NULL, group_id TEXT NOT NULL, group_name TEXT)",
    "CREATE TABLE IF NOT EXISTS action_cmd(id INTEGER PRIMARY KEY AUTOINCREMENT NOT NULL, do_action TEXT NOT NULL, "
    "remark TEXT NOT NULL, create_time TEXT NOT NULL)",
};
const QStringList kTwoEdits = {
    "INSERT INTO mystock_cmd(cmd, code, market, group_id, group_name) VALUES('ADD', '600000', 1, '1', 'a')",
    "INSERT INTO mystock_cmd(cmd, code, market, group_id, group_name) VALUES('DELETE', '000001', 2, '1', NULL)",
};

bool ownerOnly(const QString& path)
{
    const QFile::Permissions p = QFile::permissions(path);
    return (p & QFileDevice::ReadOwner) &&
           !(p & (QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ReadOther | QFileDevice::WriteOther));
}

class DamagedState : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_GT(backend_.port(), 0);
        registerQmlTypes();
    }

    // Opens the real sign-in window; null when it did not load.
    QQuickWindow* open()
    {
        engine_ = std::make_unique<QQmlApplicationEngine>();
        engine_->setOfflineStoragePath(dataDirectory());
        engine_->rootContext()->setContextProperty("controlUrl", base() + "/");
        engine_->load(QUrl("qrc:/qml/LoginView.qml"));
        if (engine_->rootObjects().isEmpty())
            return nullptr;
        return qobject_cast<QQuickWindow*>(engine_->rootObjects().first());
    }
    // Opens the window and signs in as demo; true once it closed itself
    // after its downloads.
    bool signIn(int* ms = nullptr)
    {
        QQuickWindow* w = open();
        if (!w)
            return false;
        if (!QTest::qWaitFor([w] { return w->property("addressesReady").toBool(); }, 10000))
            return false;
        w->findChild<QObject*>("userField")->setProperty("text", "demo");
        w->findChild<QObject*>("passwordField")->setProperty("text", "demo");
        QElapsedTimer timer;
        timer.start();
        QMetaObject::invokeMethod(w, "onLoginClicked");
        const bool closed = QTest::qWaitFor([w] { return !w->isVisible(); }, 20000);
        if (ms)
            *ms = int(timer.elapsed());
        return closed && w->property("signedIn").toBool();
    }
    QString base() const { return QString("http://127.0.0.1:%1").arg(backend_.port()); }
    // Makes the back end answer path with body until "ok path".
    void answer(const QString& path, const QByteArray& body)
    {
        const std::string line = "answer " + path.toStdString() + " " + body.toHex().toStdString();
        backend_.control(line);
        ASSERT_TRUE(backend_.wait_prefix("ok answer " + path.toStdString() + " "));
    }
    void restore(const QString& path)
    {
        backend_.control("ok " + path.toStdString());
        ASSERT_TRUE(backend_.wait_line("ok ok " + path.toStdString()));
    }

    ServerProcess backend_{"backend", {}};
    std::unique_ptr<QQmlApplicationEngine> engine_;
};

}  // namespace

// Every database state the window can meet: it signs in from each; a damaged
// file is kept as ".bad" beside a fresh one that takes the queued edits that
// could be read (the sign-in sends them); the database and its settings file
// are owner-only.
TEST_F(DamagedState, DatabaseStates)
{
    RUN_IN_OWN_PROCESS();
    const QString file = dbFile();
    const auto valid = [file](const QStringList& extra) { sql(file, kTables + extra); };
    struct Row {
        const char* what;
        std::function<void()> make;
        bool movedAside;
        int edits;  // queued stock-group edits afterwards; -1: not checked
    };
    const Row rows[] = {
        {"missing", [] {}, false, 0},
        {"empty", [file] { writeFile(file, QByteArray()); }, false, 0},
        {"random bytes",
         [file] {
             QByteArray bytes(8192, Qt::Uninitialized);
             QRandomGenerator gen(39);
             for (char& c : bytes)
                 c = char(gen.bounded(256));
             writeFile(file, bytes);
         },
         true, 0},
        {"NULs", [file] { writeFile(file, QByteArray(16384, '\0')); }, true, 0},
        {"a directory", [file] { QDir().mkpath(file + "/inside"); }, true, 0},
        {"truncated",
         [file, valid] {
             QStringList rows = kTwoEdits;
             rows << "CREATE TABLE filler(t TEXT)";
             for (int i = 0; i < 200; ++i)
                 rows << QString("INSERT INTO filler VALUES('%1')").arg(QString(200, QChar('a' + i % 26)));
             valid(rows);
             QFile f(file);
             ASSERT_TRUE(f.resize(f.size() * 2 / 5));
         },
         true, -1},
        {"user_info with other columns",
         [file] {
             sql(file, QStringList{"CREATE TABLE user_info(name text, pw text, extra int)", kTables[1], kTables[2]} +
                           kTwoEdits);
         },
         true, 2},
        {"sound with queued edits", [valid] { valid(kTwoEdits); }, false, 2},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        engine_.reset();
        QDir(QFileInfo(file).absolutePath()).removeRecursively();
        QDir().mkpath(QFileInfo(file).absolutePath());
        r.make();
        ASSERT_TRUE(signIn()) << "could not sign in";
        engine_.reset();
        EXPECT_EQ(QFileInfo::exists(file + ".bad"), r.movedAside);
        ASSERT_TRUE(QFileInfo(file).isFile());
        // The edits that could be read were kept, and the sign-in sent them
        // before it read the groups.
        if (r.edits >= 0) {
            EXPECT_EQ(sql(file, {"SELECT count(*) FROM mystock_cmd"}).join(",").toStdString(), "0");
            const std::string sent = " " + std::to_string(r.edits) + " edits";
            EXPECT_EQ(r.edits > 0, backend_.wait_for(
                                       [&](const std::string& l) {
                                           return l.rfind("mystock ", 0) == 0 && l.size() > sent.size() &&
                                                  l.compare(l.size() - sent.size(), sent.size(), sent) == 0;
                                       },
                                       nullptr, std::chrono::milliseconds(r.edits > 0 ? 10000 : 0)));
        }
        EXPECT_EQ(sql(file, {"SELECT do_action FROM action_cmd ORDER BY id DESC LIMIT 1"}).join(",").toStdString(),
                  "LOGIN");
        EXPECT_TRUE(ownerOnly(file)) << "database mode " << std::oct << int(QFile::permissions(file));
        const QString ini = file.left(file.size() - 7) + ".ini";
        EXPECT_TRUE(ownerOnly(ini)) << "settings mode " << std::oct << int(QFile::permissions(ini));
    }
}

// Downloads of the wrong shape: none of them stalls the window or replaces
// the file kept from an earlier start.
TEST_F(DamagedState, DownloadedDocumentsOfTheWrongShape)
{
    RUN_IN_OWN_PROCESS();
    // The control reply with its start images replaced.
    const auto control = [this](const QJsonValue& images) {
        QJsonObject json = QJsonDocument::fromJson(testsupport::fetchBody(base() + "/v3clientcontrol")).object();
        QJsonObject url = json["url"].toObject();
        url["start_image"] = images;
        json["url"] = url;
        return QJsonDocument(json).toJson(QJsonDocument::Compact);
    };
    const QByteArray html = "<html><body>502 Bad Gateway</body></html>";
    const QByteArray longText = '"' + QByteArray(300000, 'x') + '"';
    struct Row {
        const char* path;
        QByteArray body;
        const char* file;  // must keep what an earlier start wrote
    };
    const Row rows[] = {
        {"/api/stock_pool", longText, "StockPool.json"},
        {"/api/stock_pool", R"({"group_id":"1","stocks":[]})", "StockPool.json"},
        {"/api/board", html, "board.json"},
        {"/api/board", "[1,2,3]", "board.json"},
        {"/api/stock_rating", html, "stock_rating.json"},
        {"/api/stock_rating", R"({"ratingInfos":"none"})", "stock_rating.json"},
        {"/api/stock_rzrq", html, "stock_rzrq.json"},
        {"/api/stock_rzrq", R"({"tradingcode":"600000"})", "stock_rzrq.json"},
        {"/api/formula", html, "formula.json"},
        {"/v3clientcontrol", control(QJsonObject{{"length", 1000000}}), "start_image.json"},
        {"/v3clientcontrol", control(QString(100000, 'y')), "start_image.json"},
        {"/v3clientcontrol", control(QJsonArray{1, 2}), "start_image.json"},
    };
    const QByteArray kept = R"({"kept":"from an earlier start"})";
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.path) + " " + r.body.left(40).toStdString());
        writeFile(dataDirectory() + "/" + r.file, kept);
        answer(r.path, r.body);
        int ms = 0;
        EXPECT_TRUE(signIn(&ms)) << "could not sign in";
        EXPECT_LT(ms, 10000) << "ms from sign-in to the window closing";
        engine_.reset();
        restore(r.path);
        EXPECT_EQ(readFile(dataDirectory() + "/" + r.file).left(200).toStdString(), kept.toStdString());
    }
    // The good documents are written again once the back end answers right.
    ASSERT_TRUE(signIn());
    EXPECT_TRUE(QJsonDocument::fromJson(readFile(dataDirectory() + "/board.json"))["boardIndex"].isArray());
    EXPECT_TRUE(QJsonDocument::fromJson(readFile(dataDirectory() + "/start_image.json")).isArray());
}

// A sign-in reply that is not an object is refused with a message: the busy
// overlay goes, the window stays open, and the next sign-in goes through.
TEST_F(DamagedState, SignInRepliesOfTheWrongShape)
{
    RUN_IN_OWN_PROCESS();
    for (const char* body : {"null", "[]", "7", "\"text\""}) {
        SCOPED_TRACE(body);
        answer("/api/login", body);
        QQuickWindow* w = open();
        ASSERT_TRUE(w);
        ASSERT_TRUE(QTest::qWaitFor([w] { return w->property("addressesReady").toBool(); }, 10000));
        w->findChild<QObject*>("userField")->setProperty("text", "demo");
        w->findChild<QObject*>("passwordField")->setProperty("text", "demo");
        QObject* loading = w->findChild<QObject*>("loading");
        QObject* message = w->findChild<QObject*>("message");
        ASSERT_TRUE(loading && message);
        QMetaObject::invokeMethod(w, "onLoginClicked");
        EXPECT_TRUE(QTest::qWaitFor([message] { return message->property("opened").toBool(); }, 10000));
        EXPECT_FALSE(loading->property("opened").toBool());
        EXPECT_TRUE(w->isVisible());
        EXPECT_FALSE(w->property("signedIn").toBool());
        engine_.reset();
        restore("/api/login");
    }
    EXPECT_TRUE(signIn());
}

// Local files of the wrong shape, read back through the code that uses them:
// the start images of the sign-in window, the own formula groups and the
// stock view's pane layout.
TEST_F(DamagedState, LocalFilesOfTheWrongShape)
{
    RUN_IN_OWN_PROCESS();
    const QString dir = dataDirectory() + "/";
    // Start images: only a short list of addresses adds to the built-in one.
    const std::pair<QByteArray, int> images[] = {
        {R"({"length":3})", 1},
        {R"("abc")", 1},
        {"[1,2]", 1},
        {R"x(["javascript:alert(1)"])x", 1},
        {"[" + QByteArray("\"http://127.0.0.1:1/a.png\",").repeated(30) + "\"http://127.0.0.1:1/a.png\"]", 1},
        {"not json", 1},
        {R"(["http://127.0.0.1:1/a.png","qrc:/images/start.png"])", 3},
    };
    for (const auto& row : images) {
        SCOPED_TRACE(row.first.left(60).toStdString());
        writeFile(dir + "start_image.json", row.first);
        QQuickWindow* w = open();
        ASSERT_TRUE(w);
        EXPECT_EQ(w->property("image_list").toList().size(), row.second);
        engine_.reset();
    }

    // Own formula groups: only objects with a name (and a list of formulas
    // when they have one) are offered.
    writeFile(dir + "formula_group_own.json", "[]");
    const int catalogue = QBaseService().getFormulaGroupNames().toList().size();
    const std::pair<QByteArray, QStringList> groups[] = {
        {R"([null, 5, "x", {"name":"A","formulas":["MACD"]}, {"name":3}, {"formulas":[]},
            {"name":"B","formulas":"MACD"}, {"name":""}, {"name":"C"}])",
         {"A", "C"}},
        {R"({"name":"A"})", {}},
        {"[[],[null]]", {}},
    };
    for (const auto& row : groups) {
        SCOPED_TRACE(row.first.left(60).toStdString());
        writeFile(dir + "formula_group_own.json", row.first);
        const QVariantList names = QBaseService().getFormulaGroupNames().toList();
        QStringList own;
        for (int i = catalogue; i < names.size(); ++i)
            own << names[i].toMap().value("name").toString();
        EXPECT_EQ(own.join(",").toStdString(), row.second.join(",").toStdString());
    }

    // The pane layout: malformed entries go, a chart left without a main
    // formula gets its default, and the file as it was is kept as .bad.
    QQmlEngine engine;
    engine.setOfflineStoragePath(dataDirectory());
    QQmlComponent probe(&engine);
    probe.setData(R"(import QtQuick 2.15
import HFileIO 1.0
import "qrc:/qml/js/MQChartFormula.js" as Layout
Item {
    HFileIO { id: io }
    function mains(key) {
        Layout.setFileIO(io);
        return Layout.getFormulaMap(key).main_charts.map(function (e) { return e.fname + "/" + e.s + "/" + e.c; }).join(",")
             + "|" + Layout.getFormulaMap(key).sub_charts.map(function (e) { return e.fname; }).join(",");
    }
})",
                  QUrl("qrc:/probe.qml"));
    std::unique_ptr<QObject> layout(probe.create());
    ASSERT_TRUE(layout) << probe.errorString().toStdString();
    const QByteArray good =
        R"({"kline":{"main_charts":[{"fname":"KLINE","s":"KSCALES","c":"KCROSSHAIR"}],"sub_charts":[{"fname":"RSI","s":"KSCALES","c":"KCROSSHAIR"}]},)"
        R"("mline":{"main_charts":[{"fname":"MLINE","s":"MSCALES","c":"MCROSSHAIR"}],"sub_charts":[]}})";
    struct Row {
        QByteArray file;
        const char* kline;
        const char* mline;
        bool bak;
    };
    const Row rows[] = {
        {good, "KLINE/KSCALES/KCROSSHAIR|RSI", "MLINE/MSCALES/MCROSSHAIR|", false},
        {R"({"kline":{"main_charts":[{"fname":"KLINE","s":"KSCALES","c":"KCROSSHAIR"},{"fname":5},null,{"fname":"BOLL"}],)"
         R"("sub_charts":"x"},"mline":{"main_charts":[{"fname":"MLINE","s":"MSCALES","c":"MCROSSHAIR"}],"sub_charts":[7]}})",
         "KLINE/KSCALES/KCROSSHAIR|", "MLINE/MSCALES/MCROSSHAIR|", true},
        {R"({"kline":{"main_charts":[{"fname":null,"s":1}],"sub_charts":[]},"mline":7})",
         "KLINE/KSCALES/KCROSSHAIR,Sulvane/NO/NO|Lumeth,KD", "MLINE/MSCALES/MCROSSHAIR|分时成交,MACD", true},
        {"[1,2,3]", "KLINE/KSCALES/KCROSSHAIR,Sulvane/NO/NO|Lumeth,KD", "MLINE/MSCALES/MCROSSHAIR|分时成交,MACD", true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.file.left(80).toStdString());
        QFile::remove(dir + "formula_map.json.bad");
        writeFile(dir + "formula_map.json", r.file);
        QVariant kline, mline;
        QMetaObject::invokeMethod(layout.get(), "mains", Q_RETURN_ARG(QVariant, kline), Q_ARG(QVariant, "kline"));
        QMetaObject::invokeMethod(layout.get(), "mains", Q_RETURN_ARG(QVariant, mline), Q_ARG(QVariant, "mline"));
        EXPECT_EQ(kline.toString().toStdString(), r.kline);
        EXPECT_EQ(mline.toString().toStdString(), r.mline);
        EXPECT_EQ(QFileInfo::exists(dir + "formula_map.json.bad"), r.bak);
        if (r.bak)
            EXPECT_EQ(readFile(dir + "formula_map.json.bad").toStdString(), r.file.toStdString());
    }
}

namespace {
QStringList g_logged;
void keepMessage(QtMsgType, const QMessageLogContext&, const QString& text)
{
    g_logged << text;
}
}  // namespace

// A failed upload answered with a huge page is logged cut, not whole.
TEST_F(DamagedState, SyncFailureLogsACutBody)
{
    RUN_IN_OWN_PROCESS();
    QBaseService().setLoginInfo(QJsonObject{{"user", QJsonObject{{"id", "u7"}, {"sid", "s7"}}}});
    QBaseService().setServerAddress(QJsonObject{{"url", QJsonObject{{"mystock", base() + "/api/mystock"},
                                                                    {"heartbeat", base() + "/api/heartbeat"},
                                                                    {"user_action", base() + "/api/user_action"}}}});
    answer("/api/mystock", "<html>" + QByteArray(200000, 'z') + "</html>");
    QQmlEngine engine;
    engine.setOfflineStoragePath(dataDirectory());
    QQmlComponent c(&engine,
                    QUrl::fromLocalFile(QString(TARVOLIN_SOURCE_DIR) + "/app/shell/tests/qml/SyncHarness.qml"));
    std::unique_ptr<QObject> harness(c.create());
    ASSERT_TRUE(harness) << c.errorString().toStdString();
    QMetaObject::invokeMethod(harness.get(), "init");
    g_logged.clear();
    const QtMessageHandler previous = qInstallMessageHandler(keepMessage);
    QMetaObject::invokeMethod(harness.get(), "queueStock", Q_ARG(QVariant, "ADD"), Q_ARG(QVariant, "600001"),
                              Q_ARG(QVariant, 1));
    const bool logged = QTest::qWaitFor([] { return !g_logged.filter("sync failed").isEmpty(); }, 10000);
    harness.reset();
    qInstallMessageHandler(previous);
    ASSERT_TRUE(logged) << "the failed upload was not logged";
    const QString line = g_logged.filter("sync failed").first();
    EXPECT_LT(line.size(), 1000) << line.left(200).toStdString();
    EXPECT_TRUE(line.contains("more characters")) << line.left(400).toStdString();
}
