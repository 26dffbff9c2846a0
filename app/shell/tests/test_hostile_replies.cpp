// The sign-in window against a back end that answers what a taken-over one
// could: start images that name a device or declare a quarter of a gigapixel,
// a sign-in success of the wrong types, and start-up lists of hundreds of
// thousands of rows. The window must show, stay responsive (no stall of the
// GUI thread over 100 ms) and say what it refused.
#include <gtest/gtest.h>

#include <QDate>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJSEngine>
#include <QJSValue>
#include <QQmlApplicationEngine>
#include <QQmlComponent>
#include <QQmlExpression>
#include <QQmlContext>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

#include <functional>
#include <iostream>
#include <memory>

#include "hostilereplies.h"
#include "loginwindow.h"
#include "ownprocess.h"
#include "serverprocess.h"
#include "shell/datadir.h"
#include "shell/filedownload.h"
#include "shell/httprequest.h"
#include "shell/qbaseservice.h"
#include "shell/qmltypes.h"
#include "shell/replyimage.h"

namespace {

using hostile::GapMeter;

class HostileReplies : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_GT(backend_.port(), 0);
        testsupport::startSignInAfresh();
    }

    QQuickWindow* open() { return testsupport::openLoginWindow(engine_, base() + "/"); }
    QQuickWindow* openReady() { return testsupport::openReadyLoginWindow(engine_, base() + "/"); }
    QString base() const { return QString("http://127.0.0.1:%1").arg(backend_.port()); }
    static QObject* child(QObject* w, const char* name) { return w->findChild<QObject*>(name); }
    static QString message(QObject* w) { return child(w, "message")->property("msg_").toString(); }
    static void signIn(QObject* w)
    {
        child(w, "userField")->setProperty("text", "demo");
        child(w, "passwordField")->setProperty("text", "demo");
        QMetaObject::invokeMethod(w, "onLoginClicked");
    }
    // Answers `path` with the octets of a file written now.
    void answerWith(const std::string& path, const QByteArray& body)
    {
        const QString file = dir_.filePath(QString::number(++files_));
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(body), body.size());
        f.close();
        backend_.control("answer-file " + path + " " + file.toStdString());
        ASSERT_TRUE(backend_.wait_line("ok answer-file " + path + " " + file.toStdString()));
    }
    int requests(const std::string& prefix)
    {
        int n = 0;
        for (const std::string& l : backend_.lines())
            n += l.rfind(prefix, 0) == 0 ? 1 : 0;
        return n;
    }
    // Every image item below `item` (the start images).
    static void replyImages(QQuickItem* item, QList<ReplyImage*>* out)
    {
        if (auto* image = qobject_cast<ReplyImage*>(item))
            out->append(image);
        for (QQuickItem* c : item->childItems())
            replyImages(c, out);
    }

    ServerProcess backend_{"backend", {}};
    QQmlApplicationEngine engine_;
    QTemporaryDir dir_;
    int files_ = 0;
};

// Standard input made a pipe nobody writes to, as when a launcher starts the
// program; put back at the end.
class SilentInput {
public:
    SilentInput()
    {
        saved_ = dup(0);
        if (pipe(fds_) == 0)
            dup2(fds_[0], 0);
    }
    ~SilentInput()
    {
        dup2(saved_, 0);
        close(saved_);
        close(fds_[0]);
        close(fds_[1]);
    }

private:
    int saved_ = -1;
    int fds_[2] = {-1, -1};
};

}  // namespace

