// ContextText: the compact JSON form of a context's settings, as
// quote_ctx_dump writes it and quote_ctx_parse reads it back:
// {"peroid_":P,"dir_":D,"type_":T,"option_":O,"time_":{"start":S,"end":E},
//  "page_":{"no":N,"length":L},"sort_":{"id":I,"mode":M},"market_field_":[..],
//  "blocks_":[..],"categories_":[..],"codes_":[{"code":"X","market":K},..]}
// without blanks. Byte fields (period, direction, sort mode, code market) are
// written as signed 8-bit values, the 16-bit ids as signed 16-bit values.
#ifndef PELMAR_CONTEXTTEXT_H
#define PELMAR_CONTEXTTEXT_H

#include <cstddef>
#include <cstdint>
#include <string>

#include "context.h"

class ContextText {
public:
    static std::string dump(const ContextSettings& settings);
    // Reads a text into `out` (starting from the defaults of a fresh
    // context); false, with `out` unspecified, when the text does not parse.
    static bool parse(const char* text, std::size_t length, ContextSettings* out);
    // Appends a number in decimal, with a leading '-' when negative.
    static void append_number(std::string& out, int64_t v);
    // Appends a JSON string of the bytes up to the first NUL or `max` bytes.
    static void append_string(std::string& out, const char* s, std::size_t max);
};

#endif
