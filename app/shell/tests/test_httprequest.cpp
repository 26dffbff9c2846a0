// HttpRequest against the local back end: states and signals in their order
// for every method, failures, time-outs, gzip bodies, URL templates, cookies
// and the lifetime of replies.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QNetworkAccessManager>
#include <QNetworkCookie>
#include <QNetworkReply>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QTest>

#include "httptestsupport.h"
#include "ownprocess.h"
#include "shell/httprequestfactory.h"
#include "shell/networkcookiejar.h"
#include "shell/qbaseservice.h"

namespace {

class HttpRequestTest : public ::testing::Test {
protected:
    explicit HttpRequestTest(std::vector<std::string> options = {}) : server_("backend", options) {}
    QString url(const QString& path) const { return backendBase(server_) + path; }
    ServerProcess server_;
    QNetworkAccessManager manager_;
};

// The signals of one whole request, as the request's rules order them.
TEST_F(HttpRequestTest, EveryMethodGoesThroughItsStatesInOrder)
{
    RUN_IN_OWN_PROCESS();
    struct Case {
        const char* method;
        const char* body;
        bool echoed;  // the reply has a body
    };
    const Case cases[] = {
        {"GET", "", true}, {"post", "a=1&b=2", true}, {"PUT", "text", true}, {"DELETE", "", true}, {"HEAD", "", false}};
    for (const Case& c : cases) {
        HttpRequest request(&manager_);
        SignalLog log(&request);
        request.open(QString::fromLatin1(c.method), QUrl(url("/echo?m=1")));
        EXPECT_EQ(request.readyState(), HttpRequest::UnStart);
        request.send(QString::fromLatin1(c.body));
        EXPECT_EQ(request.readyState(), HttpRequest::Loading) << c.method;
        ASSERT_TRUE(waitForEnd(&request)) << c.method;
        QStringList expected{"abort", "started", "readyStateChanged"};
        if (c.echoed)
            expected << "responseTextChanged";
        expected << "statusChanged"
                 << "readyStateChanged"
                 << "finished";
        EXPECT_EQ(log.names, expected) << c.method << ": " << log.names.join(",").toStdString();
        EXPECT_EQ(request.readyState(), HttpRequest::Finished);
        EXPECT_EQ(int(request.status()), 200);
        EXPECT_EQ(request.statusText(), QString());
        if (c.echoed) {
            const QJsonObject echo = jsonOf(request.responseText());
            EXPECT_EQ(echo["method"].toString(), QString::fromLatin1(c.method).toUpper());
            EXPECT_EQ(echo["body"].toString(), QString::fromLatin1(c.body));
        }
    }
}

TEST_F(HttpRequestTest, AnInvalidMethodSendsNothingAndSaysNothing)
{
    RUN_IN_OWN_PROCESS();
    HttpRequest request(&manager_);
    request.open("PATCH", QUrl(url("/echo")));
    SignalLog log(&request);
    request.send();
    QCoreApplication::processEvents();
    EXPECT_TRUE(log.names.isEmpty()) << log.names.join(",").toStdString();
    EXPECT_EQ(request.readyState(), HttpRequest::UnStart);

    HttpRequest unbound;
    SignalLog unboundLog(&unbound);
    unbound.open("GET", QUrl(url("/echo")));
    unbound.send();
    EXPECT_EQ(unboundLog.names, (QStringList{"abort", "error"}));
}

class SlowBackendTest : public HttpRequestTest {
protected:
    SlowBackendTest() : HttpRequestTest({"--delay", "/api/marque", "400"}) {}
};

TEST_F(SlowBackendTest, ATimeOutAbortsTheReplyThenSignalsTimeout)
{
    RUN_IN_OWN_PROCESS();
    HttpRequest request(&manager_);
    request.open("GET", QUrl(url("/api/marque")));
    request.setTimeout(50);
    SignalLog log(&request);
    request.send();
    ASSERT_TRUE(waitForEnd(&request));
    QCoreApplication::processEvents();
    EXPECT_EQ(log.names, (QStringList{"started", "readyStateChanged", "abort", "statusChanged", "readyStateChanged",
                                      "statusTextChanged", "error", "timeout"}))
        << log.names.join(",").toStdString();
    EXPECT_EQ(request.status(), HttpRequest::OperationCanceledError);
    EXPECT_EQ(request.readyState(), HttpRequest::Error);
}

TEST_F(SlowBackendTest, ZeroTimeOutWaitsAndASecondSendWhileLoadingIsIgnored)
{
    RUN_IN_OWN_PROCESS();
    HttpRequest request(&manager_);
    request.open("GET", QUrl(url("/api/marque")));
    request.setTimeout(0);
    SignalLog log(&request);
    request.send();
    request.setTimeout(10);  // ignored while loading
    request.send();
    EXPECT_EQ(request.getTimeout(), 0);
    ASSERT_TRUE(waitForEnd(&request));
    EXPECT_EQ(log.names.count("started"), 1);
    EXPECT_EQ(log.names.count("timeout"), 0);
    EXPECT_EQ(jsonOf(request.responseText())["result"].toString(), "true");
}

// The time-out of a send cleared away does not abort the next send.
TEST_F(SlowBackendTest, AClearedSendsTimeOutLeavesTheNextSendAlone)
{
    RUN_IN_OWN_PROCESS();
    HttpRequest request(&manager_);
    request.open("GET", QUrl(url("/api/marque")));
    request.setTimeout(150);
    request.send();
    request.clear();
    request.open("GET", QUrl(url("/api/marque")));
    request.setTimeout(0);
    SignalLog log(&request);
    request.send();
    ASSERT_TRUE(waitForEnd(&request));
    EXPECT_EQ(log.names.count("timeout"), 0) << log.names.join(",").toStdString();
    EXPECT_EQ(log.names.count("abort"), 0) << log.names.join(",").toStdString();
    EXPECT_EQ(jsonOf(request.responseText())["result"].toString(), "true");
}

TEST_F(HttpRequestTest, AGzipBodyReadsAsItsUnpackedText)
{
    RUN_IN_OWN_PROCESS();
    HttpRequest plain(&manager_);
    plain.open("GET", QUrl(url("/api/notice?type=3")));
    plain.send();
    ASSERT_TRUE(waitForEnd(&plain));
    server_.control("gzip on");
    ASSERT_TRUE(server_.wait_line("ok gzip on"));
    HttpRequest packed(&manager_);
    packed.open("GET", QUrl(url("/api/notice?type=3")));
    packed.send();
    ASSERT_TRUE(waitForEnd(&packed));
    EXPECT_EQ(int(packed.status()), 200);
    bool octets = false;
    for (const auto& h : packed.getAllResponseHeader())
        octets = octets || h.toObject().value("Content-Type").toString() == "application/octet-stream";
    EXPECT_TRUE(octets) << "the body did not come packed";
    EXPECT_FALSE(plain.responseText().isEmpty());
    EXPECT_EQ(packed.responseText(), plain.responseText());
}

// A request that keeps rows: its JSON body, packed or not, reads with every
// list cut (the research rows newest first), in the same order of signals;
// a body that is no JSON reads as it came; a request cleared meanwhile hears
// nothing of the reply.
TEST_F(HttpRequestTest, KeptRowsReadCutInTheSameOrderOfSignals)
{
    RUN_IN_OWN_PROCESS();
    for (const char* gzip : {"off", "on"}) {
        SCOPED_TRACE(gzip);
        server_.control(std::string("gzip ") + gzip);
        ASSERT_TRUE(server_.wait_line(std::string("ok gzip ") + gzip));
        HttpRequest whole(&manager_);
        whole.open("GET", QUrl(url("/api/research_list?code=600000&market=1")));
        whole.send();
        ASSERT_TRUE(waitForEnd(&whole));
        const QJsonArray all = jsonOf(whole.responseText())["data"].toArray();
        ASSERT_GE(all.size(), 3);

        HttpRequest kept(&manager_);
        kept.setKeepRows(2);
        SignalLog log(&kept);
        kept.open("GET", QUrl(url("/api/research_list?code=600000&market=1")));
        kept.send();
        ASSERT_TRUE(waitForEnd(&kept));
        EXPECT_EQ(log.names, QStringList({"abort", "started", "readyStateChanged", "responseTextChanged",
                                          "statusChanged", "readyStateChanged", "finished"}))
            << log.names.join(",").toStdString();
        const QJsonObject cut = jsonOf(kept.responseText());
        EXPECT_EQ(cut["code"].toString(), QString("0000"));
        // The back end's rows come newest first: the first two are the newest.
        EXPECT_EQ(cut["data"].toArray(), QJsonArray({all[0], all[1]}));
    }
    server_.control("gzip off");
    ASSERT_TRUE(server_.wait_line("ok gzip off"));

    server_.control("answer /api/board " + QByteArray("<html>not json</html>").toHex().toStdString());
    ASSERT_TRUE(server_.wait_prefix("ok answer /api/board"));
    HttpRequest text(&manager_);
    text.setKeepRows(2);
    text.open("GET", QUrl(url("/api/board")));
    text.send();
    ASSERT_TRUE(waitForEnd(&text));
    EXPECT_EQ(text.responseText(), QString("<html>not json</html>"));

    // Cleared right after its reply ended, while the text is on a worker.
    HttpRequest cleared(&manager_);
    cleared.setKeepRows(2);
    SignalLog clearedLog(&cleared);
    cleared.open("GET", QUrl(url("/api/research_list?code=600000&market=1")));
    cleared.send();
    const QList<QNetworkReply*> replies = manager_.findChildren<QNetworkReply*>();
    ASSERT_FALSE(replies.isEmpty());
    bool ended = false;
    QObject::connect(replies.last(), &QNetworkReply::finished, &cleared, [&] {
        cleared.clear();  // after the request's own handler: the body is on its way to a worker
        ended = true;
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return ended; }, 10000));
    // A later request's whole answer comes after the worker's.
    HttpRequest later(&manager_);
    later.setKeepRows(2);
    later.open("GET", QUrl(url("/api/research_list?code=600000&market=1")));
    later.send();
    ASSERT_TRUE(waitForEnd(&later));
    QCoreApplication::processEvents();
    EXPECT_FALSE(clearedLog.names.contains("finished")) << clearedLog.names.join(",").toStdString();
    EXPECT_EQ(cleared.readyState(), HttpRequest::UnStart);
}