// A start image that names standard input, kept by an earlier start: the
// window still shows and gets its addresses; the device is never read.
TEST_F(HostileReplies, StartImageNamingADeviceDoesNotHoldTheStart)
{
    RUN_IN_OWN_PROCESS();
    SilentInput input;
    for (const char* images : {R"(["file:///proc/self/fd/0"])", R"(["qrc:/images/start.png","/proc/self/fd/0"])"}) {
        SCOPED_TRACE(images);
        QFile f(dataDirectory() + "/start_image.json");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(images);
        f.close();
        QQmlApplicationEngine engine;
        engine.setOfflineStoragePath(dataDirectory());
        engine.rootContext()->setContextProperty("controlUrl", base() + "/");
        engine.load(QUrl("qrc:/qml/LoginView.qml"));
        ASSERT_FALSE(engine.rootObjects().isEmpty());
        QObject* w = engine.rootObjects().first();
        EXPECT_TRUE(QTest::qWaitFor([w] { return w->property("addressesReady").toBool(); }, 10000));
        for (const QVariant& v : w->property("image_list").toList())
            EXPECT_FALSE(v.toString().contains("fd/0")) << v.toString().toStdString();
    }
    // The back end's own start-image list of the same kind is not kept.
    answerWith("/v3clientcontrol",
               QString(R"({"code":"0000","url":{"login":"%1/api/login","start_image":["file:///proc/self/fd/0"]}})")
                   .arg(base())
                   .toUtf8());
    QFile::remove(dataDirectory() + "/start_image.json");
    ASSERT_TRUE(openReady());
    EXPECT_FALSE(QFile::exists(dataDirectory() + "/start_image.json"));
}

// A start image of 16,384 x 16,384 pixels (under a megabyte as a PNG) is
// refused from its header: the window stays responsive, the process does
// not grow by the gigabyte its pixels would take, and the place stays empty.
TEST_F(HostileReplies, HugeStartImageIsRefusedFromItsHeader)
{
    RUN_IN_OWN_PROCESS();
    const QByteArray png = hostile::blackPng(16384, 16384);
    ASSERT_LT(png.size(), 1200 * 1024);
    answerWith("/images/huge.png", png);
    QFile f(dataDirectory() + "/start_image.json");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(QString(R"(["%1/images/huge.png"])").arg(base()).toUtf8());
    f.close();

    hostile::resetPeakMemory();
    const qint64 before = hostile::statusKb("VmRSS");
    // Measured from the window's creation on: the image is fetched and
    // refused while the window waits for its addresses.
    QQuickWindow* w = open();
    ASSERT_TRUE(w);
    GapMeter gaps;
    QList<ReplyImage*> images;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            images.clear();
            replyImages(w->contentItem(), &images);
            for (ReplyImage* i : images)
                if (i->source().toString().endsWith("huge.png"))
                    return i->status() == ReplyImage::Error;
            return false;
        },
        20000))
        << images.size() << " images, none refused the huge one";
    const qint64 grown = hostile::statusKb("VmHWM") - before;
    std::cout << "huge start image: peak growth " << grown / 1024 << " MB" << std::endl;
    EXPECT_LT(grown, 150 * 1024) << "kB";
    hostile::expectResponsive(gaps, "huge start image");
    EXPECT_EQ(requests("GET /images/huge.png"), 1);
}

// A sign-in "success" whose user is a list, whose session is an object, or
// that lacks either: refused with the window's own error line, no download
// runs for an empty user, and the window signs in once the reply is sound.
TEST_F(HostileReplies, SignInOfTheWrongTypesIsRefused)
{
    RUN_IN_OWN_PROCESS();
    QQuickWindow* w = openReady();
    ASSERT_TRUE(w);
    const char* replies[] = {
        R"({"result":"true","code":"0000","user":[1,2],"sessionId":{"a":1}})",
        R"({"result":"true","code":"0000","user":{"id":"10001","sessionId":{"a":1}},"sessionId":"x"})",
        R"({"result":"true","code":"0000","user":{"id":[],"sessionId":"abc"}})",
        R"({"result":"true","code":"0000","user":{"id":"10001","sessionId":""}})",
        R"({"result":"true","code":"0000","user":{"id":"10001","sessionId":"abc"},"sessionId":[]})",
        R"({"result":"true"})",
    };
    for (const char* reply : replies) {
        SCOPED_TRACE(reply);
        child(w, "message")->setProperty("msg_", "");
        QMetaObject::invokeMethod(child(w, "message"), "close");
        answerWith("/api/login", reply);
        signIn(w);
        ASSERT_TRUE(QTest::qWaitFor([&] { return message(w) == QString("数据请求错误，请重试！"); }, 10000))
            << "message: " << message(w).toStdString();
        EXPECT_TRUE(w->isVisible());
        EXPECT_FALSE(w->property("signedIn").toBool());
        EXPECT_EQ(requests("GET /api/mystock"), 0);
    }
    backend_.control("ok /api/login");
    ASSERT_TRUE(backend_.wait_line("ok ok /api/login"));
    QMetaObject::invokeMethod(child(w, "message"), "close");
    signIn(w);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !w->isVisible(); }, 30000)) << message(w).toStdString();
}

