// Helpers for request bodies: the fixed forms that several commands share.
#ifndef PELMAR_REQUESTBODY_H
#define PELMAR_REQUESTBODY_H

#include <cstdint>
#include <vector>

#include "b2c.h"
#include "context.h"

namespace requestbody {

inline void u8(_B2CStream* s, uint8_t v)
{
    b2c_stream_append_int8(s, static_cast<int8_t>(v));
}
inline void i16(_B2CStream* s, int v)
{
    b2c_stream_append_int16(s, static_cast<int16_t>(v));
}
inline void i32(_B2CStream* s, int32_t v)
{
    b2c_stream_append_int32(s, v);
}
inline void i64(_B2CStream* s, int64_t v)
{
    b2c_stream_append_int64(s, v);
}

// A code entry as requests carry it: 6 code bytes (zero-padded), market byte.
inline void code(_B2CStream* s, const CodeEntry& e)
{
    char c[6];
    e.code6(c);
    b2c_stream_append_bytes(s, c, 6);
    u8(s, e.market());
}

// int16 n, then n code entries (at most 32767 are sent).
inline void code_list(_B2CStream* s, const std::vector<CodeEntry>& codes)
{
    const std::size_t n = codes.size() > 32767 ? 32767 : codes.size();
    i16(s, static_cast<int>(n));
    for (std::size_t i = 0; i < n; ++i)
        code(s, codes[i]);
}

// int16 m, then m int16 market-field ids.
inline void field_list(_B2CStream* s, const std::vector<uint16_t>& ids)
{
    const std::size_t m = ids.size() > 32767 ? 32767 : ids.size();
    i16(s, static_cast<int>(m));
    for (std::size_t i = 0; i < m; ++i)
        i16(s, ids[i]);
}

// u8 count, then the option bytes 1..count.
inline void options(_B2CStream* s, const uint8_t* list, uint8_t count)
{
    u8(s, count);
    b2c_stream_append_bytes(s, list, count);
}

// The tail of a ranked-page request: int16 page count; int16 sort field; u8
// sort direction; the market-field list.
inline void ranked_page_tail(_B2CStream* s, const ContextSettings& c)
{
    i16(s, c.page.count);
    i16(s, c.sort.field);
    u8(s, c.sort.direction);
    field_list(s, c.market_fields);
}

// Sending thread: the whole request of a command that carries only the
// context's first code (6 code bytes, market byte). False, with nothing
// written, when the context has no code.
inline bool first_code_only(_B2CQuoteMsg& header, ContextBase& base, uint8_t command)
{
    Context* ctx = context_of(base);
    CodeEntry e;
    if (!ctx || !ctx->first_code(&e))
        return false;
    header.command = command;
    code(header.payload, e);
    return true;
}

// Sending thread: the settings of a quote context whose `list` (codes,
// blocks, categories) is not empty, with `command` set in the header; false,
// with the header untouched, otherwise.
template <typename Entry>
inline bool settings_with(_B2CQuoteMsg& header, ContextBase& base, std::vector<Entry> ContextSettings::*list,
                          uint8_t command, ContextSettings* out)
{
    Context* ctx = context_of(base);
    if (!ctx)
        return false;
    *out = ctx->settings();
    if ((out->*list).empty())
        return false;
    header.command = command;
    return true;
}

// Sending thread: the first code and the page of a quote context, with
// `command` set in the header; false, with nothing set, when it has no code.
inline bool first_code_and_page(_B2CQuoteMsg& header, ContextBase& base, uint8_t command, CodeEntry* code,
                                ContextPage* page)
{
    Context* ctx = context_of(base);
    if (!ctx || !ctx->first_code(code))
        return false;
    *page = ctx->page();
    header.command = command;
    return true;
}

}  // namespace requestbody

#endif
