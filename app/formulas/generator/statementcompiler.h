// Compiles the catalogue's statement tables into postfix operation lists and
// writes them out as C++ arrays. Runs at build time only.
//
// Data file form:
//   # comment, or blank line
//   program <identifier> [noreset]
//   | <n> | `<statement>` | <colour> | <width> | <style> |
//   ...
//   end
//   variant <identifier> of <program> NAME=number ...
//     the program's operations, built with NAME preset as a literal static
//     argument before any operation is pushed
// Statements:
//   NAME: expr          drawn output of kind 0 named NAME
//   NAME := expr        variable, not drawn (attribute cells empty)
//   expr                unnamed drawn output
//   [NAME:] drawX(...)  draw statement of kind drawX
// Colour cells: "palette", "0 ...", or "(r,g,b)"; style cells start with an integer.
#ifndef TARVOLIN_FORMULAS_GENERATOR_STATEMENTCOMPILER_H
#define TARVOLIN_FORMULAS_GENERATOR_STATEMENTCOMPILER_H

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace formulagen {

// One engine operation as the build function will push it.
struct Op {
    int op = 0;            // 0 assign, 1 name, 2 number, 3 string, 4 drop, 5 call, 6 output
    std::string name;      // ops 0, 1, 3, 5; op 6: the output name
    float number = 0.0f;   // op 2
    int kind = 0;          // op 6: draw kind
    bool palette = false;  // op 6: colour taken from the palette when pushed
    uint32_t color = 0;    // op 6: colour word when not palette
    float width = 0.0f;    // op 6
    int style = 0;         // op 6

    bool operator==(const Op& o) const;
};

struct Preset {
    std::string name;
    float value = 0.0f;
};

struct Program {
    std::string id;
    bool resetPalette = true;
    int statements = 0;
    std::vector<Op> ops;
    std::string base;             // a variant: the program whose operations it shares
    std::vector<Preset> presets;  // a variant's preset static arguments
};

// A malformed data file: message starts with "line N: ".
class CompileError : public std::runtime_error {
public:
    CompileError(int line, const std::string& what);
    int line;
};

// Compiles one statement with its attribute cells (empty cells for variables)
// and appends its operations to out. line is used in error messages.
void compileStatement(const std::string& statement, const std::string& colour, const std::string& width,
                      const std::string& style, int line, std::vector<Op>& out);

// Parses a whole data file.
std::vector<Program> compileFile(const std::string& text);

// C++ header and source defining build functions for every program, in
// namespace formula::<space>.
std::string emitHeader(const std::vector<Program>& programs, const std::string& space);
std::string emitSource(const std::vector<Program>& programs, const std::string& space, const std::string& header);

}  // namespace formulagen

#endif
