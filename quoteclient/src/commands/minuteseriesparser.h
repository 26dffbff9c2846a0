// MinuteSeriesParser: the point list shared by the minute-series answers 0x27
// and 0x24: u8 k; k option bytes; then each point's values in the order of
// the echoed options (not of the options sent).
#ifndef PELMAR_MINUTESERIESPARSER_H
#define PELMAR_MINUTESERIESPARSER_H

#include <cstdint>
#include <vector>

#include "quote.h"
#include "replyreader.h"

class MinuteSeriesParser {
public:
    // The options both requests send, in this order.
    static constexpr uint8_t kOptions[6] = {1, 2, 3, 4, 7, 9};
    // The trading-day axis: 241 points, boundaries 09:30, 11:30, 13:00, 15:00 (UTC+8).
    static const QuoteMinAxis kAxis;

    // Bytes one option's value takes in a point (0: carries nothing).
    static uint32_t option_size(int8_t option);

    // Reads the echoed options and n points. A price of 0 becomes
    // `reference` when replace_zero is set. Fails on a negative n or a point
    // list longer than the bytes left.
    static bool read_points(ReplyReader& in, int16_t n, float reference, bool replace_zero,
                            std::vector<QuoteMinPoint>& points);
    // read_points with record.price as the reference; on success the record
    // holds the points and the trading-day axis, and the reply (kind 4) the
    // one record.
    static bool read_series(ReplyReader& in, int16_t n, bool replace_zero, QuoteMinPoints& record,
                            std::vector<QuoteMinPoint>& points, QuoteReply& reply);
};

#endif