// Members made by Python's gzip.compress("你好 gzip", mtime=0); the second has
// its trailer size set to 0, so it is read as its raw bytes.
TEST_F(HttpRequestTest, GzipMembersOfOtherMakersAndASizeOfZero)
{
    RUN_IN_OWN_PROCESS();
    const QByteArray member = "1f8b08000000000002037bb277c1d3a57b15d2ab320b0021985cc10b000000";
    const QByteArray sizeZero = "1f8b08000000000002037bb277c1d3a57b15d2ab320b0021985cc100000000";
    const std::pair<QByteArray, QString> cases[] = {
        {member, QString::fromUtf8("你好 gzip")},
        {sizeZero, QString::fromUtf8(QByteArray::fromHex(sizeZero))},
        {"7b7d", "{}"},
    };
    for (const auto& c : cases) {
        HttpRequest request(&manager_);
        request.open("GET", QUrl(url("/bytes?hex=" + QString::fromLatin1(c.first))));
        request.send();
        ASSERT_TRUE(waitForEnd(&request));
        EXPECT_EQ(request.responseText(), c.second) << c.first.toStdString();
    }
}

// A reply over the request's cap fails clearly and keeps no body, whether it
// comes in large or inflates past the cap (gzip of "[0,0,...]", 603 bytes).
TEST_F(HttpRequestTest, RepliesOverTheCapFail)
{
    RUN_IN_OWN_PROCESS();
    const QByteArray packed = "1f8b08000000000002038b36d01985a390063016007c644a515b020000";
    struct Case {
        QString path;
        qint64 cap;
        HttpRequest::State state;
        int length;  // of the text read
    };
    const Case cases[] = {
        {"/bytes?hex=" + QString(QByteArray(200, 'a').toHex()), 100, HttpRequest::Error, 0},
        {"/bytes?hex=" + QString(QByteArray(200, 'a').toHex()), 200, HttpRequest::Finished, 200},
        {"/bytes?hex=" + QString::fromLatin1(packed), 100, HttpRequest::Error, 0},
        {"/bytes?hex=" + QString::fromLatin1(packed), 603, HttpRequest::Finished, 603},
    };
    for (const Case& c : cases) {
        HttpRequest request(&manager_);
        EXPECT_EQ(request.maxReplySize(), 32 * 1024 * 1024);
        request.setMaxReplySize(0);  // refused
        request.setMaxReplySize(c.cap);
        request.open("GET", QUrl(url(c.path)));
        request.send();
        ASSERT_TRUE(waitForEnd(&request)) << c.path.toStdString();
        EXPECT_EQ(request.readyState(), c.state) << c.cap << " " << c.path.toStdString();
        EXPECT_EQ(request.responseText().size(), c.length) << c.cap;
        if (c.state == HttpRequest::Error) {
            EXPECT_EQ(int(request.status()), int(HttpRequest::UnknownContentError));
            EXPECT_EQ(request.statusText(), QString("reply larger than %1 bytes").arg(c.cap));
        }
    }
}

