// UTF-16 texts in test failures: GoogleTest prints a std::u16string as
// escapes (u"\x6DA8\x5E45"), so a test compares utf8(a) with utf8(b), whose
// failure shows both texts as they are ("As Text: "涨幅"").
#pragma once

#include <string>
#include <string_view>
#include <vector>

// text as UTF-8; a lone surrogate becomes U+FFFD.
inline std::string utf8(std::u16string_view text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        else if (c >= 0xD800 && c <= 0xDFFF)
            c = 0xFFFD;
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | c >> 6);
            out += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += char(0xE0 | c >> 12);
            out += char(0x80 | (c >> 6 & 0x3F));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xF0 | c >> 18);
            out += char(0x80 | (c >> 12 & 0x3F));
            out += char(0x80 | (c >> 6 & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

inline std::vector<std::string> utf8(const std::vector<std::u16string>& texts)
{
    std::vector<std::string> out;
    for (const std::u16string& t : texts)
        out.push_back(utf8(t));
    return out;
}
