// MarketJson: the back end's answers that come from the synthetic market of
// the quote server (syntheticmarket.h, boardset.h), so both servers tell one
// story: stock pools (the concept blocks), the rise and fall distribution,
// news and research rows per stock, the screening templates and results, and
// the small F9/F10/F11 and article pages. Prices are the quote server's at
// its start (tick 0).
#ifndef BACKEND_MARKETJSON_H
#define BACKEND_MARKETJSON_H

#include <cstdint>
#include <string>

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

using JsonWriter = rapidjson::Writer<rapidjson::StringBuffer>;

// Writes a UTF-8 text as a JSON string (or key).
inline void json_text(JsonWriter& w, const std::string& s)
{
    w.String(s.data(), static_cast<rapidjson::SizeType>(s.size()));
}
inline void json_key(JsonWriter& w, const std::string& s)
{
    w.Key(s.data(), static_cast<rapidjson::SizeType>(s.size()));
}

// The text a writer wrote into its buffer.
inline std::string json_string(const rapidjson::StringBuffer& buffer)
{
    return {buffer.GetString(), buffer.GetSize()};
}

// Opens a success reply {"code":"0000","msg":"success","<list>":[ ; the
// caller writes the rows and closes the array and the object.
inline void begin_success(JsonWriter& w, const char* list)
{
    w.StartObject();
    w.Key("code");
    w.String("0000");
    w.Key("msg");
    w.String("success");
    w.Key(list);
    w.StartArray();
}

namespace MarketJson {

// [{group_id, group_name, stocks: [{tradingcode, exchangecode}]}]: one pool
// per concept block with its member stocks, then one pool without stocks.
std::string stock_pools();

// {"HS": [...], "SH": [...], "SZ": [...], "CY": [...]}: per market twelve
// distribution rows {name, section, count, type} from the largest rise to the
// largest fall, then the "up_counts" and "down_counts" rows.
std::string market_total();

// {"code":"0000","data":[{id, title, pubdate, source}]}: five news rows (or
// research rows) about the stock; an unknown stock gets an empty list.
std::string news_list(const std::string& code, int market, bool research);

// A small HTML article page for a row id of news_list.
std::string article_page(const std::string& id, bool research);

// A small HTML page per stock for "f9", "f10" or "f11".
std::string stock_page(const std::string& kind, const std::string& code, int market);

// The screening templates: groups {title, color?, items: [{title, content,
// key, fml_type, argRanges, color?}]}, one group without items.
std::string condition_templates();

// The screening reply for a request body {"conditions": [...]}: code "0000"
// with {stock_code, exchange_type} rows, or code "1001" with a msg when the
// body is not such a request.
std::string screen(const std::string& body);

// Escapes &, <, > and " for HTML text.
std::string html_escape(const std::string& text);

}  // namespace MarketJson

#endif
