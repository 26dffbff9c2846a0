#include "services.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <random>

#include <rapidjson/document.h>
#include <zlib.h>

#include "boardfiles.h"
#include "fundflow.h"
#include "marketjson.h"
#include "syntheticmarket.h"

namespace {

HttpOut json_reply(std::string body, int status = 200)
{
    HttpOut out;
    out.status = status;
    out.body = std::move(body);
    return out;
}

HttpOut html_reply(std::string page)
{
    if (page.empty())
        return json_reply("{\"code\":\"404\",\"msg\":\"not found\"}", 404);
    HttpOut out;
    out.content_type = "text/html; charset=utf-8";
    out.body = std::move(page);
    return out;
}

const char* const kAccepted = "{\"code\":\"0000\",\"msg\":\"success\"}";
const char* const kBadBody = "{\"code\":\"1001\",\"msg\":\"请求格式错误\"}";

// A text member as text, a number as its decimal text, else "".
std::string member_text(const rapidjson::Value& object, const char* key)
{
    if (!object.IsObject() || !object.HasMember(key))
        return {};
    const rapidjson::Value& v = object[key];
    if (v.IsString())
        return {v.GetString(), v.GetStringLength()};
    if (v.IsInt64())
        return std::to_string(v.GetInt64());
    return {};
}

// An image of the start carousel: a vertical gradient, as a PNG.
std::string start_image(int variant)
{
    const uint32_t width = 560, height = 230;
    std::string raw;
    raw.reserve(static_cast<size_t>(height) * (1 + 3 * width));
    for (uint32_t y = 0; y < height; ++y) {
        raw += '\0';  // filter: none
        const int shade = static_cast<int>(40 + 80 * y / height);
        for (uint32_t x = 0; x < width; ++x) {
            raw += static_cast<char>(variant ? shade : 25);
            raw += static_cast<char>(variant ? 30 : shade / 2);
            raw += static_cast<char>(variant ? 35 : shade);
        }
    }
    uLongf packed_size = compressBound(static_cast<uLong>(raw.size()));
    std::string packed(packed_size, '\0');
    compress(reinterpret_cast<Bytef*>(&packed[0]), &packed_size, reinterpret_cast<const Bytef*>(raw.data()),
             static_cast<uLong>(raw.size()));
    packed.resize(packed_size);
    auto be32 = [](uint32_t v) {
        std::string s(4, '\0');
        for (int i = 0; i < 4; ++i)
            s[i] = static_cast<char>(v >> (24 - 8 * i));
        return s;
    };
    auto chunk = [&be32](const char* type, const std::string& data) {
        const std::string body = std::string(type, 4) + data;
        const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()));
        return be32(static_cast<uint32_t>(data.size())) + body + be32(static_cast<uint32_t>(crc));
    };
    const std::string header = be32(width) + be32(height) + std::string("\x08\x02\x00\x00\x00", 5);
    return std::string("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", header) + chunk("IDAT", packed) + chunk("IEND", "");
}

std::string random_hex(size_t n)
{
    static std::mt19937_64 generator{std::random_device{}()};
    static const char digits[] = "0123456789abcdef";
    std::string out(n, '0');
    for (char& ch : out)
        ch = digits[generator() & 15];
    return out;
}

