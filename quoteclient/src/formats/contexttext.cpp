#include "contexttext.h"

#include <cstring>

#include "ajson.h"

namespace {

struct TimeText {
    int64_t start = 0;
    int64_t end = 0;
    AJSON_FIELDS(start, end)
};

struct PageText {
    int16_t no = 0;
    int16_t length = 0;
    AJSON_FIELDS(no, length)
};

struct SortText {
    int16_t id = 0;
    uint8_t mode = 2;
    AJSON_FIELDS(id, mode)
};

struct CodeText {
    char code[16] = {};
    uint8_t market = 0;
    AJSON_FIELDS(code, market)
};

struct SettingsText {
    uint8_t peroid_ = 0;
    uint8_t dir_ = 0;
    int32_t type_ = 0;
    int32_t option_ = 0;
    TimeText time_;
    PageText page_;
    SortText sort_;
    std::vector<int16_t> market_field_;
    std::vector<int64_t> blocks_;
    std::vector<int16_t> categories_;
    std::vector<CodeText> codes_;
    AJSON_FIELDS(peroid_, dir_, type_, option_, time_, page_, sort_, market_field_, blocks_, categories_, codes_)
};

void hex4(std::string& out, unsigned v)
{
    static const char kDigits[] = "0123456789ABCDEF";
    out += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4)
        out += kDigits[(v >> shift) & 0xF];
}

template <class T>
void number(std::string& out, T v)
{
    ContextText::append_number(out, static_cast<int64_t>(v));
}

template <class T>
void array(std::string& out, const std::vector<T>& values, bool as_int16)
{
    out += '[';
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i)
            out += ',';
        if (as_int16)
            number(out, static_cast<int16_t>(values[i]));
        else
            number(out, values[i]);
    }
    out += ']';
}

}  // namespace

void ContextText::append_number(std::string& out, int64_t v)
{
    char digits[24];
    int n = 0;
    // Work on the magnitude as unsigned so the most negative value is exact.
    uint64_t m = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
    do {
        digits[n++] = static_cast<char>('0' + m % 10);
        m /= 10;
    } while (m);
    if (v < 0)
        out += '-';
    while (n)
        out += digits[--n];
}

void ContextText::append_string(std::string& out, const char* s, std::size_t max)
{
    const std::size_t n = strnlen(s, max);
    const auto* p = reinterpret_cast<const unsigned char*>(s);
    out += '"';
    std::size_t i = 0;
    while (i < n) {
        const unsigned char c = p[i];
        // Decode one UTF-8 sequence; a malformed one is written byte by byte.
        unsigned cp = c, len = 1;
        if (c >= 0xC0 && c < 0xF8) {
            len = c < 0xE0 ? 2 : (c < 0xF0 ? 3 : 4);
            cp = c & (0x3F >> (len - 1));
            bool ok = i + len <= n;
            for (unsigned k = 1; ok && k < len; ++k) {
                if ((p[i + k] & 0xC0) != 0x80)
                    ok = false;
                else
                    cp = (cp << 6) | (p[i + k] & 0x3F);
            }
            static const unsigned kMin[] = {0, 0, 0x80, 0x800, 0x10000};
            if (!ok || cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
                cp = c;
                len = 0;  // malformed: escape the byte alone
            }
        } else if (c >= 0x80) {
            len = 0;
        }
        if (len == 0) {
            hex4(out, c);
            ++i;
            continue;
        }
        i += len;
        switch (cp) {
        case '"':
            out += "\\\"";
            continue;
        case '\\':
            out += "\\\\";
            continue;
        case '\b':
            out += "\\b";
            continue;
        case '\t':
            out += "\\t";
            continue;
        case '\n':
            out += "\\n";
            continue;
        case '\f':
            out += "\\f";
            continue;
        case '\r':
            out += "\\r";
            continue;
        default:
            break;
        }
        if (cp >= 0x20 && cp <= 0x7E) {
            out += static_cast<char>(cp);
        } else if (cp > 0xFFFF) {
            const unsigned v = cp - 0x10000;
            hex4(out, 0xD800 + (v >> 10));
            hex4(out, 0xDC00 + (v & 0x3FF));
        } else {
            hex4(out, cp);
        }
    }
    out += '"';
}

std::string ContextText::dump(const ContextSettings& s)
{
    std::string out;
    out.reserve(256 + 40 * s.codes.size() + 8 * (s.market_fields.size() + s.blocks.size() + s.categories.size()));
    out += "{\"peroid_\":";
    number(out, static_cast<int8_t>(s.period));
    out += ",\"dir_\":";
    number(out, static_cast<int8_t>(s.direction));
    out += ",\"type_\":";
    number(out, s.type);
    out += ",\"option_\":";
    number(out, s.option);
    out += ",\"time_\":{\"start\":";
    number(out, s.time_start);
    out += ",\"end\":";
    number(out, s.time_end);
    out += "},\"page_\":{\"no\":";
    number(out, s.page.first);
    out += ",\"length\":";
    number(out, s.page.count);
    out += "},\"sort_\":{\"id\":";
    number(out, static_cast<int16_t>(s.sort.field));
    out += ",\"mode\":";
    number(out, static_cast<int8_t>(s.sort.direction));
    out += "},\"market_field_\":";
    array(out, s.market_fields, true);
    out += ",\"blocks_\":";
    array(out, s.blocks, false);
    out += ",\"categories_\":";
    array(out, s.categories, true);
    out += ",\"codes_\":[";
    for (std::size_t i = 0; i < s.codes.size(); ++i) {
        if (i)
            out += ',';
        out += "{\"code\":";
        append_string(out, s.codes[i].bytes.data(), 16);
        out += ",\"market\":";
        number(out, static_cast<int8_t>(s.codes[i].market()));
        out += '}';
    }
    out += "]}";
    return out;
}

bool ContextText::parse(const char* text, std::size_t length, ContextSettings* out)
{
    SettingsText t;
    try {
        ajson::parse(t, text, length);
    } catch (const ajson::exception&) {
        return false;
    }
    ContextSettings s;
    s.period = t.peroid_;
    s.direction = t.dir_;
    s.type = t.type_;
    s.option = t.option_;
    s.time_start = t.time_.start;
    s.time_end = t.time_.end;
    s.page.first = t.page_.no;
    s.page.count = t.page_.length;
    s.sort.field = static_cast<uint16_t>(t.sort_.id);
    s.sort.direction = t.sort_.mode;
    s.market_fields.assign(t.market_field_.begin(), t.market_field_.end());
    s.blocks = std::move(t.blocks_);
    s.categories.assign(t.categories_.begin(), t.categories_.end());
    // Up to the first NUL: a code given twice in one entry leaves no bytes
    // of the earlier, longer one behind the terminator.
    s.codes.reserve(t.codes_.size());
    for (const CodeText& c : t.codes_)
        s.codes.push_back(CodeEntry::from(c.code, c.market));
    *out = std::move(s);
    return true;
}
