// One-bar pushes on long histories: after the last bar is replaced or a bar
// appended, a context that ran before must give, bit for bit, what a new
// context computes from bar 0, and the steps named in each row must have
// been rewritten only near the end (their changedFrom), so that a tick does
// not cost a whole history. Each row runs over several kinds of data: a
// random walk, prices on a coarse grid (ties), and series with markers and
// NaN; and each edit: the last bar replaced (by a price, a marker, NaN) or
// a bar appended (a price or a marker), and a bar a few bars back changed.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "fml.h"
#include "builtintestutil.h"
#include "fmltestprogram.h"
#include "formulacontext.h"

namespace {

// A program in postfix words: a number pushes it, "@f" calls builtin f,
// "=V" assigns the top to V and drops it, "!V" draws a line named V and
// "%number", "%text", "%icon" an unnamed output of that kind (the drawn
// series stays on the stack), any other word pushes a name.
void compileWords(TestProgram& t, const std::string& words)
{
    std::istringstream in(words);
    std::string w;
    while (in >> w) {
        if (w[0] == '@') {
            t.call(w.c_str() + 1);
        } else if (w[0] == '!') {
            t.output(FML_DRAW_LINE, w.c_str() + 1);
        } else if (w[0] == '%') {
            // %number, %text, %icon: an unnamed drawn output of that kind.
            const int kind = w == "%number" ? FML_DRAW_NUMBER : w == "%text" ? FML_DRAW_TEXT : FML_DRAW_ICON;
            t.output(kind, "");
        } else if (w[0] == '=') {
            t.assign(w.c_str() + 1);
            t.output(FML_DRAW_DATA, w.c_str() + 1);
            t.drop();
        } else if ((w[0] >= '0' && w[0] <= '9') || (w[0] == '-' && w.size() > 1)) {
            t.num(std::stof(w));
        } else {
            t.name(w.c_str());
        }
    }
}

std::vector<std::string> assignedNames(const std::string& words)
{
    std::vector<std::string> names;
    std::istringstream in(words);
    std::string w;
    while (in >> w)
        if (w[0] == '=')
            names.push_back(w.substr(1));
    return names;
}

struct Bars {
    std::vector<float> c, h, l, o, v;

