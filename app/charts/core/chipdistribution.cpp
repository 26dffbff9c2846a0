#include "charts/core/chipdistribution.h"

#include <algorithm>
#include <cstdio>

namespace {

// Prices beyond this many ticks are not counted (llround stays defined far below 2^63).
constexpr double kMaxUnits = 1e15;

ChipBandSet bandSet(std::initializer_list<std::pair<int, ChipColour>> bands)
{
    ChipBandSet set;
    for (const auto& b : bands)
        set[b.first] = ChipBand{b.first, b.second, 0.0, {}};
    return set;
}

std::string format(const char* fmt, double a, double b = 0.0, double c = 0.0)
{
    char buf[128];
    std::snprintf(buf, sizeof buf, fmt, a, b, c);
    return buf;
}

}  // namespace

ChipDistributionModel::ChipDistributionModel()
    : within_(bandSet({{5, {120, 80, 255}},
                       {10, {160, 160, 255}},
                       {20, {120, 120, 255}},
                       {30, {80, 80, 255}},
                       {60, {34, 64, 192}},
                       {100, {0, 64, 128}}})),
      before_(bandSet({{5, {255, 0, 0}},
                       {10, {255, 128, 128}},
                       {20, {255, 0, 128}},
                       {30, {255, 100, 0}},
                       {60, {192, 128, 0}},
                       {100, {255, 192, 0}}})),
      triangle_(std::make_unique<TriangelDistribution<double>>(45.0)),
      average_(std::make_unique<AverageDistribution<double>>())
{
    strategy_ = triangle_.get();
}

void ChipDistributionModel::setDecimals(int decimals)
{
    decimals_ = std::max(0, std::min(decimals, 6));
    scale_ = std::pow(10.0, decimals_);
}

void ChipDistributionModel::setBars(const std::vector<ChartBar>* bars, int n)
{
    bars_ = bars;
    n_ = bars ? std::max(0, std::min(n, int(bars->size()))) : 0;
}

bool ChipDistributionModel::setChipType(int type)
{
    if (type == chipType_)
        return false;
    chipType_ = type;
    current_ = type == kChipWithin ? &within_ : type == kChipBefore ? &before_ : nullptr;
    return true;
}

bool ChipDistributionModel::toUnits(double price, int64_t& units) const
{
    const double v = price * scale_;
    if (!std::isfinite(v) || std::fabs(v) > kMaxUnits)
        return false;
    units = std::llround(v);
    return true;
}

int ChipDistributionModel::cellOf(double price) const
{
    int64_t u = 0;
    if (cells_.empty() || !toUnits(price, u) || u < lowUnits_)
        return -1;
    const int64_t i = (u - lowUnits_) / step_;
    return i < int64_t(cells_.size()) ? int(i) : -1;
}

void ChipDistributionModel::clear()
{
    cells_.clear();
    weights_.clear();
    high_ = low_ = 0.0f;
    lowUnits_ = 0;
    step_ = 1;
    chipTotal_ = priceTotal_ = profitTotal_ = 0.0;
    averageCost_ = 0.0f;
    range90_ = range70_ = ChipRange{};
    lastClose_ = 0.0f;
    lastDate_ = 0;
    for (ChipBandSet* set : {&within_, &before_})
        for (auto& b : *set) {
            b.second.total = 0.0;
            b.second.cells.clear();
        }
}

namespace {

// A bar takes part when both its high and low are finite prices.
bool usable(const ChartBar& b)
{
    return std::isfinite(b.high) && std::isfinite(b.low);
}

}  // namespace

// Spreads bar i's weight over the cells from its low to its high.
void ChipDistributionModel::spreadBar(int i)
{
    const double w = weights_[std::size_t(i)];
    if (w <= 0.0)
        return;
    const ChartBar& b = (*bars_)[std::size_t(i)];
    const int c0 = cellOf(std::min(b.low, b.high));
    const int c1 = cellOf(std::max(b.low, b.high));
    if (c0 < 0 || c1 < c0)
        return;
    strategy_->distribute(w, cells_.data() + c0, c1 - c0 + 1);
}

void ChipDistributionModel::copyBand(int period)
{
    const auto it = current_->find(period);
    if (it != current_->end())
        it->second.cells = cells_;
}

