// A context that runs again after a change re-evaluates only from the first
// changed bar where it can; whatever it does, every value it leaves must equal,
// bit for bit, what a new context computes over the same data in one run.
// Random programs over random series take random edits: the last bar changed,
// a bar appended, an older bar changed, a bar set to a marker or NaN, the
// history cut short, a parameter changed, nothing changed.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "builtintestutil.h"
#include "fml.h"
#include "fmltestprogram.h"
#include "windowkernels.h"

namespace {

struct Op {
    int code;
    std::string text;
    float number = 0.0f;
    int kind = FML_DRAW_DATA;  // of an output
};
// An output that reads its series when its step runs (any kind but data,
// which only keeps its series for the readers after the run): a reference
// drawn with it runs each loop by itself.
constexpr int kReadNow = FML_DRAW_LITERAL_NUMBER;
using Program = std::vector<Op>;

// Random expressions in postfix form: price series, numbers and a parameter
// as leaves; operators and the window, smoothing, reference and look-ahead
// builtins above them.
class Generator {
public:
    explicit Generator(uint32_t seed) : rng_(seed) {}

    void expression(Program& p, int depth)
    {
        const int pick = depth <= 0 ? 0 : int(rng_() % 14);
        switch (pick) {
        case 0:
            leaf(p);
            break;
        case 1:
        case 2:
        case 3: {
            static const char* const ops[] = {"+", "-", "*", "/", ">", "<", "=", "and", "or", "max", "min", "%"};
            expression(p, depth - 1);
            expression(p, depth - 1);
            call(p, ops[rng_() % 12]);
            break;
        }
        case 4: {
            static const char* const fns[] = {"abs", "negate", "not", "sqrt", "ln", "floor", "intpart"};
            expression(p, depth - 1);
            call(p, fns[rng_() % 7]);
            break;
        }
        case 5:
        case 6:
        case 7: {
            static const char* const fns[] = {"ma",  "ema",    "sum",   "hhv",     "llv",      "ref", "std",
                                              "wma", "avedev", "count", "hhvbars", "barslast", "tma", "mema"};
            const char* f = fns[rng_() % 14];
            expression(p, depth - 1);
            if (std::strcmp(f, "barslast") == 0) {
                call(p, f);
                break;
            }
            if (std::strcmp(f, "tma") == 0) {
                number(p, 0.5f);
                number(p, 0.3f);
            } else {
                period(p);
            }
            call(p, f);
            break;
        }
        case 8: {
            expression(p, depth - 1);
            period(p);
            number(p, 1.0f);
            call(p, "sma");
            break;
        }
        case 9: {
            expression(p, depth - 1);
            expression(p, depth - 1);
            call(p, rng_() % 2 ? "cross" : "longcross");
            if (p.back().text == "longcross")
                p.insert(p.end() - 1, Op{FML_OP_PUSH_NUMBER, "", 3.0f});
            break;
        }
        case 10: {
            expression(p, depth - 1);
            expression(p, depth - 1);
            expression(p, depth - 1);
            call(p, "if");
            break;
        }
        case 11: {
            // Look-ahead and past-rewriting builtins.
            static const char* const fns[] = {"zig", "backset", "filter", "peak", "const"};
            const char* f = fns[rng_() % 5];
            if (std::strcmp(f, "const") == 0) {
                // The last value against the bars to the end: a whole
                // recomputation that changes only near the end.
                call(p, "currbarscount");
                expression(p, depth - 1);
                call(p, "const");
                call(p, "<=");
                break;
            }
            if (std::strcmp(f, "zig") == 0 || std::strcmp(f, "peak") == 0) {
                number(p, 3.0f);  // the close
                number(p, 5.0f);
                if (std::strcmp(f, "peak") == 0)
                    number(p, 1.0f);
            } else {
                expression(p, depth - 1);
                period(p);
            }
            call(p, f);
            break;
        }
        case 12: {
            expression(p, depth - 1);
            number(p, 0.2f);
            call(p, "dma");
            break;
        }
        default: {
            expression(p, depth - 1);
            period(p);
            call(p, "refv");
            break;
        }
        }
    }

    Program program(int statements)
    {
        Program p;
        for (int k = 0; k < statements; ++k) {
            expression(p, 3);
            const std::string name = "V" + std::to_string(k);
            p.push_back(Op{FML_OP_ASSIGN, name});
            p.push_back(Op{FML_OP_OUTPUT, name});
            p.push_back(Op{FML_OP_DROP, ""});
        }
        return p;
    }

    std::mt19937& rng() { return rng_; }

private:
    void leaf(Program& p)
    {
        static const char* const names[] = {"C", "H", "L", "O", "N1"};
        const uint32_t pick = rng_() % 7;
        if (pick < 5)
            p.push_back(Op{FML_OP_PUSH_NAME, names[pick]});
        else
            number(p, float(int(rng_() % 9)) - 2.0f);
    }
    void period(Program& p)
    {
        const uint32_t pick = rng_() % 8;
        if (pick < 2) {
            p.push_back(Op{FML_OP_PUSH_NAME, "N1"});
        } else if (pick == 2) {
            // A period per bar from 0 to 12 (NaN where the close is).
            p.push_back(Op{FML_OP_PUSH_NAME, "C"});
            number(p, 7.0f);
            call(p, "*");
            call(p, "intpart");
            number(p, 13.0f);
            call(p, "%");
        } else if (pick == 3) {
            // Bars since the close last rose, plus one: windows that grow.
            p.push_back(Op{FML_OP_PUSH_NAME, "C"});
            p.push_back(Op{FML_OP_PUSH_NAME, "C"});
            number(p, 1.0f);
            call(p, "ref");
            call(p, ">");
            call(p, "barslast");
            number(p, 1.0f);
            call(p, "+");
        } else {
            number(p, float(rng_() % 12));
        }
    }
    void number(Program& p, float v) { p.push_back(Op{FML_OP_PUSH_NUMBER, "", v}); }
    void call(Program& p, const char* f) { p.push_back(Op{FML_OP_CALL, f}); }

