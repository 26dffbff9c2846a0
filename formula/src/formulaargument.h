// One value of a formula: a float series over a bar range, or a literal that
// stands for every bar, with an optional text. Always held by shared ownership;
// the value stack, the name maps, compiled literals and drawn outputs share
// argument objects instead of copying their data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <new>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "scratchpool.h"

// No value at this bar (+infinity). The engine uses this constant, never the
// exported variable.
constexpr float kInvalidValue = std::numeric_limits<float>::infinity();
// The second no-value marker: the smallest normal float.
constexpr float kContinuousValue = std::numeric_limits<float>::min();
// End of a literal's bar range: a literal counts as [0, 2^32-1).
constexpr uint32_t kUnboundedEnd = 0xFFFFFFFFu;
// Longest text a value holds, in bytes: texts made by the engine (string
// literals, strcat, texts set by the host) are cut there, at the start of a
// UTF-8 character, so that repeated concatenation stays small.
constexpr std::size_t kMaxTextBytes = 64 * 1024;
// Most bars a run may declare; a run over more fails before it allocates.
constexpr uint32_t kMaxBars = 50000000;
// Bits of the quiet NaN that builds without NDEBUG put in the bars that
// makeResultToWrite and makeSeriesToWrite leave to the builtin, so that a bar
// it fails to write shows; no float computation makes this payload.
constexpr uint32_t kUnwrittenBits = 0x7FC0DEADu;
// changedFrom of a value equal, bit for bit and in shape, to its counterpart
// of the context's previous run.
constexpr uint32_t kUnchanged = 0xFFFFFFFFu;

// The allocator of value arrays: the pool's (scratchpool.h), except that
// growing an array without giving a value (resize(n)) leaves the new elements
// default-initialised (unset floats) instead of zeroing them, so that a result
// whose every bar is written is not filled first. Every call that gives a
// value behaves as usual.
template <typename T>
struct DefaultInitAllocator : PoolAllocator<T> {
    template <typename U>
    struct rebind {
        using other = DefaultInitAllocator<U>;
    };
    DefaultInitAllocator() noexcept = default;
    template <typename U>
    DefaultInitAllocator(const DefaultInitAllocator<U>&) noexcept
    {}
    template <typename U>
    void construct(U* p) noexcept(std::is_nothrow_default_constructible<U>::value)
    {
        ::new (static_cast<void*>(p)) U;
    }
    template <typename U, typename... Args>
    void construct(U* p, Args&&... args)
    {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};

using FloatValues = std::vector<float, DefaultInitAllocator<float>>;

// Gives values room for n floats and a few more, as much as the pool's block
// for them holds: a series that grows by a bar at a time (a live session's
// new bars) keeps its array instead of moving to a new one, whose fresh
// pages cost more than the run.
inline void roomFor(FloatValues& values, std::size_t n)
{
    if (values.capacity() >= n)
        return;
    const std::size_t bytes = (n + n / 64 + 16) * sizeof(float);
    values.reserve(bytes >= scratchpool::kPooledBytes ? scratchpool::blockBytes(bytes) / sizeof(float) : n);
}

struct FormulaArgument {
    FloatValues values;       // one float per bar; a literal's value is element 0
    std::string text;         // a string literal's or string-valued name's text
    uint32_t firstValid = 0;  // first bar whose value is meaningful
    uint32_t endBar = 0;      // one past the last meaningful bar
    bool literal = false;     // one value (element 0) for every bar
    // First bar where this value may differ from the one the same step gave in
    // the context's previous run (kUnchanged: nowhere); 0, the default, asks
    // every consumer for a whole recomputation. See formulacontext.h.
    uint32_t changedFrom = 0;
    // A recursive builtin's state after bars carriedEnd - 2 and carriedEnd - 1
    // of this result (carriedEnd 0: none), so that the next run can go on
    // from either bar.
    uint32_t carriedEnd = 0;
    double carried[2] = {0.0, 0.0};
    // A builtin's own note about how it made this result, read when it
    // resumes it (the window extremes: the input's first NaN bar).
    uint32_t note = 0;
    // Highest and lowest value of each block of kExtremeBlock bars of a result
    // this context made (the readers' value ranges), built on first use and
    // cut back to the blocks before a changed bar when the result is resumed;
    // null for values that other contexts may read at the same time.
    struct ExtremeBlocks {
        std::vector<float> hi, lo;  // one per whole block of values held
    };
    // A copy of a value starts without blocks.
    struct KeptBlocks : std::unique_ptr<ExtremeBlocks> {
        using std::unique_ptr<ExtremeBlocks>::operator=;
        KeptBlocks() = default;
        KeptBlocks(const KeptBlocks&) noexcept : std::unique_ptr<ExtremeBlocks>() {}
        KeptBlocks(KeptBlocks&&) noexcept = default;
        KeptBlocks& operator=(const KeptBlocks&) noexcept
        {
            reset();
            return *this;
        }
        KeptBlocks& operator=(KeptBlocks&&) noexcept = default;
    };
    KeptBlocks extremes;
    bool ownResult = false;  // made by seriesToUpdate: extremes may be kept
    // The host wrote into this value (fml_argument_*): whatever a run
    // remembers of it no longer holds, so it is neither resumed nor reused.
    bool hostWritten = false;
    // A host series handed back to the host for rewriting in place (see
    // fml_ctx_keep_series): the host said that the bars before rewrittenFrom
    // hold what they held in the previous run. Cleared before each hand-back.
    bool rewriteReported = false;
    uint32_t rewrittenFrom = 0;
    // A literal's copy widened to a run's bars (expandLiteral), kept for the
    // next run: a drawn stick's constant price is then not written over
    // every bar again on each tick.
    std::shared_ptr<FormulaArgument> widened;

