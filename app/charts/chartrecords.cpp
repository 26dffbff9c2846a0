#include "charts/chartrecords.h"

#include "charts/core/barmerge.h"

#include <QJsonArray>

#include <algorithm>
#include <cstring>
#include <ctime>

uint32_t chartDate(int64_t t)
{
    const time_t tt = time_t(t);
    struct tm tmv {};
    if (!localtime_r(&tt, &tmv))
        return 0;
    return uint32_t(tmv.tm_year * 10000 + (tmv.tm_mon + 1) * 100 + tmv.tm_mday);
}

namespace {

ChartBar kBar(const QuoteKPoint& p, uint32_t date, float preClose)
{
    ChartBar b;
    b.date = date;
    b.time = int32_t(uint32_t(uint64_t(p.time)));
    b.open = p.open;
    b.high = p.high;
    b.low = p.low;
    b.close = p.close;
    b.amount = float(p.amount);
    b.volume = float(p.volume);
    b.preClose = preClose;
    b.avgPrice = 0.0f;
    b.extra = p.extra;
    return b;
}

}  // namespace

std::vector<ChartBar> barsFromKPoints(const QuoteKPoint* points, int count)
{
    return barsFromKPoints(points, count, {});
}

std::vector<ChartBar> barsFromKPoints(const QuoteKPoint* points, int count, const std::vector<ChartBar>& held)
{
    std::vector<ChartBar> out;
    if (!points || count <= 0)
        return out;
    out.reserve(std::size_t(count));
    for (int i = 0; i < count; ++i) {
        const QuoteKPoint& p = points[i];
        const int32_t t = int32_t(uint32_t(uint64_t(p.time)));
        // A whole series again has its bars at the held indices; a push, at the last.
        const ChartBar* same = std::size_t(i) < held.size() && held[std::size_t(i)].time == t ? &held[std::size_t(i)]
                               : !held.empty() && held.back().time == t                       ? &held.back()
                                                                                              : nullptr;
        out.push_back(kBar(p, same ? same->date : chartDate(p.time), i == 0 ? p.open : points[i - 1].close));
    }
    return out;
}

std::vector<ChartBar> barsFromMinutePoints(const QuoteMinPoint* points, int count, float previousClose)
{
    std::vector<ChartBar> out;
    if (!points || count <= 0)
        return out;
    out.resize(std::size_t(count));
    for (int i = 0; i < count; ++i) {
        const QuoteMinPoint& p = points[i];
        ChartBar& b = out[std::size_t(i)];
        b.time = int32_t(uint32_t(uint64_t(p.time)));
        b.date = uint32_t(b.time);
        b.open = b.high = b.low = b.close = p.price;
        b.amount = float(p.amount);
        b.volume = float(p.volume);
        b.preClose = i == 0 ? previousClose : points[i - 1].price;
        b.avgPrice = p.avg_price == 0.0f ? kChartNoValue : p.avg_price;
        b.extra = 0.0f;
    }
    return out;
}

std::vector<ChartBar> continuedMinuteBars(const std::vector<ChartBar>& held, std::vector<ChartBar>&& points)
{
    std::vector<ChartBar> day = held;
    mergeBars(day, std::move(points));
    for (std::size_t i = 1; i < day.size(); ++i)
        day[i].preClose = day[i - 1].close;
    return day;
}

QuoteCodeInfo sanitizedCodeInfo(const QuoteCodeInfo& info)
{
    QuoteCodeInfo c = info;
    c.decimal = uint8_t(std::min<int>(int(int8_t(c.decimal)) < 0 ? 0 : c.decimal, 6));
    return c;
}

QString dividendText(const QuoteDividend& d)
{
    auto num = [](double v) { return QString::number(v, 'g', 2); };
    QString s;
    if (d.cash_dividend > 0)
        s += QStringLiteral("红利%1元").arg(num(d.cash_dividend * 10));
    if (d.rights_ratio > 0)
        s += QStringLiteral(" 配股%1股").arg(num(d.rights_ratio * 10));
    if (d.rights_price > 0)
        s += QStringLiteral(" 配股价%1元").arg(num(d.rights_price));
    if (d.bonus_ratio > 0)
        s += QStringLiteral(" 送转%1股").arg(num(d.bonus_ratio * 10));
    return s;
}

QJsonObject dividendMarks(const QuoteDividend* events, int count)
{
    QJsonArray data;
    for (int i = 0; events && i < count; ++i) {
        data.append(QJsonObject{{"time", qint64(events[i].time)},
                                {"type", "text"},
                                {"color", "#FF0000"},
                                {"content", "q"},
                                {"url", ""},
                                {"detailed", dividendText(events[i])}});
    }
    return QJsonObject{{"name", QStringLiteral("分红")}, {"data", data}};
}