    std::mt19937 rng_;
};

struct Market {
    std::vector<float> c, h, l, o;
    float param = 5.0f;

    void serve(TestProgram& t) const
    {
        t.setSeries("C", c);
        t.setSeries("H", h);
        t.setSeries("L", l);
        t.setSeries("O", o);
        FormulaArgument* n1 = fml_get_static_argument(t.ctx(), "N1");
        fml_argument_literal(n1, 1);
        fml_argument_data(n1, 1)[0] = param;
    }

    void setBar(std::size_t i, float close)
    {
        c[i] = close;
        h[i] = close + 0.5f;
        l[i] = close - 0.25f;
        o[i] = close + 0.125f;
    }
};

// A price walk of `bars` closes from 10, seeded by its length.
std::vector<float> priceWalk(std::size_t bars)
{
    std::vector<float> x(bars);
    float price = 10.0f;
    std::mt19937 rng(static_cast<uint32_t>(bars));
    std::normal_distribution<float> step(0.0f, 0.2f);
    for (float& v : x)
        v = price += step(rng);
    return x;
}

void compile(TestProgram& t, const Program& p)
{
    for (const Op& op : p) {
        switch (op.code) {
        case FML_OP_PUSH_NUMBER:
            t.num(op.number);
            break;
        case FML_OP_PUSH_NAME:
            t.name(op.text.c_str());
            break;
        case FML_OP_CALL:
            t.call(op.text.c_str());
            break;
        case FML_OP_ASSIGN:
            t.assign(op.text.c_str());
            break;
        case FML_OP_OUTPUT:
            t.output(op.kind, op.text.c_str());
            break;
        case FML_OP_DROP:
            t.drop();
            break;
        }
    }
}

std::string bitsText(const std::vector<float>& v, std::size_t i)
{
    uint32_t b = 0;
    std::memcpy(&b, &v[i], sizeof b);
    return std::to_string(v[i]) + " (bits " + std::to_string(b) + ")";
}

// Every statement's variable of the kept context against a new context's.
void expectSameAsFullRun(TestProgram& kept, const Program& program, int statements, const Market& m,
                         const std::string& where)
{
    TestProgram fresh;
    compile(fresh, program);
    m.serve(fresh);
    const int bars = int(m.c.size());
    const int freshOk = fresh.run(bars);
    ASSERT_EQ(kept.run(bars), freshOk) << where;
    if (!freshOk)
        return;
    // The value range over a few spans against a plain scan of the values.
    for (const uint32_t span : {0u, 7u, 300u, 1200u, 1100u}) {
        uint32_t begin = span == 0 ? 0u : uint32_t(bars) / 3;
        if (span == 1100u)
            begin = bars > 1100 ? uint32_t(bars) - 1100u : 0u;  // the latest bars
        const uint32_t count = span == 0 ? uint32_t(bars) : span;
        float hi = -FMLInvalidValue, lo = FMLInvalidValue;
        fml_ctx_output_maxmin(kept.ctx(), begin, count, &hi, &lo);
        float wantHi = -FMLInvalidValue, wantLo = FMLInvalidValue;
        for (int k = 0; k < statements; ++k) {
            const std::vector<float> v = kept.values(("V" + std::to_string(k)).c_str());
            if (v.size() == 1) {
                if (v[0] != FMLInvalidValue && v[0] != FMLContinuousValue && !std::isnan(v[0]))
                    wantHi = std::max(wantHi, v[0]), wantLo = std::min(wantLo, v[0]);
                continue;
            }
            for (std::size_t i = begin; i < std::min<std::size_t>(v.size(), std::size_t(begin) + count); ++i)
                if (v[i] != FMLInvalidValue && v[i] != FMLContinuousValue && !std::isnan(v[i]))
                    wantHi = std::max(wantHi, v[i]), wantLo = std::min(wantLo, v[i]);
        }
        EXPECT_EQ(hi, wantHi) << where << " highest over " << begin << "+" << count;
        EXPECT_EQ(lo, wantLo) << where << " lowest over " << begin << "+" << count;
    }
    for (int k = 0; k < statements; ++k) {
        const std::string name = "V" + std::to_string(k);
        const std::vector<float> a = kept.values(name.c_str());
        const std::vector<float> b = fresh.values(name.c_str());
        ASSERT_EQ(a.size(), b.size()) << where << " " << name;
        for (std::size_t i = 0; i < a.size(); ++i)
            ASSERT_EQ(std::memcmp(&a[i], &b[i], sizeof(float)), 0) << where << " " << name << " bar " << i << ": kept "
                                                                   << bitsText(a, i) << ", full run " << bitsText(b, i);
    }
}

// Fills m with one stock's random walk of `bars` bars.
void newStock(Market& m, int bars, std::mt19937& rng, std::normal_distribution<float>& step)
{
    m.c.clear(), m.h.clear(), m.l.clear(), m.o.clear();
    float price = 10.0f;
    for (int i = 0; i < bars; ++i) {
        price += step(rng);
        m.c.push_back(0.0f), m.h.push_back(0.0f), m.l.push_back(0.0f), m.o.push_back(0.0f);
        m.setBar(std::size_t(i), price);
    }
}

// A host that keeps its series in the engine (fml_ctx_keep_series): each
// series handed back must hold what this host last wrote into it; it rewrites
// only the bars from the first one that changed (or, with early, from a
// random earlier bar) and reports that bar.
class KeepingHost {
public:
    KeepingHost(TestProgram& t, const Market& m, uint32_t seed, bool early) : market_(m), rng_(seed), early_(early)
    {
        fml_ctx_keep_series(t.ctx(), 1);
        fml_ctx_miss_callback(t.ctx(), this, &KeepingHost::onMiss);
    }
    int handedBack = 0;    // series that came back holding values
    std::string mismatch;  // the first handed-back series that did not hold what was written

private:
    static int onMiss(void* user, FormulaContext*, FormulaArgument* arg, const char* name)
    {
        auto* self = static_cast<KeepingHost*>(user);
        const std::string key(name);
        const std::vector<float>* src = key == "C"   ? &self->market_.c
                                        : key == "H" ? &self->market_.h
                                        : key == "L" ? &self->market_.l
                                        : key == "O" ? &self->market_.o
                                                     : nullptr;
        if (!src)
            return 0;
        std::vector<float>& last = self->written_[key];
        const std::size_t had = std::size_t(fml_argument_data_size(arg));
        std::size_t from = 0;
        if (had > 0) {
            ++self->handedBack;
            const float* held = fml_argument_data_number(arg);
            if ((had != last.size() || std::memcmp(held, last.data(), had * sizeof(float)) != 0 ||
                 fml_argument_data_literal(arg)) &&
                self->mismatch.empty())
                self->mismatch = key + " handed back with other values";
            const std::size_t n = std::min(had, src->size());
            while (from < n && std::memcmp(&last[from], &(*src)[from], sizeof(float)) == 0)
                ++from;
            if (self->early_ && from > 0)
                from = self->rng_() % (from + 1);
        }
        float* out = fml_argument_data(arg, int(src->size()));
        std::copy(src->begin() + std::ptrdiff_t(std::min(from, src->size())), src->end(), out + from);
        fml_argument_rewritten_from(arg, int(from));
        last = *src;
        return 1;
    }