    // Start of the bar range: 0 for a literal.
    uint32_t rangeBegin() const { return literal ? 0u : firstValid; }

    // End of the bar range: unbounded for a literal; for a series the end bar,
    // cut to the values held so that no loop bounded by it reads past them.
    uint32_t rangeEnd() const
    {
        if (literal)
            return kUnboundedEnd;
        return values.size() < endBar ? static_cast<uint32_t>(values.size()) : endBar;
    }

    // A literal's one value; the marker when it holds none.
    float literalValue() const { return values.empty() ? kInvalidValue : values[0]; }

    // Value at bar i: element 0 for a literal, element i for a series; the
    // marker for a bar past the values held.
    float at(std::size_t i) const
    {
        if (literal)
            return literalValue();
        return i < values.size() ? values[i] : kInvalidValue;
    }
};

using ArgumentPtr = std::shared_ptr<FormulaArgument>;

// Bars per block of FormulaArgument::extremes.
constexpr uint32_t kExtremeBlock = 256;

// Unchecked, branch-free reading of a value or a series inside its range:
// reader[i] is element 0 of a literal and element i of a series. Callers stay
// below rangeEnd() of a series.
struct SeriesReader {
    const float* data;
    std::size_t step;  // 0 for a literal, 1 for a series
    float operator[](std::size_t i) const { return data[i * step]; }
};

SeriesReader readerOf(const FormulaArgument& x);

// How many of the len bytes at s a text keeps: len, or at most limit bytes
// cut back to the start of a UTF-8 character.
std::size_t keptTextLength(const char* s, std::size_t len, std::size_t limit = kMaxTextBytes);

// a followed by b, cut as keptTextLength says.
std::string joinedText(const std::string& a, const std::string& b);

// A result [first, end) of size values (zeros outside the range) to be
// written from bar from on: the builtin's result of the previous run when the
// running step handed one over (FormulaContext::takeResumeTarget) with the same
// first bar, a series whose bars before changed (the smallest changedFrom of
// the inputs) are then kept; otherwise a new series and from = first. Sets the
// result's changedFrom.
struct SeriesUpdate {
    ArgumentPtr result;
    uint32_t from;
};
struct FormulaContext;
SeriesUpdate seriesToUpdate(FormulaContext* ctx, uint32_t first, uint32_t end, std::size_t size, uint32_t changed);

// The first bar where now differs from was (a value of the previous run), bit
// for bit: kUnchanged when both are equal in shape, text and every value; 0
// when was is null or the two differ in shape or text.
uint32_t firstDifference(const FormulaArgument* was, const FormulaArgument& now);

// After the host writes into x (its values are then its own): no kept block
// extremes, no claim about what changed since the last run.
inline void forgetDerived(FormulaArgument& x)
{
    x.extremes.reset();
    x.ownResult = false;
    x.hostWritten = true;
    x.changedFrom = 0;
    x.carriedEnd = 0;
}

// Shared value constructors (each returns a new argument under shared ownership).

// n values all kInvalidValue, bar range [0, n), not a literal.
ArgumentPtr makeInvalidSeries(uint32_t n);
// A literal with the one value v.
ArgumentPtr makeLiteralNumber(float v);
// A literal with text s (cut to kMaxTextBytes) and the one value
// kInvalidValue (as op 3 pushes it).
ArgumentPtr makeLiteralString(const std::string& s);
// A result shaped like x: as many values as x holds, all 0.0, x's first valid
// bar and end bar (the end cut to the values held), not a literal.
ArgumentPtr makeResultLike(const FormulaArgument& x);
inline ArgumentPtr makeResultLike(const ArgumentPtr& x)
{
    return makeResultLike(*x);
}

// The same shape for a builtin that writes every bar of x's range itself: the
// bars of [first valid bar, end) are left unset for it (no 0.0 is written
// first); the values outside that span are 0.0.
ArgumentPtr makeResultToWrite(const FormulaArgument& x);

// end values with bar range [first, end), not a literal: values below first
// are 0.0, the bars of [first, end) are left unset for the caller to write,
// every one of them.
ArgumentPtr makeSeriesToWrite(uint32_t first, uint32_t end);

// x widened to n bars as an argument other than x: for a literal, n copies of
// its value, bar range [0, n), still a literal. A series is returned as it is
// (the same object). The literal's values are never changed, so a compiled
// literal does not grow from run to run; it keeps the copy, which the next
// call takes again (cut or grown to n bars) while nothing else holds it.
ArgumentPtr expandLiteral(const ArgumentPtr& x, uint32_t n);

// x as a series that holds at least n values, for code that hands raw arrays of
// n floats on: x itself when it is a series holding n values or more; otherwise
// a new copy: a literal becomes a series (not a literal) of n copies of its
// value with range [0, n); a short series is padded with 0.0 up to n values and
// keeps its bar range. The argument passed in is never changed. Builtins use it
// for a literal passed where a data series is expected (context's bar count).
ArgumentPtr seriesOfLength(const ArgumentPtr& x, uint32_t n);
