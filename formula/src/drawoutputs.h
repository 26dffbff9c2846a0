// The handlers of the draw kinds of op 6: each pops the kind's arguments,
// records one FormulaOutput and pushes one value back.
#pragma once

#include <cstdint>
#include <string>

#include "formulacontext.h"

// handler(context, output name, width, colour, pen style)
using DrawHandler = bool (*)(FormulaContext* ctx, const std::string& name, float width, uint32_t color,
                             int32_t penStyle);

// The handler of a draw kind (0 and 8 share one); null for kind 4 and kinds
// outside 0-11.
DrawHandler drawHandlerFor(int kind);

// Range and value functions of the outputs (used by the handlers and the readers).
void seriesRange(const FormulaOutput& out, uint32_t begin, uint32_t count, float* max, float* min);
void bandRange(const FormulaOutput& out, uint32_t begin, uint32_t count, float* max, float* min);
void klineRange(const FormulaOutput& out, uint32_t begin, uint32_t count, float* max, float* min);
void stickRange(const FormulaOutput& out, uint32_t begin, uint32_t count, float* max, float* min);
void rectRange(const FormulaOutput& out, uint32_t begin, uint32_t count, float* max, float* min);
void seriesValueAt(const FormulaOutput& out, FMLSelectedValue* sel, uint32_t bar);
void stickValueAt(const FormulaOutput& out, FMLSelectedValue* sel, uint32_t bar);