    const Market& market_;
    std::mt19937 rng_;
    bool early_;
    std::map<std::string, std::vector<float>> written_;
};

// Runs program over m, then takes 25 random edits (in order for fixed), each
// run compared with a full run; check(kept, m, where) is called after each.
// hostMode 0 serves every series anew, 1 keeps them in the engine and reports
// the exact first rewritten bar, 2 keeps them and reports an earlier bar; kept
// modes also switch to another stock's bars now and then. Returns the series
// handed back to a keeping host.
template <typename Check>
int runEdits(const Program& program, int statements, Market& m, uint32_t seed, bool fixed, std::mt19937& rng,
             std::normal_distribution<float>& step, Check check, int hostMode = 0)
{
    TestProgram kept;
    compile(kept, program);
    m.serve(kept);
    std::unique_ptr<KeepingHost> host;
    if (hostMode != 0)
        host = std::make_unique<KeepingHost>(kept, m, seed, hostMode == 2);
    const std::string mode = "host mode " + std::to_string(hostMode) + " seed " + std::to_string(seed);
    expectSameAsFullRun(kept, program, statements, m, mode + " first run");
    check(kept, m, mode + " first run");
    const uint32_t kinds = hostMode == 0 ? 10 : 11;
    for (int edit = 0; edit < 25; ++edit) {
        const uint32_t kind = fixed ? uint32_t(edit) % kinds : rng() % kinds;
        const std::size_t last = m.c.size() - 1;
        if (kind <= 3) {
            m.setBar(last, m.c[last] + step(rng));  // a tick on the last bar
        } else if (kind == 4) {
            m.c.push_back(0.0f), m.h.push_back(0.0f), m.l.push_back(0.0f), m.o.push_back(0.0f);
            m.setBar(last + 1, m.c[last] + step(rng));  // a new bar
        } else if (kind == 5) {
            // An older bar corrected, now and then to a spike that
            // widens the value ranges around it.
            m.setBar(rng() % m.c.size(), rng() % 2 ? 10.0f + step(rng) : 60.0f);
        } else if (kind == 6) {
            m.c[last] = rng() % 2 ? FMLInvalidValue : std::nanf("");
        } else if (kind == 7) {
            const std::size_t keep = m.c.size() - 1 - rng() % 5;  // a shorter history
            m.c.resize(keep), m.h.resize(keep), m.l.resize(keep), m.o.resize(keep);
        } else if (kind == 8) {
            m.param = float(1 + rng() % 9);
        } else if (kind == 10) {
            newStock(m, 100 + int(rng() % 2500), rng, step);  // another stock
        }
        m.serve(kept);  // the parameter; the series too where they are not kept
        const std::string where = mode + " edit " + std::to_string(edit) + " kind " + std::to_string(kind);
        expectSameAsFullRun(kept, program, statements, m, where);
        if (host) {
            EXPECT_EQ(host->mismatch, "") << where;
        }
        if (testing::Test::HasFailure())
            return 0;
        check(kept, m, where);
        if (testing::Test::HasFatalFailure())
            return 0;
    }
    return host ? host->handedBack : 0;
}

int runEdits(const Program& program, int statements, Market& m, uint32_t seed, bool fixed, std::mt19937& rng,
             std::normal_distribution<float>& step, int hostMode = 0)
{
    return runEdits(
        program, statements, m, seed, fixed, rng, step, [](TestProgram&, const Market&, const std::string&) {},
        hostMode);
}

// Random programs over random series take random edits, with each way of
// handing the series over.
void runRandomEdits(int hostMode)
{
    constexpr int kStatements = 4;
    // Seed 0: plain statements whose ranges follow the prices closely.
    const Program plain = {{FML_OP_PUSH_NAME, "C"}, {FML_OP_PUSH_NUMBER, "", 1.0f},  {FML_OP_CALL, "+"},
                           {FML_OP_ASSIGN, "V0"},   {FML_OP_OUTPUT, "V0"},           {FML_OP_DROP, ""},
                           {FML_OP_PUSH_NAME, "C"}, {FML_OP_PUSH_NUMBER, "", 5.0f},  {FML_OP_CALL, "ema"},
                           {FML_OP_ASSIGN, "V1"},   {FML_OP_OUTPUT, "V1"},           {FML_OP_DROP, ""},
                           {FML_OP_PUSH_NAME, "H"}, {FML_OP_PUSH_NUMBER, "", 10.0f}, {FML_OP_CALL, "hhv"},
                           {FML_OP_ASSIGN, "V2"},   {FML_OP_OUTPUT, "V2"},           {FML_OP_DROP, ""},
                           {FML_OP_PUSH_NAME, "L"}, {FML_OP_PUSH_NUMBER, "", 20.0f}, {FML_OP_CALL, "ma"},
                           {FML_OP_ASSIGN, "V3"},   {FML_OP_OUTPUT, "V3"},           {FML_OP_DROP, ""}};
    int handedBack = 0;
    for (uint32_t seed = 0; seed <= 60; ++seed) {
        Generator gen(seed);
        std::mt19937& rng = gen.rng();
        const Program program = seed == 0 ? plain : gen.program(kStatements);
        Market m;
        std::normal_distribution<float> step(0.0f, 0.2f);
        newStock(m, seed == 0 ? 9000 : 200 + int(rng() % 2000), rng, step);
        handedBack += runEdits(program, kStatements, m, seed, seed == 0, rng, step, hostMode);
        if (testing::Test::HasFailure())
            return;
    }
    if (hostMode != 0) {
        EXPECT_GT(handedBack, 1000) << "series handed back to the host";
    }
}

TEST(FmlIncremental, RandomProgramsAndEditsMatchAFullRunBitForBit)
{
    builtintest::onEachLoopVariant([] { runRandomEdits(0); });
}

TEST(FmlIncremental, SeriesKeptInTheEngineMatchAFullRunBitForBit)
{
    runRandomEdits(1);
    if (!testing::Test::HasFailure())
        runRandomEdits(2);
}

// Recursive averages with constant parameters wait until a step reads them
// and then run two at a time: each gives the bits it gives alone, in whole
// and in resumed runs, also when the pair differs in first bars and lengths
// and when one reads another that waits.
void interleavedRecursionsMatchEachAlone()
{
    auto p = [](std::initializer_list<Op> ops) { return Program(ops); };
    const Op c{FML_OP_PUSH_NAME, "C"};
    auto num = [](float v) { return Op{FML_OP_PUSH_NUMBER, "", v}; };
    auto fn = [](const char* f) { return Op{FML_OP_CALL, f}; };
    const Program ema12 = p({c, num(12), fn("ema")});
    const Program ema26 = p({c, num(26), fn("expma")});
    const Program up = p({c, c, num(1), fn("ref"), fn("-"), num(0), fn("max"), num(6), num(1), fn("sma")});
    const Program all = p({c, c, num(1), fn("ref"), fn("-"), fn("abs"), num(6), num(1), fn("sma")});
    const Program late = p({c, num(40), fn("ref"), num(3), fn("ema")});
    const Program byParam = p({c, {FML_OP_PUSH_NAME, "N1"}, num(2), fn("sma")});
    const Program nested = p({c, num(5), fn("ema"), num(7), fn("ema")});
    const Program roots = p({c, num(10.2f), fn("-"), fn("sqrt"), num(4), fn("ema")});
    // Data that waits itself: its first qualifying bar is found as the blocks
    // come (1 / (C > 10.3) is the marker until C first exceeds 10.3).
    const Program gated = p({num(1), c, num(10.3f), fn(">"), fn("/"), c, fn("*"), num(5), fn("ema")});
    const Program shifted = p({c, num(40), fn("ref"), num(1), fn("+"), num(6), num(2), fn("sma")});
    const std::vector<std::pair<Program, Program>> pairs = {{ema12, ema26},   {up, all},       {late, byParam},
                                                            {nested, ema12},  {roots, late},   {all, nested},
                                                            {gated, shifted}, {shifted, gated}};
    uint32_t seed = 100;
    for (const auto& pair : pairs) {
        // V0 and V1 wait, V2 reads both, V3 is a recursion of V2.
        Program program = pair.first;
        // Each statement drawn as data, as the catalogue's programs draw
        // theirs: the loops still wait for the reading step.
        program.insert(program.end(), {{FML_OP_ASSIGN, "V0"}, {FML_OP_OUTPUT, "V0"}, {FML_OP_DROP, ""}});
        program.insert(program.end(), pair.second.begin(), pair.second.end());
        program.insert(program.end(), {{FML_OP_ASSIGN, "V1"},
                                       {FML_OP_OUTPUT, "V1"},
                                       {FML_OP_DROP, ""},
                                       {FML_OP_PUSH_NAME, "V0"},
                                       {FML_OP_PUSH_NAME, "V1"},
                                       fn("-"),
                                       {FML_OP_ASSIGN, "V2"},
                                       num(9),
                                       fn("ema"),
                                       {FML_OP_ASSIGN, "V3"},
                                       {FML_OP_DROP, ""}});
        for (const char* v : {"V2", "V3"})
            program.push_back(Op{FML_OP_OUTPUT, v});
        // Each snippet alone, every call's result drawn at once: nothing
        // waits for a later step, so each loop runs by itself.
        auto alone = [](const Program& snippet, const Market& m) {
            Program single;
            for (const Op& op : snippet) {
                single.push_back(op);
                if (op.code == FML_OP_CALL) {
                    const std::string t = "T" + std::to_string(single.size());
                    single.insert(single.end(), {{FML_OP_ASSIGN, t}, {FML_OP_OUTPUT, t, 0.0f, kReadNow}});
                }
            }
            single.insert(single.end(),
                          {{FML_OP_ASSIGN, "A"}, {FML_OP_OUTPUT, "A", 0.0f, kReadNow}, {FML_OP_DROP, ""}});
            TestProgram t;
            compile(t, single);
            m.serve(t);
            EXPECT_EQ(t.run(int(m.c.size())), 1);
            return t.values("A");
        };
        auto same = [&pair, &alone](TestProgram& kept, const Market& m, const std::string& where) {
            const std::vector<float> a0 = alone(pair.first, m), a1 = alone(pair.second, m);
            const std::vector<float> v0 = kept.values("V0"), v1 = kept.values("V1");
            ASSERT_EQ(v0.size(), a0.size()) << where;
            ASSERT_EQ(v1.size(), a1.size()) << where;
            EXPECT_EQ(std::memcmp(v0.data(), a0.data(), a0.size() * sizeof(float)), 0) << where << " V0";
            EXPECT_EQ(std::memcmp(v1.data(), a1.data(), a1.size() * sizeof(float)), 0) << where << " V1";
        };
        std::mt19937 rng(seed);
        std::normal_distribution<float> step(0.0f, 0.2f);
        Market m;
        newStock(m, 300 + int(rng() % 3000), rng, step);
        runEdits(program, 4, m, seed, seed == 100, rng, step, same);
        if (testing::Test::HasFatalFailure())
            return;
        ++seed;
    }
}

TEST(FmlIncremental, InterleavedRecursionsMatchEachAlone)
{
    builtintest::onEachLoopVariant([] { interleavedRecursionsMatchEachAlone(); });
}

// A host function: its first argument's values, as it reads them.
int copyArgument(void*, FormulaVM*, FormulaContext*, const char*, FormulaArgument** args, int)
{
    const int n = fml_argument_data_size(args[1]);
    const float* in = fml_argument_data_number(args[1]);
    std::vector<float> copy(in, in + n);
    std::copy(copy.begin(), copy.end(), fml_argument_data(args[0], n));
    return 1;
}

// Every reader of a loop that waits sees it written: a host function, a
// builtin that looks H and L up itself after they were assigned waiting
// values, an output, the host after a run that failed, and a run whose loops
// outnumber those that may wait.
TEST(FmlIncremental, WaitingLoopsAreWrittenForEveryReader)
{
    const Op c{FML_OP_PUSH_NAME, "C"};
    auto num = [](float v) { return Op{FML_OP_PUSH_NUMBER, "", v}; };
    auto fn = [](const char* f) { return Op{FML_OP_CALL, f}; };
    auto var = [](const char* v) { return Op{FML_OP_PUSH_NAME, v}; };
    auto assign = [](const char* v) { return Op{FML_OP_ASSIGN, v}; };
    const Op drop{FML_OP_DROP, ""};
    struct Case {
        const char* what;
        Program program, reference;  // both leave V0
    };
    Program chain = {c};
    Program chainAlone = {c};
    for (int i = 0; i < 80; ++i) {
        chain.insert(chain.end(), {num(0.5f), fn(i % 2 ? "+" : "*")});
        chainAlone.insert(chainAlone.end(),
                          {num(0.5f), fn(i % 2 ? "+" : "*"), assign("T"), {FML_OP_OUTPUT, "T", 0.0f, kReadNow}});
    }
    chain.insert(chain.end(), {num(3), fn("ema")});
    chainAlone.insert(chainAlone.end(), {num(3), fn("ema")});
    const std::vector<Case> cases = {
        {"host function",
         {c, num(5), fn("ema"), num(0), fn("+"), fn("COPYARG")},
         {c, num(5), fn("ema"), assign("T"), {FML_OP_OUTPUT, "T", 0.0f, kReadNow}, num(0), fn("+")}},
        {"sar after H and L are assigned",
         {var("H"), num(1), fn("*"), assign("H"), drop, var("L"), num(1), fn("*"), assign("L"), drop, num(4), num(2),
          num(20), fn("sar")},
         {num(4), num(2), num(20), fn("sar")}},
        {"more loops than may wait", chain, chainAlone},
    };
    std::mt19937 rng(7);
    std::normal_distribution<float> step(0.0f, 0.2f);
    Market m;
    float price = 10.0f;
    for (int i = 0; i < 900; ++i) {
        price += step(rng);
        m.c.push_back(0.0f), m.h.push_back(0.0f), m.l.push_back(0.0f), m.o.push_back(0.0f);
        m.setBar(std::size_t(i), price);
    }
    {
        // A run that fails after a value was assigned still leaves it written.
        TestProgram failing, ref;
        compile(failing, {c, num(5), fn("ema"), assign("X"), drop, c, c, c, fn("sar")});
        compile(ref, {c, num(5), fn("ema"), assign("X"), {FML_OP_OUTPUT, "X", 0.0f, kReadNow}});
        m.serve(failing);
        m.serve(ref);
        EXPECT_EQ(failing.run(int(m.c.size())), 0);
        ASSERT_EQ(ref.run(int(m.c.size())), 1);
        const std::vector<float> got = failing.values("X"), want = ref.values("X");
        ASSERT_EQ(got.size(), want.size());
        EXPECT_EQ(std::memcmp(got.data(), want.data(), got.size() * sizeof(float)), 0);
    }
    for (const Case& k : cases) {
        auto make = [](TestProgram& t, Program p) {
            fml_vm_reg_fn(t.vm(), nullptr, "COPYARG", copyArgument, 1);
            p.insert(p.end(), {{FML_OP_ASSIGN, "V0"}, {FML_OP_OUTPUT, "V0"}, {FML_OP_DROP, ""}});
            compile(t, p);
        };
        TestProgram kept;
        make(kept, k.program);
        // The first run does not know the calls' arities yet; the later ones do.
        for (int run = 0; run < 4; ++run) {
            if (run > 0)
                m.setBar(m.c.size() - 1 - std::size_t(run % 2) * 300, m.c.back() + step(rng));
            m.serve(kept);
            ASSERT_EQ(kept.run(int(m.c.size())), 1) << k.what;
            TestProgram ref;
            make(ref, k.reference);
            m.serve(ref);
            ASSERT_EQ(ref.run(int(m.c.size())), 1) << k.what;
            const std::vector<float> got = kept.values("V0"), want = ref.values("V0");
            ASSERT_EQ(got.size(), want.size()) << k.what;
            EXPECT_EQ(std::memcmp(got.data(), want.data(), got.size() * sizeof(float)), 0) << k.what << " run " << run;
        }
    }
}

}  // namespace

