// The indicator plug-in Ostrilug: its registration function, and its nine
// functions on hand-traced inputs, called directly through its table and
// through a formula that calls TDXDLL1.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "builtintestutil.h"
#include "fmltestprogram.h"
#include "platform/library.h"
#include "tdxplugin.h"

namespace {

using builtintest::INF;

// The plug-in loaded by its Windows name, with its table.
class Ostrilug {
public:
    Ostrilug() : lib_(platform::load_library("Ostrilug.dll"))
    {
        if (!lib_)
            return;
        reg_ = reinterpret_cast<TdxRegisterFunc>(platform::library_symbol(lib_, TDX_REGISTER_SYMBOL));
        if (reg_ && reg_(&table_) != 1)
            table_ = nullptr;
    }
    ~Ostrilug() { platform::free_library(lib_); }
    Ostrilug(const Ostrilug&) = delete;
    Ostrilug& operator=(const Ostrilug&) = delete;

    bool ok() const { return table_ != nullptr; }
    TdxRegisterFunc reg() const { return reg_; }
    const TdxFuncEntry* table() const { return table_; }

    TdxFunc function(int number) const
    {
        for (const TdxFuncEntry* e = table_; e && e->number != 0 && e->function; ++e)
            if (e->number == number)
                return e->function;
        return nullptr;
    }

