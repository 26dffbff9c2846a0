#include "drawoutputs.h"
#include "simdscan.h"

#include <algorithm>
#include <array>
#include <utility>

#include "seriesrules.h"

namespace {

FormulaOutput makeOutput(std::vector<ArgumentPtr> series, const std::string& name, const char* kindName, float width,
                         uint32_t color, int32_t penStyle, OutputRangeFn range, OutputValueFn value)
{
    FormulaOutput out;
    out.series = std::move(series);
    out.name = name;
    out.kindName = kindName;
    out.width = width;
    out.color = color;
    out.penStyle = penStyle;
    out.range = range;
    out.value = value;
    return out;
}

// Bars a handler widens a literal to when nothing else bounds it.
uint32_t boundedEnd(const FormulaContext* ctx, uint32_t end)
{
    return end == kUnboundedEnd ? ctx->barCount : end;
}

// Value of a stored argument at a bar, read by index whatever its literal flag;
// false past the values it holds.
bool elementAt(const FormulaArgument& x, uint64_t i, float* v)
{
    if (i >= x.values.size())
        return false;
    *v = x.values[static_cast<std::size_t>(i)];
    return true;
}

// The common rule of stickRange and rectRange over condition c and prices p, q.
void conditionalRange(const FormulaArgument& c, const FormulaArgument& p, const FormulaArgument& q, uint32_t begin,
                      uint32_t count, float* max, float* min)
{
    const uint64_t end = static_cast<uint64_t>(begin) + count;
    for (uint64_t i = begin; i < end; ++i) {
        float cv, pv, qv;
        if (!elementAt(c, i, &cv) || !elementAt(p, i, &pv) || !elementAt(q, i, &qv))
            break;
        if (cv == 0.0f || isMarker(cv) || isMarker(pv) || isMarker(qv))
            continue;
        *max = std::max({*max, pv, qv});
        *min = std::min({*min, pv, qv});
    }
}

bool drawData(FormulaContext* ctx, const std::string& name, float width, uint32_t color, int32_t penStyle)
{
    ArgumentPtr x;
    if (!ctx->pop(x))
        return false;
    if (penStyle == FML_PEN_VOLSTICK) {
        // The host's volume painter needs close and open; a failed lookup is ignored.
        ArgumentPtr ignored;
        ctx->fetchName("C", ignored);
        ctx->fetchName("O", ignored);
    }
    const bool literal = x->literal;
    ctx->recordOutput(literal ? FML_DRAW_LITERAL_NUMBER : FML_DRAW_LINE,
                      makeOutput({x}, name, literal ? "drawliteralnumber" : "drawdata", width, color, penStyle,
                                 seriesRange, seriesValueAt));
    ctx->push(std::move(x));
    return true;
}

bool drawLine(FormulaContext* ctx, const std::string& name, float width, uint32_t color, int32_t penStyle)
{
    std::array<ArgumentPtr, 5> a;
    if (!ctx->popArgs(a))
        return false;
    const BarRange range = commonRange(a.data(), 4);
    if (range.end < range.begin)
        return false;
    uint32_t n = 0;
    for (int k = 0; k < 4; ++k) {
        const FormulaArgument& x = *a[k];
        const uint32_t span = x.literal ? 1u : (x.rangeEnd() > x.firstValid ? x.rangeEnd() - x.firstValid : 0u);
        n = std::max(n, span);
    }
    // The scan runs over the bars that exist (the context's bars when all four
    // are literals) and R holds every bar it may write.
    const uint32_t scanEnd = boundedEnd(ctx, range.end);
    n = std::max(n, scanEnd);
    ArgumentPtr r = makeInvalidSeries(n);
    float* out = r->values.data();
    const SeriesReader startCond = readerOf(*a[0]);
    const SeriesReader startPrice = readerOf(*a[1]);
    const SeriesReader endCond = readerOf(*a[2]);
    const SeriesReader endPrice = readerOf(*a[3]);
    bool seekingEnd = true;
    uint32_t j = 0;
    for (uint32_t bar = scanEnd; bar-- > 0;) {
        if (seekingEnd) {
            if (endCond[bar] != 0.0f) {
                j = bar;
                seekingEnd = false;
            }
            continue;
        }
        if (startCond[bar] == 0.0f)
            continue;
        const uint32_t i = bar;
        const float p0 = startPrice[i];
        const float p1 = endPrice[j];
        out[i] = p0;
        out[j] = p1;
        const float slope = (p1 - p0) / static_cast<float>(j - i);
        const float intercept = p0 - static_cast<float>(i) * slope;
        for (uint32_t k = i + 1; k < j; ++k)
            out[k] = static_cast<float>(k) * slope + intercept;
        seekingEnd = true;
    }
    r->firstValid = 0;
    r->endBar = n;
    ctx->recordOutput(FML_DRAW_LINE,
                      makeOutput({r}, name, "drawline", width, color, penStyle, seriesRange, seriesValueAt));
    if (!name.empty())
        ctx->variables[name] = r;
    ctx->push(std::move(r));
    return true;
}

bool drawStick(FormulaContext* ctx, const std::string& name, float width, uint32_t color, int32_t penStyle)
{
    std::array<ArgumentPtr, 5> a;
    if (!ctx->popArgs(a))
        return false;
    const BarRange range = commonRange(a.data(), 3);
    if (range.end < range.begin)
        return false;
    // Literal prices are widened (as copies) over every bar up to the common
    // end, so that readers indexing them by bar number stay within them.
    const uint32_t n = boundedEnd(ctx, range.end);
    a[1] = expandLiteral(a[1], n);
    a[2] = expandLiteral(a[2], n);
    ArgumentPtr pushed = a[0];
    ctx->recordOutput(FML_DRAW_STICK, makeOutput({a[0], a[1], a[2], a[3], a[4]}, name, "drawstick", width, color,
                                                 penStyle, stickRange, stickValueAt));
    ctx->push(std::move(pushed));
    return true;
}

// drawnumber (textOrIcon false) and drawtext/drawicon (true): R holds a2 where
// a1 is nonzero (and, for text and icons, neither marker), the marker elsewhere.
bool drawConditional(FormulaContext* ctx, const std::string& name, float width, uint32_t color, int32_t penStyle,
                     int kind, const char* kindName, bool qualifyingOnly)
{
    std::array<ArgumentPtr, 3> a;
    if (!ctx->popArgs(a))
        return false;
    // A literal condition stands for every bar of the run. Each bar reads
    // its own bar: the step's last value is resumed from the first changed
    // bar of either input.
    const ArgumentPtr cond = dataSeries(ctx, a[0]);
    const uint32_t end = cond->rangeEnd();
    const FormulaArgument& value = *a[1];
    SeriesUpdate u =
        seriesToUpdate(ctx, cond->firstValid, end, cond->values.size(), std::min(cond->changedFrom, value.changedFrom));
    ArgumentPtr r = std::move(u.result);
    float* out = r->values.data();
    for (uint32_t i = u.from; i < end; ++i) {
        const float c = cond->values[i];
        const bool on = qualifyingOnly ? isQualifyingTrue(c) : (c != 0.0f);
        out[i] = on ? value.at(i) : kInvalidValue;
    }
    ctx->recordOutput(kind, makeOutput({r, a[2]}, name, kindName, width, color, penStyle, seriesRange, seriesValueAt));
    ctx->push(std::move(r));
    return true;
}

bool drawNumber(FormulaContext* ctx, const std::string& name, float width, uint32_t color, int32_t penStyle)
{
    return drawConditional(ctx, name, width, color, penStyle, FML_DRAW_NUMBER, "drawnumber", false);
}

bool drawText(FormulaContext* ctx, const std::string& name, float width, uint32_t color, int32_t penStyle)
{
    return drawConditional(ctx, name, width, color, penStyle, FML_DRAW_TEXT, "drawtext", true);
}

bool drawIcon(FormulaContext* ctx, const std::string& name, float width, uint32_t color, int32_t penStyle)
{
    return drawConditional(ctx, name, width, color, penStyle, FML_DRAW_ICON, "drawicon", true);
}

bool drawBand(FormulaContext* ctx, const std::string& name, float width, uint32_t color, int32_t penStyle)
{
    std::array<ArgumentPtr, 4> a;
    if (!ctx->popArgs(a))
        return false;
    a[0] = expandLiteral(a[0], ctx->barCount);
    a[2] = expandLiteral(a[2], ctx->barCount);
    ArgumentPtr pushed = a[0];
    ctx->recordOutput(FML_DRAW_BAND, makeOutput({a[0], a[2], a[1], a[3]}, name, "drawband", width, color, penStyle,
                                                bandRange, nullptr));
    ctx->push(std::move(pushed));
    return true;
}

bool drawTextFix(FormulaContext* ctx, const std::string& name, float width, uint32_t color, int32_t penStyle)
{
    std::array<ArgumentPtr, 5> a;
    if (!ctx->popArgs(a))
        return false;
    const FormulaArgument& cond = *a[0];
    bool record = false;
    if (cond.literal) {
        record = isQualifyingTrue(cond.literalValue());
    } else {
        const uint32_t end = cond.rangeEnd();
        for (uint32_t i = firstQualifyingBar(cond); i < end; ++i) {
            if (isQualifyingTrue(cond.values[i])) {
                record = true;
                break;
            }
        }
    }
    if (record)
        ctx->recordOutput(FML_DRAW_TEXT_FIX, makeOutput({a[1], a[2], a[3], a[4]}, name, "drawtext_fix", width, color,
                                                        penStyle, nullptr, nullptr));
    ctx->push(a[0]);
    return true;
}

bool drawRect(FormulaContext* ctx, const std::string& name, float width, uint32_t color, int32_t penStyle)
{
    std::array<ArgumentPtr, 5> a;
    if (!ctx->popArgs(a))
        return false;
    for (int k = 0; k < 4; ++k)
        a[k] = expandLiteral(a[k], ctx->barCount);
    ArgumentPtr pushed = a[0];
    ctx->recordOutput(FML_DRAW_RECT, makeOutput({a[0], a[1], a[2], a[3], a[4]}, name, "drawrect", width, color,
                                                penStyle, rectRange, nullptr));
    ctx->push(std::move(pushed));
    return true;
}

bool drawKLine(FormulaContext* ctx, const std::string& name, float width, uint32_t color, int32_t penStyle)
{
    std::array<ArgumentPtr, 4> a;
    if (!ctx->popArgs(a))
        return false;
    for (int k = 0; k < 4; ++k)
        a[k] = expandLiteral(a[k], ctx->barCount);
    ArgumentPtr pushed = a[0];
    ctx->recordOutput(FML_DRAW_KLINE, makeOutput({a[0], a[1], a[2], a[3]}, name, "drawkline", width, color, penStyle,
                                                 klineRange, nullptr));
    ctx->push(std::move(pushed));
    return true;
}

}  // namespace