namespace {

// A host that writes into a result between runs: the next run does not take
// that value for its own last one.
TEST(FmlIncremental, AResultTheHostWroteIntoIsComputedAgain)
{
    const Program program = {
        {FML_OP_PUSH_NAME, "C"}, {FML_OP_PUSH_NUMBER, "", 5.0f}, {FML_OP_CALL, "ema"},  {FML_OP_PUSH_NUMBER, "", 1.0f},
        {FML_OP_CALL, "+"},      {FML_OP_ASSIGN, "V0"},          {FML_OP_OUTPUT, "V0"}, {FML_OP_DROP, ""}};
    Market m;
    for (int i = 0; i < 50; ++i) {
        m.c.push_back(0.0f), m.h.push_back(0.0f), m.l.push_back(0.0f), m.o.push_back(0.0f);
        m.setBar(std::size_t(i), 10.0f + 0.1f * float(i % 7));
    }
    TestProgram kept;
    compile(kept, program);
    m.serve(kept);
    ASSERT_EQ(kept.run(50), 1);
    for (const bool tick : {false, true}) {
        float* v = fml_argument_data(fml_get_argument(kept.ctx(), "V0"), 50);
        std::fill(v, v + 50, 999.0f);
        if (tick)
            m.setBar(49, 11.0f);
        m.serve(kept);
        expectSameAsFullRun(kept, program, 1, m, tick ? "written, then a tick" : "written, nothing changed");
    }
}

}  // namespace

