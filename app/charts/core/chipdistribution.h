// Chip distribution: how the volume of a stock's past bars is spread over its
// price ticks, decayed by turnover, with the share below a price, the average
// cost, the ranges holding 90 % and 70 % of the chips, and the chips by age
// band. Also the panel's geometry as pure functions: the row of a price, the
// lines of the cells, the outline of a band and the legend and text rows.
#pragma once

#include <cmath>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "charts/core/chartbar.h"
#include "charts/core/chartgeometry.h"

// Spreads one bar's weight over its k price cells, lowest price first.
template <typename T>
class IDistribution {
public:
    virtual ~IDistribution() = default;
    // Adds to cells[0..k); the parts sum to weight. Nothing for k < 1.
    virtual void distribute(T weight, T* cells, int k) const = 0;
};

// A triangle over the cells: k = 1 takes all, k = 2 halves; from k = 3 a rising
// side of m = k/2 + k%2 cells (h * t) and a falling side (e - j) * t, both over
// G = ((e + 1) e / 2 + m d / 2) t with d = m - 1, e = k - d - 2, t = tan(angle).
template <typename T>
class TriangelDistribution : public IDistribution<T> {
public:
    explicit TriangelDistribution(T angle = T(45)) : t_(std::tan(angle * T(3.1415926) / T(180))) {}

    void distribute(T weight, T* cells, int k) const override
    {
        if (k == 1) {
            cells[0] += weight;
            return;
        }
        if (k == 2) {
            cells[0] += weight / 2;
            cells[1] += weight / 2;
            return;
        }
        if (k < 3)
            return;
        const int m = k / 2 + k % 2;
        const int d = m - 1;
        const int e = k - d - 2;
        const T g = (T(e + 1) * T(e) / 2 + T(m) * T(d) / 2) * t_;
        const T unit = weight * t_ / g;
        for (int h = 0; h < m; ++h)
            cells[h] += unit * T(h);
        for (int j = 0; j < k - m; ++j)
            cells[m + j] += unit * T(e - j);
    }

private:
    T t_;
};

// The same share to every cell.
template <typename T>
class AverageDistribution : public IDistribution<T> {
public:
    void distribute(T weight, T* cells, int k) const override
    {
        if (k < 1)
            return;
        const T part = weight / T(k);
        for (int i = 0; i < k; ++i)
            cells[i] += part;
    }
};

struct ChipColour {
    uint8_t r = 0, g = 0, b = 0;
};

// Chips of an age band: the cells as they stood at the band's cut, and their sum.
struct ChipBand {
    int period = 0;
    ChipColour colour;
    double total = 0.0;
    std::vector<double> cells;  // empty when the band's period lies beyond the bars
};
using ChipBandSet = std::map<int, ChipBand>;

// 0 plain, 1 the chips older than the latest N bars, 2 the chips of the latest N bars.
enum ChipType { kChipPlain = 0, kChipBefore = 1, kChipWithin = 2 };

// A price range holding a share of the chips.
struct ChipRange {
    bool valid = false;
    float low = 0.0f;
    float high = 0.0f;
    float concentration = 0.0f;  // (high - low) / (low + high)
};

class ChipDistributionModel {
public:
    // Cells are one price tick wide up to this many; a wider price range
    // widens the cell by powers of ten until it fits.
    static constexpr int kMaxCells = 100000;

    ChipDistributionModel();

    // Code information of the stock.
    std::string code;
    std::string name;
    uint8_t market = 0;
    void setDecimals(int decimals);
    int decimals() const { return decimals_; }

    // The bars (not owned) and the count used from the oldest; n is kept within the vector.
    void setBars(const std::vector<ChartBar>* bars, int n);
    const std::vector<ChartBar>* bars() const { return bars_; }
    int count() const { return n_; }

    // Share of a bar's turnover that leaves older chips, 1.0.
    float decay = 1.0f;
    // Cumulative shares that bound the 90 % and 70 % ranges.
    float range90Low = 0.05f, range90High = 0.95f;
    float range70Low = 0.15f, range70High = 0.85f;

    // Stores the type and selects its band set; false when unchanged.
    bool setChipType(int type);
    int chipType() const { return chipType_; }
    // The band set the type selects, null for the plain type.
    const ChipBandSet* bands() const { return current_; }
    const ChipBandSet& withinBands() const { return within_; }
    const ChipBandSet& beforeBands() const { return before_; }
    bool averageSpreading() const { return strategy_ == average_.get(); }
    void setAverageSpreading(bool on) { strategy_ = on ? average_.get() : triangle_.get(); }

    // Recomputes everything from the first count() bars.
    void compute();

