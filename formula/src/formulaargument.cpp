#include "formulaargument.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "formulacontext.h"

namespace {
// What a literal without a value reads as.
const float kNoValue = kInvalidValue;
}  // namespace

SeriesReader readerOf(const FormulaArgument& x)
{
    if (x.literal)
        return {x.values.empty() ? &kNoValue : x.values.data(), 0};
    return {x.values.data(), 1};
}

std::size_t keptTextLength(const char* s, std::size_t len, std::size_t limit)
{
    if (len <= limit)
        return len;
    std::size_t n = limit;
    // Step back over continuation bytes (10xxxxxx) to a character's first byte.
    while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0u) == 0x80u)
        --n;
    return n;
}

std::string joinedText(const std::string& a, const std::string& b)
{
    std::string r;
    r.reserve(std::min(a.size() + b.size(), kMaxTextBytes));
    r.append(a, 0, keptTextLength(a.data(), a.size()));
    r.append(b, 0, keptTextLength(b.data(), b.size(), kMaxTextBytes - r.size()));
    return r;
}

ArgumentPtr makeInvalidSeries(uint32_t n)
{
    auto r = std::make_shared<FormulaArgument>();
    roomFor(r->values, n);
    r->values.assign(n, kInvalidValue);
    r->firstValid = 0;
    r->endBar = n;
    return r;
}

ArgumentPtr makeLiteralNumber(float v)
{
    auto r = std::make_shared<FormulaArgument>();
    r->values.push_back(v);
    r->literal = true;
    return r;
}

ArgumentPtr makeLiteralString(const std::string& s)
{
    auto r = std::make_shared<FormulaArgument>();
    r->text.assign(s, 0, keptTextLength(s.data(), s.size()));
    r->values.push_back(kInvalidValue);
    r->literal = true;
    return r;
}

ArgumentPtr makeResultLike(const FormulaArgument& x)
{
    auto r = std::make_shared<FormulaArgument>();
    roomFor(r->values, x.values.size());
    r->values.assign(x.values.size(), 0.0f);
    r->firstValid = x.firstValid;
    r->endBar = std::min<uint64_t>(x.endBar, x.values.size());
    return r;
}

namespace {

#ifndef NDEBUG
const float kUnwrittenValue = [] {
    float v;
    std::memcpy(&v, &kUnwrittenBits, sizeof v);
    return v;
}();
#endif

// Sizes values to n with [from, to) left unset and every other element 0.0;
// without NDEBUG the unset span holds the kUnwrittenBits NaN instead.
void sizeForWriting(FloatValues& values, std::size_t n, std::size_t from, std::size_t to)
{
    roomFor(values, n);
    values.resize(n);
    to = std::min(to, n);
    from = std::min(from, to);
    float* v = values.data();
    std::fill(v, v + from, 0.0f);
    std::fill(v + to, v + n, 0.0f);
#ifndef NDEBUG
    std::fill(v + from, v + to, kUnwrittenValue);
#endif
}

}  // namespace

ArgumentPtr makeResultToWrite(const FormulaArgument& x)
{
    auto r = std::make_shared<FormulaArgument>();
    r->firstValid = x.firstValid;
    r->endBar = std::min<uint64_t>(x.endBar, x.values.size());
    sizeForWriting(r->values, x.values.size(), r->firstValid, r->endBar);
    return r;
}

ArgumentPtr makeSeriesToWrite(uint32_t first, uint32_t end)
{
    auto r = std::make_shared<FormulaArgument>();
    r->firstValid = first;
    r->endBar = end;
    sizeForWriting(r->values, end, first, end);
    return r;
}

ArgumentPtr expandLiteral(const ArgumentPtr& x, uint32_t n)
{
    if (!x || !x->literal)
        return x;
    const float v = x->literalValue();
    // A literal of a VM's shared context may be widened by contexts running
    // at the same time: the copy is taken and put back under a lock, and
    // only a copy nothing else holds is written.
    static std::mutex keptLock;
    ArgumentPtr kept;
    {
        std::lock_guard<std::mutex> lock(keptLock);
        if (x->widened && x->widened.use_count() == 1)
            kept = x->widened;
    }
    if (kept && !kept->hostWritten && kept->literal && kept->text == x->text && !kept->values.empty() &&
        std::memcmp(&kept->values[0], &v, sizeof v) == 0 && kept->endBar == kept->values.size()) {
        // Every value is v: nothing wrote into it since (it has not been
        // handed to the host, and readers only read).
        roomFor(kept->values, n);
        kept->values.resize(n, v);
        kept->firstValid = 0;
        kept->endBar = n;
        kept->changedFrom = 0;
        return kept;
    }
    auto r = std::make_shared<FormulaArgument>();
    roomFor(r->values, n);
    r->values.assign(n, v);
    r->text = x->text;
    r->firstValid = 0;
    r->endBar = n;
    r->literal = true;
    std::lock_guard<std::mutex> lock(keptLock);
    x->widened = r;
    return r;
}