void write_menus(JsonWriter& w)
{
    struct Entry {
        const char* name;
        const char* active;
    };
    struct Section {
        const char* name;
        std::vector<Entry> entries;
    };
    struct Top {
        const char* name;
        std::vector<Section> sections;
    };
    const std::vector<Top> tops = {
        {"首页", {{"", {{"首页", "app://qml/qml/HomeView.qml"}}}}},
        {"自选",
         {{"", {{"我的自选", "app://qml/qml/MyStockView.qml"}, {"股票池", "app://qml/qml/StockPoolView.qml"}}}}},
        {"行情",
         {{"指数",
           {{"上证指数", "app://qml/qml/MQView.qml?code=1A0001&market=1"},
            {"深证成指", "app://qml/qml/MQView.qml?code=399001&market=2"}}},
          {"个股", {{"个股资料", "app://curview/?#chart=f10"}, {"深度F9", "app://curview/?#chart=f9"}}}}},
        {"选股", {{"", {{"Quorvex", "app://qml/qml/QuorvexView.qml"}, {"资金流向", "app://qml/qml/QFlowView.qml"}}}}},
    };
    w.StartArray();
    int id = 1;
    for (const Top& top : tops) {
        w.StartObject();
        w.Key("id");
        w.Int(id++);
        w.Key("name");
        w.String(top.name);
        w.Key("active");
        w.Null();
        w.Key("menus");
        w.StartArray();
        for (const Section& s : top.sections) {
            w.StartObject();
            w.Key("name");
            w.String(s.name);
            w.Key("active");
            w.Null();
            w.Key("menus");
            w.StartArray();
            for (const Entry& e : s.entries) {
                w.StartObject();
                w.Key("id");
                w.Int(id++);
                w.Key("name");
                w.String(e.name);
                w.Key("active");
                w.String(e.active);
                w.EndObject();
            }
            w.EndArray();
            w.EndObject();
        }
        w.EndArray();
        w.EndObject();
    }
    w.EndArray();
}

std::string notices(int type, const std::string& base)
{
    rapidjson::StringBuffer buffer;
    JsonWriter w(buffer);
    auto notice = [&w](const char* title, const char* content, const std::string& url, const char* updated) {
        w.StartObject();
        w.Key("title");
        w.String(title);
        w.Key("author");
        w.String("运营中心");
        w.Key("pub_date");
        w.String("2026-12-08");
        w.Key("content");
        w.String(content);
        w.Key("url");
        json_text(w, url);
        w.Key("updated_time");
        w.String(updated);
        w.EndObject();
    };
    w.StartObject();
    w.Key("code");
    w.String("0000");
    w.Key("notices");
    w.StartArray();
    if (type == 2) {
        notice("系统维护通知", "本周六 20:00 至 22:00 进行系统维护，届时行情服务暂停。", base + "/notice/view?type=2",
               "2026-12-08 08:00:00");
    } else if (type == 3) {
        notice("新功能上线", "选股功能新增板块条件。", "", "2026-12-08 09:00:00");
        notice("市场快讯", "沪深两市今日成交活跃。", base + "/news/view?id=600000-1-0", "2026-12-08 09:30:00");
        // A report page (with its PDF) for a tab of its own.
        notice("研报速递", "最新研究报告，附 PDF 下载。", base + "/research/view?id=r600000-1-0",
               "2026-12-08 10:00:00");
    }
    w.EndArray();
    w.EndObject();
    return json_string(buffer);
}

std::string marquee(const std::string& base)
{
    rapidjson::StringBuffer buffer;
    JsonWriter w(buffer);
    auto item = [&w](const char* title, const char* content, const std::string& url) {
        w.StartObject();
        w.Key("title");
        w.String(title);
        w.Key("author");
        w.String("本地资讯");
        w.Key("date");
        w.String("2026-12-08");
        w.Key("content");
        w.String(content);
        if (!url.empty()) {
            w.Key("url");
            json_text(w, url);
        }
        w.EndObject();
    };
    w.StartObject();
    w.Key("result");
    w.String("true");
    w.Key("marquee");
    w.StartArray();
    const SyntheticMarket& market = SyntheticMarket::instance();
    item((market.find("600000", 1)->name + " 发布年度业绩预告").c_str(), "业绩预告详见公告。",
         base + "/news/view?id=600000-1-0");
    item("两市成交额较昨日放大", "市场情绪回暖。", "");
    item(("研究报告：" + market.find("000001", 2)->name + " 盈利改善").c_str(), "维持增持评级。",
         base + "/research/view?id=r000001-2-3");
    w.EndArray();
    w.EndObject();
    return json_string(buffer);
}

