#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QQmlApplicationEngine>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

#include <memory>

#include "serverprocess.h"
#include "databasehold.h"
#include "livetest.h"
#include "loginwindow.h"
#include "ownprocess.h"
#include "shell/datadir.h"
#include "shell/qbaseservice.h"
#include "shell/qmltypes.h"
#include "shell/stockdictionary.h"

// The sign-in window driven through its real document against the local back
// end: addresses, sign-in, first-login groups, and the start-up files.
namespace {

using testsupport::DatabaseHold;

class LoginFlow : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_GT(backend_.port(), 0);
        // The data directory outlives a test: no start-up file of an earlier
        // one, nor its sign-in (no session, no remembered user).
        testsupport::startSignInAfresh({"MyStock.json"});
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "LoginFlowSetUp");
            db.setDatabaseName(localStorageDatabaseFile(dataDirectory(), "qelm"));
            if (db.open())
                QSqlQuery(db).exec("DELETE FROM user_info");
            db.close();
        }
        QSqlDatabase::removeDatabase("LoginFlowSetUp");
    }

    QString controlUrl() const { return QString("http://127.0.0.1:%1/").arg(backend_.port()); }
    QQuickWindow* open() { return testsupport::openLoginWindow(engine_, controlUrl()); }
    // Opens the window and waits until the service addresses are in.
    QQuickWindow* openReady() { return testsupport::openReadyLoginWindow(engine_, controlUrl()); }
    static void signIn(QObject* w, const QString& user, const QString& password)
    {
        type(w, "userField", user);
        type(w, "passwordField", password);
        QMetaObject::invokeMethod(w, "onLoginClicked");
    }
    static QObject* child(QObject* w, const char* name) { return w->findChild<QObject*>(name); }
    static void type(QObject* w, const char* field, const QString& text) { child(w, field)->setProperty("text", text); }
    static QString message(QObject* w) { return child(w, "message")->property("msg_").toString(); }
    static QJsonDocument readJson(const QString& name)
    {
        QFile f(dataDirectory() + "/" + name);
        return f.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(f.readAll()) : QJsonDocument();
    }

    // Runs `js` (a function body) in the engine of the window, with the
    // database module the window uses.
    QVariant script(const QString& js)
    {
        QQmlComponent c(&engine_);
        c.setData(("import QtQml 2.15\nimport \"qrc:/qml/js/Database.js\" as Sql\n"
                   "QtObject { function run() { " +
                   js + " } }")
                      .toUtf8(),
                  QUrl("qrc:/qml/LoginScript.qml"));
        std::unique_ptr<QObject> o(c.create());
        if (!o) {
            ADD_FAILURE() << c.errorString().toStdString();
            return {};
        }
        QVariant out;
        QMetaObject::invokeMethod(o.get(), "run", Q_RETURN_ARG(QVariant, out));
        return out;
    }
    // How many GET and POST requests of /api/mystock the back end has seen.
    int mystockRequests(const char* method)
    {
        int n = 0;
        for (const std::string& l : backend_.lines())
            n += l.rfind(std::string(method) + " /api/mystock", 0) == 0 ? 1 : 0;
        return n;
    }

    ServerProcess backend_{"backend", {}};
    QQmlApplicationEngine engine_;
};

}  // namespace

