// The request manager: task ids, verbs, header lines, stages and time-outs.
#include <gtest/gtest.h>

#include <QTcpServer>
#include <QUrl>

#include "helpers.h"
#include "httprequestmanager.h"
#include "testhttp.h"

namespace {

class Recorder : public FCHttpRequestManager {
public:
    QStringList stages;
    QList<FCHttpResponseInfo> finished;
    QList<QByteArray> bodies;

protected:
    void OnRequestSent(FCHttpRequest& r) override { stages << QStringLiteral("sent %1").arg(r.taskId()); }
    void OnRequestFinished(FCHttpRequest& r) override
    {
        stages << QStringLiteral("finished %1").arg(r.taskId());
        finished << r.response();
        bodies << ReceiveBody(r);
    }
    void OnRequestTimeout(FCHttpRequest& r) override { stages << QStringLiteral("timeout %1").arg(r.taskId()); }
};

}  // namespace

TEST(QuorvexHttp, TaskIdsVerbsHeadersAndStages)
{
    LoopbackHttp http;
    http.set("/a", CannedAnswer{200, "hello", 0, false});
    Recorder m;
    const struct {
        int verb;
        QByteArray body;
        const char* method;
    } cases[] = {{0, "", "GET"}, {1, "x=1", "POST"}, {2, "", "POST"}, {3, "", "DELETE"}, {7, "", "GET"}};
    int expectedId = 100;
    for (const auto& c : cases) {
        FCHttpRequestHeader h;
        h.verb = c.verb;
        h.body = c.body;
        h.url = http.base() + "/a";
        h.headers = "X-One: 1\r\nX-Two: two words\r\n";
        h.rangeStart = c.verb == 0 ? 17 : 0;
        h.userAgent = "QuorvexTest/1";
        const int id = m.AddRequest(h);
        EXPECT_EQ(expectedId++, id);
        EXPECT_NE(nullptr, m.FindRequest(id));
        ASSERT_TRUE(waitUntil([&] { return m.FindRequest(id) == nullptr; })) << c.method;
        const SeenRequest& r = http.seen().last();
        EXPECT_EQ(c.method, r.method);
        EXPECT_EQ(c.body, r.body);
        if (!c.body.isEmpty()) {
            EXPECT_EQ(QByteArray::number(c.body.size()), r.header("Content-Length"));
        }
        EXPECT_EQ("1", r.header("X-One"));
        EXPECT_EQ("two words", r.header("X-Two"));
        EXPECT_EQ(c.verb == 0 ? QByteArray("bytes=17-") : QByteArray(), r.header("Range"));
        EXPECT_EQ("QuorvexTest/1", r.header("User-Agent"));
    }
    EXPECT_EQ((QStringList{"sent 100", "finished 100", "sent 101", "finished 101", "sent 102", "finished 102",
                           "sent 103", "finished 103", "sent 104", "finished 104"}),
              m.stages);
    EXPECT_EQ(200, m.finished[0].status);
    EXPECT_EQ(5, m.finished[0].contentLength);
    EXPECT_EQ("application/json", m.finished[0].contentType);
    EXPECT_EQ(1, m.finished[0].readOk);
    EXPECT_EQ("hello", m.bodies[0]);
}

TEST(QuorvexHttp, FailuresTimeoutsAndDeletes)
{
    LoopbackHttp http;
    http.set("/short", CannedAnswer{200, "abc", 10, false});
    http.set("/silent", CannedAnswer{200, "", 0, true});
    http.set("/err", CannedAnswer{500, "oops", 0, false});
    Recorder m;
    FCHttpRequestHeader h;
    h.url = http.base() + "/short";
    int id = m.AddRequest(h);
    ASSERT_TRUE(waitUntil([&] { return !m.FindRequest(id); }));
    EXPECT_EQ(200, m.finished.last().status);
    EXPECT_EQ(0, m.finished.last().readOk) << "a body shorter than declared";

    h.url = http.base() + "/err";
    id = m.AddRequest(h);
    ASSERT_TRUE(waitUntil([&] { return !m.FindRequest(id); }));
    EXPECT_EQ(500, m.finished.last().status);
    EXPECT_EQ(1, m.finished.last().readOk);
    EXPECT_EQ("oops", m.bodies.last());

    // Nobody listening: finished with status -1.
    h.url = QStringLiteral("http://127.0.0.1:%1/x").arg(closedPort());
    id = m.AddRequest(h);
    ASSERT_TRUE(waitUntil([&] { return !m.FindRequest(id); }));
    EXPECT_EQ(-1, m.finished.last().status);
    EXPECT_EQ(0, m.finished.last().readOk);

    // A time-out drops the request without finishing it.
    m.stages.clear();
    h.url = http.base() + "/silent";
    h.timeoutMs = 50;
    id = m.AddRequest(h);
    ASSERT_TRUE(waitUntil([&] { return !m.FindRequest(id); }));
    EXPECT_EQ(QStringList{QStringLiteral("timeout %1").arg(id)}, m.stages);

    // A deleted request reports nothing more.
    h.timeoutMs = 0;
    id = m.AddRequest(h);
    ASSERT_TRUE(waitUntil([&] { return http.seen().size() == 4; }));
    m.DeleteRequest(id);
    EXPECT_EQ(nullptr, m.FindRequest(id));
    QCoreApplication::processEvents();
    EXPECT_EQ(QStringList{QStringLiteral("timeout %1").arg(id - 1)}, m.stages);
}

TEST(QuorvexHttp, HeaderLinesWithBreaksAreRefused)
{
    QList<QPair<QByteArray, QByteArray>> out;
    EXPECT_TRUE(FCHttpRequestManager::ParseHeaderLines("A: 1\r\nB:2\r\n", &out));
    EXPECT_EQ(2, out.size());
    EXPECT_TRUE(FCHttpRequestManager::ParseHeaderLines("", &out));
    EXPECT_TRUE(out.isEmpty());
    for (const char* bad : {"A: 1\nB: 2\r\n", "A: 1\rB\r\n", ": x\r\n", "NoColon\r\n", "A: 1\r\n\r\nB: 2\r\n"})
        EXPECT_FALSE(FCHttpRequestManager::ParseHeaderLines(bad, &out)) << bad;
}

TEST(QuorvexHttp, ProxyGetsTheWholeUrl)
{
    LoopbackHttp proxy;
    proxy.set("http://quotes.invalid/a", CannedAnswer{200, "via proxy", 0, false});
    Recorder m;
    FCHttpRequestHeader h;
    h.url = "http://quotes.invalid/a";
    h.proxyHost = "127.0.0.1";
    h.proxyPort = QUrl(proxy.base()).port();
    const int id = m.AddRequest(h);
    ASSERT_TRUE(waitUntil([&] { return !m.FindRequest(id); }));
    ASSERT_EQ(1, proxy.seen().size());
    EXPECT_EQ("quotes.invalid", proxy.seen()[0].header("Host"));
    EXPECT_EQ("via proxy", m.bodies.value(0));
}