    void set(std::size_t i, float close, float vol)
    {
        c[i] = close;
        h[i] = close + 0.5f;
        l[i] = close - 0.25f;
        o[i] = close + (i % 3 == 0 ? -0.125f : 0.125f);
        v[i] = vol;
    }
    void append(float close, float vol)
    {
        c.push_back(0), h.push_back(0), l.push_back(0), o.push_back(0), v.push_back(0);
        set(c.size() - 1, close, vol);
    }
    void serve(TestProgram& t) const
    {
        t.setSeries("C", c);
        t.setSeries("H", h);
        t.setSeries("L", l);
        t.setSeries("O", o);
        t.setSeries("V", v);
    }
};

enum class Data { Walk, Ties, Markers };
const char* dataName(Data d)
{
    return d == Data::Walk ? "walk" : d == Data::Ties ? "ties" : "markers";
}

Bars makeBars(Data kind, int n, std::mt19937& rng)
{
    Bars b;
    std::normal_distribution<float> step(0.0f, 0.3f);
    float price = 20.0f;
    for (int i = 0; i < n; ++i) {
        price += step(rng);
        float close = price;
        if (kind == Data::Ties)
            close = std::round(price * 2.0f) / 2.0f;  // many equal closes, highs and lows
        b.append(close, float(1000 + rng() % (kind == Data::Ties ? 3 : 5000)));
        if (kind == Data::Markers && rng() % 17 == 0) {
            const float bad = rng() % 2 ? FMLInvalidValue : std::nanf("");
            b.c.back() = bad;
            if (rng() % 2)
                b.l.back() = bad;
            if (rng() % 3 == 0)
                b.v.back() = bad;
        }
    }
    return b;
}

enum class Edit { ReplaceLast, ReplaceLastMarker, ReplaceLastNaN, Append, AppendMarker, ChangeBack };
const Edit kEdits[] = {Edit::ReplaceLast, Edit::ReplaceLastMarker, Edit::ReplaceLastNaN,
                       Edit::Append,      Edit::AppendMarker,      Edit::ChangeBack};

// Applies an edit; returns the first bar it touched.
std::size_t applyEdit(Bars& b, Edit e, std::mt19937& rng)
{
    const std::size_t last = b.c.size() - 1;
    const float base = std::isfinite(b.c[last]) ? b.c[last] : 20.0f;
    switch (e) {
    case Edit::ReplaceLast:
        b.set(last, base + 0.75f, b.v[last] + 7.0f);
        return last;
    case Edit::ReplaceLastMarker:
        b.c[last] = FMLInvalidValue, b.l[last] = FMLInvalidValue;
        return last;
    case Edit::ReplaceLastNaN:
        b.c[last] = std::nanf(""), b.v[last] = std::nanf("");
        return last;
    case Edit::Append:
        b.append(base - 1.5f, 900.0f + float(rng() % 500));
        return last + 1;
    case Edit::AppendMarker:
        b.append(base, 1000.0f);
        b.c.back() = FMLInvalidValue;
        return last + 1;
    case Edit::ChangeBack: {
        const std::size_t at = last >= 6 ? last - 6 : 0;
        b.set(at, base - 3.0f, b.v[at] * 2.0f);
        return at;
    }
    }
    return 0;
}

const char* editName(Edit e)
{
    switch (e) {
    case Edit::ReplaceLast:
        return "replace last";
    case Edit::ReplaceLastMarker:
        return "replace last with a marker";
    case Edit::ReplaceLastNaN:
        return "replace last with NaN";
    case Edit::Append:
        return "append";
    case Edit::AppendMarker:
        return "append a marker";
    case Edit::ChangeBack:
        return "change a bar 6 back";
    }
    return "";
}

struct Row {
    const char* what;
    std::string words;
    // The names that must resume, and how many bars before the first edited
    // bar (and the old end) their changedFrom may lie at most; -1: not checked.
    std::vector<std::pair<const char*, int>> resumes;
    // The names whose step must have rewritten its last result in place
    // (resumed) rather than made it again and compared it.
    std::vector<const char*> inPlace = {};
};

const FormulaArgument* objectOf(const TestProgram& t, const std::string& name)
{
    auto it = t.ctx()->variables.find(name);
    return it == t.ctx()->variables.end() ? nullptr : it->second.get();
}

// The readers' value range of the outputs over a few spans (the first query
// builds per-block extremes that later runs must cut where they rewrite)
// against a plain scan of the values.
void expectRangesOfTheValues(TestProgram& t, const std::vector<std::string>& names, const std::string& where)
{
    const std::vector<float> c = t.values("C");
    const uint32_t bars = uint32_t(c.size());
    for (uint32_t back : {bars, 300u, 20u}) {
        const uint32_t begin = bars > back ? bars - back : 0u;
        float hi = -FMLInvalidValue, lo = FMLInvalidValue;
        fml_ctx_output_maxmin(t.ctx(), begin, bars - begin, &hi, &lo);
        float wantHi = -FMLInvalidValue, wantLo = FMLInvalidValue;
        for (const std::string& name : names) {
            const std::vector<float> v = t.values(name.c_str());
            const bool literal = v.size() == 1;
            for (std::size_t i = literal ? 0 : begin; i < (literal ? 1 : std::min<std::size_t>(v.size(), bars)); ++i)
                if (v[i] != FMLInvalidValue && v[i] != FMLContinuousValue && !std::isnan(v[i]))
                    wantHi = std::max(wantHi, v[i]), wantLo = std::min(wantLo, v[i]);
        }
        EXPECT_EQ(hi, wantHi) << where << ": highest of the last " << back << " bars";
        EXPECT_EQ(lo, wantLo) << where << ": lowest of the last " << back << " bars";
    }
}

uint32_t changedFromOf(const TestProgram& t, const std::string& name)
{
    auto it = t.ctx()->variables.find(name);
    return it == t.ctx()->variables.end() || !it->second ? 0u : it->second->changedFrom;
}

void runRow(const Row& row, int bars, uint32_t seed)
{
    const std::vector<std::string> names = assignedNames(row.words);
    for (Data kind : {Data::Walk, Data::Ties, Data::Markers}) {
        for (Edit edit : kEdits) {
            std::mt19937 rng(seed);
            Bars b = makeBars(kind, bars, rng);
            TestProgram kept;
            compileWords(kept, row.words);
            b.serve(kept);
            ASSERT_EQ(kept.run(int(b.c.size())), 1) << row.what;
            expectRangesOfTheValues(kept, names, row.what);
            // Two edits in a row: the second resumes a result that was itself resumed.
            for (int round = 0; round < 2; ++round) {
                const std::size_t oldEnd = b.c.size();
                const std::size_t touched = std::min(applyEdit(b, edit, rng), oldEnd);
                b.serve(kept);
                std::vector<const FormulaArgument*> before;
                for (const char* name : row.inPlace)
                    before.push_back(objectOf(kept, name));
                const std::string where = std::string(row.what) + ", " + dataName(kind) + ", " + editName(edit) + ", " +
                                          std::to_string(bars) + " bars, round " + std::to_string(round);
                ASSERT_EQ(kept.run(int(b.c.size())), 1) << where;
                TestProgram fresh;
                compileWords(fresh, row.words);
                b.serve(fresh);
                ASSERT_EQ(fresh.run(int(b.c.size())), 1) << where;
                for (const std::string& name : names) {
                    const std::vector<float> got = kept.values(name.c_str());
                    const std::vector<float> want = fresh.values(name.c_str());
                    ASSERT_EQ(got.size(), want.size()) << where << " " << name;
                    for (std::size_t i = 0; i < got.size(); ++i)
                        ASSERT_EQ(std::memcmp(&got[i], &want[i], sizeof(float)), 0)
                            << where << " " << name << " bar " << i << ": resumed " << got[i] << ", from bar 0 "
                            << want[i];
                }
                expectRangesOfTheValues(kept, names, where);
                for (std::size_t k = 0; k < row.inPlace.size() && bars >= 200; ++k)
                    EXPECT_EQ(objectOf(kept, row.inPlace[k]), before[k])
                        << where << ": " << row.inPlace[k] << " was made again, not resumed";
                for (const auto& r : row.resumes) {
                    if (r.second < 0 || bars < 200)
                        continue;
                    const uint32_t from = changedFromOf(kept, r.first);
                    const uint32_t least = touched > std::size_t(r.second) ? uint32_t(touched - r.second) : 0u;
                    EXPECT_GE(from, least) << where << ": " << r.first << " was computed again from bar " << from;
                }
            }
        }
    }
}

void runTable(const std::vector<Row>& rows)
{
    uint32_t seed = 1;
    for (const Row& row : rows) {
        // Short histories too: periods longer than the data, a window
        // reaching bar 0.
        for (int bars : {1, 3, 12, 260, 400, 3000}) {
            runRow(row, bars, seed++);
            if (testing::Test::HasFatalFailure())
                return;
        }
    }
}

}  // namespace