DrawHandler drawHandlerFor(int kind)
{
    switch (kind) {
    case FML_DRAW_DATA:
    case FML_DRAW_LITERAL_NUMBER:
        return drawData;
    case FML_DRAW_LINE:
        return drawLine;
    case FML_DRAW_STICK:
        return drawStick;
    case FML_DRAW_NUMBER:
        return drawNumber;
    case FML_DRAW_TEXT:
        return drawText;
    case FML_DRAW_BAND:
        return drawBand;
    case FML_DRAW_ICON:
        return drawIcon;
    case FML_DRAW_TEXT_FIX:
        return drawTextFix;
    case FML_DRAW_RECT:
        return drawRect;
    case FML_DRAW_KLINE:
        return drawKLine;
    default:
        return nullptr;
    }
}

void seriesExtremes(const FormulaArgument& x, uint32_t begin, uint32_t count, float* max, float* min)
{
    if (x.literal) {
        // The one value counts whatever the bars asked for, unless it is a
        // marker (a string's value, for instance): a marker never widens a scale.
        const float v = x.literalValue();
        if (isQualifying(v)) {
            *max = std::max(*max, v);
            *min = std::min(*min, v);
        }
        return;
    }
    const uint64_t held = x.values.size();
    const uint64_t end = std::min<uint64_t>(static_cast<uint64_t>(begin) + count, held);
    if (end <= begin)
        return;
    const float* v = x.values.data();
    auto scan = [v, max, min](uint64_t a, uint64_t b) {
        if (b > a)
            simdscan::maxMinSkipping(v + a, b - a, kInvalidValue, kContinuousValue, max, min);
    };
    const uint64_t firstWhole = (static_cast<uint64_t>(begin) + kExtremeBlock - 1) / kExtremeBlock;
    const uint64_t endWhole = end / kExtremeBlock;
    if (!x.ownResult || endWhole < firstWhole + 4) {
        scan(begin, end);
        return;
    }
    // Whole blocks from their kept extremes (made or completed here), the
    // partial blocks at either end bar by bar. NaN never enters a block's
    // extremes, as it never widens a scan.
    FormulaArgument& own = const_cast<FormulaArgument&>(x);
    if (!own.extremes)
        own.extremes = std::make_unique<FormulaArgument::ExtremeBlocks>();
    FormulaArgument::ExtremeBlocks& blocks = *own.extremes;
    const std::size_t whole = held / kExtremeBlock;
    for (std::size_t b = blocks.hi.size(); b < whole; ++b) {
        float hi = -INFINITY, lo = INFINITY;
        simdscan::maxMinSkipping(v + b * kExtremeBlock, kExtremeBlock, kInvalidValue, kContinuousValue, &hi, &lo);
        blocks.hi.push_back(hi);
        blocks.lo.push_back(lo);
    }
    scan(begin, firstWhole * kExtremeBlock);
    float hi = *max, lo = *min;
    for (uint64_t b = firstWhole; b < endWhole; ++b) {
        hi = blocks.hi[b] > hi ? blocks.hi[b] : hi;
        lo = blocks.lo[b] < lo ? blocks.lo[b] : lo;
    }
    *max = hi;
    *min = lo;
    scan(endWhole * kExtremeBlock, end);
}