std::string fast_menu()
{
    struct Item {
        const char* name;
        const char* flag;
        int style;
    };
    const Item items[] = {
        {"我的自选", "app://qml/qml/MyStockView.qml", 0},
        {"股票池", "app://qml/qml/StockPoolView.qml", 1},
        {"上证指数", "app://qml/qml/MQView.qml?code=1A0001&market=1", 2},
        {"深证成指", "app://qml/qml/MQView.qml?code=399001&market=2", 2},
        {"资金流向", "app://qml/qml/QFlowView.qml", 3},
        {"热点监控", "app://qml/qml/QMarketHotMonitor.qml", 3},
        {"趋势指标",
         "app://findview/qml/MQView.qml?formula_group_name=%E8%B6%8B%E5%8A%BF%E6%8C%87%E6%A0%87"
         "&url=http%3A%2F%2F127.0.0.1%2F",
         3},
    };
    rapidjson::StringBuffer buffer;
    JsonWriter w(buffer);
    w.StartArray();
    for (const Item& i : items) {
        w.StartObject();
        w.Key("name");
        w.String(i.name);
        w.Key("flag");
        w.String(i.flag);
        w.Key("style");
        w.Int(i.style);
        w.EndObject();
    }
    w.EndArray();
    return json_string(buffer);
}

}  // namespace

std::string percent_decode(const std::string& text, bool form)
{
    std::string out;
    out.reserve(text.size());
    auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    };
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '%' && i + 2 < text.size() && hex(text[i + 1]) >= 0 && hex(text[i + 2]) >= 0) {
            out += static_cast<char>(hex(text[i + 1]) * 16 + hex(text[i + 2]));
            i += 2;
        } else if (c == '+' && form) {
            out += ' ';
        } else {
            out += c;
        }
    }
    return out;
}

std::map<std::string, std::string> parse_pairs(const std::string& text)
{
    std::map<std::string, std::string> out;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('&', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string pair = text.substr(start, end - start);
        const size_t eq = pair.find('=');
        if (!pair.empty())
            out.emplace(percent_decode(pair.substr(0, eq), true),
                        eq == std::string::npos ? std::string() : percent_decode(pair.substr(eq + 1), true));
        start = end + 1;
    }
    return out;
}

std::string HttpIn::param(const std::string& key) const
{
    const auto q = query.find(key);
    if (q != query.end())
        return q->second;
    if (header("content-type").find("application/x-www-form-urlencoded") == std::string::npos)
        return {};
    const auto form = parse_pairs(body);
    const auto f = form.find(key);
    return f == form.end() ? std::string() : f->second;
}

std::string HttpIn::header(const std::string& lower_name) const
{
    const auto it = headers.find(lower_name);
    return it == headers.end() ? std::string() : it->second;
}

Services::Services(Options options, const Switches& switches) : options_(std::move(options)), switches_(switches) {}

void Services::event(const std::string& line) const
{
    if (on_event)
        on_event(line);
}