namespace {

// What the callback is handed with fml_ctx_keep_series off and on: the same
// series argument back only after a run that succeeded, literals always new,
// and a series rewritten without fml_argument_rewritten_from counts as
// changed everywhere.
TEST(FmlIncremental, KeptSeriesComeBackOnlyAfterASuccessfulRun)
{
    struct Host {
        std::vector<float> c;
        bool report = true, fail = false;
        std::vector<int> sizes;  // handed size per call of C
        static int miss(void* user, FormulaContext*, FormulaArgument* arg, const char* name)
        {
            auto* h = static_cast<Host*>(user);
            if (std::strcmp(name, "N") == 0) {
                EXPECT_EQ(fml_argument_data_size(arg), 0) << "a literal comes new";
                fml_argument_literal(arg, 1);
                fml_argument_data(arg, 1)[0] = 3.0f;
                return h->fail ? 0 : 1;
            }
            h->sizes.push_back(fml_argument_data_size(arg));
            float* out = fml_argument_data(arg, int(h->c.size()));
            std::copy(h->c.begin(), h->c.end(), out);
            if (h->report)
                fml_argument_rewritten_from(arg, int(h->c.size()));  // claims nothing changed
            return 1;
        }
    };
    const Program program = {{FML_OP_PUSH_NAME, "C"}, {FML_OP_PUSH_NAME, "N"}, {FML_OP_CALL, "ma"},
                             {FML_OP_ASSIGN, "V0"},   {FML_OP_OUTPUT, "V0"},   {FML_OP_DROP, ""}};
    for (const bool keep : {false, true}) {
        Host host;
        for (int i = 0; i < 40; ++i)
            host.c.push_back(10.0f + 0.5f * float(i % 5));
        TestProgram kept;
        compile(kept, program);
        fml_ctx_keep_series(kept.ctx(), keep ? 1 : 0);
        fml_ctx_miss_callback(kept.ctx(), &host, &Host::miss);
        ASSERT_EQ(kept.run(40), 1);
        ASSERT_EQ(kept.run(40), 1);
        host.fail = true;
        ASSERT_EQ(kept.run(40), 0);
        host.fail = false;
        ASSERT_EQ(kept.run(40), 1);
        // Rewritten without a word: every bar is taken as changed.
        host.report = false;
        for (float& v : host.c)
            v += 1.0f;
        ASSERT_EQ(kept.run(40), 1);
        const std::vector<int> want = keep ? std::vector<int>{0, 40, 40, 0, 40} : std::vector<int>{0, 0, 0, 0, 0};
        EXPECT_EQ(host.sizes, want) << (keep ? "kept" : "not kept");
        TestProgram fresh;
        compile(fresh, program);
        fresh.setSeries("C", host.c);
        fresh.setLiteral("N", 3.0f);
        ASSERT_EQ(fresh.run(40), 1);
        EXPECT_EQ(kept.values("V0"), fresh.values("V0")) << (keep ? "kept" : "not kept");
    }
}

}  // namespace

