#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QJsonObject>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

#include <memory>

#include "ownprocess.h"
#include "serverprocess.h"
#include "shell/datadir.h"
#include "shell/qbaseservice.h"
#include "shell/qmltypes.h"
#include "shell/stockdictionary.h"

// The main window's background sync against the local back end, with its
// intervals shortened through its properties.
namespace {

class DataSync : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_GT(backend_.port(), 0);
        registerQmlTypes();
        QBaseService().setLoginInfo(QJsonObject{{"user", QJsonObject{{"id", "u7"}, {"sid", "s7"}}}});
    }
    void setAddresses(const QString& mystock, const QString& heartbeat)
    {
        const QString base = QString("http://127.0.0.1:%1").arg(backend_.port());
        QBaseService().setServerAddress(
            QJsonObject{{"url", QJsonObject{{"mystock", mystock.isEmpty() ? base + "/api/mystock" : mystock},
                                            {"heartbeat", heartbeat.isEmpty() ? base + "/api/heartbeat" : heartbeat},
                                            {"user_action", base + "/api/user_action"}}}});
    }
    QObject* create()
    {
        engine_.setOfflineStoragePath(dataDirectory());
        QQmlComponent c(&engine_,
                        QUrl::fromLocalFile(QString(TARVOLIN_SOURCE_DIR) + "/app/shell/tests/qml/SyncHarness.qml"));
        harness_.reset(c.create());
        if (!harness_)
            ADD_FAILURE() << c.errorString().toStdString();
        else
            QMetaObject::invokeMethod(harness_.get(), "init");
        return harness_.get();
    }
    static int call(QObject* h, const char* fn)
    {
        QVariant r;
        QMetaObject::invokeMethod(h, fn, Q_RETURN_ARG(QVariant, r));
        return r.toInt();
    }
    // Waits for a back-end line while the event loop runs (the requests go
    // out from this thread).
    bool seen(const std::string& prefix)
    {
        for (int i = 0; i < 500; ++i) {
            if (backend_.wait_for([&](const std::string& l) { return l.compare(0, prefix.size(), prefix) == 0; },
                                  nullptr, std::chrono::milliseconds(0)))
                return true;
            QTest::qWait(20);
        }
        return false;
    }
    static QObject* sync(QObject* h) { return h->property("sync").value<QObject*>(); }
    static QStringList exits(QObject* h) { return h->property("exitMessages").toStringList(); }

    ServerProcess backend_{"backend", {}};
    QQmlEngine engine_;
    std::unique_ptr<QObject> harness_;
};

}  // namespace

// Queued edits and actions are uploaded and then removed; the heartbeat goes
// out every sixth tick with the session id and the machine id.
TEST_F(DataSync, UploadsQueuedRowsAndSendsHeartbeats)
{
    RUN_IN_OWN_PROCESS();
    setAddresses({}, {});
    QObject* h = create();
    ASSERT_TRUE(h);
    QMetaObject::invokeMethod(h, "queueStock", Q_ARG(QVariant, "ADD"), Q_ARG(QVariant, "600001"), Q_ARG(QVariant, 1));
    QMetaObject::invokeMethod(h, "queueStock", Q_ARG(QVariant, "ADD"), Q_ARG(QVariant, "000002"), Q_ARG(QVariant, 2));
    QMetaObject::invokeMethod(h, "queueAction", Q_ARG(QVariant, "MENU2"), Q_ARG(QVariant, "行情"));
    EXPECT_TRUE(seen("mystock u7 2 edits"));
    EXPECT_TRUE(seen("heartbeat s7 "));
    EXPECT_TRUE(seen("user_action s7 MENU2 行情"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return call(h, "stockRows") == 0; }, 5000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return call(h, "actionRows") == 0; }, 5000));
    EXPECT_TRUE(exits(h).isEmpty());
}

// An upload that fails keeps its rows for the next try.
TEST_F(DataSync, FailedUploadKeepsTheRows)
{
    RUN_IN_OWN_PROCESS();
    setAddresses("http://127.0.0.1:1/api/mystock", {});
    QObject* h = create();
    ASSERT_TRUE(h);
    QMetaObject::invokeMethod(h, "queueStock", Q_ARG(QVariant, "DELETE"), Q_ARG(QVariant, "600001"),
                              Q_ARG(QVariant, 1));
    const int ticks = sync(h)->property("tick").toInt();
    ASSERT_TRUE(QTest::qWaitFor([&] { return sync(h)->property("tick").toInt() > ticks + 10; }, 5000));
    EXPECT_EQ(1, call(h, "stockRows"));
}