HttpOut Services::answer(const HttpIn& in)
{
    const std::string& p = in.path;
    if (p == "/v3clientcontrol")
        return control();
    if (p == "/api/login")
        return login(in);
    if (p == "/api/mystock")
        return mystock(in);
    if (p == "/api/formula")
        return json_reply("{\"code\":\"0000\",\"msg\":\"success\",\"result\":[]}");
    if (p == "/api/stock_pool")
        return json_reply(MarketJson::stock_pools());
    if (p == "/api/board")
        return json_reply(BoardFiles::board_json());
    if (p == "/api/stock_rating")
        return json_reply(BoardFiles::rating_json());
    if (p == "/api/stock_rzrq")
        return json_reply(BoardFiles::margin_json());
    if (p == "/api/heartbeat")
        return heartbeat(in);
    if (p == "/api/user_action")
        return user_action(in);
    if (p == "/api/fast_menu")
        return json_reply(fast_menu());
    if (p == "/api/marque")
        return json_reply(marquee(base_));
    if (p == "/api/notice")
        return json_reply(notices(std::atoi(in.param("type").c_str()), base_));
    if (p == "/api/market_total")
        return json_reply(MarketJson::market_total());
    if (p == "/api/stock_news_list" || p == "/api/research_list")
        return json_reply(
            MarketJson::news_list(in.param("code"), std::atoi(in.param("market").c_str()), p == "/api/research_list"));
    if (p == "/news/view" || p == "/research/view")
        return html_reply(MarketJson::article_page(in.param("id"), p == "/research/view"));
    if (p == "/notice/view")
        return html_reply(
            "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>系统维护通知</title></head>\n"
            "<body style=\"background:#191B1F;color:#FFFFFF\"><h1>系统维护通知</h1>\n"
            "<p>本周六 20:00 至 22:00 进行系统维护，届时行情服务暂停。</p></body></html>\n");
    if (p == "/research/pdf") {
        // A one-page PDF for a report row; 404 for an unknown row.
        if (MarketJson::article_page(in.param("id"), true).empty())
            return json_reply("{\"code\":\"404\"}", 404);
        HttpOut out;
        out.content_type = "application/pdf";
        out.body =
            "%PDF-1.4\n1 0 obj<</Type/Catalog/Pages 2 0 R>>endobj\n2 0 obj<</Type/Pages/Kids[3 0 R]/Count 1>>endobj\n"
            "3 0 obj<</Type/Page/Parent 2 0 R/MediaBox[0 0 200 200]>>endobj\ntrailer<</Root 1 0 R>>\n%%EOF\n";
        out.headers.emplace_back("Content-Disposition", "attachment");
        return out;
    }
    if (p == "/f9" || p == "/f10" || p == "/f11")
        return html_reply(MarketJson::stock_page(p.substr(1), in.param("code"), std::atoi(in.param("market").c_str())));
    if (FundFlow::handles(p))
        return json_reply(FundFlow::answer(p, in.query));
    if (p == "/condition-template.json")
        return json_reply(MarketJson::condition_templates());
    if (p == "/api/230050")
        return json_reply(MarketJson::screen(in.body));
    if (p == "/update/version.json")
        return json_reply("{\"source\":\"" + base_ + "/update/files/\",\"files\":{}}");
    if (p == "/images/start_1.png" || p == "/images/start_2.png") {
        HttpOut out;
        out.content_type = "image/png";
        // Drawn and compressed once; every start screen asks for both.
        static const std::string images[2] = {start_image(0), start_image(1)};
        out.body = images[p == "/images/start_2.png" ? 1 : 0];
        return out;
    }
    // Helpers for the client's own tests: an echo of the request (late for
    // /sleep, see backend.h), any status, given octets, a redirect and a cookie.
    if (p == "/echo" || p == "/sleep")
        return echo(in);
    if (p.compare(0, 8, "/status/") == 0) {
        const int status = std::atoi(p.c_str() + 8);
        if (status >= 200 && status <= 599)
            return json_reply(
                status == 204 || status == 304 ? std::string() : "{\"status\":" + std::to_string(status) + "}", status);
    }
    if (p == "/bytes") {  // the body given as hexadecimal digits, as octets
        const std::string hex = in.param("hex");
        HttpOut out;
        out.content_type = "application/octet-stream";
        for (size_t i = 0; i + 1 < hex.size(); i += 2) {
            if (!std::isxdigit(static_cast<unsigned char>(hex[i])) ||
                !std::isxdigit(static_cast<unsigned char>(hex[i + 1])))
                return json_reply(kBadBody, 400);
            out.body += static_cast<char>(std::strtol(hex.substr(i, 2).c_str(), nullptr, 16));
        }
        return out;
    }
    if (p == "/redirect") {
        HttpOut out = json_reply({}, 302);
        out.headers.emplace_back("Location", in.param("to"));
        return out;
    }
    if (p == "/cookie") {
        HttpOut out = json_reply(kAccepted);
        out.headers.emplace_back("Set-Cookie", in.param("name") + "=" + in.param("value") + "; Path=/");
        return out;
    }
    return json_reply("{\"code\":\"404\",\"msg\":\"not found\"}", 404);
}

