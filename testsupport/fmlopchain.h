// Chained pushes of a formula program through the engine's C interface, for
// the tests and benchmarks that build programs by hand:
//   p.name("C").num(12).call("EMA").assign("E").out("E").drop();
// A host derives as `class Host : public FmlOpChain<Host>` and names the
// context the pushes go to (in its constructor, or later with chainTo).
#pragma once

#include <cstdint>

#include "fml.h"

template <typename Self>
class FmlOpChain {
public:
    explicit FmlOpChain(FormulaContext* ctx = nullptr) : chained_(ctx) {}

    Self& num(float v)
    {
        FMLOpValue op{};
        op.number = v;
        fml_ctx_op_code_push(chained_, FML_OP_PUSH_NUMBER, &op);
        return self();
    }
    Self& name(const char* n) { return push(FML_OP_PUSH_NAME, n); }
    Self& str(const char* s) { return push(FML_OP_PUSH_STRING, s); }
    Self& call(const char* f) { return push(FML_OP_CALL, f); }
    Self& assign(const char* n) { return push(FML_OP_ASSIGN, n); }
    Self& drop()
    {
        fml_ctx_op_code_push(chained_, FML_OP_DROP, nullptr);
        return self();
    }
    // An output of the value on the stack with its pen.
    Self& output(int kind, const char* outName, uint32_t color = 0, float width = 1.0f, int32_t style = 0)
    {
        FMLOutputAttr attr{color, width, style};
        FMLOpValue op{};
        op.kind = kind;
        op.output_name = outName;
        op.attr = &attr;
        fml_ctx_op_code_push(chained_, FML_OP_OUTPUT, &op);
        return self();
    }
    // A drawn data output, as the catalogue's programs declare theirs.
    Self& out(const char* outName, int32_t style = FML_PEN_LINE)
    {
        return output(FML_DRAW_DATA, outName, 0, 1.0f, style);
    }

    // The MACD lines: DIF = EMA(C, 12) - EMA(C, 26) and DEA = EMA(DIF, 9),
    // each assigned and drawn.
    Self& difDea()
    {
        name("C").num(12).call("EMA").name("C").num(26).call("EMA").call("-").assign("DIF").out("DIF").drop();
        return name("DIF").num(9).call("EMA").assign("DEA").out("DEA").drop();
    }
    // MACD = (DIF - DEA) * 2, assigned and drawn.
    Self& macdBar() { return name("DIF").name("DEA").call("-").num(2).call("*").assign("MACD").out("MACD").drop(); }
    // RSV over n bars left on the stack: (C - LLV(L, n)) / (HHV(H, n) - LLV(L, n)) * 100.
    Self& rsv(float n)
    {
        name("C").name("L").num(n).call("LLV").call("-");
        name("H").num(n).call("HHV").name("L").num(n).call("LLV").call("-");
        return call("/").num(100).call("*");
    }

protected:
    void chainTo(FormulaContext* ctx) { chained_ = ctx; }

private:
    Self& self() { return static_cast<Self&>(*this); }
    Self& push(int op, const char* text)
    {
        FMLOpValue v{};
        v.name = text;
        fml_ctx_op_code_push(chained_, op, &v);
        return self();
    }

    FormulaContext* chained_;
};
