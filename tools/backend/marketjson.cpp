#include "marketjson.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include <rapidjson/document.h>

#include "boardset.h"
#include "syntheticmarket.h"
#include "tradingcalendar.h"

namespace {

const int64_t kConcepts[] = {885001, 885002, 885003};
const int64_t kGrowthBoard = 1106;  // the Shenzhen stocks quoted by 399006

// Change of a stock at the quote server's start, in percent.
double change_percent(const SyntheticCode& c)
{
    const SyntheticMarket& m = SyntheticMarket::instance();
    return 100.0 * (m.price(c) - m.pre_close(c)) / m.pre_close(c);
}

double price_yuan(const SyntheticCode& c)
{
    return SyntheticMarket::instance().price(c) / 10000.0;
}

// The distribution rows: rises from the largest down, then falls from the
// smallest down. A stock whose change is exactly 0 is in neither. 涨停 and
// 跌停 count the stocks at their own limit price (10 %, 5 % for ST names,
// 20 % on the science and growth boards); any other stock falls in the bucket
// of its change, those 9.9 % or more off their close (on a 20 % board) in
// 大涨 and 大跌.
struct Bucket {
    const char* rise_name;
    const char* rise_section;
    const char* fall_name;
    const char* fall_section;
    double low, high;  // low <= |change| < high
};
const Bucket kBuckets[6] = {
    {"涨停", "≥9.9%", "跌停", "≤-9.9%", 9.9, 1e9}, {"大涨", "7~9.9%", "大跌", "-7~-9.9%", 7, 9.9},
    {"中涨", "5~7%", "中跌", "-5~-7%", 5, 7},      {"小涨", "3~5%", "小跌", "-3~-5%", 3, 5},
    {"微涨", "1~3%", "微跌", "-1~-3%", 1, 3},      {"平涨", "0~1%", "平跌", "0~-1%", 0, 1},
};

void write_distribution(JsonWriter& w, const std::vector<const SyntheticCode*>& stocks)
{
    int up[6] = {}, down[6] = {}, ups = 0, downs = 0;
    const SyntheticMarket& market = SyntheticMarket::instance();
    for (const SyntheticCode* c : stocks) {
        const double change = change_percent(*c);
        if (change == 0)
            continue;
        const int32_t price = market.price(*c);
        if (price >= market.rise_limit(*c) || price <= market.fall_limit(*c)) {
            (change > 0 ? up : down)[0] += 1;
        } else {
            const double size = std::fabs(change);
            for (int b = 1; b < 6; ++b) {
                if (size >= kBuckets[b].low && (b == 1 || size < kBuckets[b].high)) {
                    (change > 0 ? up : down)[b] += 1;
                    break;
                }
            }
        }
        (change > 0 ? ups : downs) += 1;
    }
    auto row = [&w](const char* name, const char* section, int count, int type) {
        w.StartObject();
        w.Key("name");
        w.String(name);
        w.Key("section");
        w.String(section);
        w.Key("count");
        w.Int(count);
        w.Key("type");
        w.Int(type);
        w.EndObject();
    };
    w.StartArray();
    for (int b = 0; b < 6; ++b)
        row(kBuckets[b].rise_name, kBuckets[b].rise_section, up[b], 1);
    for (int b = 5; b >= 0; --b)
        row(kBuckets[b].fall_name, kBuckets[b].fall_section, down[b], -1);
    row("上涨", "up_counts", ups, 1);
    row("下跌", "down_counts", downs, -1);
    w.EndArray();
}

std::vector<const SyntheticCode*> stocks_where(const std::function<bool(const SyntheticCode&)>& keep)
{
    std::vector<const SyntheticCode*> out;
    for (const SyntheticCode& c : SyntheticMarket::instance().codes())
        if (c.type == 2 && keep(c))
            out.push_back(&c);
    return out;
}

bool in_block(int64_t block, const SyntheticCode& c)
{
    const Board* b = BoardSet::find(block);
    return b && b->matches(c.code, c.market);
}

const char* const kNewsHeadlines[5] = {"发布年度业绩预告", "获机构调研", "召开股东大会", "公告回购进展",
                                       "成交活跃度提升"};
const char* const kResearchHeadlines[5] = {"深度报告：稳健增长", "点评：业绩符合预期", "首次覆盖：给予增持评级",
                                           "跟踪报告：盈利改善", "调研纪要：订单饱满"};

// "yyyy-MM-dd" of the n-th day before 2026-12-08 (n < 8).
std::string news_date(int n)
{
    char text[16];
    std::snprintf(text, sizeof text, "2026-12-%02d", 8 - n);
    return text;
}

// "yyyy-MM-dd" of the n-th research report: one every two weeks back from
// 2026-12-08, so that their marks spread along a K-line chart.
std::string research_date(int n)
{
    const CivilDate d = TradingCalendar::civil_from_days(TradingCalendar::last_day() - 14 * n);
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", d.y, d.m, d.d);
    return text;
}

// Splits a row id "<code>-<market>-<n>" (research ids start with "r").
bool parse_row_id(const std::string& id, bool research, const SyntheticCode** code, int* n)
{
    std::string rest = id;
    if (research) {
        if (rest.empty() || rest[0] != 'r')
            return false;
        rest.erase(0, 1);
    }
    const size_t a = rest.find('-'), b = rest.rfind('-');
    if (a == std::string::npos || a == b)
        return false;
    const int market = std::atoi(rest.substr(a + 1, b - a - 1).c_str());
    *n = std::atoi(rest.substr(b + 1).c_str());
    *code = SyntheticMarket::instance().find(rest.substr(0, a), static_cast<uint8_t>(market));
    return *code && *n >= 0 && *n < 5;
}

std::string page(const std::string& title, const std::string& body)
{
    return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + MarketJson::html_escape(title) +
           "</title>\n<style>a{color:#6CB4FF}a:visited{color:#B9A4FF}</style></head>\n"
           "<body style=\"background:#191B1F;color:#FFFFFF\">\n<h1>" +
           MarketJson::html_escape(title) + "</h1>\n" + body + "</body></html>\n";
}

}  // namespace