TEST_F(LoginFlow, SignsInAndWritesTheStartUpFiles)
{
    RUN_IN_OWN_PROCESS();
    QQuickWindow* w = open();
    ASSERT_TRUE(w);
    QObject* button = child(w, "loginButton");
    // The button stays off until the addresses are in.
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->property("addressesReady").toBool(); }, 10000));
    EXPECT_TRUE(button->property("enabled").toBool());
    EXPECT_FALSE(QBaseService().getServerAddressValue("url.login").isNull());

    // Empty fields are refused with their texts.
    QMetaObject::invokeMethod(w, "onLoginClicked");
    EXPECT_EQ("用户名不能为空", message(w));
    type(w, "userField", "demo");
    QMetaObject::invokeMethod(w, "onLoginClicked");
    EXPECT_EQ("密码不能为空", message(w));

    // A wrong password shows the back end's own text.
    type(w, "passwordField", "wrong");
    QMetaObject::invokeMethod(w, "onLoginClicked");
    ASSERT_TRUE(QTest::qWaitFor([&] { return message(w) == QString("用户名或密码错误"); }, 10000));
    EXPECT_TRUE(QBaseService().getLoginValue("user.sessionId").isNull());

    type(w, "passwordField", "demo");
    child(w, "saveCheck")->setProperty("save_checked", true);
    QMetaObject::invokeMethod(w, "onLoginClicked");
    // The window closes itself once every file is in.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w->isVisible(); }, 20000));
    EXPECT_FALSE(QBaseService().getLoginValue("user.sessionId").isNull());

    // First login: the ten default groups were posted, then read back.
    EXPECT_TRUE(backend_.wait_prefix("mystock "));
    const QJsonDocument pools = readJson("StockPool.json");
    ASSERT_TRUE(pools.isObject());
    EXPECT_EQ("0000", pools["code"].toString());
    const QJsonArray result = pools["result"].toArray();
    ASSERT_FALSE(result.isEmpty());
    for (const QJsonValue& pool : result) {
        ASSERT_FALSE(pool["codes"].toArray().isEmpty());  // empty pools are dropped
        EXPECT_TRUE(pool["codes"].toArray().first()["market_id"].isString());
    }
    for (const char* name : {"board.json", "stock_rating.json", "stock_rzrq.json", "formula.json"})
        EXPECT_FALSE(readJson(name).isNull()) << name;
}

TEST_F(LoginFlow, RemembersTheSignInForTheNextStart)
{
    RUN_IN_OWN_PROCESS();
    {
        QQuickWindow* w = open();
        ASSERT_TRUE(w);
        ASSERT_TRUE(QTest::qWaitFor([&] { return w->property("addressesReady").toBool(); }, 10000));
        type(w, "userField", "demo");
        type(w, "passwordField", "demo");
        child(w, "saveCheck")->setProperty("save_checked", true);
        QMetaObject::invokeMethod(w, "onLoginClicked");
        ASSERT_TRUE(QTest::qWaitFor([&] { return !w->isVisible(); }, 20000));
    }
    QQmlApplicationEngine second;
    second.setOfflineStoragePath(dataDirectory());
    second.rootContext()->setContextProperty("controlUrl", QString("http://127.0.0.1:%1/").arg(backend_.port()));
    second.load(QUrl("qrc:/qml/LoginView.qml"));
    ASSERT_FALSE(second.rootObjects().isEmpty());
    QObject* w2 = second.rootObjects().first();
    EXPECT_EQ("demo", child(w2, "userField")->property("text").toString());
    EXPECT_EQ("demo", child(w2, "passwordField")->property("text").toString());
    EXPECT_TRUE(child(w2, "saveCheck")->property("save_checked").toBool());
}

TEST_F(LoginFlow, UnreachableBackEndSaysSo)
{
    RUN_IN_OWN_PROCESS();
    engine_.setOfflineStoragePath(dataDirectory());
    engine_.rootContext()->setContextProperty("controlUrl", QString("http://127.0.0.1:1/"));
    engine_.load(QUrl("qrc:/qml/LoginView.qml"));
    ASSERT_FALSE(engine_.rootObjects().isEmpty());
    QObject* w = engine_.rootObjects().first();
    EXPECT_TRUE(QTest::qWaitFor([&] { return message(w) == "链接服务器失败，\n稍后重试！"; }, 20000));
    EXPECT_FALSE(w->property("addressesReady").toBool());
    // Escape dismisses it as its only button does: the window closes rather
    // than waiting with a sign-in button that can never be pressed.
    auto* window = qobject_cast<QQuickWindow*>(w);
    ASSERT_TRUE(window);
    window->requestActivate();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    EXPECT_TRUE(QTest::qWaitFor([&] { return child(w, "message")->property("opened").toBool(); }, 5000));
    QTest::keyClick(window, Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window->isVisible(); }, 5000));
}