TEST_F(HttpRequestTest, NoContentRedirectsAndHttpFailures)
{
    RUN_IN_OWN_PROCESS();
    struct Case {
        const char* path;
        int status;
        HttpRequest::State state;
    };
    const Case cases[] = {
        {"/status/204", 200, HttpRequest::Finished},
        {"/redirect?to=%2Fapi%2Ffast_menu", 200, HttpRequest::Finished},
        {"/status/404", HttpRequest::ContentNotFoundError, HttpRequest::Error},
        {"/status/503", HttpRequest::ServiceUnavailableError, HttpRequest::Error},
        {"/status/500", HttpRequest::InternalServerError, HttpRequest::Error},
        // A 3xx the manager does not follow is a failure, not an empty success.
        {"/status/300", HttpRequest::UnknownContentError, HttpRequest::Error},
    };
    for (const Case& c : cases) {
        HttpRequest request(&manager_);
        request.open("GET", QUrl(url(QString::fromLatin1(c.path))));
        request.send();
        ASSERT_TRUE(waitForEnd(&request)) << c.path;
        EXPECT_EQ(int(request.status()), c.status) << c.path;
        EXPECT_EQ(request.readyState(), c.state) << c.path;
        EXPECT_EQ(request.statusText().isEmpty(), c.state == HttpRequest::Finished) << c.path;
    }
    HttpRequest moved(&manager_);
    moved.open("GET", QUrl(url("/redirect?to=%2Fapi%2Ffast_menu")));
    moved.send();
    ASSERT_TRUE(waitForEnd(&moved));
    EXPECT_TRUE(moved.responseText().startsWith("[{\"name\""));
}

