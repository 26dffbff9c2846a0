#include "formulacompiler.h"

#include <stdexcept>
#include <string>

#include "builtins.h"
#include "ciless.h"
#include "drawoutputs.h"
#include "formulavm.h"

namespace {

std::string nameOf(const char* s)
{
    return s ? std::string(s) : std::string();
}

// A name of the builtin list (no host function or plug-in may take one).
bool isBuiltinName(const std::string& name)
{
    const CiLess less;
    for (std::size_t i = 0; i < kBuiltinListSize; ++i) {
        const std::string b = kBuiltinList[i].name;
        if (!less(b, name) && !less(name, b))
            return true;
    }
    return false;
}

}  // namespace

void compileOperation(FormulaContext* ctx, int op, const FMLOpValue* value)
{
    static const FMLOpValue kEmpty{};
    const FMLOpValue& v = value ? *value : kEmpty;
    switch (static_cast<unsigned>(op)) {
    case FML_OP_ASSIGN: {
        std::string name = nameOf(v.name);
        ctx->code.emplace_back([name](FormulaContext* c) -> bool {
            if (c->stack.empty())
                return false;
            c->variables[name] = c->stack.back();
            return true;
        });
        break;
    }
    case FML_OP_PUSH_NAME: {
        std::string name = nameOf(v.name);
        ctx->code.emplace_back([name](FormulaContext* c) { return c->pushName(name); });
        break;
    }
    case FML_OP_PUSH_NUMBER: {
        ArgumentPtr literal = makeLiteralNumber(v.number);
        literal->changedFrom = kUnchanged;
        ctx->code.emplace_back([literal](FormulaContext* c) {
            c->push(literal);
            return true;
        });
        break;
    }
    case FML_OP_PUSH_STRING: {
        ArgumentPtr literal = makeLiteralString(nameOf(v.name));
        literal->changedFrom = kUnchanged;
        ctx->code.emplace_back([literal](FormulaContext* c) {
            c->push(literal);
            return true;
        });
        break;
    }
    case FML_OP_DROP:
        ctx->code.emplace_back([](FormulaContext* c) {
            ArgumentPtr top;
            return c->pop(top);
        });
        break;
    case FML_OP_CALL: {
        if (!ctx->vm)
            throw std::out_of_range("formula context has no virtual machine");
        // Throws std::out_of_range for a name the table does not hold.
        FormulaFunction fn = ctx->vm->function(nameOf(v.name));
        const std::size_t slot = ctx->code.size();
        const bool pure = isBuiltinName(nameOf(v.name));
        // The element-wise operators and recursive averages whose loops may
        // wait for a later step (FormulaContext::PendingJob).
        const CiLess less;
        const std::string n = nameOf(v.name);
        bool defers = false;
        for (const char* d : {"+", "-", "*", "/", "max", "min", "abs", "ema", "expma", "sma"})
            defers = defers || (!less(n, d) && !less(d, n));
        ctx->code.emplace_back([fn = std::move(fn), slot, pure, defers](FormulaContext* c) {
            return c->callStep(fn, slot, pure, defers);
        });
        break;
    }
    case FML_OP_OUTPUT: {
        DrawHandler handler = drawHandlerFor(v.kind);
        if (!handler)
            break;
        std::string name = nameOf(v.output_name);
        const float width = v.attr ? v.attr->width : 0.0f;
        const uint32_t color = v.attr ? v.attr->color : 0u;
        const int32_t style = v.attr ? v.attr->style : 0;
        // A data output only keeps its series for the readers after the run,
        // which runs every waiting loop at its end: the loops may go on
        // waiting, so that the statements of a chain still run together.
        // Every other kind reads its series here (and a volume stick looks
        // names up).
        const bool keepsOnly = v.kind == FML_DRAW_DATA && style != FML_PEN_VOLSTICK;
        // A line is made anew on each run: the steps that read it learn where
        // it differs from the last run's. Numbers, texts and icons are
        // written bar by bar: they resume the last run's from the first
        // changed bar (FormulaContext::beginOutput).
        const bool madeAnew = v.kind == FML_DRAW_LINE;
        const bool resumes = v.kind == FML_DRAW_NUMBER || v.kind == FML_DRAW_TEXT || v.kind == FML_DRAW_ICON;
        const std::size_t slot = ctx->code.size();
        ctx->code.emplace_back(
            [handler, name, width, color, style, keepsOnly, madeAnew, resumes, slot](FormulaContext* c) {
                if (!keepsOnly)
                    c->runPending();
                if (resumes)
                    c->beginOutput(slot);
                const bool ok = handler(c, name, width, color, style);
                c->endOutput(slot, ok && (madeAnew || resumes), madeAnew);
                return ok;
            });
        break;
    }
    default:
        break;
    }
}