// A step that cannot resume makes its result again from bar 0, but the
// steps after it read where it actually changed: a new bar that shifts every
// value of CURRBARSCOUNT and of CONST leaves a comparison of the two changed
// only near the end.
TEST(FmlResume, StepsAfterAWholeRecomputationReadWhereItChanged)
{
    runTable({
        {"count to the end against a constant",
         "@currbarscount C O @> @barslast @const 3 @+ @<= =A A V 0 @if =B B 2 @+ =D",
         {{"A", 12}, {"B", 12}, {"D", 12}}},
        {"count to the end alone", "@currbarscount 4 @<= =A C A @* =B", {{"A", 4}, {"B", 4}}},
        {"numbers, texts and icons drawn where a condition holds",
         "C O @> L 1 %icon =A @currbarscount 3 @<= H 2 %number =B C O @< C 1 %text =D B 1 @+ =E",
         {{"A", 0}, {"B", 3}, {"D", 0}, {"E", 3}},
         {"A", "D", "E"}},
        {"a line from the last event to the last bar",
         "@currbarscount C O @> @barslast @const 1 @+ @= O @currbarscount 1 @= C 0 !EXT =E C E @cross =A "
         "E 0.5 @> @barslast =B",
         {{"E", 12}, {"A", 12}, {"B", 12}},
         {"A", "B"}},
    });
}

// Periods per bar: from 0 to 12 (NaN where the close is), bars since an
// event plus one, and one longer than the data.
#define PERIOD_STEPS "C 7 @* @intpart 13 @% =P C O @> @barslast 1 @+ =Q C 0 @* 5000 @+ =R "