// A message takes Enter, and once closed gives the focus to the field it is
// about, so that typing goes on there.
TEST_F(LoginFlow, MessagesTakeEnterAndHandTheFocusBack)
{
    RUN_IN_OWN_PROCESS();
    QQuickWindow* w = openReady();
    ASSERT_TRUE(w);
    w->requestActivate();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w));
    QObject* popup = child(w, "message");
    auto* user = qobject_cast<QQuickItem*>(child(w, "userField"));
    auto* password = qobject_cast<QQuickItem*>(child(w, "passwordField"));
    ASSERT_TRUE(popup && user && password);
    type(w, "userField", "demo");
    type(w, "passwordField", "");
    user->forceActiveFocus();
    QTest::keyClick(w, Qt::Key_Return);  // signs in: the password is missing
    EXPECT_TRUE(QTest::qWaitFor([&] { return popup->property("opened").toBool(); }, 5000));
    EXPECT_EQ("密码不能为空", message(w));
    QTest::keyClick(w, Qt::Key_Return);  // the message's own button
    EXPECT_TRUE(QTest::qWaitFor([&] { return !popup->property("opened").toBool(); }, 5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return password->hasActiveFocus(); }, 5000));
    for (const char c : {'a', 'b', 'c'})
        QTest::keyClick(w, c);
    EXPECT_EQ("abc", password->property("text").toString());
    EXPECT_EQ("demo", user->property("text").toString());

    // Escape closes a message too, and the focus goes where it says.
    type(w, "userField", "");
    QMetaObject::invokeMethod(w, "onLoginClicked");
    EXPECT_TRUE(QTest::qWaitFor([&] { return popup->property("opened").toBool(); }, 5000));
    EXPECT_EQ("用户名不能为空", message(w));
    QTest::keyClick(w, Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !popup->property("opened").toBool(); }, 5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return user->hasActiveFocus(); }, 5000));
}

// The sign-in window as a person sees it, kept as a screenshot (needs the
// test run's virtual display).
TEST_F(LoginFlow, Screenshot)
{
    RUN_IN_OWN_PROCESS();
    if (QGuiApplication::platformName() == "offscreen")
        GTEST_SKIP() << "runs as shell.login_screenshot on the virtual display";
    QQuickWindow* w = open();
    ASSERT_TRUE(w);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->property("addressesReady").toBool(); }, 10000));
    type(w, "userField", "demo");
    type(w, "passwordField", "demo");
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
    const QImage shot = testsupport::settledGrab(w);
    ASSERT_FALSE(shot.isNull());
    EXPECT_EQ(QSize(560, 290), shot.size() / shot.devicePixelRatio());
    // The bar under the images is the dark "#252B33" and the button red.
    EXPECT_EQ(QColor("#252B33"), shot.pixelColor(5, 235));
    const QString dir = QString(TARVOLIN_BIN_DIR) + "/../screenshots";
    QDir().mkpath(dir);
    EXPECT_TRUE(shot.save(dir + "/login.png"));
}

// Each of the last five downloads goes on to the next when it fails (nothing
// is written for it); a failed group fetch stops with the window open.
TEST_F(LoginFlow, FailedStepsStopOrGoOnAsTheyShould)
{
    RUN_IN_OWN_PROCESS();
    backend_.control("fail /api/board");
    QQuickWindow* w = openReady();
    ASSERT_TRUE(w);
    signIn(w, "demo", "demo");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w->isVisible(); }, 20000));
    EXPECT_FALSE(QFile::exists(dataDirectory() + "/board.json"));
    EXPECT_TRUE(QFile::exists(dataDirectory() + "/stock_rating.json"));
    EXPECT_TRUE(QFile::exists(dataDirectory() + "/stock_rzrq.json"));
}

TEST_F(LoginFlow, FailedGroupFetchKeepsTheWindowOpen)
{
    RUN_IN_OWN_PROCESS();
    backend_.control("fail /api/mystock");
    QQuickWindow* w = openReady();
    ASSERT_TRUE(w);
    signIn(w, "demo", "demo");
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->property("signedIn").toBool(); }, 10000));
    QObject* loading = child(w, "loading");
    // The failed fetch ends the sign-in in the reply's callback, the one that
    // closes the loading window: once the fetch was asked for and the window
    // closed, nothing of the sign-in is left to run.
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return mystockRequests("GET") > 0 && !loading->property("opened").toBool(); }, 10000));
    EXPECT_TRUE(w->isVisible());
    EXPECT_FALSE(QFile::exists(dataDirectory() + "/board.json"));
}

