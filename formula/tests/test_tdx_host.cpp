// The TDX plug-in host: loading by bare file name, registration as TDXDLL<n>,
// calls by function number, the inputs handed over, failures and how long a
// library stays loaded. Uses the test plug-ins built beside this program.

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "builtintestutil.h"
#include "fmltestprogram.h"
#include "formulavm.h"
#include "platform/library.h"
#include "tdxpluginhost.h"

namespace {

using builtintest::INF;

// True while the plug-in file libName (beside this program) is loaded.
bool isLoaded(const std::string& libName)
{
    const std::string path = platform::program_directory() + "/" + libName;
    void* h = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (!h)
        return false;
    dlclose(h);
    return true;
}

// The count the full test plug-in saw in its last call of functions 1, 2 or 4.
int lastCountSeen()
{
    void* h = platform::load_library("TdxTestFull.dll");
    if (!h)
        return -2;
    auto fn = reinterpret_cast<int (*)()>(platform::library_symbol(h, "TdxTestLastCount"));
    const int n = fn ? fn() : -3;
    platform::free_library(h);
    return n;
}

// TDXDLL1(number, C, 2, H) over three bars with the full test plug-in.
struct CallCase {
    float number;
    int ok;
    std::vector<float> expected;
};

void PrintTo(const CallCase& c, std::ostream* os)
{
    *os << "number " << c.number;
}

class TdxHostCall : public ::testing::TestWithParam<CallCase> {};

TEST_P(TdxHostCall, CallsTheNumberedFunction)
{
    const CallCase& c = GetParam();
    TestProgram p;
    ASSERT_EQ(fml_vm_load_tdx_dll(p.vm(), "TdxTestFull.dll", 1), 1);
    p.setSeries("C", {1, 2, 3});
    p.setSeries("H", {10, 20, 30});
    p.num(c.number).name("C").num(2).name("H").call("TDXDLL1").assign("R").drop();
    ASSERT_EQ(p.run(3), c.ok) << "function number " << c.number;
    if (c.ok) {
        EXPECT_EQ(p.values("R"), c.expected) << "function number " << c.number;
    }
}

INSTANTIATE_TEST_SUITE_P(Numbers, TdxHostCall,
                         ::testing::Values(CallCase{1, 1, {13, 24, 35}},  // a + b + c
                                           CallCase{2.7f, 1, {3, 3, 3}},  // truncated to 2: the count
                                           CallCase{3, 1, {2, 2, 2}},     // the later of two entries numbered 3
                                           CallCase{-1.5f, 0, {}},        // -1: not in the table
                                           CallCase{5, 0, {}},            // {5, NULL} ended the table
                                           CallCase{6, 0, {}},            // after the end
                                           CallCase{0, 0, {}}));

TEST(TdxHost, NameIsCaseInsensitiveAndReplacesNothingElse)
{
    TestProgram p;
    const std::size_t before = p.vm()->functions->size();
    EXPECT_EQ(before, 104u);
    ASSERT_EQ(fml_vm_load_tdx_dll(p.vm(), "TdxTestFull.dll", 1), 1);
    EXPECT_EQ(p.vm()->functions->size(), before + 1);
    p.num(1).num(1).num(1).num(1).call("tdxdll1").assign("R").drop();
    ASSERT_EQ(p.run(2), 1);
    EXPECT_EQ(p.values("R"), (std::vector<float>{3, 3}));
    EXPECT_EQ(TdxPluginHost::functionName(12), "TDXDLL12");
    EXPECT_EQ(TdxPluginHost::functionName(-1), "TDXDLL4294967295");
}

TEST(TdxHost, EmptyNumberArgumentFailsTheStep)
{
    TestProgram p;
    ASSERT_EQ(fml_vm_load_tdx_dll(p.vm(), "TdxTestFull.dll", 1), 1);
    p.setSeries("E", {});
    p.setSeries("C", {1, 2, 3});
    p.name("E").name("C").name("C").name("C").call("TDXDLL1").drop();
    EXPECT_EQ(p.run(3), 0);
}

TEST(TdxHost, InputsAreCopiesSizedToTheBarCount)
{
    TestProgram p;
    ASSERT_EQ(fml_vm_load_tdx_dll(p.vm(), "TdxTestFull.dll", 1), 1);
    // C holds five values but the run has three bars; function 4 writes -7
    // into its inputs and into out from bar 1.
    p.setSeries("C", {1, 2, 3, 4, 5});
    p.num(4).name("C").num(2).assign("K").name("C").call("TDXDLL1").assign("R").drop();
    ASSERT_EQ(p.run(3), 1);
    EXPECT_EQ(lastCountSeen(), 3);
    EXPECT_EQ(p.values("C"), (std::vector<float>{1, 2, 3, 4, 5})) << "the cached host series is unchanged";
    FormulaArgument* k = fml_get_argument(p.ctx(), "K");
    EXPECT_EQ(fml_argument_data_literal(k), 1);
    EXPECT_EQ(fml_argument_data_size(k), 1) << "the compiled literal is not widened";
    EXPECT_EQ(fml_argument_data_number(k)[0], 2.0f);
    const std::vector<float> r = p.values("R");
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0], INF) << "out is preset to +inf";
    EXPECT_EQ(r[1], -7.0f);
    EXPECT_EQ(r[2], -7.0f);
}