// Recursions run their pieces without the per-bar test and check them after;
// a piece with a value outside the checked range (zeros, tiny or huge values,
// markers, NaN) is done again bar by bar. Alone and interleaved, every bar
// equals the step taken bar by bar with its test. Whole runs of the window
// sums check the data as they go: a value that is not finite in the first or
// a later group of stretches gives the kernel for such data, as a resumed
// run that meets it does.
static void checkedPiecesMatchTheStepBarByBar()
{
    std::vector<float> x(6000);
    float price = 10.0f;
    std::mt19937 rng(11);
    std::normal_distribution<float> step(0.0f, 0.2f);
    for (std::size_t i = 0; i < x.size(); ++i) {
        price += step(rng);
        x[i] = i < 300 ? 0.0f : price;  // zeros first: candidates of zero
    }
    x[700] = 1e35f;                                         // huge for a while
    std::fill(x.begin() + 1500, x.begin() + 1800, 1e-32f);  // tiny
    x[2200] = std::numeric_limits<float>::infinity();       // the marker
    x[4100] = 3e38f;                                        // candidates beyond float
    x[5900] = std::numeric_limits<float>::quiet_NaN();      // NaN from there on
    // a and b of EMA(C, n), or of SMA(C, 2, 3) for n = 0: a = -1/2, b = 3/2,
    // whose candidates pass the float range at 3e38 (a marker, not taken).
    auto reference = [&x](double n) {
        const double a = n == 0 ? -0.5 : (n - 1.0) / (n + 1.0), b = n == 0 ? 1.5 : 2.0 / (n + 1.0);
        std::vector<float> out(x.size());
        double y = x[0];
        for (std::size_t i = 0; i < x.size(); ++i)
            windowkernels::linearStep(a, b, x[i], y, out[i]);
        return out;
    };
    TestProgram t;
    t.setSeries("C", x);
    // E5 and S1 alone (drawn at once); E12, E26 and S wait and advance
    // together, E9 of the difference of the first two one block behind.
    t.name("C").num(5).call("ema").assign("E5").output(FML_DRAW_DATA, "E5").drop();
    t.name("C").num(2).num(3).call("sma").assign("S1").output(FML_DRAW_DATA, "S1").drop();
    t.name("C").num(2).num(3).call("sma").num(1).call("*").assign("S").drop();
    t.name("C").num(12).call("ema").assign("E12").drop();
    t.name("C").num(26).call("ema").assign("E26").drop();
    t.name("E12").name("E26").call("-").assign("D").num(9).call("ema").assign("E9").drop();
    for (const char* v : {"E12", "E26", "D", "E9", "S"})
        t.name(v).output(FML_DRAW_DATA, v).drop();
    ASSERT_EQ(t.run(int(x.size())), 1);
    for (const auto& [name, n] :
         std::vector<std::pair<const char*, double>>{{"E5", 5}, {"E12", 12}, {"E26", 26}, {"S1", 0}, {"S", 0}}) {
        const std::vector<float> want = reference(n), got = t.values(name);
        ASSERT_EQ(got.size(), want.size()) << name;
        EXPECT_EQ(std::memcmp(got.data(), want.data(), want.size() * sizeof(float)), 0) << name;
    }
    {
        const std::vector<float> d = t.values("D"), got = t.values("E9");
        std::vector<float> want(d.size());
        double y = d[0];
        for (std::size_t i = 0; i < d.size(); ++i)
            windowkernels::linearStep(0.8, 0.2, d[i], y, want[i]);
        ASSERT_EQ(got.size(), want.size());
        EXPECT_EQ(std::memcmp(got.data(), want.data(), want.size() * sizeof(float)), 0) << "E9";
    }

    // Window sums: a whole run over data with a bad bar equals a run resumed
    // from finite data when the bar turns bad.
    std::vector<float> c(30000);
    for (float& v : c)
        v = price += step(rng);
    for (uint32_t bad : {5u, 8300u, 20000u}) {
        for (float worse : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()}) {
            std::vector<float> d = c;
            TestProgram kept, whole;
            for (TestProgram* p : {&kept, &whole}) {
                p->name("C").num(20).call("sum").assign("S").drop();
                p->name("C").num(20).call("ma").assign("M").drop();
                p->name("C").num(20).call("std").assign("D").drop();
                for (const char* v : {"S", "M", "D"})
                    p->name(v).output(FML_DRAW_DATA, v).drop();
            }
            kept.setSeries("C", d);
            ASSERT_EQ(kept.run(int(d.size())), 1);
            d[bad] = worse;
            kept.setSeries("C", d);
            whole.setSeries("C", d);
            ASSERT_EQ(kept.run(int(d.size())), 1);
            ASSERT_EQ(whole.run(int(d.size())), 1);
            for (const char* v : {"S", "M", "D"}) {
                const std::vector<float> a = kept.values(v), b = whole.values(v);
                ASSERT_EQ(a.size(), b.size());
                EXPECT_EQ(std::memcmp(a.data(), b.data(), a.size() * sizeof(float)), 0) << v << " bad bar " << bad;
            }
        }
    }
}