// The start-up lists a hundred times their usual size, then the margin and
// rating lists at half a million rows (about 30 and 19 MB): the window never
// stalls over 100 ms and memory stays bounded; the first are kept whole, the
// second refused (more rows than a market has) and the first kept.
TEST_F(HostileReplies, LargeStartUpListsDoNotHoldTheWindow)
{
    RUN_IN_OWN_PROCESS();
    const auto board = [](int n) {
        QByteArray b("{\"boardIndex\":[");
        for (int i = 0; i < n; ++i)
            b +=
                QString(
                    R"(%1{"id":%2,"name":"板块%2","marketid":1,"index":[{"boardid":%2,"code":"1A0001","name":"上证指数"}]})")
                    .arg(i ? "," : "")
                    .arg(1000 + i)
                    .toUtf8();
        return b + "]}";
    };
    const auto margin = [](int n) {
        QByteArray b("[");
        for (int i = 0; i < n; ++i)
            b += QString(R"(%1{"tradingcode":"%2","name":"岚峰农商","market":1})")
                     .arg(i ? "," : "")
                     .arg(600000 + i)
                     .toUtf8();
        return b + "]";
    };
    const auto rating = [](int n) {
        QByteArray b("{\"ratingInfos\":[");
        for (int i = 0; i < n; ++i)
            b += QString(R"(%1{"stockId":"%2","rating":"买入"})").arg(i ? "," : "").arg(600000 + i).toUtf8();
        return b + "]}";
    };
    // Usual: the local back end's 40 boards, about 100 margin and 70 rating rows.
    const QByteArray kept[] = {board(4000), margin(10000), rating(7000)};
    const char* files[] = {"board.json", "stock_rzrq.json", "stock_rating.json"};
    const struct {
        const char* what;
        QByteArray board, margin, rating;
    } rows[] = {{"a hundred times the usual", kept[0], kept[1], kept[2]},
                {"half a million rows", board(4000), margin(500000), rating(500000)}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        answerWith("/api/board", r.board);
        answerWith("/api/stock_rzrq", r.margin);
        answerWith("/api/stock_rating", r.rating);
        QQmlApplicationEngine engine;
        engine.setOfflineStoragePath(dataDirectory());
        engine.rootContext()->setContextProperty("controlUrl", base() + "/");
        engine.load(QUrl("qrc:/qml/LoginView.qml"));
        ASSERT_FALSE(engine.rootObjects().isEmpty());
        auto* w = qobject_cast<QQuickWindow*>(engine.rootObjects().first());
        ASSERT_TRUE(QTest::qWaitFor([w] { return w->property("addressesReady").toBool(); }, 10000));
        hostile::resetPeakMemory();
        const qint64 before = hostile::statusKb("VmRSS");
        GapMeter gaps;
        signIn(w);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !w->isVisible(); }, 60000)) << message(w).toStdString();
        const qint64 grown = hostile::statusKb("VmHWM") - before;
        std::cout << r.what << ": peak growth " << grown / 1024 << " MB" << std::endl;
        hostile::expectResponsive(gaps, r.what);
        EXPECT_LT(grown, 400 * 1024) << "kB";
        for (int i = 0; i < 3; ++i) {
            QFile f(dataDirectory() + "/" + files[i]);
            ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << files[i];
            EXPECT_EQ(QJsonDocument::fromJson(f.readAll()), QJsonDocument::fromJson(kept[i])) << files[i];
        }
    }
}

