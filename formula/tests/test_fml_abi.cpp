// The exported interface: record layouts and the shipped library's symbols.

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstddef>
#include <cstring>
#include <stdexcept>
#include <string>

#include "fml.h"

namespace {

static_assert(sizeof(FMLOutputAttr) == 12, "three 32-bit words, no pointers");
static_assert(sizeof(FMLOpValue) == 3 * sizeof(void*), "words that may hold pointers take pointer size");
static_assert(sizeof(FMLSelectedValue) == 16, "name pointer, value, colour");

TEST(FmlAbi, RecordLayouts)
{
    EXPECT_EQ(offsetof(FMLOutputAttr, color), 0u);
    EXPECT_EQ(offsetof(FMLOutputAttr, width), 4u);
    EXPECT_EQ(offsetof(FMLOutputAttr, style), 8u);
    EXPECT_EQ(offsetof(FMLOpValue, name), 0u);
    EXPECT_EQ(offsetof(FMLOpValue, number), 0u);
    EXPECT_EQ(offsetof(FMLOpValue, kind), 0u);
    EXPECT_EQ(offsetof(FMLOpValue, output_name), 8u);
    EXPECT_EQ(offsetof(FMLOpValue, attr), 16u);
    EXPECT_EQ(offsetof(FMLSelectedValue, value), 8u);
    EXPECT_EQ(offsetof(FMLSelectedValue, color), 12u);
    // Common fields of an output item, then the kind's own fields.
    EXPECT_EQ(offsetof(FMLOutputItem, name), 0u);
    EXPECT_EQ(offsetof(FMLOutputItem, begin), 8u);
    EXPECT_EQ(offsetof(FMLOutputItem, count), 12u);
    EXPECT_EQ(offsetof(FMLOutputItem, max), 16u);
    EXPECT_EQ(offsetof(FMLOutputItem, min), 20u);
    EXPECT_EQ(offsetof(FMLOutputItem, color), 24u);
    EXPECT_EQ(offsetof(FMLOutputItem, width), 28u);
    EXPECT_EQ(offsetof(FMLOutputItem, style), 32u);
    EXPECT_EQ(offsetof(FMLOutputItem, line), 40u);
    EXPECT_EQ(offsetof(FMLOutputItem, stick.width_factor), 40u);
    EXPECT_EQ(offsetof(FMLOutputItem, stick.empty), 44u);
    EXPECT_EQ(offsetof(FMLOutputItem, stick.price1), 48u);
    EXPECT_EQ(offsetof(FMLOutputItem, stick.cond), 64u);
    EXPECT_EQ(offsetof(FMLOutputItem, band.color1), 56u);
    EXPECT_EQ(offsetof(FMLOutputItem, fix_string.value), 48u);
    EXPECT_EQ(offsetof(FMLOutputItem, fix_string.text), 56u);
    EXPECT_EQ(offsetof(FMLOutputItem, rect.cond), 48u);
    EXPECT_EQ(offsetof(FMLOutputItem, rect.price2), 72u);
    EXPECT_EQ(sizeof(FMLOutputItem), 80u);
}

TEST(FmlAbi, EnumValues)
{
    EXPECT_EQ(FML_OP_ASSIGN, 0);
    EXPECT_EQ(FML_OP_OUTPUT, 6);
    EXPECT_EQ(FML_DRAW_NONE, 4);
    EXPECT_EQ(FML_DRAW_LITERAL_NUMBER, 8);
    EXPECT_EQ(FML_DRAW_KLINE, 11);
    EXPECT_EQ(FML_PEN_NODRAW, -1);
    EXPECT_EQ(FML_PEN_VOLSTICK, 4);
}

TEST(FmlAbi, SharedLibraryExportsTheInterface)
{
    const std::string path = std::string(TARVOLIN_BIN_DIR) + "/libFennodex.so";
    void* lib = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib, nullptr) << dlerror();
    const char* names[] = {"fml_argument_data",
                           "fml_argument_literal",
                           "fml_argument_string",
                           "fml_argument_data_literal",
                           "fml_argument_data_number",
                           "fml_argument_data_size",
                           "fml_argument_data_string",
                           "fml_ctx_create",
                           "fml_ctx_release",
                           "fml_ctx_clean",
                           "fml_ctx_data_length",
                           "fml_ctx_set_user_data",
                           "fml_ctx_get_user_data",
                           "fml_ctx_lock",
                           "fml_ctx_unlock",
                           "fml_ctx_miss_callback",
                           "fml_ctx_impl_create",
                           "fml_get_argument",
                           "fml_get_static_argument",
                           "fml_ctx_op_code_push",
                           "fml_vm_create",
                           "fml_vm_release",
                           "fml_vm_run",
                           "fml_vm_reg_fn",
                           "fml_vm_shared_context",
                           "fml_vm_load_tdx_dll",
                           "fml_ctx_op_count",
                           "fml_ctx_op_seq_get",
                           "fml_ctx_op_line",
                           "fml_ctx_op_stick",
                           "fml_ctx_op_number",
                           "fml_ctx_op_string",
                           "fml_ctx_op_band",
                           "fml_ctx_op_icon",
                           "fml_ctx_op_literal_number",
                           "fml_ctx_op_fix_string",
                           "fml_ctx_op_rect",
                           "fml_ctx_op_k_line",
                           "fml_ctx_output",
                           "fml_ctx_output_maxmin",
                           "fml_ctx_output_selected_value"};
    EXPECT_EQ(sizeof(names) / sizeof(names[0]), 41u);
    for (const char* n : names)
        EXPECT_NE(dlsym(lib, n), nullptr) << n << " is not exported";
    auto* invalid = static_cast<const float*>(dlsym(lib, "FMLInvalidValue"));
    auto* continuous = static_cast<const float*>(dlsym(lib, "FMLContinuousValue"));
    ASSERT_NE(invalid, nullptr);
    ASSERT_NE(continuous, nullptr);
    uint32_t bits = 0;
    std::memcpy(&bits, invalid, 4);
    EXPECT_EQ(bits, 0x7F800000u);
    std::memcpy(&bits, continuous, 4);
    EXPECT_EQ(bits, 0x00800000u);
    EXPECT_EQ(dlsym(lib, "_Z15builtinNotEqualP14FormulaContext"), nullptr) << "internal names stay hidden";