TEST(TdxHost, LiteralInputIsRepeatedAndShapesTheResult)
{
    TestProgram p;
    ASSERT_EQ(fml_vm_load_tdx_dll(p.vm(), "TdxTestFull.dll", 1), 1);
    p.num(1).num(5).num(1).num(1).call("TDXDLL1").assign("R").drop();
    ASSERT_EQ(p.run(4), 1);
    EXPECT_EQ(p.values("R"), (std::vector<float>{7, 7, 7, 7}));
    FormulaArgument* r = fml_get_argument(p.ctx(), "R");
    EXPECT_EQ(fml_argument_data_literal(r), 0);
}

TEST(TdxHost, ResultKeepsTheRangeOfA)
{
    FormulaVM vm;
    ASSERT_EQ(TdxPluginHost::load(vm, "TdxTestFull.dll", 1), 1);
    FormulaContext ctx(&vm);
    ctx.barCount = 3;
    ArgumentPtr a = builtintest::series({1, 2, 3, 4, 5}, 1);
    for (const ArgumentPtr& arg : {builtintest::lit(1), a, builtintest::lit(0), builtintest::lit(0)})
        ctx.push(arg);
    ASSERT_TRUE(vm.functions->at("TDXDLL1")(&ctx));
    ASSERT_EQ(ctx.stack.size(), 1u);
    ArgumentPtr r = ctx.stack.back();
    ASSERT_TRUE(r);
    EXPECT_EQ(toVector(r->values), (std::vector<float>{1, 2, 3}));
    EXPECT_EQ(r->firstValid, 1u);
    EXPECT_EQ(r->endBar, 3u) << "cut to the bar count";
    EXPECT_EQ(a->values.size(), 5u);
}

TEST(TdxHost, FailuresReturnZeroAndUnload)
{
    FormulaVM vm;
    EXPECT_EQ(fml_vm_load_tdx_dll(&vm, "cl.dll", 3), 0);
    EXPECT_EQ(fml_vm_load_tdx_dll(&vm, "TdxTestNoExport.dll", 4), 0);
    EXPECT_FALSE(isLoaded("libTdxTestNoExport.so"));
    EXPECT_EQ(fml_vm_load_tdx_dll(&vm, "TdxTestRefuse.dll", 5), 0);
    EXPECT_FALSE(isLoaded("libTdxTestRefuse.so"));
    EXPECT_EQ(fml_vm_load_tdx_dll(nullptr, "TdxTestFull.dll", 1), 0);
    EXPECT_EQ(fml_vm_load_tdx_dll(&vm, nullptr, 1), 0);
    EXPECT_EQ(vm.functions->size(), 104u) << "nothing registered";

    FormulaContext* ctx = fml_ctx_create(&vm);
    FMLOpValue op{};
    op.name = "TDXDLL3";
    EXPECT_THROW(fml_ctx_op_code_push(ctx, FML_OP_CALL, &op), std::out_of_range);
    fml_ctx_release(ctx);
}

