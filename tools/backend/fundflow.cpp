#include "fundflow.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <vector>

#include "marketjson.h"
#include "syntheticmarket.h"
#include "tradingcalendar.h"

namespace {

// A number in [0, 1) from a code, a day and a salt, the same on every run.
double unit(int index, int j, int salt)
{
    uint64_t h = 1469598103934665603ull;
    for (const int v : {index, j, salt}) {
        h ^= static_cast<uint32_t>(v);
        h *= 1099511628211ull;
    }
    h ^= h >> 29;
    return static_cast<double>(h % 1000003) / 1000003.0;
}

double round2(double v)
{
    return std::round(v * 100.0) / 100.0;
}

std::string date_text(int j)
{
    const CivilDate d = TradingCalendar::civil_from_days(TradingCalendar::day(j));
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", d.y, d.m, d.d);
    return text;
}

// "1.600000" -> the code; market 1 for "1", 2 for "0", either for "90".
const SyntheticCode* from_secid(const std::string& secid)
{
    const size_t dot = secid.find('.');
    if (dot == std::string::npos)
        return nullptr;
    const std::string id = secid.substr(0, dot), code = secid.substr(dot + 1);
    const SyntheticMarket& m = SyntheticMarket::instance();
    if (id == "1")
        return m.find(code, 1);
    if (id == "0")
        return m.find(code, 2);
    if (id == "90") {
        const SyntheticCode* c = m.find(code, 1);
        return c ? c : m.find(code, 2);
    }
    return nullptr;
}

int service_market(const SyntheticCode& c)
{
    return c.market == 1 ? 1 : 0;
}

FundFlow::Split split_of(const SyntheticCode& c, int j)
{
    const SyntheticDay d = SyntheticMarket::instance().day(c, j);
    FundFlow::Split s;
    s.amount = d.amount;
    const double change = d.pre_close > 0 ? static_cast<double>(d.close - d.pre_close) / d.pre_close : 0.0;
    const double lean = std::max(-0.25, std::min(0.25, change * 4.0));
    const double super_in = 0.15 + 0.10 * unit(c.index, j, 1), large_in = 0.20 + 0.10 * unit(c.index, j, 2);
    const double medium = 0.25 + 0.05 * unit(c.index, j, 3);
    const double in[3] = {super_in, large_in, medium};
    const double out[3] = {super_in * (1.0 - lean), large_in * (1.0 - lean), medium};
    int64_t in_sum = 0, out_sum = 0;
    for (int k = 0; k < 3; ++k) {
        s.in[k] = std::llround(static_cast<double>(s.amount) * in[k]);
        s.out[k] = std::llround(static_cast<double>(s.amount) * out[k]);
        in_sum += s.in[k];
        out_sum += s.out[k];
    }
    s.in[3] = s.amount - in_sum;
    s.out[3] = s.amount - out_sum;
    return s;
}

// Nets of one day: main, super-large, large, medium, small.
void nets(const FundFlow::Split& s, int64_t out[5])
{
    for (int k = 0; k < 4; ++k)
        out[k + 1] = s.in[k] - s.out[k];
    out[0] = out[1] + out[2];
}

double percent(int64_t part, int64_t whole)
{
    return whole == 0 ? 0.0 : round2(100.0 * static_cast<double>(part) / static_cast<double>(whole));
}

std::vector<std::string> split_list(const std::string& text, char sep)
{
    std::vector<std::string> out;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(sep, start);
        if (end == std::string::npos)
            end = text.size();
        if (end > start)
            out.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

std::string param(const std::map<std::string, std::string>& q, const char* key)
{
    const auto it = q.find(key);
    return it == q.end() ? std::string() : it->second;
}

void write_today(JsonWriter& w, const SyntheticCode& c)
{
    const FundFlow::Split s = split_of(c, 0);
    int64_t today[5], day5[5] = {}, day20[5] = {};
    nets(s, today);
    for (int j = 0; j < 20; ++j) {
        int64_t n[5];
        nets(j == 0 ? s : split_of(c, j), n);
        for (int k = 0; k < 5; ++k) {
            day20[k] += n[k];
            if (j < 5)
                day5[k] += n[k];
        }
    }
    auto num = [&w](const char* key, int64_t v) {
        w.Key(key);
        w.Int64(v);
    };
    auto real = [&w](const char* key, double v) {
        w.Key(key);
        w.Double(v);
    };
    w.StartObject();
    w.Key("f12");
    json_text(w, c.code);
    w.Key("f13");
    w.Int(service_market(c));
    w.Key("f14");
    json_text(w, c.name);
    const char* net_keys[5] = {"f62", "f66", "f72", "f78", "f84"};
    const char* ratio_keys[5] = {"f184", "f69", "f75", "f81", "f87"};
    for (int k = 0; k < 5; ++k) {
        num(net_keys[k], today[k]);
        real(ratio_keys[k], percent(today[k], s.amount));
    }
    const char* in_keys[4] = {"f64", "f70", "f76", "f82"};
    const char* out_keys[4] = {"f65", "f71", "f77", "f83"};
    for (int k = 0; k < 4; ++k) {
        num(in_keys[k], s.in[k]);
        num(out_keys[k], s.out[k]);
    }
    const char* day5_keys[5] = {"f164", "f166", "f168", "f170", "f172"};
    const char* day20_keys[5] = {"f252", "f253", "f254", "f255", "f256"};
    for (int k = 0; k < 5; ++k) {
        num(day5_keys[k], day5[k]);
        num(day20_keys[k], day20[k]);
    }
    num("f6", s.amount);
    // Update time: 15:00 of the last trading day, UTC+8.
    num("f124", TradingCalendar::day(0) * 86400 + 7 * 3600);
    for (const char* key : {"f278", "f279", "f280", "f281", "f282"})
        num(key, 0);
    w.EndObject();
}

// {"rc":0,"data":<what data writes>}.
std::string rc_reply(const std::function<void(JsonWriter&)>& data)
{
    rapidjson::StringBuffer buffer;
    JsonWriter w(buffer);
    w.StartObject();
    w.Key("rc");
    w.Int(0);
    w.Key("data");
    data(w);
    w.EndObject();
    return json_string(buffer);
}

// A list's data: {"total":total,"diff":[<what rows writes>]}, or null when
// the list is empty.
void write_list(JsonWriter& w, size_t total, const std::function<void()>& rows)
{
    if (total == 0) {
        w.Null();
        return;
    }
    w.StartObject();
    w.Key("total");
    w.Int(static_cast<int>(total));
    w.Key("diff");
    w.StartArray();
    rows();
    w.EndArray();
    w.EndObject();
}

std::string today_flow(const std::map<std::string, std::string>& q)
{
    std::vector<const SyntheticCode*> codes;
    for (const std::string& secid : split_list(param(q, "secids"), ','))
        if (const SyntheticCode* c = from_secid(secid))
            codes.push_back(c);
    return rc_reply([&](JsonWriter& w) {
        write_list(w, codes.size(), [&] {
            for (const SyntheticCode* c : codes)
                write_today(w, *c);
        });
    });
}

// Daily rows "date,main,small,medium,large,super,<the five in percent of the
// day's amount>,close,change %,0,0" for the last 120 trading days.
std::string history_flow(const std::map<std::string, std::string>& q)
{
    const SyntheticCode* c = from_secid(param(q, "secid"));
    return rc_reply([&](JsonWriter& w) {
        if (!c) {
            w.Null();
            return;
        }
        w.StartObject();
        w.Key("code");
        json_text(w, c->code);
        w.Key("market");
        w.Int(service_market(*c));
        w.Key("name");
        json_text(w, c->name);
        w.Key("klines");
        w.StartArray();
        const SyntheticMarket& m = SyntheticMarket::instance();
        for (int j = 119; j >= 0; --j) {
            const FundFlow::Split s = split_of(*c, j);
            const SyntheticDay d = m.day(*c, j);
            int64_t n[5];
            nets(s, n);
            const int order[5] = {0, 4, 3, 2, 1};  // main, small, medium, large, super
            std::string row = date_text(j);
            char cell[48];
            for (const int k : order) {
                std::snprintf(cell, sizeof cell, ",%.1f", static_cast<double>(n[k]));
                row += cell;
            }
            for (const int k : order) {
                std::snprintf(cell, sizeof cell, ",%.2f", percent(n[k], s.amount));
                row += cell;
            }
            std::snprintf(cell, sizeof cell, ",%.2f,%.2f,0.00,0.00", d.close / 10000.0,
                          d.pre_close > 0 ? 100.0 * (d.close - d.pre_close) / d.pre_close : 0.0);
            row += cell;
            json_text(w, row);
        }
        w.EndArray();
        w.EndObject();
    });
}

// The stocks of a block ("b:<id>" or "<id>") with today's main net, sorted by
// it (po 1 descending, else ascending), page pn (from 1) of pz rows.
std::string block_flow(const std::map<std::string, std::string>& q)
{
    std::string fs = param(q, "fs");
    if (fs.compare(0, 2, "b:") == 0)
        fs.erase(0, 2);
    const auto members = SyntheticMarket::instance().block(std::atoll(fs.c_str()));
    std::vector<std::pair<int64_t, const SyntheticCode*>> rows;
    rows.reserve(members.size());
    for (const SyntheticCode* c : members) {
        int64_t n[5];
        nets(split_of(*c, 0), n);
        rows.emplace_back(n[0], c);
    }
    const bool descending = param(q, "po") != "0";
    std::stable_sort(rows.begin(), rows.end(), [descending](const auto& a, const auto& b) {
        return descending ? a.first > b.first : a.first < b.first;
    });
    const int pn = std::max(1, std::atoi(param(q, "pn").c_str()));
    const int pz = std::max(1, std::min(5000, param(q, "pz").empty() ? 20 : std::atoi(param(q, "pz").c_str())));
    return rc_reply([&](JsonWriter& w) {
        write_list(w, rows.size(), [&] {
            const size_t first = static_cast<size_t>(pn - 1) * static_cast<size_t>(pz);
            for (size_t i = first; i < rows.size() && i < first + static_cast<size_t>(pz); ++i) {
                w.StartObject();
                w.Key("f12");
                json_text(w, rows[i].second->code);
                w.Key("f13");
                w.Int(service_market(*rows[i].second));
                w.Key("f14");
                json_text(w, rows[i].second->name);
                w.Key("f62");
                w.Int64(rows[i].first);
                w.EndObject();
            }
        });
    });
}

// The connect channels' minutes follow the two composite indices: the
// northbound net (10 thousand yuan) runs with each index's move since its
// open. Values by field: f51 time, f52/f53 Shanghai net and quota left,
// f54/f55 Shenzhen, f56 both; the buy/sell reply adds f57..f62 (buys, sells).
std::string connect_minutes(const std::map<std::string, std::string>& q)
{
    const SyntheticMarket& m = SyntheticMarket::instance();
    const SyntheticCode* sh = m.find("1A0001", 1);
    const SyntheticCode* sz = m.find("399001", 2);
    const std::vector<std::string> fields = split_list(param(q, "fields2"), ',');
    return rc_reply([&](JsonWriter& w) {
        w.StartObject();
        const std::string day = date_text(0).substr(5);
        w.Key("s2nDate");
        json_text(w, day);
        w.Key("n2sDate");
        json_text(w, day);
        for (const char* side : {"s2n", "n2s"}) {
            const double sign = side[0] == 's' ? 1.0 : -0.5;
            w.Key(side);
            w.StartArray();
            if (sh && sz) {
                const auto a = m.minutes(*sh, 0), b = m.minutes(*sz, 0);
                for (int t = 0; t < SyntheticMarket::kMinutes; ++t) {
                    const int minute = t <= 120 ? 9 * 60 + 30 + t : 13 * 60 + (t - 121);
                    const double net_sh = round2(sign * 4.0e5 * (a[t].price - a[0].price) / a[0].price * 100.0);
                    const double net_sz = round2(sign * 3.0e5 * (b[t].price - b[0].price) / b[0].price * 100.0);
                    const double buys = round2(2.0e4 * (t + 1)), sells = round2(buys - net_sh - net_sz);
                    std::map<std::string, double> v = {{"f52", net_sh},          {"f53", 5.2e6 - net_sh},
                                                       {"f54", net_sz},          {"f55", 5.2e6 - net_sz},
                                                       {"f56", net_sh + net_sz}, {"f57", buys},
                                                       {"f58", sells},           {"f59", 0},
                                                       {"f60", buys / 2},        {"f61", sells / 2},
                                                       {"f62", buys - sells}};
                    char hm[16];
                    std::snprintf(hm, sizeof hm, "%d:%02d", minute / 60, minute % 60);
                    std::string row;
                    for (const std::string& f : fields) {
                        if (!row.empty())
                            row += ',';
                        if (f == "f51") {
                            row += hm;
                        } else {
                            char cell[32];
                            std::snprintf(cell, sizeof cell, "%.2f", v.count(f) ? v[f] : 0.0);
                            row += cell;
                        }
                    }
                    json_text(w, row);
                }
            }
            w.EndArray();
        }
        w.EndObject();
    });
}

// Daily connect-channel nets after the date of filter "(DateTime>^date^)".
std::string connect_days(const std::map<std::string, std::string>& q)
{
    const std::string filter = param(q, "filter");
    const size_t a = filter.find('^'), b = filter.rfind('^');
    const std::string after = a != std::string::npos && b > a ? filter.substr(a + 1, b - a - 1) : std::string();
    const int ps = std::max(1, std::min(5000, std::atoi(param(q, "ps").c_str())));
    const SyntheticMarket& m = SyntheticMarket::instance();
    const SyntheticCode* sh = m.find("1A0001", 1);
    const SyntheticCode* sz = m.find("399001", 2);
    rapidjson::StringBuffer buffer;
    JsonWriter w(buffer);
    w.StartArray();
    int written = 0;
    for (int j = 0; sh && sz && j < TradingCalendar::kDays && written < ps; ++j) {
        const std::string date = date_text(j);
        if (date <= after)
            break;
        const SyntheticDay x = m.day(*sh, j), y = m.day(*sz, j);
        const double hgt = round2(4.0e5 * (x.close - x.pre_close) / x.pre_close);
        const double sgt = round2(3.0e5 * (y.close - y.pre_close) / y.pre_close);
        w.StartObject();
        w.Key("DateTime");
        json_text(w, date + "T00:00:00");
        w.Key("HGTJME");
        w.Double(hgt);
        w.Key("SGTJME");
        w.Double(sgt);
        w.Key("BXJME");
        w.Double(round2(hgt + sgt));
        w.EndObject();
        ++written;
    }
    w.EndArray();
    return json_string(buffer);
}

}  // namespace

namespace FundFlow {

bool handles(const std::string& path)
{
    return path == "/api/qt/ulist.np/get" || path == "/api/qt/stock/fflow/daykline/get" ||
           path == "/api/qt/clist/get" || path == "/api/qt/kamt.rtmin/get" || path == "/api/qt/kamtbs.rtmin/get" ||
           path == "/EM_MutiSvcExpandInterface/api/js/get";
}

std::string answer(const std::string& path, const std::map<std::string, std::string>& query)
{
    if (path == "/api/qt/ulist.np/get")
        return today_flow(query);
    if (path == "/api/qt/stock/fflow/daykline/get")
        return history_flow(query);
    if (path == "/api/qt/clist/get")
        return block_flow(query);
    if (path == "/api/qt/kamt.rtmin/get" || path == "/api/qt/kamtbs.rtmin/get")
        return connect_minutes(query);
    if (path == "/EM_MutiSvcExpandInterface/api/js/get")
        return connect_days(query);
    return "{\"rc\":102,\"data\":null}";
}

bool split(const std::string& code, int market, int j, Split* out)
{
    const SyntheticCode* c = SyntheticMarket::instance().find(code, static_cast<uint8_t>(market));
    if (!c || !out || j < 0)
        return false;
    *out = split_of(*c, j);
    return true;
}

}  // namespace FundFlow