// A heartbeat answered "false" ends the program with the back end's message.
TEST_F(DataSync, RefusedHeartbeatStops)
{
    RUN_IN_OWN_PROCESS();
    backend_.control("heartbeat-false on");
    setAddresses({}, {});
    QObject* h = create();
    ASSERT_TRUE(h);
    ASSERT_TRUE(QTest::qWaitFor([&] { return exits(h).size() == 1; }, 10000));
    EXPECT_EQ("账号已在其他地方登录，请重新登录", exits(h).first());
    EXPECT_FALSE(sync(h)->property("running").toBool());
}

// Ten failed heartbeats in a row end it; a good one in between resets the count.
TEST_F(DataSync, TenFailedHeartbeatsStop)
{
    RUN_IN_OWN_PROCESS();
    setAddresses({}, "http://127.0.0.1:1/api/heartbeat");
    QObject* h = create();
    ASSERT_TRUE(h);
    QObject* s = sync(h);
    ASSERT_TRUE(QTest::qWaitFor([&] { return s->property("heartbeatFailures").toInt() == 9; }, 20000));
    // The ninth failure is followed by a good heartbeat: the count starts over.
    setAddresses({}, {});
    ASSERT_TRUE(QTest::qWaitFor([&] { return s->property("heartbeatFailures").toInt() == 0; }, 5000));
    EXPECT_TRUE(exits(h).isEmpty());
    setAddresses({}, "http://127.0.0.1:1/api/heartbeat");
    ASSERT_TRUE(QTest::qWaitFor([&] { return exits(h).size() == 1; }, 20000));
    EXPECT_EQ("连接认证系统失败，点击确定退出！", exits(h).first());
    EXPECT_EQ(10, s->property("heartbeatFailures").toInt());
    EXPECT_FALSE(s->property("running").toBool());
}

// Without a heartbeat address each beat counts as failed (and nothing goes
// out), so the ten-failure exit still comes.
TEST_F(DataSync, MissingHeartbeatAddressCountsAsFailedBeats)
{
    RUN_IN_OWN_PROCESS();
    const QString base = QString("http://127.0.0.1:%1").arg(backend_.port());
    QBaseService().setServerAddress(QJsonObject{
        {"url", QJsonObject{{"mystock", base + "/api/mystock"}, {"user_action", base + "/api/user_action"}}}});
    QObject* h = create();
    ASSERT_TRUE(h);
    EXPECT_TRUE(QTest::qWaitFor([&] { return exits(h).size() == 1; }, 20000));
    EXPECT_EQ(QStringList{"连接认证系统失败，点击确定退出！"}, exits(h));
    EXPECT_EQ(10, sync(h)->property("heartbeatFailures").toInt());
    for (const std::string& l : backend_.lines())
        EXPECT_EQ(std::string::npos, l.find("heartbeat")) << l;
}

// A failing upload backs off (its tries thin out, doubling), keeps its rows,
// says so in the status text, and goes through once the back end is back.
TEST_F(DataSync, FailingUploadsBackOffAndSayEditsWait)
{
    RUN_IN_OWN_PROCESS();
    backend_.control("fail /api/mystock");
    setAddresses({}, {});
    QObject* h = create();
    ASSERT_TRUE(h);
    QObject* s = sync(h);
    QMetaObject::invokeMethod(h, "queueStock", Q_ARG(QVariant, "ADD"), Q_ARG(QVariant, "600001"), Q_ARG(QVariant, 1));
    const int start = s->property("tick").toInt();
    EXPECT_TRUE(QTest::qWaitFor([&] { return s->property("tick").toInt() > start + 60; }, 30000));
    auto posts = [this] {
        int n = 0;
        for (const std::string& l : backend_.lines())
            n += l.compare(0, 17, "POST /api/mystock") == 0;
        return n;
    };
    // Tries at rounds 1, 3, 6, 11, 20, 37 and so on: a handful in 60 rounds.
    EXPECT_GE(posts(), 3);
    EXPECT_LE(posts(), 9);
    EXPECT_EQ(1, call(h, "stockRows"));
    EXPECT_FALSE(s->property("waitingText").toString().isEmpty());
    backend_.control("ok /api/mystock");
    EXPECT_TRUE(QTest::qWaitFor([&] { return call(h, "stockRows") == 0; }, 30000));
    EXPECT_TRUE(s->property("waitingText").toString().isEmpty());
}

// A refused row is kept, and the edits queued after it still go through.
TEST_F(DataSync, ARefusedRowDoesNotHoldBackLaterEdits)
{
    RUN_IN_OWN_PROCESS();
    setAddresses({}, {});
    QObject* h = create();
    ASSERT_TRUE(h);
    QMetaObject::invokeMethod(h, "queueBadStock", Q_ARG(QVariant, "600002"), Q_ARG(QVariant, 1));
    QMetaObject::invokeMethod(h, "queueStock", Q_ARG(QVariant, "ADD"), Q_ARG(QVariant, "600003"), Q_ARG(QVariant, 1));
    EXPECT_TRUE(seen("mystock u7 1 edits"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return call(h, "stockRows") == 1; }, 10000)) << "the refused row stays queued";
    EXPECT_FALSE(sync(h)->property("waitingText").toString().isEmpty());
}