// Groups of three and of four recursions over any length (the wide loop goes
// four bars at a time and finishes a piece bar by bar), with values that
// make a piece be done again starting inside a group of four bars: each
// equals linearStep's loop bit for bit.
static void groupedRecursionsMatchTheStepForAnyLength()
{
    for (const std::size_t bars : {257u, 258u, 259u, 1027u, 2050u, 6001u}) {
        std::vector<float> x = priceWalk(bars);
        if (bars > 1000) {
            std::fill(x.begin() + 301, x.begin() + 303, 0.0f);    // zeros from the middle of four bars
            x[517] = 1e35f;                                       // huge at the last of four
            std::fill(x.begin() + 770, x.begin() + 900, 1e-32f);  // tiny from the third of four
        }
        if (bars > 2000) {
            // States at and around the bounds of the loops' magnitude check,
            // of either sign; a marker (its candidates not taken); near the
            // end minus infinity and NaN, which are taken and stay.
            const float big = std::numeric_limits<float>::max();
            const float edges[] = {0x1p-100f, -0x1p-100f, 0x1p101f, -0x1p101f, std::nextafter(0x1p101f, 0.0f),
                                   big,       -big};
            for (std::size_t k = 0; k < sizeof edges / sizeof edges[0]; ++k)
                std::fill(x.begin() + 1000 + 80 * k, x.begin() + 1037 + 80 * k, edges[k]);
            x[1703] = std::numeric_limits<float>::infinity();
            x[bars - 9] = -std::numeric_limits<float>::infinity();
            x[bars - 3] = std::numeric_limits<float>::quiet_NaN();
        }
        const int periods[] = {5, 12, 26, 60};
        for (const int lanes : {3, 4}) {
            TestProgram t;
            t.setSeries("C", x);
            const char* names[] = {"A", "B", "D", "E"};
            for (int k = 0; k < lanes; ++k)
                t.name("C").num(static_cast<float>(periods[k])).call("ema").assign(names[k]).drop();
            for (int k = 0; k < lanes; ++k)
                t.name(names[k]).output(FML_DRAW_DATA, names[k]).drop();
            ASSERT_EQ(t.run(int(bars)), 1);
            for (int k = 0; k < lanes; ++k) {
                const double n = periods[k];
                std::vector<float> want(bars);
                double y = x[0];
                for (std::size_t i = 0; i < bars; ++i)
                    windowkernels::linearStep((n - 1.0) / (n + 1.0), 2.0 / (n + 1.0), x[i], y, want[i]);
                const std::vector<float> got = t.values(names[k]);
                ASSERT_EQ(got.size(), want.size());
                EXPECT_EQ(std::memcmp(got.data(), want.data(), bars * sizeof(float)), 0)
                    << names[k] << " of " << lanes << " lanes over " << bars << " bars";
            }
        }
    }
}