TEST_F(HttpRequestTest, TemplatesTakeTheLoginInfoThenTheBaseInfoEncoded)
{
    RUN_IN_OWN_PROCESS();
    QBaseService().setLoginInfo(
        QJsonObject{{"user", QJsonObject{{"id", 7}}}, {"pw", QString::fromUtf8("a&b=c+d%中")}, {"appName", ""}});
    HttpRequest request(&manager_);
    request.open("GET", QUrl(url("/echo?u={{user.id}}&v={{appVer}}&n={{appName}}&w={{nothing}}&x={{user.id}}"
                                 "&p={{pw}}&k={{a-b}}")));
    request.send();
    ASSERT_TRUE(waitForEnd(&request));
    EXPECT_EQ(jsonOf(request.responseText())["target"].toString(),
              "/echo?u=7&v=tarvo_winpc_tax1_1.000006&n=Tarvolin&w=&x=7&p=a%26b%3Dc%2Bd%25%E4%B8%AD&k=%7B%7Ba-b%7D%7D");
    EXPECT_EQ(fillUrlTemplates("http://h/?a=%7b%7buser.id%7d%7d"), "http://h/?a=%7b%7buser.id%7d%7d");
}

TEST_F(HttpRequestTest, RequestCookiesHeadersAndTheJar)
{
    RUN_IN_OWN_PROCESS();
    HttpRequest request(&manager_);
    request.open("GET", QUrl(url("/echo")));
    request.setRequestCookies(QJsonObject{{"a", "1"}, {"b", "x"}, {"n", 5}});
    request.setRequestHeader(QJsonObject{{"X-One", "1"}, {"X-Num", 2}});
    request.setRequestHeader("X-Two", "zwei");
    EXPECT_EQ(request.getRequestHeader("Cookie"), "a=1; b=x; n=; ");
    EXPECT_EQ(request.getRequestHeader("X-Missing"), QString());
    request.send();
    ASSERT_TRUE(waitForEnd(&request));
    const QJsonObject headers = jsonOf(request.responseText())["headers"].toObject();
    // The server's parser trims the blank at the end of a header value.
    EXPECT_EQ(headers["cookie"].toString(), "a=1; b=x; n=;");
    EXPECT_EQ(headers["x-one"].toString(), "1");
    EXPECT_EQ(headers["x-num"].toString(), "");
    EXPECT_EQ(headers["x-two"].toString(), "zwei");

    // With a jar, each request carries the cookies of its own URL only.
    auto* jar = new NetworkCookieJar;
    manager_.setCookieJar(jar);
    QNetworkCookie other("elsewhere", "1");
    other.setDomain("other.example");
    other.setPath("/");
    jar->insertCookie(other);
    HttpRequest setter(&manager_);
    setter.open("GET", QUrl(url("/cookie?name=s&value=42")));
    setter.send();
    ASSERT_TRUE(waitForEnd(&setter));
    HttpRequest reader(&manager_);
    reader.open("GET", QUrl(url("/echo")));
    reader.send();
    ASSERT_TRUE(waitForEnd(&reader));
    EXPECT_EQ(jsonOf(reader.responseText())["headers"].toObject()["cookie"].toString(), "s=42");
    // A Cookie header the caller set wins over the jar.
    HttpRequest own(&manager_);
    own.open("GET", QUrl(url("/echo")));
    own.setRequestCookies(QJsonObject{{"a", "1"}});
    own.send();
    ASSERT_TRUE(waitForEnd(&own));
    EXPECT_EQ(jsonOf(own.responseText())["headers"].toObject()["cookie"].toString(), "a=1;");

    jar->save();
    QFile file(NetworkCookieJar::cookieFilePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QByteArray expected;
    for (const QNetworkCookie& c :
         jar->cookiesForUrl(QUrl("http://other.example/")) + jar->cookiesForUrl(QUrl(url("/"))))
        expected += c.toRawForm() + "\n";
    EXPECT_EQ(file.readAll(), expected);
    EXPECT_EQ(QFile(NetworkCookieJar::cookieFilePath().section('/', 0, -2)).permissions() & 0x0077, 0);
}

int liveReplies(const QNetworkAccessManager& manager)
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return manager.findChildren<QNetworkReply*>().size();
}