TEST(FmlResume, WindowExtremesWithAPeriodPerBar)
{
    runTable({
        {"hhv and llv",
         PERIOD_STEPS "H P @hhv =A L P @llv =B V Q @hhv =D L R @llv =E C Q @hhv C @= =F",
         {{"A", 0}, {"B", 0}, {"D", 0}, {"E", 0}, {"F", 0}},
         {"A", "B", "D", "E"}},
        // Zeros of both signs: the oldest of equal extremes gives the bits.
        {"hhv and llv over signed zeros",
         PERIOD_STEPS "C O @> C C @- C C @- @negate @if =Z Z Q @hhv =A Z Q @llv =B Z R @hhv =D Z P @llv =E",
         {{"A", 0}, {"B", 0}, {"D", 0}, {"E", 0}},
         {"A", "B", "D", "E"}},
    });
}

TEST(FmlResume, ReferencesBackWithAPeriodPerBar)
{
    runTable({
        {"ref and refv",
         PERIOD_STEPS "V P @ref =A C Q @ref =B O R @ref =D L P @refv =E C P 6 @- @ref =F",
         {{"A", 0}, {"B", 0}, {"D", 0}, {"E", 0}, {"F", 0}},
         {"A", "B", "D", "E", "F"}},
    });
}

TEST(FmlResume, BarsSinceTheLastEvent)
{
    runTable({
        {"barslast",
         "C O @> @barslast =A L L 11 @llv @= @barslast =B C @barslast =D C 0 @* @barslast =E",
         {{"A", 0}, {"B", 0}, {"D", 0}, {"E", 0}},
         {"A", "B", "D", "E"}},
    });
}

TEST(FmlResume, CrossesConditionsAndCounts)
{
    runTable({
        {"cross",
         "C C 5 @ma @cross =A C 20 @cross =B 20 C @cross =D V V 3 @ref @cross =E",
         {{"A", 0}, {"B", 0}, {"D", 0}, {"E", 0}},
         {"B", "D", "E"}},
        {"if and between",
         "C O @> V 0 @if =A C O @< C 1 @ref O @if =B C L H @between =D 1 C 0 @if =E",
         {{"A", 0}, {"B", 0}, {"D", 0}, {"E", 0}},
         {"A", "B", "D", "E"}},
        {"count",
         PERIOD_STEPS "C O @> P @count =A C O @> Q @count =B C L @= R @count =D C O @> P 6 @- @count =E",
         {{"A", 0}, {"B", 0}, {"D", 0}, {"E", 0}},
         {"A", "B", "D", "E"}},
    });
}

// A drawn stick's constant prices are widened to the run's bars; the copy is
// kept for the next run, grown or cut to its bars, and made again when the
// constant changes.
TEST(FmlResume, WidenedConstantsFollowTheBarsAndTheValue)
{
    TestProgram t;
    compileWords(t, "C O @> 0 N1 1 0");
    t.output(FML_DRAW_STICK, "S");
    t.drop();
    FormulaArgument* n1 = fml_get_static_argument(t.ctx(), "N1");
    fml_argument_literal(n1, 1);
    struct Step {
        int bars;
        float price;
    };
    const FormulaArgument* kept = nullptr;
    std::mt19937 rng(7);
    for (const Step& s : {Step{5, 2.5f}, Step{6, 2.5f}, Step{7, 2.5f}, Step{4, 2.5f}, Step{4, -1.0f}, Step{9, -1.0f},
                          Step{9, -0.0f}, Step{9, 0.0f}}) {
        Bars b = makeBars(Data::Walk, s.bars, rng);
        b.serve(t);
        fml_argument_data(n1, 1)[0] = s.price;
        ASSERT_EQ(t.run(s.bars), 1);
        const std::vector<FormulaOutput>* sticks = t.ctx()->outputList(FML_DRAW_STICK);
        ASSERT_TRUE(sticks && sticks->size() == 1u);
        const FormulaArgument& zero = *sticks->front().series[1];
        const FormulaArgument& price = *sticks->front().series[2];
        const std::string where = std::to_string(s.bars) + " bars at " + std::to_string(s.price);
        ASSERT_EQ(zero.values.size(), std::size_t(s.bars)) << where;
        ASSERT_EQ(price.values.size(), std::size_t(s.bars)) << where;
        EXPECT_EQ(price.endBar, uint32_t(s.bars)) << where;
        for (int i = 0; i < s.bars; ++i) {
            EXPECT_EQ(zero.values[std::size_t(i)], 0.0f) << where << " bar " << i;
            EXPECT_EQ(std::memcmp(&price.values[std::size_t(i)], &s.price, sizeof(float)), 0) << where << " bar " << i;
        }
        if (kept && s.price == 2.5f) {
            EXPECT_EQ(&zero, kept) << where << ": the widened zero was made again";
        }
        kept = &zero;
    }
}