HttpOut Services::control() const
{
    rapidjson::StringBuffer buffer;
    JsonWriter w(buffer);
    auto address = [&](const char* key, const std::string& path) {
        w.Key(key);
        json_text(w, base_ + path);
    };
    w.StartObject();
    w.Key("code");
    w.String("0000");
    w.Key("msg");
    w.String("success");
    w.Key("url");
    w.StartObject();
    address("login", "/api/login");
    address("mystock", "/api/mystock");
    address("formula", "/api/formula");
    address("stock_pool", "/api/stock_pool");
    address("board", "/api/board");
    address("stock_rating", "/api/stock_rating");
    address("stock_rzrq", "/api/stock_rzrq");
    address("heartbeat", "/api/heartbeat");
    address("user_action", "/api/user_action");
    address("fast_menu", "/api/fast_menu");
    address("marque", "/api/marque");
    address("notice", "/api/notice");
    address("market_total", "/api/market_total");
    address("stock_news_list", "/api/stock_news_list?code={{code}}&market={{market}}");
    address("stock_news_view", "/news/view?id={{id}}");
    address("research_list", "/api/research_list?code={{code}}&market={{market}}");
    address("research_view", "/research/view?id={{id}}");
    address("f9", "/f9?code={{code}}&market={{market}}");
    address("f10", "/f10?code={{code}}&market={{market}}");
    address("f11", "/f11?code={{code}}&market={{market}}");
    address("condition_stock", "");
    address("update1", "/update/version.json");
    // The outside market-data service's three hosts: this server, unless
    // TARVOLIN_FLOW_<REALTIME|HISTORY|DATACENTER>_HOST names another.
    for (const char* kind : {"realtime", "history", "datacenter"}) {
        std::string env = std::string("TARVOLIN_FLOW_") + kind + "_HOST";
        for (char& ch : env)
            ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        const char* host = std::getenv(env.c_str());
        json_key(w, std::string("flow_") + kind + "_host");
        json_text(w, host && *host ? std::string(host) : base_);
    }
    w.Key("start_image");
    w.StartArray();
    json_text(w, base_ + "/images/start_1.png");
    json_text(w, base_ + "/images/start_2.png");
    w.EndArray();
    w.Key("quote");
    w.StartArray();
    w.StartObject();
    w.Key("url");
    json_text(w, options_.quote_url);
    w.Key("name");
    w.String("本地行情");
    w.Key("type");
    w.String("1");
    w.EndObject();
    w.EndArray();
    w.EndObject();
    w.EndObject();
    return json_reply(json_string(buffer));
}

HttpOut Services::login(const HttpIn& in)
{
    const std::string name = in.param("username"), password = in.param("password");
    int index = -1;
    for (size_t k = 0; k < options_.accounts.size(); ++k)
        if (options_.accounts[k].name == name && options_.accounts[k].password == password)
            index = static_cast<int>(k);
    if (switches_.refuse_login() || index < 0) {
        event("login refused " + name);
        return json_reply(switches_.refuse_login()
                              ? "{\"result\":\"false\",\"code\":\"1002\",\"info\":\"账号已停用\"}"
                              : "{\"result\":\"false\",\"code\":\"1001\",\"info\":\"用户名或密码错误\"}");
    }
    const std::string id = std::to_string(10001 + index);
    const std::string sid = "s" + id + "-" + std::to_string(++logins_);
    const std::string session = random_hex(32);
    rapidjson::StringBuffer buffer;
    JsonWriter w(buffer);
    w.StartObject();
    w.Key("result");
    w.String("true");
    w.Key("code");
    w.String("0000");
    w.Key("info");
    w.String("登录成功");
    w.Key("sessionId");
    json_text(w, session);
    w.Key("user");
    w.StartObject();
    w.Key("id");
    json_text(w, id);
    w.Key("sid");
    json_text(w, sid);
    w.Key("sessionId");
    json_text(w, session);
    w.Key("username");
    json_text(w, name);
    w.EndObject();
    w.Key("menus");
    write_menus(w);
    w.EndObject();
    event("login " + name + " " + id);
    return json_reply(json_string(buffer));
}

std::string Services::group_document(const std::string& user) const
{
    rapidjson::StringBuffer buffer;
    JsonWriter w(buffer);
    begin_success(w, "result");
    const auto it = groups_.find(user);
    if (it != groups_.end()) {
        for (const Group& g : it->second) {
            w.StartObject();
            w.Key("group_id");
            json_text(w, g.id);
            w.Key("group_name");
            json_text(w, g.name);
            w.Key("codes");
            w.StartArray();
            for (const CodeItem& c : g.codes) {
                w.StartObject();
                w.Key("code");
                json_text(w, c.code);
                w.Key("market_id");
                json_text(w, c.market);
                w.EndObject();
            }
            w.EndArray();
            w.EndObject();
        }
    }
    w.EndArray();
    w.EndObject();
    return json_string(buffer);
}