namespace MarketJson {

std::string html_escape(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (const char ch : text) {
        switch (ch) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += ch;
        }
    }
    return out;
}

std::string stock_pools()
{
    rapidjson::StringBuffer buffer;
    JsonWriter w(buffer);
    w.StartArray();
    int group = 1;
    for (const int64_t id : kConcepts) {
        const Board* b = BoardSet::find(id);
        if (!b)
            continue;
        w.StartObject();
        w.Key("group_id");
        json_text(w, std::to_string(group++));
        w.Key("group_name");
        json_text(w, b->name);
        w.Key("stocks");
        w.StartArray();
        for (const SyntheticCode* c : stocks_where([id](const SyntheticCode& c) { return in_block(id, c); })) {
            w.StartObject();
            w.Key("tradingcode");
            json_text(w, c->code);
            w.Key("exchangecode");
            w.Int(c->market);
            w.EndObject();
        }
        w.EndArray();
        w.EndObject();
    }
    w.StartObject();
    w.Key("group_id");
    json_text(w, std::to_string(group));
    w.Key("group_name");
    w.String("空股票池");
    w.Key("stocks");
    w.StartArray();
    w.EndArray();
    w.EndObject();
    w.EndArray();
    return json_string(buffer);
}

std::string market_total()
{
    rapidjson::StringBuffer buffer;
    JsonWriter w(buffer);
    w.StartObject();
    w.Key("HS");
    write_distribution(w, stocks_where([](const SyntheticCode&) { return true; }));
    w.Key("SH");
    write_distribution(w, stocks_where([](const SyntheticCode& c) { return c.market == 1; }));
    w.Key("SZ");
    write_distribution(w, stocks_where([](const SyntheticCode& c) { return c.market == 2; }));
    w.Key("CY");
    write_distribution(w, stocks_where([](const SyntheticCode& c) { return in_block(kGrowthBoard, c); }));
    w.EndObject();
    return json_string(buffer);
}

