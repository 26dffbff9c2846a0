#include "outputreader.h"

#include <algorithm>

#include "seriesrules.h"

namespace {

// Values of stored argument k (null when the output holds no such argument or
// the argument holds no values).
const float* valuesOf(const FormulaOutput& out, std::size_t k)
{
    if (k >= out.series.size() || out.series[k]->values.empty())
        return nullptr;
    return out.series[k]->values.data();
}

// First value of stored argument k; the marker when there is none.
float firstValueOf(const FormulaOutput& out, std::size_t k)
{
    if (k >= out.series.size())
        return kInvalidValue;
    return out.series[k]->literalValue();
}

const char* textOf(const FormulaOutput& out, std::size_t k)
{
    return k < out.series.size() ? out.series[k]->text.c_str() : "";
}

int32_t firstValueAsInt(const FormulaOutput& out, std::size_t k)
{
    return saturatingInt32(firstValueOf(out, k));
}

uint32_t firstValueAsUInt(const FormulaOutput& out, std::size_t k)
{
    // Colours held as floats: the whole unsigned range converts as it stands
    // (0xFF000000 stays 0xFF000000); negative values wrap as a 32-bit word would.
    const float v = firstValueOf(out, k);
    return v >= 2147483648.0f ? saturatingUInt32(v) : saturatingUInt32Bits(v);
}

void fillKindFields(int kind, const FormulaOutput& out, FMLOutputItem* item)
{
    switch (kind) {
    case FML_DRAW_LINE:
        item->line.values = valuesOf(out, 0);
        break;
    case FML_DRAW_STICK:
        item->stick.width_factor = firstValueOf(out, 3);
        item->stick.empty = firstValueOf(out, 4);
        item->stick.price1 = valuesOf(out, 1);
        item->stick.price2 = valuesOf(out, 2);
        item->stick.cond = valuesOf(out, 0);
        break;
    case FML_DRAW_NUMBER:
        item->number.values = valuesOf(out, 1);
        item->number.position = valuesOf(out, 0);
        break;
    case FML_DRAW_TEXT:
        item->string.values = valuesOf(out, 0);
        item->string.text = textOf(out, 1);
        break;
    case FML_DRAW_BAND:
        item->band.series1 = valuesOf(out, 0);
        item->band.series2 = valuesOf(out, 1);
        item->band.color1 = firstValueAsUInt(out, 2);
        item->band.color2 = firstValueAsUInt(out, 3);
        break;
    case FML_DRAW_ICON:
        item->icon.values = valuesOf(out, 0);
        item->icon.icon = firstValueAsInt(out, 1);
        break;
    case FML_DRAW_LITERAL_NUMBER:
        item->literal_number.value = firstValueOf(out, 0);
        break;
    case FML_DRAW_TEXT_FIX:
        item->fix_string.x = firstValueOf(out, 0);
        item->fix_string.y = firstValueOf(out, 1);
        item->fix_string.value = firstValueAsInt(out, 2);
        item->fix_string.text = textOf(out, 3);
        break;
    case FML_DRAW_RECT:
        item->rect.outline = firstValueAsInt(out, 4);
        item->rect.cond = valuesOf(out, 0);
        item->rect.span = valuesOf(out, 1);
        item->rect.price1 = valuesOf(out, 2);
        item->rect.price2 = valuesOf(out, 3);
        break;
    case FML_DRAW_KLINE:
        item->k_line.high = valuesOf(out, 0);
        item->k_line.open = valuesOf(out, 1);
        item->k_line.low = valuesOf(out, 2);
        item->k_line.close = valuesOf(out, 3);
        break;
    default:
        break;
    }
}

}  // namespace

int outputCount(const FormulaContext& ctx, int kind)
{
    if (kind == -1)
        return static_cast<int>(ctx.drawOrder.size());
    if (kind == FML_DRAW_NONE)
        return 0;
    const std::vector<FormulaOutput>* list = ctx.outputList(kind);
    return list ? static_cast<int>(list->size()) : 0;
}

bool readOutputItem(const FormulaContext& ctx, int kind, FMLOutputItem* item, unsigned i)
{
    const std::vector<FormulaOutput>* list = ctx.outputList(kind);
    if (!list || i >= list->size() || !item)
        return false;
    const FormulaOutput& out = (*list)[i];
    item->name = out.name.c_str();
    item->color = out.color;
    item->width = out.width;
    item->style = out.penStyle;
    fillKindFields(kind, out, item);
    if (item->count != 0 && kind != FML_DRAW_TEXT_FIX) {
        if (out.range && out.penStyle != FML_PEN_NODRAW)
            out.range(out, item->begin, item->count, &item->max, &item->min);
    } else if (item->count == 0 && item->begin == 0) {
        if (kind == FML_DRAW_LITERAL_NUMBER || kind == FML_DRAW_TEXT_FIX)
            item->count = 1;
        else
            item->count = out.series.empty() ? 0u : static_cast<uint32_t>(out.series[0]->values.size());
    }
    return true;
}

void outputMaxMin(const FormulaContext& ctx, uint32_t begin, uint32_t count, float* max, float* min)
{
    static const int kOrder[] = {FML_DRAW_LINE,   FML_DRAW_STICK, FML_DRAW_LITERAL_NUMBER, FML_DRAW_TEXT, FML_DRAW_ICON,
                                 FML_DRAW_NUMBER, FML_DRAW_BAND,  FML_DRAW_RECT,           FML_DRAW_KLINE};
    float hi = *max;
    float lo = *min;
    for (int kind : kOrder) {
        for (const FormulaOutput& out : *ctx.outputList(kind)) {
            if (out.range && out.penStyle != FML_PEN_NODRAW)
                out.range(out, begin, count, &hi, &lo);
            if (kind == FML_DRAW_LINE && out.penStyle == FML_PEN_VOLSTICK) {
                lo = std::min(lo, 0.0f);
                hi = std::max(hi, 0.0f);
            }
        }
    }
    *max = hi;
    *min = lo;
}

int outputSelectedValues(const FormulaContext& ctx, uint32_t bar, FMLSelectedValue* out, int capacity)
{
    static const int kOrder[] = {FML_DRAW_LINE, FML_DRAW_STICK, FML_DRAW_LITERAL_NUMBER,
                                 FML_DRAW_TEXT, FML_DRAW_ICON,  FML_DRAW_NUMBER};
    int n = 0;
    if (!out)
        return 0;
    for (int kind : kOrder) {
        for (const FormulaOutput& o : *ctx.outputList(kind)) {
            if (n >= capacity)
                return n;
            if (o.name.empty() || !o.value)
                continue;
            out[n].color = o.color;
            out[n].name = o.name.c_str();
            o.value(o, &out[n], bar);
            ++n;
        }
    }
    return n;
}