// Another connection holds the local database: the sign-in goes on to the end
// without writing (the window closes), each statement gives up within the
// short lock wait instead of SQLite's 5 s, and the LOGIN action row waits in
// memory until the database is free, then is queued like any other.
TEST_F(LoginFlow, HeldDatabaseDoesNotStopTheSignIn)
{
    RUN_IN_OWN_PROCESS();
    QQuickWindow* w = openReady();  // the database and its tables exist now
    ASSERT_TRUE(w);
    ASSERT_EQ(0, script("Sql.dbClearActionCmd(); return Sql.dbGetActionCmd().length;").toInt());
    DatabaseHold hold("LoginFlowHold");
    ASSERT_TRUE(hold.held());

    QElapsedTimer clock;
    clock.start();
    const QVariant kept = script("return Sql.dbAddActionCmd('MENU', 'held');");
    const qint64 oneStatement = clock.elapsed();
    EXPECT_FALSE(kept.toBool()) << "a row was written under an exclusive lock";
    EXPECT_LT(oneStatement, 1000) << "a statement under the lock waited " << oneStatement << " ms";
    const QString module = QFileInfo(localStorageDatabaseFile(dataDirectory(), "qelm")).completeBaseName();
    ASSERT_TRUE(QSqlDatabase::contains(module));
    EXPECT_EQ("QSQLITE_BUSY_TIMEOUT=10", QSqlDatabase::database(module, false).connectOptions().toStdString());

    signIn(w, "demo", "demo");
    EXPECT_TRUE(QTest::qWaitFor([&] { return !w->isVisible(); }, 30000))
        << "still showing " << child(w, "loading")->property("msg_").toString().toStdString();
    EXPECT_TRUE(w->property("signedIn").toBool());
    EXPECT_EQ(2, script("return Sql.dbPendingCount();").toInt());

    hold.release();
    const QStringList rows =
        script("return Sql.dbGetActionCmd().map(function (r) { return r.do_action + ':' + r.remark; });")
            .toStringList();
    ASSERT_EQ(2, rows.size()) << rows.join(',').toStdString();
    EXPECT_EQ("MENU:held", rows[0].toStdString());
    EXPECT_TRUE(rows[1].startsWith("LOGIN:")) << rows[1].toStdString();
    EXPECT_EQ(0, script("return Sql.dbPendingCount();").toInt());
}

// A back end whose group reads keep answering an empty list: the default
// groups are made once and read once more, then the sign-in goes on with no
// groups.
TEST_F(LoginFlow, EmptyGroupRepliesAreAskedOnceMore)
{
    RUN_IN_OWN_PROCESS();
    backend_.control("answer /api/mystock " +
                     QByteArray(R"({"code":"0000","msg":"success","result":[]})").toHex().toStdString());
    QQuickWindow* w = openReady();
    ASSERT_TRUE(w);
    signIn(w, "demo", "demo");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w->isVisible(); }, 30000))
        << "still showing " << child(w, "loading")->property("msg_").toString().toStdString() << " after "
        << mystockRequests("GET") << " reads";
    EXPECT_EQ(2, mystockRequests("GET"));
    EXPECT_EQ(1, mystockRequests("POST"));
    EXPECT_TRUE(QFile::exists(dataDirectory() + "/stock_rzrq.json"));
}

