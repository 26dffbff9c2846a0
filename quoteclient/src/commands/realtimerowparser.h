// RealTimeRowParser: the shared part of the list replies 0x20, 0x28 and 0x2A:
// the echoed market-field ids, the rows carrying their values in that order,
// and the local sort by one field.
#ifndef PELMAR_REALTIMEROWPARSER_H
#define PELMAR_REALTIMEROWPARSER_H

#include <cstdint>
#include <vector>

#include "quote.h"
#include "replyreader.h"

class RealTimeRowParser {
public:
    // Bytes one field id takes in a row; 0 for ids that carry nothing.
    static uint32_t field_size(uint16_t id);

    // int16 m, then m int16 ids. Fails on a negative or oversized count.
    static bool read_fields(ReplyReader& in, std::vector<uint16_t>& ids);

    // int16 r, then r rows of `ids`. The rows are zeroed first; each row's
    // timestamp comes from ids 2 and 3 (local time), -1 without a date. Fails,
    // leaving `rows` empty, on a negative count, a count the remaining bytes
    // cannot hold, or a short row.
    static bool read_rows(ReplyReader& in, const std::vector<uint16_t>& ids, std::vector<QuoteRealTimeMarket>& rows);

    // The last date and time converted, so that rows of one answer, which
    // mostly share them, convert once.
    struct TimeMemo {
        int32_t date = 0;
        int32_t time = 0;
        int64_t seconds = 0;
        bool valid = false;
    };

    // One row's values in the order of `ids`.
    static bool read_row(ReplyReader& in, const std::vector<uint16_t>& ids, QuoteRealTimeMarket& row,
                         TimeMemo* memo = nullptr);

    // Reads the identity block (market field 0): code 6, name 24, decimal,
    // market, type; texts terminated, pinyin left as it is.
    static bool read_identity(ReplyReader& in, QuoteCodeInfo& info);
    // The head of the per-code answers: the identity block, then the int32
    // reference price in 1/10000.
    static bool read_identity_and_price(ReplyReader& in, QuoteCodeInfo& info, float& price);

    // Stable sort of rows[0, n) by the field of `id`: direction 0 descending,
    // 1 ascending, any other value leaves the order. Ids 0-3 and ids without a
    // row field sort by code text (bytewise, unsigned). Rows whose key is NaN
    // go last in both directions.
    static void sort(QuoteRealTimeMarket* rows, std::size_t n, uint16_t id, uint8_t direction);

    // Zeroes everything after the first NUL of a text field of cap bytes.
    static void clean_text(char* s, std::size_t cap);

    // True when the row's code text is not empty.
    static bool has_code(const QuoteRealTimeMarket& row) { return row.code_info.code[0] != '\0'; }
};

#endif
