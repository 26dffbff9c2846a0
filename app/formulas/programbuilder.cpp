#include "formulas/formulaservice.h"
#include "formulas/programops.h"

#include <exception>

namespace formula {

FormulaContext* buildProgram(FormulaVM* vm, const ProgramOp* ops, std::size_t count, bool resetPalette,
                             const ProgramPreset* presets, std::size_t presetCount)
{
    if (resetPalette)
        resetDefaultColor();
    FormulaContext* ctx = fml_ctx_create(vm);
    if (!ctx)
        return nullptr;
    for (std::size_t i = 0; i < presetCount; ++i)
        setStaticLiteral(ctx, presets[i].name, presets[i].value);
    FMLOpValue value{};
    FMLOutputAttr attr{};
    try {
        for (std::size_t i = 0; i < count; ++i) {
            const ProgramOp& op = ops[i];
            value = FMLOpValue{};
            switch (op.op) {
            case FML_OP_PUSH_NUMBER:
                value.number = op.number;
                break;
            case FML_OP_OUTPUT:
                attr.color = op.palette ? nextDefaultColor() : op.color;
                attr.width = op.width;
                attr.style = op.style;
                value.kind = op.kind;
                value.output_name = op.name;
                value.attr = &attr;
                break;
            case FML_OP_DROP:
                break;
            default:
                value.name = op.name;
                break;
            }
            fml_ctx_op_code_push(ctx, op.op, &value);
        }
    } catch (const std::exception&) {
        fml_ctx_release(ctx);
        return nullptr;
    }
    return ctx;
}

}  // namespace formula