    // One program through the shipped library alone.
    auto vmCreate = reinterpret_cast<FormulaVM* (*)()>(dlsym(lib, "fml_vm_create"));
    auto vmRelease = reinterpret_cast<void (*)(FormulaVM*)>(dlsym(lib, "fml_vm_release"));
    auto ctxCreate = reinterpret_cast<FormulaContext* (*)(FormulaVM*)>(dlsym(lib, "fml_ctx_create"));
    auto ctxRelease = reinterpret_cast<void (*)(FormulaContext*)>(dlsym(lib, "fml_ctx_release"));
    auto push = reinterpret_cast<void (*)(FormulaContext*, int, const FMLOpValue*)>(dlsym(lib, "fml_ctx_op_code_push"));
    auto run = reinterpret_cast<int (*)(FormulaVM*, FormulaContext*)>(dlsym(lib, "fml_vm_run"));
    auto count = reinterpret_cast<int (*)(FormulaContext*, int)>(dlsym(lib, "fml_ctx_op_count"));
    FormulaVM* vm = vmCreate();
    FormulaContext* ctx = ctxCreate(vm);
    FMLOpValue v{};
    v.number = 2.0f;
    push(ctx, FML_OP_PUSH_NUMBER, &v);
    push(ctx, FML_OP_PUSH_NUMBER, &v);
    v.name = "Pow";
    push(ctx, FML_OP_CALL, &v);
    FMLOutputAttr attr{0, 1.0f, 0};
    v.kind = FML_DRAW_DATA;
    v.output_name = "P";
    v.attr = &attr;
    push(ctx, FML_OP_OUTPUT, &v);
    EXPECT_EQ(run(vm, ctx), 1);
    EXPECT_EQ(count(ctx, FML_DRAW_LITERAL_NUMBER), 1);
    v.name = "no such function";
    bool threw = false;
    try {
        push(ctx, FML_OP_CALL, &v);
    } catch (const std::out_of_range&) {
        threw = true;
    }
    EXPECT_TRUE(threw) << "an unknown call name raises std::out_of_range across the interface";
    ctxRelease(ctx);
    vmRelease(vm);
    dlclose(lib);
}

}  // namespace
