// Catalogue programs as static operation arrays, written by the build-time
// generator from the statement data, and the one routine that pushes them.
#ifndef TARVOLIN_FORMULAS_PROGRAMOPS_H
#define TARVOLIN_FORMULAS_PROGRAMOPS_H

#include <cstddef>
#include <cstdint>

#include "fml.h"
#include "formulas/formula.h"

namespace formula {

// One engine operation of a catalogue program.
struct ProgramOp {
    int op;            // FMLOpCode
    const char* name;  // ops 0, 1, 3, 5: name or text; op 6: the output name
    float number;      // op 2
    int kind;          // op 6: FMLDrawKind
    bool palette;      // op 6: the colour is the next palette colour, taken when pushed
    uint32_t color;    // op 6: the colour word otherwise
    float width;       // op 6
    int style;         // op 6
};

struct ProgramInfo {
    const char* id;
    FormulaBuildFn build;
    const ProgramOp* ops;
    std::size_t opCount;
    int statements;
    bool resetPalette;
};

// A static argument preset into the context before any operation is pushed.
struct ProgramPreset {
    const char* name;
    float value;
};

// GUI thread. Resets the palette index when asked, creates a context of vm and
// pushes ops into it. A push the engine refuses (a function that vm does not
// hold, such as an absent plug-in's) releases the context and returns null.
FormulaContext* buildProgram(FormulaVM* vm, const ProgramOp* ops, std::size_t count, bool resetPalette,
                             const ProgramPreset* presets = nullptr, std::size_t presetCount = 0);

}  // namespace formula

#endif
