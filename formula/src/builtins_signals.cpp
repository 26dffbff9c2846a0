// Signal builtins that fit no window family (range, longcross, upnday,
// tfilter), the sign flip reverse, the colour packer rgb, the text builtins
// strcat and strcmp, and oprename, which renames a drawn output of the run.

#include <array>
#include <cstdint>
#include <cstring>

#include "builtins.h"
#include "seriesrules.h"

namespace {

float rangeAt(float x, float a, float b)
{
    return (x > a && b > x) ? 1.0f : 0.0f;
}

float flipSign(float v)
{
    uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    bits ^= 0x80000000u;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

// The first drawn output of the run named name, searching lines, the unfilled
// list, sticks, literal numbers, texts, icons and numbers in that order.
FormulaOutput* findOutputToRename(FormulaContext* ctx, const std::string& name)
{
    static constexpr int kSearchOrder[] = {FML_DRAW_LINE, FML_DRAW_NONE, FML_DRAW_STICK, FML_DRAW_LITERAL_NUMBER,
                                           FML_DRAW_TEXT, FML_DRAW_ICON, FML_DRAW_NUMBER};
    for (int kind : kSearchOrder) {
        std::vector<FormulaOutput>* list = ctx->outputList(kind);
        if (!list)
            continue;
        for (FormulaOutput& out : *list) {
            if (out.name == name)
                return &out;
        }
    }
    return nullptr;
}

}  // namespace

// range(X, A, B): 1 where A < X < B (both strict), else 0. A series X gives a
// result shaped like X; a literal X with a series bound answers bar by bar
// over the common range, as between does; a literal comes back only when all
// three arguments are literals.
bool builtinRange(FormulaContext* ctx)
{
    std::array<ArgumentPtr, 3> args;
    if (!ctx->popArgs(args))
        return false;
    const FormulaArgument& x = *args[0];
    const FormulaArgument& a = *args[1];
    const FormulaArgument& b = *args[2];
    if (x.literal)
        return pushBarByBar3(ctx, args, rangeAt);
    ArgumentPtr r = makeResultToWrite(x);
    const BarRange range = rangeOf(*r);
    float* out = r->values.data();
    for (uint32_t i = range.begin; i < range.end; ++i)
        out[i] = rangeAt(x.values[i], a.at(i), b.at(i));
    ctx->push(std::move(r));
    return true;
}

// longcross(A, B, N): 1 on a bar where A rises above B after A was below B on
// each of the N bars ending at the previous bar (the window rule: N below 1
// reaches back to the first computed bar). +infinity where A or B is
// +infinity. Two literals never cross: 0.
bool builtinLongcross(FormulaContext* ctx)
{
    std::array<ArgumentPtr, 3> args;
    if (!ctx->popArgs(args))
        return false;
    const FormulaArgument& a = *args[0];
    const FormulaArgument& b = *args[1];
    const FormulaArgument& n = *args[2];
    if (a.literal && b.literal) {
        ctx->push(makeLiteralNumber(isInvalid(a.literalValue()) || isInvalid(b.literalValue()) ? kInvalidValue : 0.0f));
        return true;
    }
    ArgumentPtr r = makeResultToWrite(a.literal ? b : a);
    const BarRange range = rangeOf(*r);
    if (!range.empty()) {
        float* out = r->values.data();
        const uint32_t f = range.begin;
        float pa = a.at(f);
        float pb = b.at(f);
        // The last bar before the current one where A was not below B; the
        // window holds only "below" bars when that bar lies before it.
        bool anyNotBelow = false;
        uint32_t lastNotBelow = 0;
        for (uint32_t i = f; i < range.end; ++i) {
            const float va = a.at(i);
            const float vb = b.at(i);
            if (isInvalid(va) || isInvalid(vb)) {
                out[i] = kInvalidValue;
            } else if (isInvalid(pb) && va > vb) {
                out[i] = 0.0f;
            } else if (i == f) {
                out[i] = 0.0f;
            } else {
                // The window of N bars ending at the previous bar.
                const uint32_t from = windowStart(f, i - 1, windowLength(n.at(i)));
                const bool below = !anyNotBelow || lastNotBelow < from;
                out[i] = (pb > pa && va > vb && below) ? 1.0f : 0.0f;
            }
            if (!(va < vb)) {
                anyNotBelow = true;
                lastNotBelow = i;
            }
            pa = va;
            pb = vb;
        }
    }
    ctx->push(std::move(r));
    return true;
}

// upnday(X, M): 1 where X rose (each value above the one before) on each of
// the last M bars, else 0; a bar without a value (+infinity) on either side
// breaks a run. The first M bars are +infinity; M below 1 gives 0.
bool builtinUpnday(FormulaContext* ctx)
{
    std::array<ArgumentPtr, 2> args;
    if (!ctx->popArgs(args))
        return false;
    const ArgumentPtr xp = dataSeries(ctx, args[0]);
    const FormulaArgument& x = *xp;
    const FormulaArgument& m = *args[1];
    ArgumentPtr r = makeResultToWrite(x);
    const BarRange range = rangeOf(*r);
    float* out = r->values.data();
    const float held = countToFloat(static_cast<uint32_t>(x.values.size()));
    const float first = m.at(0);
    const int64_t lim = saturatingInt32(first < held ? first : held);
    uint64_t rises = 0;  // consecutive rises ending at the current bar
    for (uint32_t i = range.begin; i < range.end; ++i) {
        const float v = x.values[i];
        if (i > range.begin && !isInvalid(v) && !isInvalid(x.values[i - 1]) && v > x.values[i - 1])
            ++rises;
        else
            rises = 0;
        if (static_cast<int64_t>(i) < lim) {
            out[i] = kInvalidValue;
            continue;
        }
        const int32_t need = saturatingInt32(m.at(i));
        out[i] = (need >= 1 && rises >= static_cast<uint64_t>(need)) ? 1.0f : 0.0f;
    }
    ctx->push(std::move(r));
    return true;
}

// tfilter(A, B, N): 1 on a new buy signal (A nonzero), 2 on a new sell signal
// (B nonzero, which wins over A), else 0; N = 1 reports buys only, N = 2 sells
// only, N = 0 both. Bars where A has no value keep +infinity.
bool builtinTfilter(FormulaContext* ctx)
{
    std::array<ArgumentPtr, 3> args;
    if (!ctx->popArgs(args))
        return false;
    const FormulaArgument& a = *args[0];
    const FormulaArgument& b = *args[1];
    const int32_t n = saturatingInt32(args[2]->at(0));
    ArgumentPtr r = makeInvalidSeries(ctx->barCount);
    float* out = r->values.data();
    const BarRange ra = rangeOf(a);
    const uint32_t end = std::min<uint32_t>(ra.end, ctx->barCount);
    int last = 0;
    for (uint32_t i = ra.begin; i < end; ++i) {
        const float va = a.at(i);
        if (isMarker(va))
            continue;
        int sig = va != 0.0f ? 1 : 0;
        if (b.at(i) != 0.0f)
            sig = 2;
        if (sig == last) {
            out[i] = 0.0f;
            continue;
        }
        last = sig;
        if (sig == 1 && (n == 0 || n == 1))
            out[i] = 1.0f;
        else if (sig == 2 && (n == 0 || n == 2))
            out[i] = 2.0f;
        else
            out[i] = 0.0f;
    }
    ctx->push(std::move(r));
    return true;
}

// reverse(X): X with its sign bit flipped (-X, +infinity becoming -infinity).
// A one-value X stands for every bar of the close series; a text gives -0.0.
bool builtinReverse(FormulaContext* ctx)
{
    ArgumentPtr x;
    if (!ctx->pop(x))
        return false;
    const bool single = x->literal || x->values.size() == 1;
    ArgumentPtr r;
    if (single) {
        ArgumentPtr close;
        if (!ctx->fetchName("C", close))
            return false;
        r = makeResultToWrite(*close);
    } else {
        r = makeResultToWrite(*x);
    }
    const BarRange range = rangeOf(*r);
    float* out = r->values.data();
    if (!x->text.empty()) {
        for (uint32_t i = range.begin; i < range.end; ++i)
            out[i] = -0.0f;
    } else if (single) {
        const float v = flipSign(x->at(0));
        for (uint32_t i = range.begin; i < range.end; ++i)
            out[i] = v;
    } else {
        const float* in = x->values.data();
        for (uint32_t i = range.begin; i < range.end; ++i)
            out[i] = flipSign(in[i]);
    }
    ctx->push(std::move(r));
    return true;
}

// rgb(R, G, B): the colour number R + 256 G + 65536 B, packed with 8-bit
// shifts and bitwise or in 32 bits (a component above 255 overlaps the next).
bool builtinRgb(FormulaContext* ctx)
{
    std::array<ArgumentPtr, 3> args;
    if (!ctx->popArgs(args))
        return false;
    const uint32_t red = static_cast<uint32_t>(saturatingInt32(args[0]->at(0)));
    const uint32_t green = static_cast<uint32_t>(saturatingInt32(args[1]->at(0)));
    const uint32_t blue = static_cast<uint32_t>(saturatingInt32(args[2]->at(0)));
    const uint32_t value = (((blue << 8) | green) << 8) | red;
    ctx->push(makeLiteralNumber(static_cast<float>(value)));
    return true;
}

// strcat(A, B): a text literal, A's text followed by B's, cut at the text
// limit (so 40 doublings of a text stay at 64 KiB).
bool builtinStrcat(FormulaContext* ctx)
{
    std::array<ArgumentPtr, 2> args;
    if (!ctx->popArgs(args))
        return false;
    ctx->push(makeLiteralString(joinedText(args[0]->text, args[1]->text)));
    return true;
}

// strcmp(A, B): a literal 1 when the two texts are equal byte for byte, else 0.
bool builtinStrcmp(FormulaContext* ctx)
{
    std::array<ArgumentPtr, 2> args;
    if (!ctx->popArgs(args))
        return false;
    ctx->push(makeLiteralNumber(args[0]->text == args[1]->text ? 1.0f : 0.0f));
    return true;
}

// oprename(F, OLD, NEW): when F is exactly 1, the first drawn output of this
// run named OLD is renamed NEW, searching lines, the unfilled list, sticks,
// literal numbers, texts, icons and numbers in that order. Pushes F itself.
bool builtinOprename(FormulaContext* ctx)
{
    std::array<ArgumentPtr, 3> args;
    if (!ctx->popArgs(args))
        return false;
    const ArgumentPtr& f = args[0];
    if (f->at(0) == 1.0f) {
        if (FormulaOutput* out = findOutputToRename(ctx, args[1]->text))
            out->name = args[2]->text;
    }
    ctx->push(f);
    return true;
}