std::string news_list(const std::string& code, int market, bool research)
{
    const SyntheticCode* c = SyntheticMarket::instance().find(code, static_cast<uint8_t>(market));
    rapidjson::StringBuffer buffer;
    JsonWriter w(buffer);
    begin_success(w, "data");
    for (int n = 0; c && n < 5; ++n) {
        w.StartObject();
        w.Key("id");
        json_text(w, (research ? "r" : "") + c->code + "-" + std::to_string(c->market) + "-" + std::to_string(n));
        w.Key("title");
        json_text(w, c->name + (research ? "：" : "") + (research ? kResearchHeadlines : kNewsHeadlines)[n]);
        w.Key("pubdate");
        json_text(w, research ? research_date(n) : news_date(n));
        w.Key("source");
        w.String(research ? "本地研究所" : "本地资讯");
        w.EndObject();
    }
    w.EndArray();
    w.EndObject();
    return json_string(buffer);
}

std::string article_page(const std::string& id, bool research)
{
    const SyntheticCode* c = nullptr;
    int n = 0;
    if (!parse_row_id(id, research, &c, &n))
        return {};
    const std::string title = c->name + (research ? "：" : "") + (research ? kResearchHeadlines : kNewsHeadlines)[n];
    // Links a terminal's page offers: the stock's quote view, its fund-flow
    // tab, the page in a window of its own and, for a report, its PDF.
    const std::string quote = "goto::quote::x," + c->code + "," + std::to_string(c->market);
    std::string links = "<p><a id=\"quote\" href=\"" + quote +
                        "\">查看行情</a> <a id=\"flow\" "
                        "href=\"app://qml/qml/QFlowView.qml?title=%E8%B5%84%E9%87%91%E6%B5%81%E5%90%91\">资金流向</a> "
                        "<a id=\"window\" target=\"_blank\" href=\"?id=" +
                        html_escape(id) + "\">新窗口打开</a>";
    if (research)
        links += " <a id=\"pdf\" href=\"/research/pdf?id=" + html_escape(id) + "\">下载报告</a>";
    return page(title,
                "<p>" + html_escape(c->name + "（" + c->code + "） " + (research ? research_date(n) : news_date(n))) +
                    "</p>\n" + links + "</p>\n");
}

std::string stock_page(const std::string& kind, const std::string& code, int market)
{
    const SyntheticCode* c = SyntheticMarket::instance().find(code, static_cast<uint8_t>(market));
    if (!c)
        return {};
    std::string blocks;
    for (const Board& b : BoardSet::boards())
        if (b.id >= 880000 && b.matches(c->code, c->market))
            blocks += "<li>" + html_escape(b.name) + "</li>";
    char price[64];
    std::snprintf(price, sizeof price, "%.2f", price_yuan(*c));
    std::string title = c->name + "（" + c->code + "） ";
    for (const char ch : kind)
        title += static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    return page(title, "<p>最新价 " + std::string(price) + "</p>\n<ul>" + blocks + "</ul>\n");
}

