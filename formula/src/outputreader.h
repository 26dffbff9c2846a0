// Reading a context's drawn outputs after a run: one output's style and data
// pointers, the value range over visible bars and the values at one bar.
#pragma once

#include <cstdint>

#include "fml.h"
#include "formulacontext.h"

// Number of outputs of draw kind 1-3 or 5-11, of draw-order entries for -1, 0 otherwise.
int outputCount(const FormulaContext& ctx, int kind);

// Fills item from output i of kind's list (see fml_ctx_op_<kind>). False, with
// item unchanged, when kind has no list or i is not below its size.
bool readOutputItem(const FormulaContext& ctx, int kind, FMLOutputItem* item, unsigned i);

// Folds every eligible output's range over [begin, begin + count) into *max and *min.
void outputMaxMin(const FormulaContext& ctx, uint32_t begin, uint32_t count, float* max, float* min);

// The named outputs' values at bar, at most capacity of them; returns how many.
int outputSelectedValues(const FormulaContext& ctx, uint32_t bar, FMLSelectedValue* out, int capacity);
