// Route objects of the user interface's URLs. Expected members are written out
// from the routing rules and Qt's documented URL forms (pretty-decoded query
// and fragment, fully decoded host and path).
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

#include "shell/hroute.h"

namespace {

QJsonObject map(std::initializer_list<std::pair<const char*, const char*>> items)
{
    QJsonObject o;
    for (const auto& i : items)
        o.insert(QString::fromUtf8(i.first), QString::fromUtf8(i.second));
    return o;
}

struct RouteCase {
    const char* in;
    const char* url;
    const char* scheme;
    const char* host;
    int port;
    const char* path;
    const char* query;
    const char* fragment;
    const char* url_query;
    const char* path_query;
    const char* query_all;
    QJsonObject query_map;
};

TEST(HRoute, EveryMemberOfTheRouteObject)
{
    const RouteCase cases[] = {
        {"app://qml/qml/QRankingView.qml?tab=1100#block=1101&field=34&sort=0",
         "app://qml/qml/QRankingView.qml?tab=1100#block=1101&field=34&sort=0", "app", "qml", -1,
         "/qml/QRankingView.qml", "tab=1100", "block=1101&field=34&sort=0", "app://qml/qml/QRankingView.qml?tab=1100",
         "/qml/QRankingView.qml?tab=1100", "tab=1100&block=1101&field=34&sort=0",
         map({{"tab", "1100"}, {"block", "1101"}, {"field", "34"}, {"sort", "0"}})},
        {"app://curview/?#chart=f10", "app://curview/?#chart=f10", "app", "curview", -1, "/", "", "chart=f10",
         "app://curview/?", "/", "chart=f10", map({{"chart", "f10"}})},
        {"app://curview/?#view=chart1&chart=kline&cycle=39", "app://curview/?#view=chart1&chart=kline&cycle=39", "app",
         "curview", -1, "/", "", "view=chart1&chart=kline&cycle=39", "app://curview/?", "/",
         "view=chart1&chart=kline&cycle=39", map({{"view", "chart1"}, {"chart", "kline"}, {"cycle", "39"}})},
        // The fragment's value wins; percent-encoded UTF-8 shows decoded.
        {"app://findview/qml/MQView.qml?code=600000&market=1#code=000001&name=%E5%B9%B3%E5%AE%89",
         "app://findview/qml/MQView.qml?code=600000&market=1#code=000001&name=平安", "app", "findview", -1,
         "/qml/MQView.qml", "code=600000&market=1", "code=000001&name=平安",
         "app://findview/qml/MQView.qml?code=600000&market=1", "/qml/MQView.qml?code=600000&market=1",
         "code=600000&market=1&code=000001&name=平安", map({{"code", "000001"}, {"market", "1"}, {"name", "平安"}})},
        {"app://quorvex/show?id=7", "app://quorvex/show?id=7", "app", "quorvex", -1, "/show", "id=7", "",
         "app://quorvex/show?id=7", "/show?id=7", "id=7", map({{"id", "7"}})},
        // No query and no fragment.
        {"app://qml/qml/MyStockView.qml", "app://qml/qml/MyStockView.qml", "app", "qml", -1, "/qml/MyStockView.qml", "",
         "", "app://qml/qml/MyStockView.qml", "/qml/MyStockView.qml", "", map({})},
        // Only a fragment.
        {"app://qml/qml/MQView.qml#chart=kline", "app://qml/qml/MQView.qml#chart=kline", "app", "qml", -1,
         "/qml/MQView.qml", "", "chart=kline", "app://qml/qml/MQView.qml", "/qml/MQView.qml", "chart=kline",
         map({{"chart", "kline"}})},
        // Web routes: port, decoded path; a "+" stays; an item without "=" maps to "".
        {"https://news.example:8443/a%20b/list.html?page=2&q=1+2#top",
         "https://news.example:8443/a b/list.html?page=2&q=1+2#top", "https", "news.example", 8443, "/a b/list.html",
         "page=2&q=1+2", "top", "https://news.example:8443/a b/list.html?page=2&q=1+2", "/a b/list.html?page=2&q=1+2",
         "page=2&q=1+2&top", map({{"page", "2"}, {"q", "1+2"}, {"top", ""}})},
        {"http://127.0.0.1:7710/f10.html?code=600000&&market=1", "http://127.0.0.1:7710/f10.html?code=600000&&market=1",
         "http", "127.0.0.1", 7710, "/f10.html", "code=600000&&market=1", "",
         "http://127.0.0.1:7710/f10.html?code=600000&&market=1", "/f10.html?code=600000&&market=1",
         "code=600000&&market=1", map({{"code", "600000"}, {"market", "1"}})},
        // Nothing to parse, or nothing parsable: empty parts.
        {"", "", "", "", -1, "", "", "", "", "", "", map({})},
        {"http://[::1/x?a=1", "", "", "", -1, "", "", "", "", "", "", map({})},
    };
    for (const RouteCase& c : cases) {
        SCOPED_TRACE(c.in);
        const QJsonObject r = HRoute::route(QString::fromUtf8(c.in));
        EXPECT_EQ(r.value("url").toString(), QString::fromUtf8(c.url));
        EXPECT_EQ(r.value("scheme").toString(), QString::fromUtf8(c.scheme));
        EXPECT_EQ(r.value("host").toString(), QString::fromUtf8(c.host));
        EXPECT_EQ(r.value("port").toInt(), c.port);
        EXPECT_TRUE(r.value("port").isDouble());
        EXPECT_EQ(r.value("path").toString(), QString::fromUtf8(c.path));
        EXPECT_EQ(r.value("query").toString(), QString::fromUtf8(c.query));
        EXPECT_EQ(r.value("fragment").toString(), QString::fromUtf8(c.fragment));
        EXPECT_EQ(r.value("url_query").toString(), QString::fromUtf8(c.url_query));
        EXPECT_EQ(r.value("path_query").toString(), QString::fromUtf8(c.path_query));
        EXPECT_EQ(r.value("query_all").toString(), QString::fromUtf8(c.query_all));
        EXPECT_EQ(r.value("query_map").toObject(), c.query_map)
            << QJsonDocument(r.value("query_map").toObject()).toJson().toStdString();
        EXPECT_EQ(r.size(), 11);
    }
}

// Values built from data arrive percent-encoded; each key and value is decoded
// after splitting, so "&", "#", "=" and "%" inside a name survive.
TEST(HRoute, EncodedKeysAndValuesSurviveSplitting)
{
    const QJsonObject r = HRoute::route(QStringLiteral(
        "app://curview/?name=A%26B%3DC&g%23=%25&x=100%25#title=%E6%88%91%E7%9A%84%23%E8%87%AA%E9%80%89&active=add"));
    const QJsonObject want =
        map({{"name", "A&B=C"}, {"g#", "%"}, {"x", "100%"}, {"title", "我的#自选"}, {"active", "add"}});
    EXPECT_EQ(r.value("query_map").toObject(), want)
        << QJsonDocument(r.value("query_map").toObject()).toJson().toStdString();
    // Plain values come through unchanged, "=" after the first one included.
    EXPECT_EQ(HRoute::queryMap(QStringLiteral("json={\"a\":1}&k=a=b")), map({{"json", "{\"a\":1}"}, {"k", "a=b"}}));
    HRoute route;
    EXPECT_EQ(route.getRoute(QStringLiteral("app://curview/?#a=1")).toJsonObject().value("host").toString(),
              QStringLiteral("curview"));
}

}  // namespace