std::string condition_templates()
{
    rapidjson::StringBuffer buffer;
    JsonWriter w(buffer);
    auto item = [&w](const char* title, const char* content, const char* key, int type,
                     const std::vector<std::string>& ranges, int color) {
        w.StartObject();
        w.Key("title");
        w.String(title);
        w.Key("content");
        w.String(content);
        w.Key("key");
        w.String(key);
        w.Key("fml_type");
        w.Int(type);
        w.Key("argRanges");
        w.StartArray();
        for (const std::string& r : ranges)
            json_text(w, r);
        w.EndArray();
        if (color >= 0) {
            w.Key("color");
            w.Int(color);
        }
        w.EndObject();
    };
    w.StartArray();
    w.StartObject();
    w.Key("title");
    w.String("行情条件");
    w.Key("color");
    w.Int(0x0000FF);
    w.Key("items");
    w.StartArray();
    item("涨幅大于", "当日涨幅大于{1}%", "ZF", 1, {"1,-10,10"}, -1);
    item("股价区间", "股价介于{5}元与{50}元之间", "JG", 1, {"5,0,1000", "50,0,1000"}, 0x00FF00);
    w.EndArray();
    w.EndObject();
    w.StartObject();
    w.Key("title");
    w.String("板块条件");
    w.Key("items");
    w.StartArray();
    for (const int64_t id : kConcepts) {
        const Board* b = BoardSet::find(id);
        if (!b)
            continue;
        const std::string key = "GN" + std::to_string(id);
        item(b->name.c_str(), ("属于" + b->name).c_str(), key.c_str(), 2, {}, -1);
    }
    w.EndArray();
    w.EndObject();
    w.StartObject();
    w.Key("title");
    w.String("形态条件");
    w.Key("items");
    w.StartArray();
    w.EndArray();
    w.EndObject();
    w.EndArray();
    return json_string(buffer);
}

std::string screen(const std::string& body)
{
    rapidjson::Document doc;
    doc.Parse(body.data(), body.size());
    auto failure = [](const char* msg) {
        return std::string("{\"code\":\"1001\",\"msg\":\"") + msg + "\",\"result\":[]}";
    };
    if (doc.HasParseError() || !doc.IsObject() || !doc.HasMember("conditions") || !doc["conditions"].IsArray())
        return failure("请求格式错误");
    const auto& conditions = doc["conditions"].GetArray();
    if (conditions.Empty())
        return failure("没有选股条件");
    // Each condition keeps the stocks its key and parameters allow; a stock
    // passes when every condition keeps it. An unknown key keeps none.
    std::vector<std::function<bool(const SyntheticCode&)>> tests;
    for (const auto& cond : conditions) {
        if (!cond.IsObject() || !cond.HasMember("fml_name") || !cond["fml_name"].IsString())
            return failure("请求格式错误");
        const std::string key = cond["fml_name"].GetString();
        std::vector<double> params;
        if (cond.HasMember("fml_params") && cond["fml_params"].IsString()) {
            const std::string text = cond["fml_params"].GetString();
            size_t start = 0;
            while (start <= text.size()) {
                const size_t end = std::min(text.find(';', start), text.size());
                params.push_back(std::atof(text.substr(start, end - start).c_str()));
                start = end + 1;
            }
        }
        if (key == "ZF") {
            const double over = params.empty() ? 0 : params[0];
            tests.emplace_back([over](const SyntheticCode& c) { return change_percent(c) > over; });
        } else if (key == "JG") {
            const double low = params.empty() ? 0 : params[0], high = params.size() < 2 ? 1e9 : params[1];
            tests.emplace_back(
                [low, high](const SyntheticCode& c) { return price_yuan(c) >= low && price_yuan(c) <= high; });
        } else if (key.compare(0, 2, "GN") == 0) {
            const int64_t block = std::atoll(key.c_str() + 2);
            tests.emplace_back([block](const SyntheticCode& c) { return in_block(block, c); });
        } else {
            tests.emplace_back([](const SyntheticCode&) { return false; });
        }
    }
    rapidjson::StringBuffer buffer;
    JsonWriter w(buffer);
    begin_success(w, "result");
    for (const SyntheticCode* c : stocks_where([&tests](const SyntheticCode& c) {
             return std::all_of(tests.begin(), tests.end(), [&c](const auto& t) { return t(c); });
         })) {
        w.StartObject();
        w.Key("stock_code");
        json_text(w, c->code);
        w.Key("exchange_type");
        json_text(w, std::to_string(c->market));
        w.EndObject();
    }
    w.EndArray();
    w.EndObject();
    return json_string(buffer);
}

}  // namespace MarketJson
