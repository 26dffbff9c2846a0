#include "charts/core/paintfile.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace paintcore {

std::string jsonEscape(const std::string& text)
{
    std::string out;
    out.reserve(text.size() + 8);
    for (const char ch : text) {
        const unsigned char c = static_cast<unsigned char>(ch);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        default:
            if (c < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                out += buf;
            } else {
                out += ch;
            }
        }
    }
    return out;
}

namespace {
int hex4(const std::string& s, size_t at)
{
    if (at + 4 > s.size())
        return -1;
    int v = 0;
    for (size_t i = at; i < at + 4; ++i) {
        const char c = s[i];
        v <<= 4;
        if (c >= '0' && c <= '9')
            v |= c - '0';
        else if (c >= 'a' && c <= 'f')
            v |= c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            v |= c - 'A' + 10;
        else
            return -1;
    }
    return v;
}

void putUtf8(std::string& out, uint32_t cp)
{
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}
}  // namespace

std::string jsonUnescape(const std::string& s)
{
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 >= s.size()) {
            out += s[i];
            continue;
        }
        const char e = s[i + 1];
        switch (e) {
        case '"':
            out += '"';
            ++i;
            continue;
        case '\\':
            out += '\\';
            ++i;
            continue;
        case '/':
            out += '/';
            ++i;
            continue;
        case 'n':
            out += '\n';
            ++i;
            continue;
        case 'r':
            out += '\r';
            ++i;
            continue;
        case 't':
            out += '\t';
            ++i;
            continue;
        case 'b':
            out += '\b';
            ++i;
            continue;
        case 'f':
            out += '\f';
            ++i;
            continue;
        case 'u': {
            int cp = hex4(s, i + 2);
            if (cp < 0)
                break;
            size_t used = 6;
            if (cp >= 0xD800 && cp < 0xDC00 && i + 7 < s.size() && s[i + 6] == '\\' && s[i + 7] == 'u') {
                const int lo = hex4(s, i + 8);
                if (lo >= 0xDC00 && lo < 0xE000) {
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
                    used = 12;
                }
            }
            if (cp >= 0xD800 && cp < 0xE000)
                cp = 0xFFFD;
            putUtf8(out, uint32_t(cp));
            i += used - 1;
            continue;
        }
        default:
            break;
        }
        out += s[i];
    }
    return out;
}

bool addField(json_node* obj, const char* key, const std::string& value)
{
    json_node* v = json_make_string(jsonEscape(value).c_str());
    if (!v)
        return false;
    if (json_add_pair(obj, key, v) != JSON_OK) {
        json_free_tree(&v);
        return false;
    }
    return true;
}

bool readField(const json_node* obj, const char* key, std::string* out)
{
    if (!obj || obj->kind != JSON_OBJECT)
        return false;
    const json_node* label = json_find_label(obj, key);
    const json_node* v = label ? label->firstChild : nullptr;
    if (!v || (v->kind != JSON_STRING && v->kind != JSON_NUMBER) || !v->text)
        return false;
    *out = v->kind == JSON_STRING ? jsonUnescape(v->text) : std::string(v->text);
    return true;
}

std::string colourText(int32_t colour)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%x", uint32_t(colour));
    return buf;
}

int32_t parseColour(const std::string& text)
{
    unsigned int v = 0;
    if (std::sscanf(text.c_str(), "%x", &v) != 1)
        return 0;
    return int32_t(v);
}

// The file's numbers do not follow the process locale (a decimal comma would
// make the file unreadable elsewhere).
namespace {
std::string fixedText(double v, int precision)
{
    char buf[400];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, precision);
    return r.ec == std::errc() ? std::string(buf, r.ptr) : std::string("0");
}
}  // namespace

std::string priceText(float price)
{
    return fixedText(double(price), 2);
}

std::string paramText(double value)
{
    return fixedText(value, 14);
}

int parseInt(const std::string& text)
{
    const long long v = std::strtoll(text.c_str(), nullptr, 10);
    return v > 2147483647LL ? 2147483647 : v < -2147483647LL - 1 ? int(-2147483647 - 1) : int(v);
}

// As atof: leading blanks and a sign, then as much of a number as there is;
// garbage, infinities and NaN read 0.
double parseDouble(const std::string& text)
{
    size_t i = text.find_first_not_of(" \t\n\r");
    if (i == std::string::npos)
        return 0.0;
    bool negative = false;
    if (text[i] == '+' || text[i] == '-')
        negative = text[i++] == '-';
    double v = 0.0;
    const auto r = std::from_chars(text.data() + i, text.data() + text.size(), v, std::chars_format::general);
    if (r.ec != std::errc() || !std::isfinite(v))
        return 0.0;
    return negative ? -v : v;
}

}  // namespace paintcore