// The stock dictionary's search boxes typed into while another program holds
// the local database: the search fails without a script error, and once the
// lock goes the box shows the rows by itself, without another key.
TEST_F(LoginFlow, SearchBoxesSearchAgainAfterAHeldDatabase)
{
    RUN_IN_OWN_PROCESS();
    ASSERT_TRUE(openReady());  // the command rows are in the dictionary now
    ASSERT_TRUE(script("Sql.dbExecuteSql(\"Replace INTO StockDictionary(code,market,name,type,pinyin,active) "
                       "VALUES('600096', 1, '云天化', 2, 'YTH', 'app://qml/qml/MQView.qml?code=600096&market=1')\"); "
                       "return true;")
                    .toBool());
    const struct {
        const char* document;
        const char* found;  // a row that "96" finds
    } boxes[] = {{"QQuickCmd", "日线"}, {"QSuperpositionEdit", "云天化"}};
    for (const auto& b : boxes) {
        SCOPED_TRACE(b.document);
        QQmlComponent c(&engine_);
        c.setData(QString("import QtQuick 2.15\nimport QtQuick.Window 2.15\n"
                          "Window { width: 300; height: 360; visible: true; property alias box: box; %1 { id: box } }")
                      .arg(b.document)
                      .toUtf8(),
                  QUrl("qrc:/qml/SearchBoxHarness.qml"));
        std::unique_ptr<QObject> o(c.create());
        ASSERT_TRUE(o) << c.errorString().toStdString();
        auto* window = qobject_cast<QQuickWindow*>(o.get());
        ASSERT_TRUE(window && QTest::qWaitForWindowExposed(window));
        auto* box = o->property("box").value<QObject*>();
        ASSERT_TRUE(box);
        QMetaObject::invokeMethod(box, "show", Q_ARG(QVariant, QString()));
        ASSERT_TRUE(QTest::qWaitFor([&] { return box->property("opened").toBool(); }, 10000));
        QStringList errors;
        const QMetaObject::Connection told =
            QObject::connect(&engine_, &QQmlEngine::warnings, [&](const QList<QQmlError>& list) {
                for (const QQmlError& e : list)
                    errors << e.toString();
            });
        auto names = [&] {
            QStringList out;
            for (const QVariant& r : box->property("rows").toList())
                out << r.toMap().value("name").toString();
            return out;
        };

        DatabaseHold hold("LoginFlowHold");
        ASSERT_TRUE(hold.held());
        for (char key : {'9', '6'})
            QTest::keyClick(window, key);
        EXPECT_EQ("96", box->property("input").value<QObject*>()->property("text").toString().toStdString());
        EXPECT_TRUE(names().isEmpty()) << names().join(',').toStdString();
        EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();

        hold.release();
        EXPECT_TRUE(QTest::qWaitFor([&] { return names().contains(b.found); }, 30000))
            << "rows after the lock went: " << names().join(',').toStdString();
        EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
        QObject::disconnect(told);
    }
}

// Edits the last session left queued (it ended before the back end took
// them) go to the back end before the sign-in reads the groups, so the
// groups hold the user's last edit.
TEST_F(LoginFlow, EditsLeftQueuedGoBeforeTheGroupsAreRead)
{
    RUN_IN_OWN_PROCESS();
    QQuickWindow* w = openReady();
    ASSERT_TRUE(w);
    ASSERT_EQ(2, script("Sql.dbDeleteMyStockCmd(Sql.dbGetMyStockCmd().map(function (r) { return r.id; }));"
                        "Sql.dbAddMyStockCmd('RENAME', '000000', 0, '1', '自选股1');"
                        "Sql.dbAddMyStockCmd('ADD', '600030', 1, '1', '自选股1');"
                        "return Sql.dbGetMyStockCmd().length;")
                     .toInt());
    signIn(w, "demo", "demo");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w->isVisible(); }, 30000))
        << "still showing " << child(w, "loading")->property("msg_").toString().toStdString();
    int post = -1, get = -1, i = 0;
    for (const std::string& l : backend_.lines()) {
        if (post < 0 && l.rfind("POST /api/mystock", 0) == 0)
            post = i;
        if (get < 0 && l.rfind("GET /api/mystock", 0) == 0)
            get = i;
        ++i;
    }
    ASSERT_GE(post, 0) << "the queued edits were not sent";
    EXPECT_LT(post, get) << "the groups were read before the queued edits went";
    EXPECT_EQ(0, script("return Sql.dbGetMyStockCmd().length;").toInt());
    const QString groups = script(
                               "var s = null; return JSON.stringify(Qt.createQmlObject("
                               "'import QMyStockService 1.0; QMyStockService {}', Qt.application).getJson());")
                               .toString();
    EXPECT_TRUE(groups.contains("600030")) << groups.toStdString();
}