ArgumentPtr seriesOfLength(const ArgumentPtr& x, uint32_t n)
{
    if (!x)
        return x;
    if (!x->literal && x->values.size() >= n)
        return x;
    auto r = std::make_shared<FormulaArgument>();
    r->text = x->text;
    roomFor(r->values, n);
    if (x->literal) {
        r->values.assign(n, x->literalValue());
        r->firstValid = 0;
        r->endBar = n;
    } else {
        r->values = x->values;
        r->values.resize(n, 0.0f);
        r->firstValid = x->firstValid;
        r->endBar = x->endBar;
    }
    return r;
}

SeriesUpdate seriesToUpdate(FormulaContext* ctx, uint32_t first, uint32_t end, std::size_t size, uint32_t changed)
{
    end = static_cast<uint32_t>(std::min<std::size_t>(end, size));
    first = std::min(first, end);
    ArgumentPtr r = ctx ? ctx->takeResumeTarget() : ArgumentPtr();
    // A result made again from its first bar goes to a new array: the step
    // compares it with the previous one (FormulaContext::callStep) to find
    // where it really changed.
    const bool resume = r && r->firstValid == first && changed > first && !r->hostWritten;
    if (resume && !r->literal && r->text.empty() && r->endBar <= r->values.size()) {
        const uint32_t oldEnd = r->endBar;
        const std::size_t oldSize = r->values.size();
        const uint32_t from = std::max(first, std::min(changed, oldEnd));
        roomFor(r->values, size);
        r->values.resize(size);
        float* v = r->values.data();
        // Bars outside [first, end) are zeros in a new result; every bar of
        // [from, end) is rewritten by the caller.
        if (r->firstValid != first)
            std::fill(v, v + first, 0.0f);
        if (end < size)
            std::fill(v + end, v + size, 0.0f);
        r->firstValid = first;
        r->endBar = end;
        r->ownResult = true;
        r->hostWritten = false;
        r->changedFrom = (from >= end && end == oldEnd && size == oldSize) ? kUnchanged : std::min(from, end);
        if (r->extremes) {
            // Blocks wholly before the first rewritten bar stay.
            const std::size_t keep = std::min<std::size_t>(std::min(from, end) / kExtremeBlock, size / kExtremeBlock);
            if (r->extremes->hi.size() > keep) {
                r->extremes->hi.resize(keep);
                r->extremes->lo.resize(keep);
            }
        }
        return {std::move(r), std::min(from, end)};
    }
    auto fresh = std::make_shared<FormulaArgument>();
    fresh->firstValid = first;
    fresh->endBar = end;
    fresh->ownResult = true;
    sizeForWriting(fresh->values, size, first, end);
    return {std::move(fresh), first};
}

uint32_t firstDifference(const FormulaArgument* was, const FormulaArgument& now)
{
    // A series that only grew (a new bar) keeps the status of its older bars.
    if (!was || was->literal != now.literal || was->firstValid != now.firstValid || was->text != now.text ||
        (was->literal && was->values.size() != now.values.size()) || was->endBar > now.endBar ||
        was->values.size() > now.values.size())
        return 0;
    const std::size_t n = was->values.size();
    const float* a = was->values.data();
    const float* b = now.values.data();
    constexpr std::size_t kBlock = 1024;
    std::size_t i = 0;
    while (i < n) {
        const std::size_t len = std::min(kBlock, n - i);
        if (std::memcmp(a + i, b + i, len * sizeof(float)) != 0) {
            while (std::memcmp(a + i, b + i, sizeof(float)) == 0)
                ++i;
            break;
        }
        i += len;
    }
    if (i < n)
        return static_cast<uint32_t>(i);
    if (was->values.size() == now.values.size() && was->endBar == now.endBar)
        return kUnchanged;
    return std::min(was->endBar, static_cast<uint32_t>(n));
}