// Without the edits' address nothing is sent and nothing is lost.
TEST_F(DataSync, MissingAddressSendsNothing)
{
    RUN_IN_OWN_PROCESS();
    const QString base = QString("http://127.0.0.1:%1").arg(backend_.port());
    QBaseService().setServerAddress(QJsonObject{{"url", QJsonObject{{"heartbeat", base + "/api/heartbeat"}}}});
    QObject* h = create();
    ASSERT_TRUE(h);
    QMetaObject::invokeMethod(h, "queueStock", Q_ARG(QVariant, "ADD"), Q_ARG(QVariant, "600001"), Q_ARG(QVariant, 1));
    QMetaObject::invokeMethod(h, "queueAction", Q_ARG(QVariant, "MENU2"), Q_ARG(QVariant, "行情"));
    EXPECT_TRUE(seen("heartbeat s7 "));
    EXPECT_TRUE(seen("heartbeat s7 "));
    for (const std::string& l : backend_.lines())
        EXPECT_EQ(0u, l.compare(0, 4, "POST") == 0 ? 1u : 0u) << l;
    EXPECT_EQ(1, call(h, "stockRows"));
    EXPECT_EQ(1, call(h, "actionRows"));
}

// Another connection holds the local database's write lock: an edit made
// under it waits in memory, the rows the back end took cannot be deleted
// yet, so they are remembered and deleted once the database is free, never
// sent again; the sync goes on meanwhile.
TEST_F(DataSync, HeldDatabaseKeepsSyncingWithoutSendingTwice)
{
    RUN_IN_OWN_PROCESS();
    setAddresses({}, {});
    QObject* h = create();
    ASSERT_TRUE(h);
    // Queued first; then, before the first tick, the other connection takes
    // the write lock: reading goes on, writing and deleting wait for it.
    QMetaObject::invokeMethod(h, "queueStock", Q_ARG(QVariant, "ADD"), Q_ARG(QVariant, "600001"), Q_ARG(QVariant, 1));
    const char* holder = "DataSyncHold";
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", holder);
        db.setDatabaseName(localStorageDatabaseFile(dataDirectory(), "qelm"));
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec("BEGIN IMMEDIATE") && q.exec("INSERT INTO action_cmd(do_action, remark, create_time) "
                                                        "VALUES('HOLD', 'x', '2026-01-01 00:00:00')"));
    }
    ASSERT_TRUE(seen("mystock u7 1 edits"));
    const auto taken = [&] { return sync(h)->property("myStockQueue").toMap().value("taken").toMap().size(); };
    ASSERT_TRUE(QTest::qWaitFor([&] { return taken() == 1; }, 10000)) << "the reply under the lock was lost";
    EXPECT_FALSE(sync(h)->property("myStockBusy").toBool());
    QMetaObject::invokeMethod(h, "queueStock", Q_ARG(QVariant, "ADD"), Q_ARG(QVariant, "600002"), Q_ARG(QVariant, 1));
    const int ticks = sync(h)->property("tick").toInt();
    ASSERT_TRUE(QTest::qWaitFor([&] { return sync(h)->property("tick").toInt() > ticks + 5; }, 5000));

    {
        QSqlDatabase db = QSqlDatabase::database(holder, false);
        QSqlQuery(db).exec("ROLLBACK");
        db.close();
    }
    QSqlDatabase::removeDatabase(holder);
    ASSERT_TRUE(QTest::qWaitFor([&] { return backend_.count("mystock u7 1 edits") == 2; }, 10000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return call(h, "stockRows") == 0 && taken() == 0; }, 10000));
    EXPECT_EQ(2u, backend_.count("mystock u7 1 edits")) << "a row the back end took was sent again";
    EXPECT_EQ(0u, backend_.count("mystock u7 2 edits"));
}

namespace {

// The codes of group 1 as the back end holds them for u7.
QString groupCodes(QObject* h, int port)
{
    QMetaObject::invokeMethod(h, "readGroups", Q_ARG(QVariant, QString("http://127.0.0.1:%1/api/mystock").arg(port)),
                              Q_ARG(QVariant, "u7"));
    if (!QTest::qWaitFor([&] { return h->property("groupCodes").toString() != "?"; }, 10000))
        return "no answer";
    return h->property("groupCodes").toString();
}

int parkedRows(QObject* sync)
{
    return sync->property("myStockQueue").toMap().value("parked").toMap().size();
}

}  // namespace