// Decoding at the size shown: stretched to the box, or with crop scaled to
// cover it (never above the image's own size); refused by its header when it
// declares more than the cap, or when it is no image at all.
TEST(ReplyImageDecode, DecodesAtTheShownSizeAndRefusesByHeader)
{
    const QByteArray wide = hostile::blackPng(800, 400);
    const struct {
        const char* what;
        QByteArray bytes;
        QSize shown;
        bool crop;
        QSize expected;  // invalid: refused
    } rows[] = {
        {"stretched to the box", wide, {20, 20}, false, {20, 20}},
        {"covering 100x100: 200x100", wide, {100, 100}, true, {200, 100}},
        {"covering 560x230: 560x280", wide, {560, 230}, true, {560, 280}},
        {"never enlarged", wide, {1600, 1600}, false, {800, 400}},
        {"at the cap", hostile::blackPng(4096, 4096), {10, 10}, false, {10, 10}},
        {"one row over the cap", hostile::blackPng(4096, 4097), {10, 10}, false, {}},
        {"no image", QByteArray(5000, 'x'), {10, 10}, false, {}},
        {"empty", QByteArray(), {10, 10}, false, {}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        QString error;
        const QImage image = ReplyImage::decode(r.bytes, r.shown, r.crop, &error);
        EXPECT_EQ(image.size(), r.expected.isValid() ? r.expected : QSize(0, 0));
        EXPECT_EQ(error.isEmpty(), r.expected.isValid()) << error.toStdString();
    }
    for (const char* url : {"file:///proc/self/fd/0", "/proc/self/fd/0", "data:image/png;base64,AA", "ftp://h/x.png"})
        EXPECT_FALSE(ReplyImage::isAllowed(QUrl(url))) << url;
    for (const char* url : {"http://h/x.png", "https://h/x.png", "qrc:/images/start.png"})
        EXPECT_TRUE(ReplyImage::isAllowed(QUrl(url))) << url;
}

// Lists cut off the GUI thread: every list at any depth to its first rows, a
// dated list to its newest rows, newest first (the reply's order among equal
// dates).
TEST(KeepNewestRows, CutsEveryListToItsNewestRows)
{
    const auto json = [](const char* text) { return QJsonDocument::fromJson(text).object().value("v"); };
    const struct {
        const char* what;
        const char* in;
        int rows;
        const char* out;
    } rows[] = {
        {"short lists stay", R"({"v":[1,2]})", 2, R"({"v":[1,2]})"},
        {"undated: the first rows", R"({"v":[5,4,3,2]})", 2, R"({"v":[5,4]})"},
        {"nested lists too", R"({"v":{"a":[[1,2,3],[4],[5]],"b":"x"}})", 2, R"({"v":{"a":[[1,2],[4]],"b":"x"}})"},
        {"dated: the newest, newest first",
         R"({"v":[{"pubdate":"2026-01-01","n":0},{"pubdate":"2026-02-01","n":1},{"pubdate":"2026-03-01","n":2}]})", 2,
         R"({"v":[{"pubdate":"2026-03-01","n":2},{"pubdate":"2026-02-01","n":1}]})"},
        {"dated, short: as it came", R"({"v":[{"pubdate":"1"},{"pubdate":"2"}]})", 2,
         R"({"v":[{"pubdate":"1"},{"pubdate":"2"}]})"},
        {"equal dates: the earlier in the reply", R"({"v":[{"date":"d","n":0},{"date":"d","n":1},{"date":"d","n":2}]})",
         2, R"({"v":[{"date":"d","n":0},{"date":"d","n":1}]})"},
        {"a row without a date: undated", R"({"v":[{"pubdate":"2"},{"n":1},{"pubdate":"3"}]})", 2,
         R"({"v":[{"pubdate":"2"},{"n":1}]})"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(keepNewestRows(json(r.in), r.rows), json(r.out));
    }
}

// A research list of 230,000 rows (about 25 MB) for the stock shown: the
// information panel opens and its tabs are chosen without a stall over
// 100 ms, and the list and the chart's marks hold the newest 300 rows.
TEST_F(HostileReplies, HugeResearchListDoesNotHoldTheStockView)
{
    RUN_IN_OWN_PROCESS();
    // Rows i of day 2026-12-08 minus (i % 1000) days: the newest 300 are the
    // 230 rows of the first day (i = 0, 1000, ...) and 70 of the next (i = 1,
    // 1001, ..., 69001).
    QByteArray body(R"({"code":"0000","msg":"success","data":[)");
    const QDate first(2026, 12, 8);
    for (int i = 0; i < 230000; ++i)
        body +=
            QString(
                R"(%1{"id":"r%2","title":"研究报告第%2篇：深度报告，稳健增长","pubdate":"%3","source":"本地研究所"})")
                .arg(i ? "," : "")
                .arg(i)
                .arg(first.addDays(-(i % 1000)).toString("yyyy-MM-dd"))
                .toUtf8();
    body += "]}";
    ASSERT_GT(body.size(), 20 * 1000 * 1000);
    answerWith("/api/research_list", body);
    ASSERT_TRUE(openReady());  // the service addresses are in the store

    QQmlComponent component(&engine_);
    component.setData(
        "import QtQuick 2.15\nimport QtQuick.Window 2.15\nimport \"qrc:/qml/\" as W\n"
        "Window { width: 1200; height: 750; visible: true\n"
        "  W.MQNewsView { objectName: 'news'; width: 1200; height: 700 } }\n",
        QUrl("qrc:/test_hostile_news.qml"));
    std::unique_ptr<QObject> window(component.create());
    ASSERT_TRUE(window) << component.errorString().toStdString();
    QObject* view = window->findChild<QObject*>("news");
    ASSERT_TRUE(view);
    QObject* list = view->property("newsList").value<QObject*>();
    ASSERT_TRUE(list);
    QObject* model = list->property("model_").value<QObject*>();
    ASSERT_TRUE(model);

    GapMeter gaps;
    const QVariantMap stock{{"code", "600000"}, {"market", 1}, {"name", "x"}, {"type", 2}};
    QMetaObject::invokeMethod(view, "setCodeInfo", Q_ARG(QVariant, stock));
    ASSERT_TRUE(QTest::qWaitFor([&] { return model->property("count").toInt() > 0; }, 30000));
    EXPECT_EQ(model->property("count").toInt(), 300);
    // The list's first and last rows, read as its delegates read them.
    const auto field = [model](int row, const char* name) {
        QQmlExpression e(qmlContext(model), model, QString("get(%1).%2").arg(row).arg(name));
        return e.evaluate().toString().toStdString();
    };
    EXPECT_EQ(field(0, "title"), "研究报告第0篇：深度报告，稳健增长");
    EXPECT_EQ(field(299, "id"), "r69001");
    hostile::expectResponsive(gaps, "research list, opening");

    // Another tab and back to the research list: it is asked for again.
    gaps.reset();
    QMetaObject::invokeMethod(view, "onTabClicked", Q_ARG(QVariant, 2));
    QMetaObject::invokeMethod(view, "onTabClicked", Q_ARG(QVariant, 3));
    ASSERT_TRUE(QTest::qWaitFor([&] { return requests("GET /api/research_list") >= 2; }, 10000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return model->property("count").toInt() == 300; }, 30000));
    hostile::expectResponsive(gaps, "research list, choosing its tab");
}

// A start-up list straight to its file: a packed reply is kept unpacked; a
// failed one, one over the cap, one of another shape, or one that comes too
// late keeps the file there was, and the callback says why.
TEST_F(HostileReplies, FileDownloadsKeepTheOldFileUnlessTheReplyFits)
{
    RUN_IN_OWN_PROCESS();
    QJSEngine js;
    FileDownload download;
    QJSValue results = js.newArray();
    js.globalObject().setProperty("results", results);
    const QJSValue done = js.evaluate("(function (saved, why) { results.push([saved, why]); })");
    const auto fetchInto = [&](const QString& file, int timeoutMs) -> std::pair<bool, QString> {
        const int before = js.evaluate("results.length").toInt();
        download.fetch(base() + "/api/stock_rzrq", file, timeoutMs, done);
        if (!QTest::qWaitFor([&] { return js.evaluate("results.length").toInt() > before; }, 20000))
            return {false, "no answer"};
        const QJSValue last = js.evaluate("results[results.length - 1]");
        return {last.property(0).toBool(), last.property(1).toString()};
    };
    const QString path = dataDirectory() + "/stock_rzrq.json";
    const auto contents = [&] {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    const QByteArray list = R"([{"tradingcode":"600000","name":"岚峰农商","market":1}])";

    backend_.control("gzip on");
    ASSERT_TRUE(backend_.wait_line("ok gzip on"));
    answerWith("/api/stock_rzrq", list);
    EXPECT_EQ(fetchInto("stock_rzrq.json", 10000), std::make_pair(true, QString()));
    EXPECT_EQ(contents(), list);
    backend_.control("gzip off");
    ASSERT_TRUE(backend_.wait_line("ok gzip off"));

    const struct {
        const char* what;
        QByteArray body;   // answered; empty: the line below
        const char* line;  // a switch instead
        const char* file;
        int timeoutMs;
        const char* why;
    } rows[] = {
        {"another shape", R"({"msg":"<html>"})", nullptr, "stock_rzrq.json", 10000, "reply of another shape"},
        {"not JSON", "<html>502</html>", nullptr, "stock_rzrq.json", 10000, "reply of another shape"},
        {"over the cap", '[' + QByteArray(33 * 1024 * 1024, ' ') + ']', nullptr, "stock_rzrq.json", 10000,
         "reply larger than 33554432 bytes"},
        {"failed", QByteArray(), "fail /api/stock_rzrq", "stock_rzrq.json", 10000, nullptr},
        {"too late", QByteArray(), "delay /api/stock_rzrq 3000", "stock_rzrq.json", 200, "timed out"},
        {"not a list file", list, nullptr, "formula.json", 10000, "reply of another shape"},
        {"more rows than a market has", "[" + QByteArray("1,").repeated(50000) + "1]", nullptr, "stock_rzrq.json",
         10000, "a list of 50001 rows, more than the 50000 a market has"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        if (r.line) {
            backend_.control(r.line);
            ASSERT_TRUE(backend_.wait_line(std::string("ok ") + r.line));
        } else {
            answerWith("/api/stock_rzrq", r.body);
        }
        const auto got = fetchInto(r.file, r.timeoutMs);
        EXPECT_FALSE(got.first);
        if (r.why)
            EXPECT_EQ(got.second, QString::fromUtf8(r.why));
        EXPECT_EQ(contents(), list);
        backend_.control("ok /api/stock_rzrq");
        ASSERT_TRUE(backend_.wait_line("ok ok /api/stock_rzrq"));
        backend_.control("delay /api/stock_rzrq 0");
        ASSERT_TRUE(backend_.wait_line("ok delay /api/stock_rzrq 0"));
    }
    EXPECT_FALSE(QFile::exists(dataDirectory() + "/formula.json"));
}

// Many items showing one icon that cannot be read (a missing resource, a file
// path): each stays empty, the program logs the address once and does not
// fetch it again when an item shows it at another moment.
TEST(ReplyImageItems, AFailedIconIsLoggedOnceAndLeavesItsPlaceEmpty)
{
    registerQmlTypes();
    static QStringList warnings;
    warnings.clear();
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& m) {
            if (m.contains("image not shown"))
                warnings << m;
        });
    QQmlEngine engine;
    QQmlComponent component(&engine);
    component.setData(
        "import QtQuick 2.15\nimport QtQuick.Window 2.15\nimport ReplyImage 1.0\n"
        "Window { width: 200; height: 60; visible: true\n"
        "  Row { Repeater { model: 30; ReplyImage { width: 20; height: 20\n"
        "    source: index % 3 === 2 ? 'file:///proc/self/fd/0' : 'qrc:/images/menubar/99_n.png' } } } }\n",
        QUrl("qrc:/test_reply_icons.qml"));
    std::unique_ptr<QObject> window(component.create());
    ASSERT_TRUE(window) << component.errorString().toStdString();
    auto* quick = qobject_cast<QQuickWindow*>(window.get());
    ASSERT_TRUE(quick);
    QList<ReplyImage*> items;
    std::function<void(QQuickItem*)> collect = [&](QQuickItem* item) {
        if (auto* image = qobject_cast<ReplyImage*>(item))
            items << image;
        for (QQuickItem* c : item->childItems())
            collect(c);
    };
    collect(quick->contentItem());
    ASSERT_EQ(items.size(), 30);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            for (ReplyImage* i : items)
                if (i->status() != ReplyImage::Error)
                    return false;
            return true;
        },
        10000));
    // Shown again at another size: refused at once, not logged again.
    items.first()->setSize(QSizeF(30, 30));
    EXPECT_TRUE(QTest::qWaitFor([&] { return items.first()->status() == ReplyImage::Error; }, 5000));
    QCoreApplication::processEvents();
    qInstallMessageHandler(previous);
    EXPECT_EQ(warnings.size(), 2) << warnings.join("\n").toStdString();
}