    // Results.
    bool hasChips() const { return chipTotal_ > 0.0; }
    const std::vector<double>& cells() const { return cells_; }
    const std::vector<double>& weights() const { return weights_; }
    float high() const { return high_; }
    float low() const { return low_; }
    double chipTotal() const { return chipTotal_; }
    double priceTotal() const { return priceTotal_; }
    double profitTotal() const { return profitTotal_; }
    // Price-weighted total over chip total; 0 and hasChips() false without chips.
    float averageCost() const { return averageCost_; }
    const ChipRange& range90() const { return range90_; }
    const ChipRange& range70() const { return range70_; }
    float lastClose() const { return lastClose_; }
    uint32_t lastDate() const { return lastDate_; }
    // Profit total over chip total, 0 without chips.
    double profitRatio() const { return hasChips() ? profitTotal_ / chipTotal_ : 0.0; }
    // Share of the chips whose cell price lies below price.
    double shareBelow(double price) const;
    // A band's share of all chips.
    double bandShare(const ChipBand& band) const { return hasChips() ? band.total / chipTotal_ : 0.0; }

    // Price ticks as whole units of 10^-decimals: false for a price that is
    // not finite or too large to count in ticks.
    bool toUnits(double price, int64_t& units) const;
    double unitsToPrice(int64_t units) const { return double(units) / scale_; }
    // Ticks per cell (1 unless the range was over kMaxCells ticks).
    int64_t step() const { return step_; }
    int64_t lowUnits() const { return lowUnits_; }
    int64_t cellUnits(int i) const { return lowUnits_ + int64_t(i) * step_; }
    double cellPrice(int i) const { return unitsToPrice(cellUnits(i)); }
    // Cell of a price, -1 outside the cells or not finite.
    int cellOf(double price) const;

private:
    void clear();
    void spreadBar(int i);
    void copyBand(int period);

    int decimals_ = 2;
    double scale_ = 100.0;
    const std::vector<ChartBar>* bars_ = nullptr;
    int n_ = 0;
    int chipType_ = kChipPlain;
    ChipBandSet within_;
    ChipBandSet before_;
    ChipBandSet* current_ = nullptr;
    std::unique_ptr<IDistribution<double>> triangle_;
    std::unique_ptr<IDistribution<double>> average_;
    const IDistribution<double>* strategy_ = nullptr;

    float high_ = 0.0f, low_ = 0.0f;
    int64_t lowUnits_ = 0;
    int64_t step_ = 1;
    std::vector<double> cells_;
    std::vector<double> weights_;
    double chipTotal_ = 0.0, priceTotal_ = 0.0, profitTotal_ = 0.0;
    float averageCost_ = 0.0f;
    ChipRange range90_, range70_;
    float lastClose_ = 0.0f;
    uint32_t lastDate_ = 0;
};

// ---- Panel geometry ----

// The price ticks from a scale's minimum to its maximum as rows from the
// bottom of the panel up, pitched as a chart lays out that many bars.
struct ChipRows {
    bool valid = false;
    int64_t minUnits = 0;
    int64_t maxUnits = 0;
    int64_t step = 1;
    int count = 0;
    BarGeometry geometry;
    int bottom = 0;
};
ChipRows chipRows(const ChipDistributionModel& m, float scaleMin, float scaleMax, int top, int height);
// Pixel y of a price in ticks, on the row that holds it.
int chipRowY(const ChipRows& rows, int64_t units);

// One cell's line from the left edge: its row and length.
struct ChipLine {
    int cell = 0;
    int y = 0;
    double length = 0.0;
};
// Lines of cells (the model's or a band's) in [fromUnits, toUnits] and on the
// rows, lowest price first: length = cell / largest * width; a line on the
// same y as the line before it is kept only when at least as long.
std::vector<ChipLine> chipLines(const ChipDistributionModel& m, const std::vector<double>& cells, const ChipRows& rows,
                                double largest, double width, int64_t fromUnits, int64_t toUnits);
// The outline of a band: the left edge on the first line's row, the end of
// each line, the left edge on the last line's row. Empty without lines.
struct ChipPoint {
    double x = 0.0;
    double y = 0.0;
};
std::vector<ChipPoint> chipOutline(const std::vector<ChipLine>& lines);

// The largest value of cells, 0 when empty.
double largestCell(const std::vector<double>& cells);

// Legend of the current band set: 20-pixel rows from 240 above the bottom,
// one per band with chips, in period order.
struct ChipLegendRow {
    int y = 0;
    ChipColour colour;
    std::string text;  // "%d周期%s成本%.1f%%"
};
std::vector<ChipLegendRow> chipLegend(const ChipDistributionModel& m, int itemHeight);

// The text block under the legend, rows 20 pixels apart from 120 above the bottom.
struct ChipTexts {
    std::string date;       // "成本分布 日期: yyyy-MM-dd"
    std::string profit;     // "获利比例: "
    std::string ratio;      // "%.2f%%" in the profit bar
    std::string crosshair;  // "%.2f处获利盘: %.2f%%"
    std::string average;    // "平均成本: %.2f元", empty without chips
    std::string range90;    // "90%成本%.2f-%.2f集中%.1f%%", empty without a range
    std::string range70;    // "70%成本...", likewise
};
ChipTexts chipTexts(const ChipDistributionModel& m, double crosshairPrice);
// yyyy-MM-dd of a K-line bar's date word ((year - 1900) * 10000 + month * 100 + day).
std::string chipDate(uint32_t date);
