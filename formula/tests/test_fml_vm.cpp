// The operation stream, lookups, registered functions and malformed programs.

#include <gtest/gtest.h>

#include <stdexcept>
#include <strings.h>

#include "fmltestprogram.h"
#include "formulacontext.h"

namespace {

TEST(FmlVm, InvalidOpsCompileNothing)
{
    TestProgram p;
    FMLOpValue v{};
    fml_ctx_op_code_push(p.ctx(), 7, &v);
    fml_ctx_op_code_push(p.ctx(), -1, &v);
    p.output(FML_DRAW_NONE, "x").output(12, "x").output(-3, "x");
    EXPECT_EQ(p.ctx()->code.size(), 0u);
    p.num(1.0f);
    EXPECT_EQ(p.ctx()->code.size(), 1u);
}

TEST(FmlVm, AssignKeepsTheValueAndLiteralsAreShared)
{
    TestProgram p;
    p.num(4.0f).assign("N").drop();
    ASSERT_EQ(p.run(10), 1);
    EXPECT_TRUE(p.ctx()->stack.empty());
    FormulaArgument* first = fml_get_argument(p.ctx(), "n");
    ASSERT_EQ(fml_argument_data_literal(first), 1);
    EXPECT_EQ(fml_argument_data_number(first)[0], 4.0f);
    ASSERT_EQ(p.run(10), 1);
    FormulaArgument* second = fml_get_argument(p.ctx(), "N");
    EXPECT_EQ(first, second) << "the compiled literal is pushed by reference at every run";
    EXPECT_EQ(fml_argument_data_size(second), 1);
}

TEST(FmlVm, LookupOrderVariablesStaticsSharedThenCallback)
{
    TestProgram p;
    FormulaArgument* st = fml_get_static_argument(p.ctx(), "P");
    fml_argument_literal(st, 1);
    fml_argument_data(st, 1)[0] = 2.0f;
    FormulaContext* shared = fml_vm_shared_context(p.vm());
    FormulaArgument* sh = fml_get_static_argument(shared, "S");
    fml_argument_literal(sh, 1);
    fml_argument_data(sh, 1)[0] = 5.0f;
    p.setSeries("C", {1, 2, 3});
    p.name("p").name("s").call("+").name("c").call("*").assign("R").drop();
    ASSERT_EQ(p.run(3), 1);
    EXPECT_EQ(p.values("R"), (std::vector<float>{7, 14, 21}));
    EXPECT_EQ(p.missCalls("p"), 0);
    EXPECT_EQ(p.missCalls("s"), 0);
    EXPECT_EQ(p.missCalls("c"), 1);
    // The shared value was cached in the context's variables.
    EXPECT_EQ(fml_get_argument(p.ctx(), "S"), sh);
}

TEST(FmlVm, MissCallbackIsAskedOncePerRun)
{
    TestProgram p;
    p.setSeries("CLOSE", {1, 2, 3, 4});
    p.name("close").name("CLOSE").call("+").name("Close").call("+").drop();
    ASSERT_EQ(p.run(4), 1);
    EXPECT_EQ(p.missCalls("close"), 1);
    ASSERT_EQ(p.run(4), 1);
    EXPECT_EQ(p.missCalls("close"), 2);
}

TEST(FmlVm, UnresolvedNameStopsTheRun)
{
    TestProgram p;
    p.num(1.0f).assign("A").drop().name("NOPE").assign("B");
    EXPECT_EQ(p.run(5), 0);
    EXPECT_EQ(fml_argument_data_literal(fml_get_argument(p.ctx(), "A")), 1) << "earlier steps stay";
    EXPECT_TRUE(p.ctx()->stack.empty());
}

TEST(FmlVm, UnknownFunctionThrowsOutOfRange)
{
    TestProgram p;
    EXPECT_THROW(p.call("nosuchfunction"), std::out_of_range);
    EXPECT_THROW(p.call("drawline"), std::out_of_range);
    EXPECT_EQ(p.ctx()->code.size(), 0u);
    // A context without a VM cannot compile calls either.
    FormulaContext* lone = fml_ctx_create(nullptr);
    FMLOpValue v{};
    v.name = "+";
    EXPECT_THROW(fml_ctx_op_code_push(lone, FML_OP_CALL, &v), std::out_of_range);
    fml_ctx_release(lone);
}

TEST(FmlVm, MalformedProgramsFailInsteadOfPoppingPastTheStack)
{
    const char* ops[] = {"+", "-", "negate", "not", "%", "ma", "ref", "if", "sar"};
    for (const char* op : ops) {
        TestProgram p;
        p.call(op);
        EXPECT_EQ(p.run(10), 0) << op << " on an empty stack";
    }
    TestProgram drop;
    drop.drop();
    EXPECT_EQ(drop.run(3), 0);
    TestProgram assign;
    assign.assign("X");
    EXPECT_EQ(assign.run(3), 0);
    for (int kind : {0, 1, 2, 3, 5, 6, 7, 8, 9, 10, 11}) {
        TestProgram p;
        p.output(kind, "o");
        EXPECT_EQ(p.run(3), 0) << "draw kind " << kind << " on an empty stack";
        EXPECT_EQ(fml_ctx_op_count(p.ctx(), -1), 0);
    }
}

struct Recorded {
    int count = 0;
    float arg = 0;
    int literal = 0;
    int result = 1;
    const char* name = nullptr;
};

int hostFunction(void* user, FormulaVM*, FormulaContext*, const char* name, FormulaArgument** args, int count)
{
    auto* r = static_cast<Recorded*>(user);
    r->count = count;
    r->arg = fml_argument_data_number(args[1])[0];
    r->literal = fml_argument_data_literal(args[1]);
    r->name = name;
    fml_argument_literal(args[0], 1);
    fml_argument_data(args[0], 1)[0] = r->arg * 2;
    return r->result;
}

TEST(FmlVm, RegisteredFunctionGetsArgumentsInFormulaOrder)
{
    TestProgram p;
    Recorded rec;
    ASSERT_EQ(fml_vm_reg_fn(p.vm(), &rec, "DYNAINFO", hostFunction, 1), 1);
    EXPECT_EQ(fml_vm_reg_fn(p.vm(), &rec, "dynainfo", hostFunction, 1), 0);
    p.num(3.0f).call("DynaInfo").assign("R");
    ASSERT_EQ(p.run(5), 1);
    EXPECT_EQ(rec.count, 2);
    EXPECT_EQ(rec.arg, 3.0f);
    EXPECT_EQ(rec.literal, 1);
    EXPECT_EQ(p.values("R"), std::vector<float>{6.0f});

    rec.result = 2;
    EXPECT_EQ(p.run(5), 0);
    EXPECT_EQ(p.ctx()->stack.size(), 1u) << "the result is pushed whatever the callback returned";
}

TEST(FmlVm, RegisteredFunctionRefusesBuiltinNamesAndBadArguments)
{
    TestProgram p;
    Recorded rec;
    EXPECT_EQ(fml_vm_reg_fn(p.vm(), &rec, "Ma", hostFunction, 1), 0);
    EXPECT_EQ(fml_vm_reg_fn(p.vm(), &rec, "Sum", hostFunction, 2), 0);
    EXPECT_EQ(fml_vm_reg_fn(p.vm(), &rec, "IF", hostFunction, 3), 0);
    EXPECT_EQ(fml_vm_reg_fn(p.vm(), &rec, "X", nullptr, 1), 0);
    EXPECT_EQ(fml_vm_reg_fn(p.vm(), &rec, "X", hostFunction, -1), 0);
    // A registration is seen by this VM only.
    ASSERT_EQ(fml_vm_reg_fn(p.vm(), &rec, "ONLYHERE", hostFunction, 1), 1);
    TestProgram other;
    EXPECT_THROW(other.call("ONLYHERE"), std::out_of_range);
}

TEST(FmlVm, RegisteredFunctionWithTooFewValuesFailsWithoutCalling)
{
    TestProgram p;
    Recorded rec;
    ASSERT_EQ(fml_vm_reg_fn(p.vm(), &rec, "TWO", hostFunction, 2), 1);
    p.num(1.0f).call("TWO");
    EXPECT_EQ(p.run(3), 0);
    EXPECT_EQ(rec.count, 0);
}

TEST(FmlVm, ContextsShareOnlyTheSharedContext)
{
    FormulaVM* vm = fml_vm_create();
    FormulaContext* a = fml_ctx_create(vm);
    FormulaContext* b = fml_ctx_create(vm);
    FormulaArgument* s = fml_get_static_argument(fml_vm_shared_context(vm), "K");
    fml_argument_literal(s, 1);
    fml_argument_data(s, 1)[0] = 9.0f;
    FMLOpValue v{};
    v.number = 1.0f;
    fml_ctx_op_code_push(a, FML_OP_PUSH_NUMBER, &v);
    v.name = "ONLYA";
    fml_ctx_op_code_push(a, FML_OP_ASSIGN, &v);
    v.name = "K";
    fml_ctx_op_code_push(b, FML_OP_PUSH_NAME, &v);
    v.name = "ONLYA";
    fml_ctx_op_code_push(b, FML_OP_PUSH_NAME, &v);
    EXPECT_EQ(fml_vm_run(vm, a), 1);
    EXPECT_EQ(fml_vm_run(vm, b), 0) << "b must not see a's variable";
    ASSERT_GE(b->stack.size(), 1u);
    EXPECT_EQ(b->stack.back()->values[0], 9.0f);
    fml_ctx_release(a);
    fml_ctx_release(b);
    fml_vm_release(vm);
}

int sharedMiss(void* user, FormulaContext*, FormulaArgument* arg, const char* name)
{
    ++*static_cast<int*>(user);
    if (strcasecmp(name, "HOSTED") != 0)
        return 0;
    fml_argument_literal(arg, 1);
    fml_argument_data(arg, 1)[0] = 11.0f;
    return 1;
}

TEST(FmlVm, SharedContextCallbackAnswersAndIsCached)
{
    TestProgram p;
    int calls = 0;
    fml_ctx_miss_callback(fml_vm_shared_context(p.vm()), &calls, sharedMiss);
    p.name("hosted").name("HOSTED").call("+").assign("R");
    ASSERT_EQ(p.run(2), 1);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(p.values("R"), std::vector<float>{22.0f});
    EXPECT_TRUE(fml_vm_shared_context(p.vm())->stack.empty());
}

}  // namespace

