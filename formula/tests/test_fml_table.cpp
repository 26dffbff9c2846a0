// The builtin table: names, shared functions, case-insensitive lookup, and the
// calling convention every builtin keeps on malformed or unusual input.

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstring>
#include <limits>
#include <set>
#include <stdexcept>
#include <string>

#include "builtins.h"
#include "builtintestutil.h"
#include "fml.h"
#include "fmltestprogram.h"
#include "formulacontext.h"
#include "formulavm.h"
#include "seriesrules.h"

namespace {

const float INF = std::numeric_limits<float>::infinity();

const char* const kNames[] = {"oprename",
                              "<>",
                              "!=",
                              "==",
                              "=",
                              ">",
                              ">=",
                              "<",
                              "<=",
                              "and",
                              "&&",
                              "or",
                              "||",
                              "+",
                              "-",
                              "*",
                              "/",
                              "%",
                              "mod",
                              "min",
                              "max",
                              "pow",
                              "negate",
                              "abs",
                              "cos",
                              "sin",
                              "tan",
                              "atan",
                              "acos",
                              "asin",
                              "intpart",
                              "floor",
                              "not",
                              "ln",
                              "log",
                              "exp",
                              "sqrt",
                              "const",
                              "con2str",
                              "strcat",
                              "barslast",
                              "barsnext",
                              "ref",
                              "refv",
                              "refx",
                              "refxv",
                              "llv",
                              "llvbars",
                              "hhv",
                              "hhvbars",
                              "hod",
                              "lod",
                              "mema",
                              "expmema",
                              "ema",
                              "expma",
                              "sma",
                              "tma",
                              "dma",
                              "ama",
                              "wma",
                              "ma",
                              "mular",
                              "reverse",
                              "sumbars",
                              "covar",
                              "var",
                              "relate",
                              "if",
                              "std",
                              "filter",
                              "filterx",
                              "toprange",
                              "lowrange",
                              "range",
                              "exist",
                              "last",
                              "findhigh",
                              "findhighbars",
                              "findlow",
                              "findlowbars",
                              "cross",
                              "longcross",
                              "upnday",
                              "sum",
                              "between",
                              "barscount",
                              "count",
                              "currbarscount",
                              "barssince",
                              "barssincen",
                              "barslastcount",
                              "zig",
                              "trough",
                              "troughbars",
                              "peak",
                              "peakbars",
                              "sar",
                              "sarturn",
                              "rgb",
                              "range",
                              "exist",
                              "avedev",
                              "backset",
                              "tfilter",
                              "strcmp"};

BuiltinFn targetOf(const FormulaFunction& f)
{
    const BuiltinFn* p = f.target<BuiltinFn>();
    return p ? *p : nullptr;
}

TEST(FmlTable, HoldsTheListInOrder)
{
    ASSERT_EQ(kBuiltinListSize, 106u);
    for (std::size_t i = 0; i < kBuiltinListSize; ++i)
        EXPECT_STREQ(kBuiltinList[i].name, kNames[i]) << "registration " << i;
    // Positions 101 and 102 (counting from 1) repeat 75 and 76.
    EXPECT_STREQ(kBuiltinList[100].name, "range");
    EXPECT_STREQ(kBuiltinList[74].name, "range");
    EXPECT_EQ(kBuiltinList[100].fn, kBuiltinList[74].fn) << "range registered twice, one function";
    EXPECT_STREQ(kBuiltinList[101].name, "exist");
    EXPECT_EQ(kBuiltinList[101].fn, kBuiltinList[75].fn) << "exist registered twice, one function";
}

TEST(FmlTable, NewVmHolds104Names)
{
    FormulaVM vm;
    EXPECT_EQ(vm.functions->size(), 104u);
    std::set<std::string> distinct(std::begin(kNames), std::end(kNames));
    EXPECT_EQ(distinct.size(), 104u);
    for (const std::string& n : distinct)
        EXPECT_EQ(vm.functions->count(n), 1u) << n;
}

static int unusedHostFunction(void*, FormulaVM*, FormulaContext*, const char*, FormulaArgument**, int)
{
    return 1;
}

// Through the exported interface: a new VM refuses every builtin name, in
// upper case too, and takes a name no builtin has.
TEST(FmlTable, RegisteringAHostFunctionFindsEveryBuiltinNameTaken)
{
    FormulaVM* vm = fml_vm_create();
    ASSERT_NE(vm, nullptr);
    std::set<std::string> distinct(std::begin(kNames), std::end(kNames));
    for (const std::string& n : distinct) {
        std::string upper(n);
        for (char& c : upper)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        EXPECT_EQ(fml_vm_reg_fn(vm, nullptr, n.c_str(), unusedHostFunction, 1), 0) << n;
        EXPECT_EQ(fml_vm_reg_fn(vm, nullptr, upper.c_str(), unusedHostFunction, 1), 0) << upper;
    }
    EXPECT_EQ(fml_vm_reg_fn(vm, nullptr, "DYNAINFO", unusedHostFunction, 1), 1);
    fml_vm_release(vm);
}

TEST(FmlTable, LookupIgnoresCaseAndSharesFunctions)
{
    FormulaVM vm;
    const struct {
        const char* a;
        const char* b;
    } same[] = {{"EXPMA", "ema"}, {"ExpMa", "EMA"}, {"MOD", "%"}, {"<>", "!="},      {"==", "="},
                {"AND", "&&"},    {"Or", "||"},     {"MA", "ma"}, {"Range", "RANGE"}};
    for (const auto& s : same)
        EXPECT_EQ(targetOf(vm.function(s.a)), targetOf(vm.function(s.b))) << s.a << " vs " << s.b;
    EXPECT_NE(targetOf(vm.function("ema")), targetOf(vm.function("expmema")));
    EXPECT_THROW(vm.function("drawline"), std::out_of_range);
    EXPECT_THROW(vm.function("m"), std::out_of_range) << "no prefix matching";
    EXPECT_THROW(vm.function("maa"), std::out_of_range);
}

TEST(FmlTable, EveryNameCompilesInAnyCase)
{
    TestProgram p;
    for (const char* n : kNames) {
        std::string upper(n);
        for (char& c : upper)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        EXPECT_NO_THROW(p.call(n)) << n;
        EXPECT_NO_THROW(p.call(upper.c_str())) << upper;
    }
}

// Every builtin, called with nothing on the stack, fails the step cleanly.
TEST(FmlTable, EveryBuiltinFailsCleanlyOnAnEmptyStack)
{
    for (std::size_t i = 0; i < kBuiltinListSize; ++i) {
        FormulaVM vm;
        FormulaContext ctx(&vm);
        ctx.barCount = 20;
        EXPECT_FALSE(kBuiltinList[i].fn(&ctx)) << kBuiltinList[i].name;
        EXPECT_TRUE(ctx.stack.empty()) << kBuiltinList[i].name;
    }
}

int priceMiss(void*, FormulaContext*, FormulaArgument* arg, const char*)
{
    float* p = fml_argument_data(arg, 64);
    for (int i = 0; i < 64; ++i)
        p[i] = 10.0f + static_cast<float>((i * 7) % 13);
    return 1;
}

// Six arguments on the stack, then the call. Whatever a builtin computes, it
// must not crash, read outside its inputs, or loop over a literal's unbounded
// range; on success it leaves one new value on top.
void callWithArguments(const BuiltinEntry& entry, const std::vector<ArgumentPtr>& args)
{
    FormulaVM vm;
    FormulaContext ctx(&vm);
    ctx.miss = [](FormulaContext* c, const std::string& n, const ArgumentPtr& a) {
        return priceMiss(nullptr, c, a.get(), n.c_str());
    };
    ctx.barCount = 64;
    std::vector<std::vector<float>> before;
    for (const ArgumentPtr& a : args) {
        before.push_back(toVector(a->values));
        ctx.push(a);
    }
    const bool ok = entry.fn(&ctx);
    if (ok) {
        ASSERT_FALSE(ctx.stack.empty()) << entry.name;
        ASSERT_NE(ctx.stack.back(), nullptr) << entry.name;
        // A builtin that makes its result without the 0.0 fill writes every
        // bar of it (builds without NDEBUG mark the bars it has to write).
        const FloatValues& values = ctx.stack.back()->values;
        for (std::size_t i = 0; i < values.size(); ++i) {
            uint32_t bits;
            std::memcpy(&bits, &values[i], sizeof bits);
            EXPECT_NE(bits, kUnwrittenBits) << entry.name << ": bar " << i << " of the result was never written";
        }
    }
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i]->literal)
            EXPECT_EQ(args[i]->values.size(), before[i].size()) << entry.name << ": a literal argument grew";
        else
            EXPECT_GE(args[i]->values.size(), before[i].size()) << entry.name << ": a series argument shrank";
    }
}