TEST(FmlIncremental, GroupedRecursionsMatchTheStepForAnyLength)
{
    builtintest::onEachLoopVariant([] { groupedRecursionsMatchTheStepForAnyLength(); });
}

namespace {

// The MACD program as the catalogue draws it (DIF := EMA(C,12) - EMA(C,26);
// DEA := EMA(DIF,9); MACD := (DIF-DEA)*2, all three outputs), run on x.
struct MacdRun {
    std::vector<float> dif, dea, macd;
};
MacdRun runMacd(const std::vector<float>& x)
{
    TestProgram t;
    t.setSeries("C", x);
    t.name("C").num(12).call("ema").name("C").num(26).call("ema").call("-").assign("DIF").output(FML_DRAW_DATA, "DIF");
    t.drop().name("DIF").num(9).call("ema").assign("DEA").output(FML_DRAW_DATA, "DEA").drop();
    t.name("DIF").name("DEA").call("-").num(2).call("*").assign("MACD").output(FML_DRAW_DATA, "MACD").drop();
    EXPECT_EQ(t.run(int(x.size())), 1);
    return {t.values("DIF"), t.values("DEA"), t.values("MACD")};
}

// The engine's EMA over clean data (every value qualifies): from the first
// bar, y := a*y + b*x in double with a = (n-1)/(n+1), b = 2/(n+1), each bar
// the float of y.
std::vector<float> emaByTheRule(const std::vector<float>& x, double n)
{
    std::vector<float> out(x.size());
    const double a = (n - 1.0) / (n + 1.0), b = 2.0 / (n + 1.0);
    double y = x.empty() ? 0.0 : x[0];
    for (std::size_t i = 0; i < x.size(); ++i) {
        if (i > 0)
            y = a * y + b * x[i];
        out[i] = static_cast<float>(y);
    }
    return out;
}

// Four bars worked out by hand (in double, each bar narrowed to float):
// EMA12 = 10, 134/13, ...; EMA26 = 10, 274/27, ...; DEA = 0.8 DEA + 0.2 DIF.
void macdMatchesTheHandComputedBars()
{
    const MacdRun r = runMacd({10.0f, 12.0f, 11.0f, 13.0f});
    const std::vector<float> dif = {0.0f, 0.159543991f, 0.202952385f, 0.394193649f};
    const std::vector<float> dea = {0.0f, 0.031908799f, 0.0661175177f, 0.131732747f};
    const std::vector<float> macd = {0.0f, 0.255270392f, 0.27366972f, 0.524921775f};
    EXPECT_EQ(r.dif, dif);
    EXPECT_EQ(r.dea, dea);
    EXPECT_EQ(r.macd, macd);
}

// Long enough for the loops to wait and go through the blocks together
// (the three recursions in one group, the operators between them), over
// lengths that end a block exactly, one bar into it and within it: each bar
// as the rule above and float operators give it. DIF starts at 0, so the
// DEA lane's first piece is done again bar by bar.
void macdMatchesTheRuleOverTheBlocks()
{
    for (const std::size_t bars : {256u, 257u, 383u, 384u, 385u, 1000u, 4099u}) {
        std::vector<float> x = priceWalk(bars);
        const MacdRun r = runMacd(x);
        const std::vector<float> e12 = emaByTheRule(x, 12), e26 = emaByTheRule(x, 26);
        std::vector<float> dif(bars), macd(bars);
        for (std::size_t i = 0; i < bars; ++i)
            dif[i] = e12[i] - e26[i];
        const std::vector<float> dea = emaByTheRule(dif, 9);
        for (std::size_t i = 0; i < bars; ++i)
            macd[i] = (dif[i] - dea[i]) * 2.0f;
        EXPECT_EQ(r.dif, dif) << bars << " bars";
        EXPECT_EQ(r.dea, dea) << bars << " bars";
        EXPECT_EQ(r.macd, macd) << bars << " bars";
    }
}

TEST(FmlIncremental, MacdMatchesHandComputedBarsAndTheRule)
{
    builtintest::onEachLoopVariant([] {
        macdMatchesTheHandComputedBars();
        macdMatchesTheRuleOverTheBlocks();
    });
}

}  // namespace

TEST(FmlIncremental, CheckedPiecesMatchTheStepBarByBar)
{
    builtintest::onEachLoopVariant([] { checkedPiecesMatchTheStepBarByBar(); });
}