void seriesRange(const FormulaOutput& out, uint32_t begin, uint32_t count, float* max, float* min)
{
    if (!out.series.empty())
        seriesExtremes(*out.series[0], begin, count, max, min);
}

void bandRange(const FormulaOutput& out, uint32_t begin, uint32_t count, float* max, float* min)
{
    if (out.series.size() < 2)
        return;
    seriesExtremes(*out.series[0], begin, count, max, min);
    seriesExtremes(*out.series[1], begin, count, max, min);
}

void klineRange(const FormulaOutput& out, uint32_t begin, uint32_t count, float* max, float* min)
{
    if (out.series.size() < 3)
        return;
    seriesExtremes(*out.series[0], begin, count, max, min);
    seriesExtremes(*out.series[2], begin, count, max, min);
}

void stickRange(const FormulaOutput& out, uint32_t begin, uint32_t count, float* max, float* min)
{
    if (out.series.size() < 3)
        return;
    conditionalRange(*out.series[0], *out.series[1], *out.series[2], begin, count, max, min);
}

void rectRange(const FormulaOutput& out, uint32_t begin, uint32_t count, float* max, float* min)
{
    if (out.series.size() < 4)
        return;
    conditionalRange(*out.series[0], *out.series[2], *out.series[3], begin, count, max, min);
}

void seriesValueAt(const FormulaOutput& out, FMLSelectedValue* sel, uint32_t bar)
{
    sel->value = out.series.empty() ? kInvalidValue : out.series[0]->at(bar);
}

void stickValueAt(const FormulaOutput& out, FMLSelectedValue* sel, uint32_t bar)
{
    if (out.series.size() < 2) {
        sel->value = kInvalidValue;
        return;
    }
    const float c = out.series[0]->at(bar);
    sel->value = (c == 0.0f || isMarker(c)) ? kInvalidValue : out.series[1]->at(bar);
}
