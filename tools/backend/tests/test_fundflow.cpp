// The outside fund-flow paths of the local back end: today's split adds up
// to the day's turnover, the nets and ratios follow from the split, the 5-day
// net is the sum of the history's last five rows, a block's list is sorted by
// its net, and an unknown stock gets no data. Codes and figures are read from
// the server's own replies, not assumed.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "httpclient.h"
#include "serverprocess.h"

namespace {

std::vector<std::string> fields_of(const std::string& row)
{
    std::vector<std::string> out;
    std::stringstream in(row);
    std::string cell;
    while (std::getline(in, cell, ','))
        out.push_back(cell);
    return out;
}

double num(const rapidjson::Value& v, const char* key)
{
    return v.HasMember(key) && v[key].IsNumber() ? v[key].GetDouble() : NAN;
}

TEST(BackendFundFlow, TodayHistoryAndBlockFlowsAgree)
{
    ServerProcess server("backend", {});
    ASSERT_GT(server.port(), 0);
    const int port = server.port();
    // Two stocks named by the pool list.
    const auto pools = http_get(port, "/api/stock_pool").json();
    ASSERT_TRUE(pools.IsArray() && pools.Size() > 0 && pools[0]["stocks"].Size() > 1);
    for (rapidjson::SizeType k = 0; k < 2; ++k) {
        const auto& stock = pools[0]["stocks"][k];
        const std::string code = stock["tradingcode"].GetString();
        const std::string secid = (stock["exchangecode"].GetInt() == 1 ? "1." : "0.") + code;
        const auto today =
            http_get(port, "/api/qt/ulist.np/get?fltt=2&secids=" + secid + "&fields=f62&ut=x&_=1").json();
        ASSERT_TRUE(today["data"].IsObject()) << secid;
        ASSERT_EQ(today["data"]["diff"].Size(), 1u);
        const auto& d = today["data"]["diff"][0];
        EXPECT_EQ(std::string(d["f12"].GetString()), code);
        const double amount = num(d, "f6");
        EXPECT_GT(amount, 0);
        EXPECT_DOUBLE_EQ(num(d, "f64") + num(d, "f70") + num(d, "f76") + num(d, "f82"), amount) << secid;
        EXPECT_DOUBLE_EQ(num(d, "f65") + num(d, "f71") + num(d, "f77") + num(d, "f83"), amount) << secid;
        const struct {
            const char *net, *in, *out, *ratio;
        } classes[] = {{"f66", "f64", "f65", "f69"},
                       {"f72", "f70", "f71", "f75"},
                       {"f78", "f76", "f77", "f81"},
                       {"f84", "f82", "f83", "f87"}};
        for (const auto& c : classes) {
            EXPECT_DOUBLE_EQ(num(d, c.net), num(d, c.in) - num(d, c.out)) << c.net;
            EXPECT_NEAR(num(d, c.ratio), 100.0 * num(d, c.net) / amount, 0.006) << c.ratio;
        }
        EXPECT_DOUBLE_EQ(num(d, "f62"), num(d, "f66") + num(d, "f72"));
        EXPECT_NEAR(num(d, "f184"), 100.0 * num(d, "f62") / amount, 0.006);

        const auto history = http_get(port, "/api/qt/stock/fflow/daykline/get?lmt=0&klt=101&secid=" + secid).json();
        ASSERT_TRUE(history["data"].IsObject());
        const auto& klines = history["data"]["klines"];
        ASSERT_GE(klines.Size(), 63u);
        double main5 = 0, super20 = 0;
        for (rapidjson::SizeType i = 0; i < klines.Size(); ++i) {
            const auto f = fields_of(klines[i].GetString());
            ASSERT_EQ(f.size(), 15u) << klines[i].GetString();
            if (i > 0) {
                EXPECT_LT(fields_of(klines[i - 1].GetString())[0], f[0]) << "oldest first";
            }
            // main = large + super-large
            EXPECT_NEAR(std::stod(f[1]), std::stod(f[4]) + std::stod(f[5]), 0.5);
            if (i + 5 >= klines.Size())
                main5 += std::stod(f[1]);
            if (i + 20 >= klines.Size())
                super20 += std::stod(f[5]);
        }
        const auto last = fields_of(klines[klines.Size() - 1].GetString());
        EXPECT_NEAR(std::stod(last[1]), num(d, "f62"), 0.5) << "today's row is today's flow";
        EXPECT_NEAR(num(d, "f164"), main5, 5);
        EXPECT_NEAR(num(d, "f253"), super20, 20);
    }

    // Unknown stocks: no data, no error.
    EXPECT_TRUE(http_get(port, "/api/qt/ulist.np/get?secids=1.999999").json()["data"].IsNull());
    EXPECT_TRUE(http_get(port, "/api/qt/stock/fflow/daykline/get?secid=7.600000").json()["data"].IsNull());

    // A block's stocks by net, largest first, paged.
    const auto board = http_get(port, "/api/board").json();
    ASSERT_TRUE(board.IsObject() && board["boardIndex"].IsArray());
    std::string id;  // the last board index of the file: a block with members
    for (const auto& group : board["boardIndex"].GetArray())
        for (const auto& item : group["index"].GetArray())
            id = std::to_string(item["boardid"].GetInt64());
    const auto block =
        http_get(port, "/api/qt/clist/get?pn=1&pz=500&po=1&np=1&fields=f12,f13,f14,f62&fid=f62&fs=b:" + id).json();
    ASSERT_TRUE(block["data"].IsObject());
    const auto& rows = block["data"]["diff"];
    ASSERT_GT(rows.Size(), 1u);
    for (rapidjson::SizeType i = 1; i < rows.Size(); ++i)
        EXPECT_GE(num(rows[i - 1], "f62"), num(rows[i], "f62"));
    const auto page2 = http_get(port, "/api/qt/clist/get?pn=2&pz=1&po=1&fs=b:" + id).json();
    EXPECT_EQ(std::string(page2["data"]["diff"][0]["f12"].GetString()), rows[1]["f12"].GetString());

    // The connect channels: one row per minute with the fields asked for.
    const auto minutes =
        http_get(port, "/api/qt/kamt.rtmin/get?fields1=f1,f2,f3,f4&fields2=f51,f52,f53,f54,f55,f56").json();
    ASSERT_EQ(minutes["data"]["s2n"].Size(), 241u);
    EXPECT_EQ(fields_of(minutes["data"]["s2n"][0].GetString()).size(), 6u);
    EXPECT_EQ(fields_of(minutes["data"]["s2n"][0].GetString())[0], "9:30");
    const auto days =
        http_get(port, "/EM_MutiSvcExpandInterface/api/js/get?type=HSGTZJZS&ps=5000&filter=(DateTime%3E^2026-12-01^)")
            .json();
    ASSERT_TRUE(days.IsArray());
    EXPECT_EQ(days.Size(), 5u);  // 12-02 .. 12-08, weekdays
}

}  // namespace