    // Calls function number over a and b (c zero) with out preset to +inf.
    std::vector<float> run(int number, std::vector<float> a, std::vector<float> b) const
    {
        std::vector<float> out(a.size(), INF);
        b.resize(a.size(), 0.0f);
        std::vector<float> c(a.size(), 0.0f);
        TdxFunc fn = function(number);
        if (fn)
            fn(static_cast<int>(a.size()), out.data(), a.data(), b.data(), c.data());
        return out;
    }

private:
    platform::LibraryHandle lib_;
    TdxRegisterFunc reg_ = nullptr;
    TdxFuncEntry* table_ = nullptr;
};

// A formula computing TDXDLL1(number, A, B, 0) over the bars of a.
std::vector<float> runFormula(int number, const std::vector<float>& a, const std::vector<float>& b)
{
    TestProgram p;
    if (fml_vm_load_tdx_dll(p.vm(), "Ostrilug.dll", 1) != 1)
        return {};
    p.setSeries("A", a);
    std::vector<float> bb = b;
    bb.resize(a.size(), 0.0f);
    p.setSeries("B", bb);
    p.num(static_cast<float>(number)).name("A").name("B").num(0).call("TDXDLL1").assign("R").drop();
    if (p.run(static_cast<int>(a.size())) != 1)
        return {};
    return p.values("R");
}

std::vector<float> marksAt(std::size_t count, std::initializer_list<std::pair<std::size_t, float>> marks)
{
    std::vector<float> v(count, 0.0f);
    for (const auto& m : marks)
        v[m.first] = m.second;
    return v;
}

TEST(Ostrilug, RegisterHandsOutItsTable)
{
    Ostrilug plugin;
    ASSERT_TRUE(plugin.ok()) << platform::last_library_error();
    EXPECT_EQ(sizeof(TdxFuncEntry), 10u);
    // Packed members are copied out before comparing (no reference may bind
    // to an unaligned address).
    for (int i = 0; i < 10; ++i) {
        const int number = plugin.table()[i].number;
        const TdxFunc fn = plugin.table()[i].function;
        EXPECT_EQ(number, i < 9 ? i + 1 : 0) << "entry " << i;
        EXPECT_EQ(fn == nullptr, i == 9) << "entry " << i;
    }

    TdxFuncEntry other{};
    TdxFuncEntry* already = &other;
    EXPECT_EQ(plugin.reg()(&already), 0);
    EXPECT_EQ(already, &other) << "a table pointer that is set is left alone";
    EXPECT_EQ(plugin.reg()(nullptr), 0);
}

struct FunctionCase {
    const char* name;
    int number;
    std::vector<float> a;
    std::vector<float> b;
    std::vector<float> expected;
};

void PrintTo(const FunctionCase& c, std::ostream* os)
{
    *os << c.name;
}

const std::vector<float> kHigh{10, 12, 11, 14, 13, 12, 9, 10};
const std::vector<float> kLow{8, 9, 10, 11, 10, 10.5f, 7, 8};

class OstrilugFunction : public ::testing::TestWithParam<FunctionCase> {};

TEST_P(OstrilugFunction, Directly)
{
    const FunctionCase& c = GetParam();
    Ostrilug plugin;
    ASSERT_TRUE(plugin.ok());
    EXPECT_EQ(plugin.run(c.number, c.a, c.b), c.expected) << c.name;
}

TEST_P(OstrilugFunction, ThroughAFormula)
{
    const FunctionCase& c = GetParam();
    EXPECT_EQ(runFormula(c.number, c.a, c.b), c.expected) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Traced, OstrilugFunction,
    ::testing::Values(
        // Function 1: distance 0 and 1 mark bar 0, 5 at bar 2 points before
        // bar 0, 2 at bar 3 marks bar 1, a negative distance marks nothing.
        FunctionCase{"markBack", 1, {0, 1, 5, 2, -1}, {}, {1, 1, INF, INF, INF}},
        FunctionCase{"markBackInvalid", 1, {INF, 0}, {}, {INF, 1}},
        // Function 2: segments 0-10, 20-30, 32-33. 20 lies 10 past the end
        // 10 and is kept; 32 lies 2 past 30 and is dropped, so the short
        // follow-on end 33 is folded in as 3.
        FunctionCase{"segmentEndsFolded",
                     2,
                     marksAt(40, {{10, 10}, {30, 10}, {33, 1}}),
                     {},
                     marksAt(40, {{10, 1}, {20, 2}, {30, 1}, {33, 3}})},
        // Segments 0-3 and 17-19: bar 3 is a plain mark like any other.
        FunctionCase{"segmentEndsBar3", 2, marksAt(20, {{3, 3}, {19, 2}}), {}, marksAt(20, {{3, 1}, {17, 2}, {19, 1}})},
        // Segments 0-10, 15-25, 28-32: 15 lies only 5 past the end 10, so it
        // is dropped and 25 (15 past 10) with it; 28 is then measured against
        // the last kept end 10 and kept, and 32 right after it is passed over.
        FunctionCase{"segmentEndsDropAndSkip",
                     2,
                     marksAt(40, {{10, 10}, {25, 10}, {32, 4}}),
                     {},
                     marksAt(40, {{10, 1}, {28, 2}, {32, 1}})},
        // Starts before bar 0 (+inf distance) and past the end (-50) are not
        // written; only the end at bar 3 is.
        FunctionCase{"segmentEndsOutside", 2, {INF, 0, 0, -50, 0}, {}, {0, 0, 0, 1, 0}},
        // Function 3: the 1 at bar 0 pairs with the 2 at bar 2 (higher b: 7),
        // the 3 passes through, the 1 at bar 4 has no later 2.
        FunctionCase{"pairHigh", 3, {1, 0, 2, 3, 1, 0, 0}, {5, 9, 7, 1, 4, 8, 2}, {7, 0, 7, 3, 0, 0, 0}},
        FunctionCase{"pairHighSkipsInside", 3, {1, 1, 2, 2}, {1, 2, 3, 4}, {3, 0, 3, 0}},
        FunctionCase{"pairLow", 4, {1, 0, 2, 3, 1, 0, 0}, {5, 9, 7, 1, 4, 8, 2}, {5, 0, 5, 0, 0, 0, 0}},
        // Functions 5-7 on the same bars: bar 2 and bar 5 are contained
        // (merged up, then down after the top); a top at merged bar 3 shows on
        // bar 4, a bottom at bar 6 on bar 7.
        FunctionCase{"mergedTurns", 5, kHigh, kLow, {INF, INF, INF, INF, 1, INF, INF, 2}},
        FunctionCase{"mergedHigh", 6, kHigh, kLow, {INF, 12, 12, 14, 13, 12, 9, 10}},
        FunctionCase{"mergedLow", 7, kHigh, kLow, {INF, 9, 10, 11, 10, 10, 7, 8}},
        // Function 8 writes nothing to out.
        FunctionCase{"fillSeriesSet", 8, kHigh, kLow, std::vector<float>(8, INF)}));

// The series set after function 8 on kHigh and kLow, by selector.
const std::vector<std::vector<float>> kSet{
    {INF, INF, INF, INF, 1, INF, INF, 2},  // S0 turns
    {10, 12, 12, 14, 13, 12, 9, 10},       // S1 merged high
    {8, 9, 10, 11, 10, 10, 7, 8},          // S2 merged low
    {INF, 1, INF, INF, INF, INF, 2, INF},  // S3 strokes confirmed
    {1, INF, INF, 2, INF, INF, INF, 1},    // S4
    {8, INF, INF, 10, INF, INF, INF, 8},   // S5 levels
    {1, INF, INF, 2, INF, INF, INF, 1},    // S6
    {2, INF, INF, 1, INF, INF, INF, 2},    // S7
    {1, INF, INF, 2, INF, INF, INF, 1},    // S8 alternating marks
    {8, INF, INF, 14, INF, INF, INF, 8},   // S9 their prices
};

TEST(OstrilugSeriesSet, DirectlyByEverySelector)
{
    Ostrilug plugin;
    ASSERT_TRUE(plugin.ok());
    plugin.run(8, kHigh, kLow);
    for (int k = 0; k < 10; ++k)
        EXPECT_EQ(plugin.run(9, std::vector<float>(8, static_cast<float>(k)), {}), kSet[k]) << "selector " << k;
}

TEST(OstrilugSeriesSet, ThroughAFormula)
{
    TestProgram p;
    ASSERT_EQ(fml_vm_load_tdx_dll(p.vm(), "Ostrilug.dll", 1), 1);
    p.setSeries("H", kHigh);
    p.setSeries("L", kLow);
    p.num(8).name("H").name("L").num(0).call("TDXDLL1").drop();
    std::vector<std::string> names;
    for (int k = 0; k < 10; ++k)
        names.push_back("S" + std::to_string(k));
    for (int k = 0; k < 10; ++k)
        p.num(9).num(static_cast<float>(k)).num(0).num(0).call("TDXDLL1").assign(names[k].c_str()).drop();
    ASSERT_EQ(p.run(8), 1);
    for (int k = 0; k < 10; ++k)
        EXPECT_EQ(p.values(names[k].c_str()), kSet[k]) << "selector " << k;
}

// Falling bars, a bottom at bar 2 (shown on bar 3), then an up stroke
// confirmed on bar 5: its extreme is the low 6 at bar 2. The last stroke is
// up, so the last bar gets the high mark and the down stroke's code.
TEST(OstrilugSeriesSet, UpStrokeLastEndsOnAHighMark)
{
    Ostrilug plugin;
    ASSERT_TRUE(plugin.ok());
    const std::vector<float> high{10, 9, 8, 9, 10, 11};
    const std::vector<float> low{8, 7, 6, 7, 8, 9};
    plugin.run(8, high, low);
    const std::vector<std::vector<float>> expected{
        {INF, INF, INF, 2, INF, INF},  // S0
        {10, 9, 8, 9, 10, 11},         // S1
        {8, 7, 6, 7, 8, 9},            // S2
        {INF, INF, INF, INF, INF, 1},  // S3
        {INF, INF, 1, INF, INF, 2},    // S4
        {INF, INF, 8, INF, INF, 11},   // S5: max of the two bottoms' lows; last bar's high
        {INF, INF, 1, INF, INF, 2},    // S6
        {INF, INF, 2, INF, INF, 1},    // S7
        {INF, INF, 1, INF, INF, 2},    // S8
        {INF, INF, 6, INF, INF, 11},   // S9
    };
    for (int k = 0; k < 10; ++k)
        EXPECT_EQ(plugin.run(9, std::vector<float>(6, static_cast<float>(k)), {}), expected[k]) << "selector " << k;
}

// Two falling bars: no turn and no stroke. Unwritten entries take out[0] as
// it was on entry (-1 here), the last bar gets the low mark and the up
// stroke's code, and out itself is left alone.
TEST(OstrilugSeriesSet, NoStrokeFillsWithTheEntryValueOfOut)
{
    Ostrilug plugin;
    ASSERT_TRUE(plugin.ok());
    std::vector<float> high{10, 9};
    std::vector<float> low{8, 7};
    std::vector<float> c{0, 0};
    std::vector<float> out{-1, 5};
    plugin.function(8)(2, out.data(), high.data(), low.data(), c.data());
    EXPECT_EQ(out, (std::vector<float>{-1, 5}));
    const std::vector<std::vector<float>> expected{
        {-1, -1}, {10, 9}, {8, 7}, {-1, -1}, {-1, 1}, {-1, 7}, {-1, 1}, {-1, 2}, {-1, 1}, {-1, 7},
    };
    for (int k = 0; k < 10; ++k)
        EXPECT_EQ(plugin.run(9, std::vector<float>(2, static_cast<float>(k)), {}), expected[k]) << "selector " << k;
}

TEST(OstrilugSeriesSet, ShortCallsAndSelectorsLeaveThingsAlone)
{
    Ostrilug plugin;
    ASSERT_TRUE(plugin.ok());
    plugin.run(8, kHigh, kLow);
    // Function 8 over one bar keeps the set; function 9 over one bar keeps out.
    plugin.run(8, {50}, {40});
    EXPECT_EQ(plugin.run(9, std::vector<float>(8, 1.0f), {}), kSet[1]);
    EXPECT_EQ(plugin.run(9, {1}, {}), (std::vector<float>{INF}));
    // Selectors outside 0-9 copy nothing.
    EXPECT_EQ(plugin.run(9, std::vector<float>(4, 10.0f), {}), std::vector<float>(4, INF));
    EXPECT_EQ(plugin.run(9, std::vector<float>(4, -1.0f), {}), std::vector<float>(4, INF));
    // A call over more bars than the set holds fills only what it has.
    std::vector<float> longer = kSet[2];
    longer.push_back(INF);
    longer.push_back(INF);
    EXPECT_EQ(plugin.run(9, std::vector<float>(10, 2.0f), {}), longer);
}

TEST(OstrilugFunctions, CountZeroTouchesNothing)
{
    Ostrilug plugin;
    ASSERT_TRUE(plugin.ok());
    float out = 5.0f, a = 1.0f, b = 1.0f, c = 1.0f;
    for (int n = 1; n <= 9; ++n) {
        plugin.function(n)(0, &out, &a, &b, &c);
        EXPECT_EQ(out, 5.0f) << "function " << n;
        plugin.function(n)(-3, &out, &a, &b, &c);
        EXPECT_EQ(out, 5.0f) << "function " << n;
    }
}

}  // namespace