namespace {

TEST(FmlLimits, TextsStopAt64KiBOnACharacterBoundary)
{
    // 40 doublings of a 3-byte character would be 3 * 2^40 bytes; the text
    // stops at the largest whole number of characters within 64 KiB.
    TestProgram p;
    p.str("\xE4\xB8\xAD").assign("T").drop();
    for (int i = 0; i < 40; ++i)
        p.name("T").name("T").call("strcat").assign("T").drop();
    ASSERT_EQ(p.run(10), 1);
    const std::string t = fml_argument_data_string(fml_get_argument(p.ctx(), "T"));
    EXPECT_EQ(t.size(), 65535u);  // 21845 whole characters
    EXPECT_EQ(t.substr(t.size() - 3), "\xE4\xB8\xAD");

    FormulaArgument* arg = fml_get_argument(p.ctx(), "U");
    const std::string ascii(70000, 'a');
    fml_argument_string(arg, ascii.data(), static_cast<int>(ascii.size()));
    EXPECT_EQ(std::string(fml_argument_data_string(arg)).size(), 65536u);
}

TEST(FmlLimits, RunOverTooManyBarsFailsBeforeAllocating)
{
    TestProgram p;
    p.num(1.0f).num(2.0f).call("+").assign("X").drop();
    ASSERT_EQ(p.run(50000000), 1);
    EXPECT_EQ(p.run(50000001), 0);
    EXPECT_EQ(p.run(2147483647), 0);
}

}  // namespace
