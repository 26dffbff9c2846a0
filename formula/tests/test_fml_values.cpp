// Values and contexts through the exported interface.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "fml.h"
#include "formulaargument.h"
#include "formulacontext.h"

namespace {

struct VmCtx {
    FormulaVM* vm = fml_vm_create();
    FormulaContext* ctx = fml_ctx_create(vm);
    ~VmCtx()
    {
        fml_ctx_release(ctx);
        fml_vm_release(vm);
    }
};

TEST(FmlValues, MarkersHaveTheirBitPatterns)
{
    uint32_t bits = 0;
    std::memcpy(&bits, &FMLInvalidValue, 4);
    EXPECT_EQ(bits, 0x7F800000u);
    std::memcpy(&bits, &FMLContinuousValue, 4);
    EXPECT_EQ(bits, 0x00800000u);
}

TEST(FmlValues, DataResizesKeepingValues)
{
    VmCtx h;
    FormulaArgument* a = fml_get_argument(h.ctx, "X");
    float* p = fml_argument_data(a, 3);
    p[0] = 1;
    p[1] = 2;
    p[2] = 3;
    p = fml_argument_data(a, 5);
    ASSERT_EQ(fml_argument_data_size(a), 5);
    const float expected[] = {1, 2, 3, 0, 0};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(p[i], expected[i]) << "bar " << i;
    EXPECT_EQ(a->firstValid, 0u);
    EXPECT_EQ(a->endBar, 5u);
    EXPECT_EQ(fml_argument_data_literal(a), 0);
    fml_argument_data(a, 0);
    EXPECT_EQ(fml_argument_data_size(a), 0);
    EXPECT_EQ(fml_argument_data_number(a), nullptr);
}

TEST(FmlValues, NegativeSizesCountAsZero)
{
    VmCtx h;
    FormulaArgument* a = fml_get_argument(h.ctx, "X");
    fml_argument_data(a, 4);
    fml_argument_data(a, -7);
    EXPECT_EQ(fml_argument_data_size(a), 0);
    EXPECT_EQ(a->endBar, 0u);
    float* v = fml_argument_string(a, "abc", -1);
    ASSERT_NE(v, nullptr);
    EXPECT_STREQ(fml_argument_data_string(a), "");
    fml_ctx_data_length(h.ctx, -5);
    EXPECT_EQ(h.ctx->barCount, 0u);
}

TEST(FmlValues, StringIsALiteralHoldingTheMarker)
{
    VmCtx h;
    FormulaArgument* a = fml_get_argument(h.ctx, "S");
    float* v = fml_argument_string(a, "abcdef", 3);
    EXPECT_STREQ(fml_argument_data_string(a), "abc");
    EXPECT_EQ(fml_argument_data_literal(a), 1);
    ASSERT_EQ(fml_argument_data_size(a), 1);
    EXPECT_EQ(v, fml_argument_data_number(a));
    EXPECT_TRUE(std::isinf(*v) && *v > 0) << "got " << *v;
}

TEST(FmlValues, NamesIgnoreAsciiCaseOnly)
{
    VmCtx h;
    EXPECT_EQ(fml_get_argument(h.ctx, "MA"), fml_get_argument(h.ctx, "Ma"));
    EXPECT_EQ(fml_get_static_argument(h.ctx, "N"), fml_get_static_argument(h.ctx, "n"));
    EXPECT_NE(fml_get_argument(h.ctx, "MA"), fml_get_argument(h.ctx, "MA1"));
    // Bytes outside A-Z are compared exactly.
    EXPECT_NE(fml_get_argument(h.ctx, "\xC3\x84"), fml_get_argument(h.ctx, "\xC3\xA4"));
}

TEST(FmlValues, CleanKeepsParametersAndDropsVariables)
{
    VmCtx h;
    FormulaArgument* n = fml_get_static_argument(h.ctx, "N");
    fml_argument_literal(n, 1);
    fml_argument_data(n, 1)[0] = 12.0f;
    FormulaArgument* v = fml_get_argument(h.ctx, "V");
    fml_argument_data(v, 3);
    fml_ctx_data_length(h.ctx, 10);
    fml_ctx_clean(h.ctx);
    EXPECT_EQ(fml_get_static_argument(h.ctx, "n"), n);
    EXPECT_EQ(fml_argument_data_number(n)[0], 12.0f);
    EXPECT_EQ(h.ctx->variables.size(), 0u);
    EXPECT_EQ(h.ctx->barCount, 0u);
    FormulaArgument* fresh = fml_get_argument(h.ctx, "V");
    EXPECT_EQ(fml_argument_data_size(fresh), 0);
}

TEST(FmlValues, ReleaseNullAndImplCreate)
{
    fml_ctx_release(nullptr);
    fml_vm_release(nullptr);
    EXPECT_EQ(fml_ctx_impl_create(), nullptr);
    VmCtx h;
    int word = 0;
    fml_ctx_set_user_data(h.ctx, &word);
    EXPECT_EQ(fml_ctx_get_user_data(h.ctx), &word);
    fml_ctx_lock(h.ctx);
    fml_ctx_unlock(h.ctx);
}

TEST(FmlValues, NullHandlesAreHarmless)
{
    EXPECT_EQ(fml_argument_data(nullptr, 3), nullptr);
    EXPECT_EQ(fml_argument_data_size(nullptr), 0);
    EXPECT_STREQ(fml_argument_data_string(nullptr), "");
    EXPECT_EQ(fml_get_argument(nullptr, "x"), nullptr);
    EXPECT_EQ(fml_vm_run(nullptr, nullptr), 0);
    fml_ctx_clean(nullptr);
    int counts[3] = {7, 7, 7};
    fml_ctx_output(nullptr, counts);
    EXPECT_EQ(counts[0], 7);
}

}  // namespace
