// Conversion of the market-data library's series records into chart bars,
// and the dividend marks of a stock.
#pragma once

#include <QJsonObject>
#include <QString>

#include <vector>

#include "charts/core/chartbar.h"
#include "quote.h"

// K-line points: local-time date, low 32 bits of the time, prices copied,
// volume and amount as float, average price 0, previous close the close of
// the point before (the first point: its own open).
std::vector<ChartBar> barsFromKPoints(const QuoteKPoint* points, int count);
// The same, taking the date of a bar from held (the bars already stored)
// where the bar at the same index, or the last one, has the same time: a
// refresh repeats the whole series, a push the last bar, and the local date
// of a time costs a time-zone lookup.
std::vector<ChartBar> barsFromKPoints(const QuoteKPoint* points, int count, const std::vector<ChartBar>& held);
// Minute points: open = high = low = close = price, previous close the
// series' previous close for the first point, average 0 becomes no value.
std::vector<ChartBar> barsFromMinutePoints(const QuoteMinPoint* points, int count, float previousClose);

// The date word of a K-line bar: (year - 1900) * 10000 + month * 100 + day of
// the local time of t.
uint32_t chartDate(int64_t t);

// The code info with its decimals clamped to 0..6.
QuoteCodeInfo sanitizedCodeInfo(const QuoteCodeInfo& info);

// The "detailed" text of one dividend event (amounts per 10 shares).
QString dividendText(const QuoteDividend& d);
// {"name": "分红", "data": [...]} for the events in order.
QJsonObject dividendMarks(const QuoteDividend* events, int count);