// Applies a JSON array of group edits {cmd, code: {code, market_id} (or code
// and market), group_id, group_name}: RENAME names a group (creating it when
// new), ADD puts a stock at the front of a group unless some group holds it,
// DELETE takes it out of the group. The whole array is checked first.
bool Services::apply_group_edits(const std::string& user, const std::string& body)
{
    rapidjson::Document doc;
    doc.Parse(body.data(), body.size());
    if (doc.HasParseError() || !doc.IsArray())
        return false;
    for (const auto& edit : doc.GetArray()) {
        if (!edit.IsObject() || member_text(edit, "group_id").empty())
            return false;
        const std::string cmd = member_text(edit, "cmd");
        if (cmd != "RENAME" && cmd != "ADD" && cmd != "DELETE")
            return false;
    }
    std::vector<Group>& groups = groups_[user];
    for (const auto& edit : doc.GetArray()) {
        const std::string cmd = member_text(edit, "cmd"), group_id = member_text(edit, "group_id");
        CodeItem item;
        if (edit.HasMember("code") && edit["code"].IsObject()) {
            item.code = member_text(edit["code"], "code");
            item.market = member_text(edit["code"], "market_id");
        } else {
            item.code = member_text(edit, "code");
            item.market = member_text(edit, "market");
        }
        Group* group = nullptr;
        for (Group& g : groups)
            if (g.id == group_id)
                group = &g;
        if (cmd == "RENAME") {
            if (!group) {
                groups.push_back(Group{group_id, {}, {}});
                group = &groups.back();
            }
            group->name = member_text(edit, "group_name");
        } else if (cmd == "ADD" && group && !item.code.empty()) {
            bool held = false;
            for (const Group& g : groups)
                for (const CodeItem& c : g.codes)
                    held = held || (c.code == item.code && c.market == item.market);
            if (!held)
                group->codes.insert(group->codes.begin(), item);
        } else if (cmd == "DELETE" && group) {
            for (auto it = group->codes.begin(); it != group->codes.end(); ++it) {
                if (it->code == item.code && it->market == item.market) {
                    group->codes.erase(it);
                    break;
                }
            }
        }
    }
    event("mystock " + user + " " + std::to_string(doc.GetArray().Size()) + " edits");
    return true;
}

HttpOut Services::mystock(const HttpIn& in)
{
    const std::string user = in.param("user_id"), cmd = in.param("cmd");
    if (user.empty())
        return json_reply(kBadBody);
    if (cmd == "update")
        return json_reply(apply_group_edits(user, in.body) ? kAccepted : kBadBody);
    return json_reply(group_document(user));
}

HttpOut Services::heartbeat(const HttpIn& in) const
{
    event("heartbeat " + in.param("user_id") + " " + in.param("pcid"));
    if (switches_.heartbeat_false())
        return json_reply("{\"result\":\"false\",\"msg\":\"账号已在其他地方登录，请重新登录\"}");
    return json_reply("{\"result\":\"true\",\"msg\":\"success\"}");
}

HttpOut Services::user_action(const HttpIn& in)
{
    rapidjson::Document doc;
    doc.Parse(in.body.data(), in.body.size());
    if (doc.HasParseError() || !doc.IsArray())
        return json_reply(kBadBody);
    for (const auto& row : doc.GetArray())
        event("user_action " + in.param("user_id") + " " + member_text(row, "do_action") + " " +
              member_text(row, "remark"));
    return json_reply(kAccepted);
}

HttpOut Services::echo(const HttpIn& in) const
{
    rapidjson::StringBuffer buffer;
    JsonWriter w(buffer);
    w.StartObject();
    w.Key("method");
    json_text(w, in.method);
    w.Key("target");
    json_text(w, in.target);
    w.Key("headers");
    w.StartObject();
    for (const auto& h : in.headers) {
        json_key(w, h.first);
        json_text(w, h.second);
    }
    w.EndObject();
    w.Key("body");
    json_text(w, in.body);
    w.EndObject();
    return json_reply(json_string(buffer));
}
