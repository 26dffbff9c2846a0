// One drawn output of one run: the arguments it stores, its name, kind name and
// style, and the two functions through which the readers measure its value
// range and read its value at a bar.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "fml.h"
#include "formulaargument.h"

struct FormulaOutput;

// Folds the output's values over bars [begin, begin + count) into *max and *min.
using OutputRangeFn = void (*)(const FormulaOutput& out, uint32_t begin, uint32_t count, float* max, float* min);
// Writes the output's value at a bar into sel->value.
using OutputValueFn = void (*)(const FormulaOutput& out, FMLSelectedValue* sel, uint32_t bar);

struct FormulaOutput {
    std::vector<ArgumentPtr> series;  // stored arguments and results, in the kind's order
    std::string name;                 // output name (may be empty)
    std::string kindName;             // "drawdata", "drawline", ...
    float width = 0.0f;
    uint32_t color = 0;
    int32_t penStyle = 0;
    OutputRangeFn range = nullptr;
    OutputValueFn value = nullptr;
};

// One entry of the draw-order list: the list (draw kind) and the index in it.
struct DrawOrderEntry {
    int32_t kind;
    int32_t index;
};

// Number of output lists of a context: one per draw kind 1 to 11 (list k-1
// holds kind k; the list of kind 4 stays empty).
constexpr int kOutputListCount = 11;

// Shared maximum and minimum of one argument over bars [begin, begin + count):
// a literal's one value is folded in whatever the count; for a series every
// value of those bars is. Values that are either marker are skipped in both
// cases, and bars past the values held are not read.
void seriesExtremes(const FormulaArgument& x, uint32_t begin, uint32_t count, float* max, float* min);