// An edit the back end refused once is kept aside; the user's next edit of
// the same stock waits behind it, so the back end sees them in the order
// made and ends holding what the user last asked for.
TEST_F(DataSync, AnEditKeptAsideStillGoesBeforeTheNextEditOfItsStock)
{
    RUN_IN_OWN_PROCESS();
    struct Case {
        const char* code;
        bool heldBefore;
        const char *first, *second;
        bool heldAfter;
    };
    const Case cases[] = {
        {"600010", false, "ADD", "DELETE", false},
        {"600011", true, "DELETE", "ADD", true},
    };
    setAddresses({}, {});
    QObject* h = create();
    ASSERT_TRUE(h);
    QObject* s = sync(h);
    QMetaObject::invokeMethod(h, "queueRename", Q_ARG(QVariant, 1), Q_ARG(QVariant, "自选股1"));
    const std::string refusal = QByteArray(R"({"code":"9999","msg":"系统繁忙"})").toHex().toStdString();
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.first) + " then " + c.second);
        if (c.heldBefore)
            QMetaObject::invokeMethod(h, "queueStock", Q_ARG(QVariant, "ADD"), Q_ARG(QVariant, c.code),
                                      Q_ARG(QVariant, 1));
        ASSERT_TRUE(QTest::qWaitFor([&] { return call(h, "stockRows") == 0; }, 10000));
        ASSERT_EQ(c.heldBefore, groupCodes(h, backend_.port()).split(',').contains(c.code));

        backend_.control("answer /api/mystock " + refusal);
        QMetaObject::invokeMethod(h, "queueStock", Q_ARG(QVariant, c.first), Q_ARG(QVariant, c.code),
                                  Q_ARG(QVariant, 1));
        ASSERT_TRUE(QTest::qWaitFor([&] { return parkedRows(s) == 1; }, 10000))
            << "the refused edit was not kept aside";
        QMetaObject::invokeMethod(h, "queueStock", Q_ARG(QVariant, c.second), Q_ARG(QVariant, c.code),
                                  Q_ARG(QVariant, 1));
        backend_.control("ok /api/mystock");
        ASSERT_TRUE(QTest::qWaitFor([&] { return call(h, "stockRows") == 0 && parkedRows(s) == 0; }, 20000));
        EXPECT_EQ(c.heldAfter, groupCodes(h, backend_.port()).split(',').contains(c.code))
            << "group 1 holds " << groupCodes(h, backend_.port()).toStdString();
    }
}

// Quitting sends every queued edit at once and waits a bounded time for the
// back end: done when it took them, when it refused one for good (the others
// still go), when it does not answer, and when it cannot be reached. What it
// did not take stays queued.
TEST_F(DataSync, FlushSendsTheQueuedEditsAndWaitsABoundedTime)
{
    RUN_IN_OWN_PROCESS();
    struct Case {
        const char* name;
        const char* control;  // for the back end first, or ""
        bool unreachable;
        int ms;
        int badRows, goodRows;
        int rowsLeft;
    };
    const Case cases[] = {
        {"taken", "", false, 2000, 0, 2, 0},
        {"one refused for good", "", false, 2000, 1, 1, 1},
        {"no answer", "delay /api/mystock 20000", false, 500, 0, 1, 1},
        {"not reachable", "", true, 500, 0, 1, 1},
    };
    setAddresses({}, {});
    QObject* h = create();
    ASSERT_TRUE(h);
    QObject* s = sync(h);
    s->setProperty("running", false);
    int flushes = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QMetaObject::invokeMethod(h, "init");  // empty queues
        if (*c.control)
            backend_.control(c.control);
        if (c.unreachable)
            setAddresses("http://127.0.0.1:1/api/mystock", {});
        for (int i = 0; i < c.badRows; ++i)
            QMetaObject::invokeMethod(h, "queueBadStock", Q_ARG(QVariant, "600020"), Q_ARG(QVariant, 1));
        for (int i = 0; i < c.goodRows; ++i)
            QMetaObject::invokeMethod(h, "queueStock", Q_ARG(QVariant, "ADD"),
                                      Q_ARG(QVariant, QString::number(600021 + i)), Q_ARG(QVariant, 1));
        QElapsedTimer clock;
        clock.start();
        QMetaObject::invokeMethod(h, "flush", Q_ARG(QVariant, c.ms));
        // Generous for a busy machine, yet far below the back end's 20 s.
        ASSERT_TRUE(QTest::qWaitFor([&] { return h->property("flushed").toInt() == flushes + 1; }, c.ms + 5000))
            << "not done " << clock.elapsed() << " ms after a " << c.ms << " ms bound";
        EXPECT_LT(clock.elapsed(), c.ms + 3000);
        flushes += 1;
        EXPECT_EQ(c.rowsLeft, call(h, "stockRows"));
    }
    EXPECT_EQ(1u, backend_.count("mystock u7 2 edits"));
}
