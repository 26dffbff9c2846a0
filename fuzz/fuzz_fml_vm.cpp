// Feeds random operation streams to the formula virtual machine: every op kind
// (valid or not), names of builtins, series and variables, random numbers and
// draw kinds; runs the program twice over host series with markers and reads
// every output back.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "builtins.h"
#include "fml.h"

namespace {

struct Input {
    const uint8_t* p;
    std::size_t n;
    uint8_t byte()
    {
        if (n == 0)
            return 0;
        --n;
        return *p++;
    }
    float number()
    {
        uint8_t b[4] = {byte(), byte(), byte(), byte()};
        // Mostly small numbers (window lengths, flags), sometimes raw bits.
        if (b[0] & 0x80) {
            float f;
            std::memcpy(&f, b, 4);
            return f;
        }
        return static_cast<float>(static_cast<int8_t>(b[1])) / static_cast<float>(1 + (b[2] & 3));
    }
};

const char* const kSeriesNames[] = {"C", "O", "H", "L",       "V", "AMOUNT", "DATE",
                                    "X", "Y", "S", "MISSING", "N", "SHARED", "HOSTFN"};

const char* nameOf(Input& in)
{
    const uint8_t b = in.byte();
    if (b < 160)
        return kBuiltinList[b % kBuiltinListSize].name;
    return kSeriesNames[b % (sizeof(kSeriesNames) / sizeof(kSeriesNames[0]))];
}

int onMiss(void* user, FormulaContext*, FormulaArgument* arg, const char* name)
{
    const int bars = *static_cast<int*>(user);
    if (std::strcmp(name, "MISSING") == 0)
        return 0;
    if (std::strcmp(name, "S") == 0) {
        fml_argument_string(arg, "text", 4);
        return 1;
    }
    if (std::strcmp(name, "X") == 0) {
        fml_argument_literal(arg, 1);
        fml_argument_data(arg, 1)[0] = 3.0f;
        return 1;
    }
    const int n = name[0] == 'Y' ? bars / 2 : bars;  // a short series too
    float* v = fml_argument_data(arg, n);
    for (int i = 0; i < n; ++i) {
        const int k = (i * 31 + name[0]) % 17;
        v[i] = k == 0 ? FMLInvalidValue : (k == 1 ? FMLContinuousValue : 10.0f + static_cast<float>(k));
    }
    return 1;
}

// A host function of two arguments: the first argument's values, or a refusal.
int hostFunction(void*, FormulaVM*, FormulaContext*, const char*, FormulaArgument** args, int count)
{
    if (count != 3)
        return 0;
    const int n = fml_argument_data_size(args[1]);
    float* out = fml_argument_data(args[0], n);
    const float* in = fml_argument_data_number(args[1]);
    for (int i = 0; i < n; ++i)
        out[i] = in[i];
    return fml_argument_data_literal(args[2]) ? 2 : 1;
}

void readOutputs(FormulaContext* ctx, int bars)
{
    typedef void (*Reader)(FormulaContext*, FMLOutputItem*, unsigned);
    const struct {
        int kind;
        Reader read;
    } readers[] = {{1, fml_ctx_op_line},           {2, fml_ctx_op_stick},      {3, fml_ctx_op_number},
                   {5, fml_ctx_op_string},         {6, fml_ctx_op_band},       {7, fml_ctx_op_icon},
                   {8, fml_ctx_op_literal_number}, {9, fml_ctx_op_fix_string}, {10, fml_ctx_op_rect},
                   {11, fml_ctx_op_k_line}};
    for (const auto& r : readers) {
        const int n = fml_ctx_op_count(ctx, r.kind);
        for (int i = 0; i <= n; ++i) {  // one past the end on purpose
            FMLOutputItem item{};
            r.read(ctx, &item, static_cast<unsigned>(i));
            FMLOutputItem ranged{};
            ranged.begin = static_cast<uint32_t>(bars / 3);
            ranged.count = static_cast<uint32_t>(bars * 2 + 1);
            r.read(ctx, &ranged, static_cast<unsigned>(i));
        }
    }
    const int entries = fml_ctx_op_count(ctx, -1);
    for (int i = 0; i <= entries; ++i) {
        int kind = 0, index = 0;
        fml_ctx_op_seq_get(ctx, static_cast<unsigned>(i), &kind, &index);
    }
    float mx = -FMLInvalidValue, mn = FMLInvalidValue;
    fml_ctx_output_maxmin(ctx, 0, static_cast<unsigned>(bars), &mx, &mn);
    fml_ctx_output_maxmin(ctx, static_cast<unsigned>(bars), 0xFFFFFFF0u, &mx, &mn);
    FMLSelectedValue sel[8];
    fml_ctx_output_selected_value(ctx, static_cast<unsigned>(bars - 1), sel, 8);
    fml_ctx_output_selected_value(ctx, 0xFFFFFFFFu, sel, 8);
    int counts[3];
    fml_ctx_output(ctx, counts);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    Input in{data, size};
    int bars = in.byte();
    if (bars & 0x80)
        bars = (bars & 0x7F) * 8;  // up to 1016 bars: long loops wait for the steps reading them
    FormulaVM* vm = fml_vm_create();
    FormulaContext* ctx = fml_ctx_create(vm);
    fml_ctx_miss_callback(ctx, &bars, onMiss);
    FormulaArgument* param = fml_get_static_argument(ctx, "N");
    fml_argument_literal(param, 1);
    fml_argument_data(param, 1)[0] = 5.0f;
    fml_vm_reg_fn(vm, nullptr, "HOSTFN", hostFunction, 2);
    FormulaArgument* shared = fml_get_static_argument(fml_vm_shared_context(vm), "SHARED");
    float* sv = fml_argument_data(shared, 7);
    for (int i = 0; i < 7; ++i)
        sv[i] = static_cast<float>(i);
    FMLOutputAttr attr{0, 1.0f, 0};
    std::string text;
    for (int ops = 0; in.n > 0 && ops < 256; ++ops) {
        const int op = in.byte() % 9;
        FMLOpValue v{};
        switch (op) {
        case FML_OP_PUSH_NUMBER:
            v.number = in.number();
            break;
        case FML_OP_OUTPUT:
            v.kind = static_cast<int8_t>(in.byte()) % 14;
            v.output_name = (in.byte() & 1) ? "OUT" : "";
            attr.style = static_cast<int8_t>(in.byte()) % 6;
            v.attr = &attr;
            break;
        case FML_OP_PUSH_STRING:
            text.assign(reinterpret_cast<const char*>(in.p), in.n < 3 ? in.n : 3);
            v.name = text.c_str();
            break;
        default:
            v.name = nameOf(in);
            break;
        }
        try {
            fml_ctx_op_code_push(ctx, op == 8 ? -1 : op, &v);
        } catch (const std::out_of_range&) {
            // A series name pushed as a call: the one documented exception.
        }
    }
    for (int pass = 0; pass < 2; ++pass) {
        fml_ctx_clean(ctx);
        fml_ctx_data_length(ctx, bars);
        fml_vm_run(vm, ctx);
        readOutputs(ctx, bars);
    }
    fml_ctx_release(ctx);
    fml_vm_release(vm);
    return 0;
}