TEST(TdxHost, EmptyTableIsAcceptedButRegistersNothing)
{
    FormulaVM vm;
    EXPECT_EQ(fml_vm_load_tdx_dll(&vm, "TdxTestEmpty.dll", 2), 1);
    EXPECT_EQ(vm.functions->count("TDXDLL2"), 0u);
    EXPECT_FALSE(isLoaded("libTdxTestEmpty.so"));
}

TEST(TdxHost, LibraryStaysLoadedWhileACompiledCallRefersToIt)
{
    FormulaVM* vm = fml_vm_create();
    ASSERT_EQ(fml_vm_load_tdx_dll(vm, "TdxTestFull.dll", 1), 1);
    EXPECT_TRUE(isLoaded("libTdxTestFull.so"));
    FormulaContext* older = fml_ctx_create(vm);
    FMLOpValue op{};
    op.name = "TDXDLL1";
    fml_ctx_op_code_push(older, FML_OP_CALL, &op);

    // A second load with the same number replaces TDXDLL1 in the table; the
    // first library stays while the older context's step holds it.
    ASSERT_EQ(fml_vm_load_tdx_dll(vm, "Ostrilug.dll", 1), 1);
    EXPECT_TRUE(isLoaded("libTdxTestFull.so"));
    EXPECT_TRUE(isLoaded("libOstrilug.so"));

    FormulaContext* newer = fml_ctx_create(vm);
    FMLOpValue v{};
    v.number = 1.0f;
    fml_ctx_op_code_push(newer, FML_OP_PUSH_NUMBER, &v);  // function 1 of the plug-in: marks back
    v.number = 0.0f;
    fml_ctx_op_code_push(newer, FML_OP_PUSH_NUMBER, &v);  // a: distance 0 marks every bar
    fml_ctx_op_code_push(newer, FML_OP_PUSH_NUMBER, &v);
    fml_ctx_op_code_push(newer, FML_OP_PUSH_NUMBER, &v);
    fml_ctx_op_code_push(newer, FML_OP_CALL, &op);
    fml_ctx_data_length(newer, 2);
    ASSERT_EQ(fml_vm_run(vm, newer), 1);
    ASSERT_EQ(newer->stack.size(), 1u);
    EXPECT_EQ(toVector(newer->stack.back()->values), (std::vector<float>{1, 1}));

    fml_ctx_release(older);
    EXPECT_FALSE(isLoaded("libTdxTestFull.so")) << "the last share of the first load went with the older context";

    // The VM goes first; the newer context's step still holds the plug-in.
    fml_vm_release(vm);
    EXPECT_TRUE(isLoaded("libOstrilug.so"));
    fml_ctx_release(newer);
    EXPECT_FALSE(isLoaded("libOstrilug.so"));
}

}  // namespace

namespace {

TEST(TdxHostNoBars, ARunWithoutBarsCallsWithCountZero)
{
    TestProgram p;
    ASSERT_EQ(fml_vm_load_tdx_dll(p.vm(), "TdxTestFull.dll", 1), 1);
    p.num(2).num(1).num(1).num(1).call("TDXDLL1").assign("R").drop();
    ASSERT_EQ(p.run(0), 1);
    EXPECT_EQ(lastCountSeen(), 0);
    EXPECT_TRUE(p.values("R").empty());
}

}  // namespace
