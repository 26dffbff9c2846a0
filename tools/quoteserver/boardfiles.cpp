#include "boardfiles.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <system_error>
#include <vector>

#include "boardset.h"
#include "syntheticmarket.h"

namespace {

const char* const kRatings[4] = {"买入", "增持", "中性", "减持"};

// A JSON string literal (the texts here are plain, but quote them properly).
std::string quoted(const std::string& text)
{
    std::string out = "\"";
    for (const char ch : text) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += ch;
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += ch;
        }
    }
    return out + "\"";
}

// Calls fn(code, position) for every stock of a market in table order: the
// position is i for Shanghai and j for Shenzhen.
void for_each_stock(uint8_t market, const std::function<void(const SyntheticCode&, int)>& fn)
{
    int position = 0;
    for (const SyntheticCode& c : SyntheticMarket::instance().codes())
        if (c.type == 2 && c.market == market)
            fn(c, position++);
}

std::string rule_json(const BoardRule& r)
{
    std::string out = "{\"type\":" + quoted(r.type) + ",\"market\":" + std::to_string(r.market);
    if (r.type == "list")
        out += ",\"value\":" + quoted(r.a);
    else
        out += ",\"start\":" + quoted(r.a) + ",\"end\":" + quoted(r.b);
    return out + "}";
}

bool write_file(const std::filesystem::path& path, const std::string& text, std::string* error)
{
    const std::filesystem::path temporary = path.string() + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.close();
        if (!out) {
            *error = "cannot write " + temporary.string();
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::rename(temporary, path, ec);
    if (ec) {
        *error = "cannot rename " + temporary.string() + " to " + path.string() + ": " + ec.message();
        return false;
    }
    return true;
}

}  // namespace

std::string BoardFiles::board_json()
{
    std::string out = "{\"boardIndex\":[";
    bool firstGroup = true;
    for (const BoardIndexGroup& g : BoardSet::index_groups()) {
        out += firstGroup ? "\n" : ",\n";
        firstGroup = false;
        out += "{\"id\":" + std::to_string(g.id) + ",\"name\":" + quoted(g.name) +
               ",\"marketid\":" + std::to_string(g.market) + ",\"index\":[";
        for (size_t k = 0; k < g.items.size(); ++k) {
            const BoardIndexItem& item = g.items[k];
            out += k ? "," : "";
            out += "{\"boardid\":" + std::to_string(item.board) + ",\"code\":" + quoted(item.code) +
                   ",\"name\":" + quoted(item.name) + "}";
        }
        out += "]}";
    }
    out += "],\n\"boardset\":{\"board\":[";
    bool firstBoard = true;
    for (const Board& b : BoardSet::boards()) {
        out += firstBoard ? "\n" : ",\n";
        firstBoard = false;
        out += "{\"id\":" + std::to_string(b.id) + ",\"name\":" + quoted(b.name) + ",\"desc\":" + quoted(b.desc) +
               ",\"codeRules\":[";
        for (size_t k = 0; k < b.rules.size(); ++k)
            out += (k ? "," : "") + rule_json(b.rules[k]);
        out += "]}";
    }
    return out + "]}}\n";
}

std::string BoardFiles::margin_json()
{
    std::string out = "[";
    bool first = true;
    auto add = [&](const SyntheticCode& c) {
        out += first ? "\n" : ",\n";
        first = false;
        out += "{\"tradingcode\":" + quoted(c.code) + ",\"name\":" + quoted(c.name) +
               ",\"market\":" + std::to_string(c.market) + "}";
    };
    for_each_stock(1, [&](const SyntheticCode& c, int i) {
        if (i % 3 == 0)
            add(c);
    });
    for_each_stock(2, [&](const SyntheticCode& c, int j) {
        if (j % 4 == 0)
            add(c);
    });
    return out + "]\n";
}

std::string BoardFiles::rating_json()
{
    std::string out = "{\"ratingInfos\":[";
    bool first = true;
    auto add = [&](const SyntheticCode& c, int position) {
        out += first ? "\n" : ",\n";
        first = false;
        out += "{\"stockId\":" + quoted(c.code) + ",\"rating\":" + quoted(kRatings[(position / 5) % 4]) + "}";
    };
    for_each_stock(1, [&](const SyntheticCode& c, int i) {
        if (i % 5 == 0)
            add(c, i);
    });
    for_each_stock(2, [&](const SyntheticCode& c, int j) {
        if (j % 5 == 0)
            add(c, j);
    });
    return out + "]}\n";
}

bool BoardFiles::write(const std::string& dir, std::string* error)
{
    const std::filesystem::path folder(dir);
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        *error = "cannot create " + dir + ": " + ec.message();
        return false;
    }
    return write_file(folder / "board.json", board_json(), error) &&
           write_file(folder / "stock_rzrq.json", margin_json(), error) &&
           write_file(folder / "stock_rating.json", rating_json(), error);
}
