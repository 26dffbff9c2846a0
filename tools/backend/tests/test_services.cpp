// Each service of the local back end answers with the fields its callers rely
// on; the expected values follow the documented rules of the synthetic market
// (Shanghai stock i = 600000 + i, Shenzhen stock j = 000001 + j).
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "httpclient.h"
#include "serverprocess.h"
#include "syntheticmarket.h"

namespace {

const char* const kQuoteUrl = "tcp://127.0.0.1:7709/?auto_delay=1000&encrypt_key=varnoquel";

class BackendServices : public ::testing::Test {
protected:
    BackendServices() : server_("backend", {"--quote-url", kQuoteUrl, "--account", "li", "p&=+ %中"}) {}
    int port() const { return server_.port(); }
    std::string base() const { return "http://127.0.0.1:" + std::to_string(port()); }
    ServerProcess server_;
};

TEST_F(BackendServices, ControlEndpointNamesEveryServiceOnThisServer)
{
    ASSERT_GT(port(), 0);
    const TestReply reply = http_get(port(), "/v3clientcontrol?appName=Tarvolin&appVer=1");
    ASSERT_EQ(reply.status, 200);
    const auto doc = reply.json();
    ASSERT_TRUE(doc.IsObject() && doc.HasMember("url") && doc["url"].IsObject()) << reply.body;
    const auto& url = doc["url"];
    // Every address key, and the path it must answer JSON (or a page) on.
    const std::vector<std::pair<const char*, const char*>> keys = {
        {"login", nullptr},
        {"mystock", nullptr},
        {"formula", "{"},
        {"stock_pool", "["},
        {"board", "{"},
        {"stock_rating", "{"},
        {"stock_rzrq", "["},
        {"heartbeat", "{"},
        {"user_action", nullptr},
        {"fast_menu", "["},
        {"marque", "{"},
        {"notice", "{"},
        {"market_total", "{"},
        {"stock_news_list", nullptr},
        {"stock_news_view", nullptr},
        {"research_list", nullptr},
        {"research_view", nullptr},
        {"f9", nullptr},
        {"f10", nullptr},
        {"f11", nullptr},
        {"condition_stock", nullptr},
        {"update1", "{"},
    };
    for (const auto& k : keys) {
        const std::string address = text_of(url, k.first);
        ASSERT_EQ(address.compare(0, base().size(), base()), 0) << k.first << " = " << address;
        if (!k.second)
            continue;
        const TestReply answer = http_get(port(), address.substr(base().size()));
        EXPECT_EQ(answer.status, 200) << k.first;
        EXPECT_EQ(answer.body.compare(0, 1, k.second), 0) << k.first << ": " << answer.body.substr(0, 80);
        EXPECT_FALSE(answer.json().HasParseError()) << k.first;
    }
    ASSERT_TRUE(url["start_image"].IsArray());
    ASSERT_EQ(url["start_image"].Size(), 2u);
    const TestReply image = http_get(port(), std::string(url["start_image"][0].GetString()).substr(base().size()));
    EXPECT_EQ(image.body.compare(0, 8, std::string("\x89PNG\r\n\x1a\n", 8)), 0);
    ASSERT_TRUE(url["quote"].IsArray() && url["quote"].Size() == 1u);
    EXPECT_EQ(text_of(url["quote"][0], "url"), kQuoteUrl);
    EXPECT_NE(text_of(url["quote"][0], "name"), "<missing>");
    EXPECT_NE(text_of(url["quote"][0], "type"), "<missing>");
    EXPECT_EQ(text_of(url, "condition_stock"), base());
}

TEST_F(BackendServices, SignInGivesUserIdsSessionAndMenusAsTexts)
{
    const TestReply ok =
        http_request(port(), "POST", "/api/login", "username=demo&password=demo&pcid=x&menu=v2&versionid=1",
                     {{"Content-Type", "application/x-www-form-urlencoded"}});
    const auto doc = ok.json();
    EXPECT_EQ(text_of(doc, "result"), "true") << ok.body;
    ASSERT_TRUE(doc.HasMember("user"));
    EXPECT_EQ(text_of(doc["user"], "id"), "10001");
    EXPECT_NE(text_of(doc["user"], "sid"), "<missing>");
    EXPECT_EQ(text_of(doc["user"], "sessionId"), text_of(doc, "sessionId"));
    ASSERT_TRUE(doc["menus"].IsArray() && doc["menus"].Size() > 0);
    const auto& section = doc["menus"][0]["menus"][0];
    EXPECT_TRUE(section["menus"].IsArray());
    EXPECT_NE(text_of(section["menus"][0], "active"), "<missing>");
    EXPECT_TRUE(server_.wait_line("login demo 10001"));

    const TestReply wrong = http_request(port(), "POST", "/api/login", "username=demo&password=nope",
                                         {{"Content-Type", "application/x-www-form-urlencoded"}});
    EXPECT_EQ(text_of(wrong.json(), "result"), "false");
    EXPECT_NE(text_of(wrong.json(), "info"), "<missing>");

    // The password p&=+ %中 percent-encoded by hand (中 is E4 B8 AD in UTF-8).
    const TestReply encoded =
        http_request(port(), "POST", "/api/login", "username=li&password=p%26%3D%2B%20%25%E4%B8%AD",
                     {{"Content-Type", "application/x-www-form-urlencoded"}});
    EXPECT_EQ(text_of(encoded.json(), "result"), "true") << encoded.body;
    EXPECT_EQ(text_of(encoded.json()["user"], "id"), "10002");
}

TEST_F(BackendServices, GroupEditsOfOneRequestAreSeenByTheNextGet)
{
    const std::string get = "/api/mystock?user_id=10001&cmd=get";
    auto empty = http_get(port(), get).json();
    EXPECT_EQ(text_of(empty, "code"), "0000");
    ASSERT_TRUE(empty["result"].IsArray());
    EXPECT_EQ(empty["result"].Size(), 0u);

    std::string renames = "[";
    for (int n = 1; n <= 10; ++n)
        renames += std::string(n > 1 ? "," : "") + "{\"cmd\":\"RENAME\",\"group_id\":" + std::to_string(n) +
                   ",\"group_name\":\"自选股" + std::to_string(n) + "\"}";
    renames += "]";
    const std::string update = "/api/mystock?user_id=10001&cmd=update";
    const std::vector<std::pair<std::string, std::string>> json = {{"Content-Type", "application/json"}};
    EXPECT_EQ(text_of(http_request(port(), "POST", update, renames, json).json(), "code"), "0000");
    const std::string edits =
        R"([{"cmd":"ADD","code":{"code":"600000","market_id":1},"group_id":"1","group_name":"自选股1"},)"
        R"({"cmd":"ADD","code":{"code":"000001","market_id":2},"group_id":"1","group_name":"自选股1"},)"
        R"({"cmd":"ADD","code":{"code":"600000","market_id":1},"group_id":"2","group_name":"自选股2"},)"
        R"({"cmd":"ADD","code":{"code":"600001","market_id":1},"group_id":"2","group_name":"自选股2"},)"
        R"({"cmd":"DELETE","code":{"code":"600001","market_id":1},"group_id":"2","group_name":"自选股2"},)"
        R"({"cmd":"RENAME","group_id":"3","group_name":"长线"}])";
    EXPECT_EQ(text_of(http_request(port(), "POST", update, edits, json).json(), "code"), "0000");
    EXPECT_NE(text_of(http_request(port(), "POST", update, "[{\"cmd\":", json).json(), "code"), "0000");

    const auto doc = http_get(port(), get).json();
    const auto& groups = doc["result"];
    ASSERT_EQ(groups.Size(), 10u);
    EXPECT_EQ(text_of(groups[0], "group_id"), "1");
    EXPECT_EQ(text_of(groups[0], "group_name"), "自选股1");
    EXPECT_EQ(text_of(groups[9], "group_name"), "自选股10");
    EXPECT_EQ(text_of(groups[2], "group_name"), "长线");
    // ADD puts the stock in front; a stock already held elsewhere is not added twice.
    ASSERT_EQ(groups[0]["codes"].Size(), 2u);
    EXPECT_EQ(text_of(groups[0]["codes"][0], "code"), "000001");
    EXPECT_EQ(text_of(groups[0]["codes"][0], "market_id"), "2");
    EXPECT_EQ(text_of(groups[0]["codes"][1], "code"), "600000");
    EXPECT_EQ(groups[1]["codes"].Size(), 0u);
    // Another user's groups are their own.
    EXPECT_EQ(http_get(port(), "/api/mystock?user_id=10002&cmd=get").json()["result"].Size(), 0u);
}

TEST_F(BackendServices, StartUpFilesFollowTheSyntheticMarket)
{
    const auto board = http_get(port(), "/api/board").json();
    ASSERT_TRUE(board.HasMember("boardIndex") && board["boardIndex"].IsArray());
    ASSERT_TRUE(board["boardset"]["board"].IsArray());

    // Margin trading: Shanghai i mod 3 = 0, Shenzhen j mod 4 = 0.
    const auto margin = http_get(port(), "/api/stock_rzrq").json();
    std::set<std::string> margin_codes;
    for (const auto& row : margin.GetArray())
        margin_codes.insert(text_of(row, "tradingcode"));
    EXPECT_EQ(margin_codes.size(), 67u + 38u);
    EXPECT_TRUE(margin_codes.count("600003") && margin_codes.count("000005"));
    EXPECT_FALSE(margin_codes.count("600001") || margin_codes.count("000002"));

    // Ratings: i mod 5 = 0 and j mod 5 = 0, texts cycling with i / 5.
    const auto rating = http_get(port(), "/api/stock_rating").json();
    ASSERT_EQ(rating["ratingInfos"].Size(), 40u + 30u);
    EXPECT_EQ(text_of(rating["ratingInfos"][1], "stockId"), "600005");
    EXPECT_EQ(text_of(rating["ratingInfos"][1], "rating"), "增持");

    // Stock pools: the concept blocks (885001: i mod 10 = 0 and j mod 10 = 0),
    // then one pool without stocks.
    const auto pools = http_get(port(), "/api/stock_pool").json();
    ASSERT_EQ(pools.Size(), 4u);
    const auto& first = pools[0]["stocks"];
    EXPECT_EQ(first.Size(), 20u + 15u);
    EXPECT_EQ(text_of(first[1], "tradingcode"), "600010");
    EXPECT_EQ(first[1]["exchangecode"].GetInt(), 1);
    EXPECT_EQ(text_of(first[20], "tradingcode"), "000001");
    EXPECT_EQ(pools[3]["stocks"].Size(), 0u);

    EXPECT_EQ(text_of(http_get(port(), "/api/formula?user_id=10001").json(), "code"), "0000");
}

TEST_F(BackendServices, NoticesMarqueeQuickBarAndDistribution)
{
    const std::vector<std::pair<int, unsigned>> counts = {{1, 0}, {2, 1}, {3, 3}};
    for (const auto& c : counts) {
        const auto doc =
            http_get(port(), "/api/notice?updated_time=&type=" + std::to_string(c.first) + "&cli_version=Tarvolin")
                .json();
        ASSERT_EQ(doc["notices"].Size(), c.second) << "type " << c.first;
        for (const auto& n : doc["notices"].GetArray())
            for (const char* key : {"title", "author", "pub_date", "content", "url", "updated_time"})
                EXPECT_NE(text_of(n, key), "<missing>") << key;
    }
    const auto marquee = http_get(port(), "/api/marque").json();
    EXPECT_EQ(text_of(marquee, "result"), "true");
    ASSERT_TRUE(marquee["marquee"].IsArray() && marquee["marquee"].Size() > 0);
    EXPECT_NE(text_of(marquee["marquee"][0], "title"), "<missing>");

    const auto quick_bar = http_get(port(), "/api/fast_menu").json();
    for (const auto& item : quick_bar.GetArray()) {
        EXPECT_NE(text_of(item, "name"), "<missing>");
        EXPECT_NE(text_of(item, "flag"), "<missing>");
        EXPECT_TRUE(item["style"].GetInt() >= 0 && item["style"].GetInt() <= 3);
    }

    // 350 stocks; each market's twelve rows count its rising and falling stocks.
    const auto total = http_get(port(), "/api/market_total").json();
    int all_stocks = 0;
    // 涨停 and 跌停 count the stocks sealed at their own limit: up Shanghai
    // i = 18, 71, 107 (ST, +5 %), 124, 177 and Shenzhen j = 11, 57, 104 and 131
    // (both +20 %); down i = 21, 80, 139, 198 and j = 45, 70, 122.
    const std::map<std::string, std::pair<int, int>> sealed = {
        {"HS", {9, 7}}, {"SH", {5, 4}}, {"SZ", {4, 3}}, {"CY", {2, 1}}};
    for (const char* market : {"HS", "SH", "SZ", "CY"}) {
        const auto& rows = total[market];
        ASSERT_EQ(rows.Size(), 14u) << market;
        EXPECT_EQ(text_of(rows[0], "name"), "涨停");
        EXPECT_EQ(text_of(rows[11], "name"), "跌停");
        EXPECT_EQ(rows[0]["count"].GetInt(), sealed.at(market).first) << market;
        EXPECT_EQ(rows[11]["count"].GetInt(), sealed.at(market).second) << market;
        int ups = 0, downs = 0;
        for (unsigned r = 0; r < 12; ++r)
            (rows[r]["type"].GetInt() == 1 ? ups : downs) += rows[r]["count"].GetInt();
        EXPECT_EQ(text_of(rows[12], "section"), "up_counts");
        EXPECT_EQ(text_of(rows[13], "section"), "down_counts");
        EXPECT_EQ(rows[12]["count"].GetInt(), ups) << market;
        EXPECT_EQ(rows[13]["count"].GetInt(), downs) << market;
        if (std::string(market) == "HS")
            all_stocks = ups + downs;
        if (std::string(market) == "CY") {
            EXPECT_LE(ups + downs, 50);  // Shenzhen j >= 100
        }
    }
    EXPECT_LE(all_stocks, 350);
    EXPECT_GT(all_stocks, 300);
}

// The real-sized market: 5,299 stocks on the four boards' code ranges,
// 506 boards, and the limit buckets by each stock's own limit (sealed up:
// Shanghai i mod 53 = 18 and i = 107, Shenzhen j mod 37 = 11; sealed down:
// i mod 59 = 21, j mod 43 = 2, where not sealed up; the suspended stocks
// i mod 400 = 33 moved by neither).
TEST(BackendRealSizedMarket, ServesTheMarketsSizeAndItsLimits)
{
    ServerProcess server("backend", {"0", "--quote-url", kQuoteUrl, "--market", "real"});
    ASSERT_GT(server.port(), 0);
    const auto board = http_get(server.port(), "/api/board").json();
    ASSERT_TRUE(board.HasMember("boardset"));
    EXPECT_EQ(board["boardset"]["board"].Size(), 506u);
    const auto margin = http_get(server.port(), "/api/stock_rzrq").json();
    ASSERT_TRUE(margin.IsArray());
    EXPECT_GT(margin.Size(), 1000u);
    for (const auto& row : margin.GetArray()) {
        const std::string code = text_of(row, "tradingcode");
        const int n = std::stoi(code);
        const bool valid = row["market"].GetInt() == 1 ? (n >= 600000 && n <= 605999) || (n >= 688000 && n <= 688999)
                                                       : (n >= 1 && n <= 3999) || (n >= 300000 && n <= 300999);
        EXPECT_TRUE(valid) << code;
    }
    const auto total = http_get(server.port(), "/api/market_total").json();
    const auto& all = total["HS"];
    ASSERT_EQ(all.Size(), 14u);
    const int moved = all[12]["count"].GetInt() + all[13]["count"].GetInt();
    EXPECT_GT(moved, 4500);  // the cheapest stocks' smallest moves round to no change
    EXPECT_LE(moved, 5299);
    const std::map<std::string, std::pair<int, int>> sealed = {
        {"HS", {126, 106}}, {"SH", {45, 38}}, {"SZ", {81, 68}}, {"CY", {27, 22}}};
    for (const auto& m : sealed) {
        EXPECT_EQ(total[m.first.c_str()][0]["count"].GetInt(), m.second.first) << m.first;
        EXPECT_EQ(total[m.first.c_str()][11]["count"].GetInt(), m.second.second) << m.first;
    }
}

TEST_F(BackendServices, NewsResearchAndStockPages)
{
    const auto news = http_get(port(), "/api/stock_news_list?code=600000&market=1").json();
    ASSERT_EQ(news["data"].Size(), 5u);
    const std::string id = text_of(news["data"][0], "id");
    EXPECT_EQ(text_of(news["data"][0], "pubdate"), "2026-12-08");
    const std::string name = SyntheticMarket::instance().find("600000", 1)->name;
    EXPECT_NE(text_of(news["data"][0], "title").find(name), std::string::npos);
    const TestReply page = http_get(port(), "/news/view?id=" + id);
    EXPECT_EQ(page.status, 200);
    EXPECT_NE(page.body.find(name), std::string::npos);

    const auto research = http_get(port(), "/api/research_list?code=000001&market=2").json();
    ASSERT_EQ(research["data"].Size(), 5u);
    EXPECT_EQ(http_get(port(), "/research/view?id=" + text_of(research["data"][4], "id")).status, 200);
    EXPECT_EQ(http_get(port(), "/api/stock_news_list?code=999999&market=1").json()["data"].Size(), 0u);

    for (const char* kind : {"f9", "f10", "f11"}) {
        const TestReply f = http_get(port(), std::string("/") + kind + "?code=000001&market=2");
        EXPECT_EQ(f.status, 200) << kind;
        EXPECT_NE(f.body.find(SyntheticMarket::instance().find("000001", 2)->name), std::string::npos) << kind;
        EXPECT_EQ(f.header("Content-Type"), "text/html; charset=utf-8");
    }
    EXPECT_EQ(http_get(port(), "/f10?code=123456&market=1").status, 404);
}

TEST_F(BackendServices, ScreeningTemplatesResultsAndUpdateManifest)
{
    const auto templates = http_get(port(), "/condition-template.json").json();
    ASSERT_TRUE(templates.IsArray() && templates.Size() == 3u);
    for (const auto& group : templates.GetArray()) {
        EXPECT_NE(text_of(group, "title"), "<missing>");
        for (const auto& item : group["items"].GetArray()) {
            for (const char* key : {"title", "content", "key"})
                EXPECT_NE(text_of(item, key), "<missing>");
            EXPECT_TRUE(item["fml_type"].IsInt() && item["argRanges"].IsArray());
        }
    }
    EXPECT_EQ(templates[2]["items"].Size(), 0u);

    const std::vector<std::pair<std::string, int>> cases = {
        // Concept 885001: i mod 10 = 0 and j mod 10 = 0.
        {R"({"conditions":[{"fml_name":"GN885001","fml_params":"","fml_peroid":8,"fml_type":2}]})", 35},
        // Also 885003 (i mod 7 = 3): i in 10..199 with i = 10k and i = 7m + 3: 10, 80, 150.
        {R"({"conditions":[{"fml_name":"GN885001","fml_params":"","fml_peroid":8,"fml_type":2},)"
         R"({"fml_name":"GN885003","fml_params":"","fml_peroid":8,"fml_type":2}]})",
         3},
        {R"({"conditions":[{"fml_name":"NOPE","fml_params":"1","fml_peroid":8,"fml_type":1}]})", 0},
    };
    for (const auto& c : cases) {
        const auto doc = http_request(port(), "POST", "/api/230050", c.first).json();
        EXPECT_EQ(text_of(doc, "code"), "0000") << c.first;
        ASSERT_TRUE(doc["result"].IsArray());
        EXPECT_EQ(static_cast<int>(doc["result"].Size()), c.second) << c.first;
        for (const auto& row : doc["result"].GetArray())
            EXPECT_TRUE(text_of(row, "exchange_type") == "1" || text_of(row, "exchange_type") == "2");
    }
    EXPECT_NE(text_of(http_request(port(), "POST", "/api/230050", R"({"conditions":[]})").json(), "code"), "0000");

    const auto manifest = http_get(port(), "/update/version.json").json();
    EXPECT_TRUE(manifest["source"].IsString());
    EXPECT_TRUE(manifest["files"].IsObject() && manifest["files"].ObjectEmpty());
}

TEST_F(BackendServices, HeartbeatAndUserActionsAreRecorded)
{
    const auto beat = http_get(port(), "/api/heartbeat?user_id=s10001-1&pcid=ABC").json();
    EXPECT_EQ(text_of(beat, "result"), "true");
    EXPECT_TRUE(server_.wait_line("heartbeat s10001-1 ABC"));
    const auto accepted = http_request(port(), "POST", "/api/user_action?user_id=s10001-1",
                                       R"([{"do_action":"LOGIN","remark":"1.0","create_time":"2026-12-08 09:00:00"}])",
                                       {{"Content-Type", "application/json"}})
                              .json();
    EXPECT_EQ(text_of(accepted, "code"), "0000");
    EXPECT_TRUE(server_.wait_line("user_action s10001-1 LOGIN 1.0"));
}

}  // namespace