// BACKSET sets bars before a true bar: a change sets or clears them back to
// the window start of the true bars after it, and clears the run the true
// bars it removed had set.
TEST(FmlResume, BacksetRewritesOnlyTheBarsItsChangedBarsReach)
{
    runTable({
        {"backset with a constant count",
         "L L 11 @llv @= 10 @backset =A C O @> 3 @backset =B C O @< 0 @backset =D C O @> 0.5 @backset =E "
         "C O @> 5000 @backset =F C 50 @refv O @> 3 @backset =G",
         {{"A", 10}, {"B", 3}, {"D", 1}, {"G", 3}},
         {"A", "B", "D", "E", "F", "G"}},
        // Markers only, and markers until the 401st bar.
        {"backset over markers",
         "C 5000 @refv O @> 3 @backset =H C 400 @refv O @> 2 @backset =I",
         {{"H", 0}, {"I", 2}},
         {"H", "I"}},
        {"backset with a count per bar",
         PERIOD_STEPS "C O @> P @backset =A L L 11 @llv @= Q @backset =B C O @< R @backset =D",
         {{"A", 13}},
         {"A", "B", "D"}},
    });
}

// The readers' value range is kept per block of bars: BACKSET rewriting bars
// before the first changed one must drop the blocks holding them.
TEST(FmlResume, BacksetRewritingEarlierBarsRenewsTheirValueRange)
{
    TestProgram t;
    compileWords(t, "@currbarscount 1 @<= =X X 5 @backset =B");
    std::mt19937 rng(3);
    // Five whole blocks of 256 bars; the last bar of the fifth is set.
    Bars b = makeBars(Data::Walk, 1284, rng);
    b.serve(t);
    ASSERT_EQ(t.run(1284), 1);
    float hi = -FMLInvalidValue, lo = FMLInvalidValue;
    fml_ctx_output_maxmin(t.ctx(), 0, 1280, &hi, &lo);
    EXPECT_EQ(hi, 1.0f) << "bar 1279 is set";
    EXPECT_EQ(lo, 0.0f);
    b.append(20.0f, 1000.0f);  // now bars 1280 to 1284 are set, bar 1279 no more
    b.serve(t);
    ASSERT_EQ(t.run(1285), 1);
    ASSERT_EQ(t.values("B")[1279], 0.0f);
    hi = -FMLInvalidValue, lo = FMLInvalidValue;
    fml_ctx_output_maxmin(t.ctx(), 0, 1280, &hi, &lo);
    EXPECT_EQ(hi, 0.0f) << "no bar of the first 1280 is set";
    EXPECT_EQ(lo, 0.0f);
}

// BARSLAST reads the last event before the first changed bar back from the
// count its previous bar holds; a count that a float cannot hold exactly
// (2^24 bars and more) is not trusted, and the event is searched for.
TEST(FmlResume, BarslastSearchesWhenTheCountBeforeTheChangeIsNotExact)
{
    using builtintest::INF;
    struct Case {
        std::vector<float> x;
        std::vector<float> want;  // by hand
    };
    const Case cases[] = {
        {{0, 1, 0, 0, 1, 0, 0, 0}, {INF, 0, 1, 2, 0, 1, 2, 3}},
        {{0, 0, 0, 0, 0, 0, 5, 0}, {INF, 1, 2, 3, 4, 5, 0, 1}},
        {{0, 0, 0, 0, 0, 0, 0, 0}, {INF, 1, 2, 3, 4, 5, 6, 7}},
    };
    for (const Case& c : cases) {
        FormulaContext ctx;
        ArgumentPtr x = builtintest::series(c.x);
        x->changedFrom = 6;
        // The last run's result, its bar 5 holding a count of 2^25.
        ArgumentPtr last = builtintest::series(c.want);
        last->values[5] = 33554432.0f;
        last->values[6] = last->values[7] = -1.0f;
        ctx.offerResumeTarget(last);
        ArgumentPtr r = builtintest::call(builtinBarslast, {x}, 8, &ctx);
        ASSERT_TRUE(r);
        EXPECT_EQ(r.get(), last.get()) << "the last result is resumed";
        EXPECT_EQ(r->values[6], c.want[6]);
        EXPECT_EQ(r->values[7], c.want[7]);
    }
}