TEST_F(HttpRequestTest, RepliesGoWhenReplacedAndWithTheRequest)
{
    RUN_IN_OWN_PROCESS();
    {
        HttpRequest request(&manager_);
        for (int i = 0; i < 3; ++i) {
            request.open("GET", QUrl(url("/api/fast_menu")));
            request.send();
            ASSERT_TRUE(waitForEnd(&request));
            EXPECT_LE(liveReplies(manager_), 1) << "after send " << i;
        }
        EXPECT_EQ(request.getAllResponseHeader().isEmpty(), false);
    }
    EXPECT_EQ(liveReplies(manager_), 0);
}

TEST_F(HttpRequestTest, FactoryAndDeclaredRequestsUseTheEngineManager)
{
    RUN_IN_OWN_PROCESS();
    QQmlEngine engine;
    HttpRequestFactory factory(&engine);
    HttpRequest* made = factory.create();
    EXPECT_EQ(made->networkAccessManager(), engine.networkAccessManager());
    EXPECT_EQ(QQmlEngine::objectOwnership(made), QQmlEngine::JavaScriptOwnership);
    delete made;

    qmlRegisterType<HttpRequest>("Network", 1, 0, "HttpRequest");
    QQmlComponent component(&engine);
    component.setData("import Network 1.0\nHttpRequest {}\n", QUrl());
    std::unique_ptr<QObject> declared(component.create());
    ASSERT_TRUE(declared) << component.errorString().toStdString();
    EXPECT_EQ(static_cast<HttpRequest*>(declared.get())->networkAccessManager(), engine.networkAccessManager());
}

}  // namespace