void ChipDistributionModel::compute()
{
    clear();
    if (!bars_)
        return;
    const int n = n_ = std::min(n_, int(bars_->size()));
    if (n <= 0)
        return;
    const std::vector<ChartBar>& bars = *bars_;

    // The price range, from the bars with finite prices whose ticks count.
    int64_t lo = 0, hi = 0;
    bool any = false;
    for (int i = 0; i < n; ++i) {
        const ChartBar& b = bars[std::size_t(i)];
        int64_t a = 0, z = 0;
        if (!usable(b) || !toUnits(std::min(b.low, b.high), a) || !toUnits(std::max(b.low, b.high), z))
            continue;
        if (!any || a < lo) {
            lo = a;
            low_ = std::min(b.low, b.high);
        }
        if (!any || z > hi) {
            hi = z;
            high_ = std::max(b.low, b.high);
        }
        any = true;
    }
    lastClose_ = bars[std::size_t(n - 1)].close;
    lastDate_ = bars[std::size_t(n - 1)].date;
    if (!any)
        return;
    lowUnits_ = lo;
    while ((hi - lo) / step_ + 1 > kMaxCells)
        step_ *= 10;
    cells_.assign(std::size_t((hi - lo) / step_ + 1), 0.0);

    // Weights from the newest bar back; the decay factor stays within [0, 1]
    // so a turnover above 100 % (or a negative one) cannot make chips negative.
    weights_.assign(std::size_t(n), 0.0);
    double carry = 1.0;
    for (int i = n - 1; i >= 0; --i) {
        const ChartBar& b = bars[std::size_t(i)];
        if (!usable(b) || cellOf(b.low) < 0 || cellOf(b.high) < 0)
            continue;
        const double volume = std::isfinite(b.volume) && b.volume > 0.0f ? double(b.volume) : 0.0;
        weights_[std::size_t(i)] = volume * 100.0 * carry;
        const double turnover = std::isfinite(b.extra) ? double(b.extra) : 0.0;
        const double f = 1.0 - double(decay) * (turnover != 0.0 ? turnover / 100.0 : 1.0);
        carry *= std::max(0.0, std::min(1.0, f));
    }

    // Spreading, with the band copies of the current set.
    if (chipType_ == kChipBefore && current_) {
        for (int i = 0; i < n; ++i) {
            copyBand(n - i);
            spreadBar(i);
        }
    } else {
        for (int off = 0; off < n; ++off) {
            if (current_ && off > 0)
                copyBand(off);
            spreadBar(n - 1 - off);
        }
    }

    // Totals.
    int64_t closeUnits = 0;
    const bool hasClose = toUnits(lastClose_, closeUnits);
    for (std::size_t i = 0; i < cells_.size(); ++i) {
        const double c = cells_[i];
        const int64_t u = cellUnits(int(i));
        chipTotal_ += c;
        priceTotal_ += unitsToPrice(u) * c;
        if (hasClose && u < closeUnits)
            profitTotal_ += c;
    }
    if (current_)
        for (auto& b : *current_) {
            double t = 0.0;
            for (double c : b.second.cells)
                t += c;
            b.second.total = t;
        }
    if (!(chipTotal_ > 0.0))
        return;
    averageCost_ = float(priceTotal_ / chipTotal_);

    // Ranges: the first cell where the cumulative share passes each threshold.
    struct Edge {
        float threshold;
        float* price;
        bool found;
    };
    Edge edges[4] = {{range90Low, &range90_.low, false},
                     {range90High, &range90_.high, false},
                     {range70Low, &range70_.low, false},
                     {range70High, &range70_.high, false}};
    double sum = 0.0;
    for (std::size_t i = 0; i < cells_.size(); ++i) {
        sum += cells_[i];
        // Compared as the float thresholds are kept.
        const float s = float(sum / chipTotal_);
        for (Edge& e : edges)
            if (!e.found && s > e.threshold) {
                *e.price = float(cellPrice(int(i)));
                e.found = true;
            }
    }
    for (ChipRange* r : {&range90_, &range70_}) {
        const Edge* pair = r == &range90_ ? edges : edges + 2;
        r->valid = pair[0].found && pair[1].found;
        const float span = r->low + r->high;
        r->concentration = r->valid && span != 0.0f ? (r->high - r->low) / span : 0.0f;
    }
}

double ChipDistributionModel::shareBelow(double price) const
{
    int64_t units = 0;
    if (!hasChips() || !toUnits(price, units))
        return 0.0;
    double below = 0.0;
    for (std::size_t i = 0; i < cells_.size() && cellUnits(int(i)) < units; ++i)
        below += cells_[i];
    return below / chipTotal_;
}

// ---- Panel geometry ----

