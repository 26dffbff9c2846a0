// The exported C interface: argument checks, handle conversion, one call into
// the core. Nothing throws out of here except fml_ctx_op_code_push's
// std::out_of_range for a function name the virtual machine does not hold.

#include <limits>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>

#include "fml.h"
#include "formulacompiler.h"
#include "formulacontext.h"
#include "formulavm.h"
#include "outputreader.h"

extern "C" {

const float FMLInvalidValue = std::numeric_limits<float>::infinity();
const float FMLContinuousValue = std::numeric_limits<float>::min();

// ---- values ----

FML_API float* fml_argument_data(FormulaArgument* arg, int n)
{
    if (!arg)
        return nullptr;
    const uint32_t count = n > 0 ? static_cast<uint32_t>(n) : 0u;
    try {
        roomFor(arg->values, count);
        arg->values.resize(count, 0.0f);
    } catch (...) {
        return nullptr;
    }
    arg->firstValid = 0;
    arg->endBar = count;
    forgetDerived(*arg);
    return arg->values.data();
}

FML_API void fml_argument_literal(FormulaArgument* arg, int flag)
{
    if (arg) {
        arg->literal = flag != 0;
        forgetDerived(*arg);
    }
}

FML_API float* fml_argument_string(FormulaArgument* arg, const char* s, int len)
{
    if (!arg)
        return nullptr;
    try {
        if (s && len > 0)
            arg->text.assign(s, keptTextLength(s, static_cast<std::size_t>(len)));
        else
            arg->text.clear();
        arg->values.assign(1, kInvalidValue);
        forgetDerived(*arg);
    } catch (...) {
        return nullptr;
    }
    arg->literal = true;
    return arg->values.data();
}

FML_API void fml_argument_rewritten_from(FormulaArgument* arg, int bar)
{
    if (arg) {
        arg->rewrittenFrom = bar > 0 ? static_cast<uint32_t>(bar) : 0u;
        arg->rewriteReported = true;
    }
}

FML_API int fml_argument_data_literal(FormulaArgument* arg)
{
    return (arg && arg->literal) ? 1 : 0;
}

FML_API float* fml_argument_data_number(FormulaArgument* arg)
{
    if (!arg || arg->values.empty())
        return nullptr;
    return arg->values.data();
}

FML_API int fml_argument_data_size(FormulaArgument* arg)
{
    if (!arg)
        return 0;
    const std::size_t n = arg->values.size();
    return n > static_cast<std::size_t>(std::numeric_limits<int>::max()) ? std::numeric_limits<int>::max()
                                                                         : static_cast<int>(n);
}

FML_API const char* fml_argument_data_string(FormulaArgument* arg)
{
    return arg ? arg->text.c_str() : "";
}

// ---- contexts ----

FML_API FormulaContext* fml_ctx_create(FormulaVM* vm)
{
    return new (std::nothrow) FormulaContext(vm);
}

FML_API void fml_ctx_release(FormulaContext* ctx)
{
    delete ctx;
}

FML_API void fml_ctx_clean(FormulaContext* ctx)
{
    if (ctx)
        ctx->clean();
}

FML_API void fml_ctx_data_length(FormulaContext* ctx, int bars)
{
    if (ctx)
        ctx->barCount = bars > 0 ? static_cast<uint32_t>(bars) : 0u;
}

FML_API void fml_ctx_set_user_data(FormulaContext* ctx, void* user)
{
    if (ctx)
        ctx->userData = user;
}

FML_API void* fml_ctx_get_user_data(FormulaContext* ctx)
{
    return ctx ? ctx->userData : nullptr;
}

FML_API void fml_ctx_lock(FormulaContext* ctx)
{
    if (ctx)
        ctx->mutex.lock();
}

FML_API void fml_ctx_unlock(FormulaContext* ctx)
{
    if (ctx)
        ctx->mutex.unlock();
}

FML_API void fml_ctx_miss_callback(FormulaContext* ctx, void* user, FMLMissCallback cb)
{
    if (!ctx)
        return;
    if (!cb) {
        ctx->miss = nullptr;
        return;
    }
    ctx->miss = [user, cb](FormulaContext* c, const std::string& name, const ArgumentPtr& arg) {
        return cb(user, c, arg.get(), name.c_str());
    };
}

FML_API void fml_ctx_keep_series(FormulaContext* ctx, int on)
{
    if (ctx)
        ctx->keepSeries = on != 0;
}

FML_API FormulaContext* fml_ctx_impl_create(void)
{
    return nullptr;
}

FML_API FormulaArgument* fml_get_argument(FormulaContext* ctx, const char* name)
{
    if (!ctx)
        return nullptr;
    try {
        return ctx->variable(name ? name : "").get();
    } catch (...) {
        return nullptr;
    }
}

FML_API FormulaArgument* fml_get_static_argument(FormulaContext* ctx, const char* name)
{
    if (!ctx)
        return nullptr;
    try {
        return ctx->staticArgument(name ? name : "").get();
    } catch (...) {
        return nullptr;
    }
}

// ---- operation stream and virtual machine ----

FML_API void fml_ctx_op_code_push(FormulaContext* ctx, int op, const FMLOpValue* value)
{
    if (!ctx)
        return;
    try {
        compileOperation(ctx, op, value);
    } catch (const std::out_of_range&) {
        throw;
    } catch (...) {
        // Out of memory: nothing is appended.
    }
}

FML_API FormulaVM* fml_vm_create(void)
{
    try {
        return new FormulaVM();
    } catch (...) {
        return nullptr;
    }
}

FML_API void fml_vm_release(FormulaVM* vm)
{
    delete vm;
}

FML_API int fml_vm_run(FormulaVM*, FormulaContext* ctx)
{
    if (!ctx)
        return 0;
    try {
        return ctx->run() ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

FML_API int fml_vm_reg_fn(FormulaVM* vm, void* user, const char* name, FMLFunctionCallback cb, int nargs)
{
    if (!vm || !name || !cb || nargs < 0)
        return 0;
    try {
        return vm->registerFunction(name, makeHostFunction(vm, user, name, cb, nargs)) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

FML_API FormulaContext* fml_vm_shared_context(FormulaVM* vm)
{
    return vm ? vm->shared.get() : nullptr;
}

// ---- reading drawn outputs ----

FML_API int fml_ctx_op_count(FormulaContext* ctx, int kind)
{
    return ctx ? outputCount(*ctx, kind) : 0;
}

FML_API void fml_ctx_op_seq_get(FormulaContext* ctx, unsigned i, int* kind, int* index)
{
    if (!ctx || i >= ctx->drawOrder.size())
        return;
    if (kind)
        *kind = ctx->drawOrder[i].kind;
    if (index)
        *index = ctx->drawOrder[i].index;
}

#define FML_OUTPUT_READER(fn, kind)                                       \
    FML_API void fn(FormulaContext* ctx, FMLOutputItem* item, unsigned i) \
    {                                                                     \
        if (ctx)                                                          \
            readOutputItem(*ctx, kind, item, i);                          \
    }

FML_OUTPUT_READER(fml_ctx_op_line, FML_DRAW_LINE)
FML_OUTPUT_READER(fml_ctx_op_stick, FML_DRAW_STICK)
FML_OUTPUT_READER(fml_ctx_op_number, FML_DRAW_NUMBER)
FML_OUTPUT_READER(fml_ctx_op_string, FML_DRAW_TEXT)
FML_OUTPUT_READER(fml_ctx_op_band, FML_DRAW_BAND)
FML_OUTPUT_READER(fml_ctx_op_icon, FML_DRAW_ICON)
FML_OUTPUT_READER(fml_ctx_op_literal_number, FML_DRAW_LITERAL_NUMBER)
FML_OUTPUT_READER(fml_ctx_op_fix_string, FML_DRAW_TEXT_FIX)
FML_OUTPUT_READER(fml_ctx_op_rect, FML_DRAW_RECT)
FML_OUTPUT_READER(fml_ctx_op_k_line, FML_DRAW_KLINE)

#undef FML_OUTPUT_READER

FML_API void fml_ctx_output(FormulaContext* ctx, int counts[3])
{
    if (!ctx || !counts)
        return;
    counts[0] = outputCount(*ctx, FML_DRAW_LINE);
    counts[1] = outputCount(*ctx, FML_DRAW_STICK);
    counts[2] = outputCount(*ctx, FML_DRAW_NUMBER);
}

FML_API void fml_ctx_output_maxmin(FormulaContext* ctx, unsigned begin, unsigned count, float* max, float* min)
{
    if (!ctx || !max || !min)
        return;
    outputMaxMin(*ctx, begin, count, max, min);
}

FML_API int fml_ctx_output_selected_value(FormulaContext* ctx, unsigned bar, FMLSelectedValue* out, int capacity)
{
    if (!ctx || !out || capacity <= 0)
        return 0;
    return outputSelectedValues(*ctx, bar, out, capacity);
}

}  // extern "C"