ArgumentPtr seriesArg(uint32_t first, std::vector<float> v)
{
    auto a = std::make_shared<FormulaArgument>();
    a->endBar = static_cast<uint32_t>(v.size());
    a->firstValid = first;
    a->values.assign(v.begin(), v.end());
    return a;
}

TEST(FmlTable, EveryBuiltinToleratesSeriesArguments)
{
    std::vector<float> prices(64), cond(64), marks(64);
    for (int i = 0; i < 64; ++i) {
        prices[i] = 10.0f + static_cast<float>((i * 5) % 11);
        cond[i] = (i % 4 == 0) ? 1.0f : 0.0f;
        marks[i] = (i % 3 == 0) ? INF : ((i % 5 == 0) ? kContinuousValue : static_cast<float>(i % 7) - 3.0f);
    }
    for (std::size_t i = 0; i < kBuiltinListSize; ++i) {
        SCOPED_TRACE(kBuiltinList[i].name);
        callWithArguments(kBuiltinList[i], {seriesArg(0, prices), seriesArg(2, cond), seriesArg(5, marks),
                                            seriesArg(0, prices), seriesArg(3, marks), seriesArg(0, cond)});
    }
}

TEST(FmlTable, EveryBuiltinToleratesLiteralArguments)
{
    const float values[] = {3.0f, 0.0f, -2.0f, INF, 0.5f};
    for (float v : values) {
        for (std::size_t i = 0; i < kBuiltinListSize; ++i) {
            SCOPED_TRACE(std::string(kBuiltinList[i].name) + " with literal " + std::to_string(v));
            callWithArguments(kBuiltinList[i], {makeLiteralNumber(v), makeLiteralNumber(v), makeLiteralNumber(v),
                                                makeLiteralNumber(v), makeLiteralNumber(v), makeLiteralNumber(v)});
        }
    }
}

}  // namespace