ChipRows chipRows(const ChipDistributionModel& m, float scaleMin, float scaleMax, int top, int height)
{
    ChipRows r;
    int64_t lo = 0, hi = 0;
    if (height <= 0 || !(scaleMax >= scaleMin) || !m.toUnits(scaleMin, lo) || !m.toUnits(scaleMax, hi))
        return r;
    r.step = m.step();
    // Rows on the same grid as the cells, so a cell's price is a row's price.
    const int64_t base = m.lowUnits();
    auto floorGrid = [&](int64_t u) {
        int64_t q = (u - base) / r.step;
        if ((u - base) % r.step < 0)
            --q;
        return base + q * r.step;
    };
    r.minUnits = floorGrid(lo);
    r.maxUnits = floorGrid(hi);
    const int64_t count = (r.maxUnits - r.minUnits) / r.step + 1;
    if (count > int64_t(ChipDistributionModel::kMaxCells) * 10)
        return r;
    r.count = int(count);
    r.geometry = barGeometry(height, r.count, r.count);
    r.bottom = top + height;
    r.valid = true;
    return r;
}

int chipRowY(const ChipRows& rows, int64_t units)
{
    const int row = int((units - rows.minUnits) / rows.step);
    return int(float(rows.bottom) - barCentreX(0, rows.geometry, row));
}

std::vector<ChipLine> chipLines(const ChipDistributionModel& m, const std::vector<double>& cells, const ChipRows& rows,
                                double largest, double width, int64_t fromUnits, int64_t toUnits)
{
    std::vector<ChipLine> lines;
    if (!rows.valid || !(largest > 0.0))
        return lines;
    const int64_t from = std::max(fromUnits, rows.minUnits);
    const int64_t to = std::min(toUnits, rows.maxUnits);
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const int64_t u = m.cellUnits(int(i));
        if (u < from)
            continue;
        if (u > to)
            break;
        const ChipLine line{int(i), chipRowY(rows, u), cells[i] / largest * width};
        if (!lines.empty() && lines.back().y == line.y) {
            if (line.length >= lines.back().length)
                lines.back() = line;
            continue;
        }
        lines.push_back(line);
    }
    return lines;
}

std::vector<ChipPoint> chipOutline(const std::vector<ChipLine>& lines)
{
    std::vector<ChipPoint> points;
    if (lines.empty())
        return points;
    points.reserve(lines.size() + 2);
    points.push_back({0.0, double(lines.front().y)});
    for (const ChipLine& l : lines)
        points.push_back({l.length, double(l.y)});
    points.push_back({0.0, double(lines.back().y)});
    return points;
}

double largestCell(const std::vector<double>& cells)
{
    double top = 0.0;
    for (double c : cells)
        top = std::max(top, c);
    return top;
}

std::vector<ChipLegendRow> chipLegend(const ChipDistributionModel& m, int itemHeight)
{
    std::vector<ChipLegendRow> rows;
    const ChipBandSet* set = m.bands();
    if (!set)
        return rows;
    const char* side = m.chipType() == kChipBefore ? "前" : "内";
    int y = itemHeight - 240;
    for (const auto& entry : *set) {
        const ChipBand& b = entry.second;
        if (b.cells.empty())
            continue;
        char buf[96];
        std::snprintf(buf, sizeof buf, "%d周期%s成本%.1f%%", b.period, side, m.bandShare(b) * 100.0);
        rows.push_back({y, b.colour, buf});
        y += 20;
    }
    return rows;
}

std::string chipDate(uint32_t date)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04u-%02u-%02u", date / 10000 + 1900, date / 100 % 100, date % 100);
    return buf;
}

ChipTexts chipTexts(const ChipDistributionModel& m, double crosshairPrice)
{
    ChipTexts t;
    t.date = "成本分布 日期: " + chipDate(m.lastDate());
    t.profit = "获利比例: ";
    t.ratio = format("%.2f%%", m.profitRatio() * 100.0);
    t.crosshair = format("%.2f处获利盘: %.2f%%", crosshairPrice, m.shareBelow(crosshairPrice) * 100.0);
    if (m.hasChips())
        t.average = format("平均成本: %.2f元", double(m.averageCost()));
    auto range = [](const char* fmt, const ChipRange& r) {
        return r.valid ? format(fmt, double(r.low), double(r.high), double(r.concentration) * 100.0) : std::string();
    };
    t.range90 = range("90%%成本%.2f-%.2f集中%.1f%%", m.range90());
    t.range70 = range("70%%成本%.2f-%.2f集中%.1f%%", m.range70());
    return t;
}
