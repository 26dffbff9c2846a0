// The statement compiler: operation lists of each statement form, precedence,
// attributes, and refusal of malformed data with the line number.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "statementcompiler.h"

using formulagen::CompileError;
using formulagen::compileFile;
using formulagen::compileStatement;
using formulagen::Op;

namespace {

Op name(int code, const std::string& n)
{
    Op o;
    o.op = code;
    o.name = n;
    return o;
}
Op num(float v)
{
    Op o;
    o.op = 2;
    o.number = v;
    return o;
}
Op drop()
{
    return name(4, "");
}
Op output(int kind, const std::string& n, bool palette, uint32_t color, float width, int style)
{
    Op o = name(6, n);
    o.kind = kind;
    o.palette = palette;
    o.color = color;
    o.width = width;
    o.style = style;
    return o;
}

std::string show(const std::vector<Op>& ops)
{
    std::ostringstream s;
    for (const Op& o : ops) {
        s << o.op << ':';
        if (o.op == 2)
            s << o.number;
        else
            s << '"' << o.name << '"';
        if (o.op == 6)
            s << "{k" << o.kind << (o.palette ? " pal" : " c") << o.color << " w" << o.width << " s" << o.style << '}';
        s << ' ';
    }
    return s.str();
}

std::vector<Op> compile(const std::string& stmt, const std::string& c = "", const std::string& w = "",
                        const std::string& s = "")
{
    std::vector<Op> ops;
    compileStatement(stmt, c, w, s, 1, ops);
    return ops;
}

// The operations of an expression alone: a variable statement minus its op 0 and op 4.
std::string exprOps(const std::string& expr)
{
    std::vector<Op> ops = compile("X := " + expr);
    ops.resize(ops.size() - 2);
    return show(ops);
}

// Compiles one of the catalogue's data files; an unreadable file compiles to nothing.
std::string dataFileText(const std::string& name)
{
    std::ifstream in(TARVOLIN_SOURCE_DIR "/app/formulas/" + name, std::ios::binary);
    EXPECT_TRUE(in) << name;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<formulagen::Program> compileDataFile(const std::string& name)
{
    return compileFile(dataFileText(name));
}

// What a data file's lines say of its programs, read without the compiler:
// per "program ID [noreset]" ... "end" block its id, its "|" rows and whether
// it resets the palette; per "variant ID of BASE ..." line the base's.
struct Listed {
    std::string id;
    int statements;
    bool resetPalette;
};
std::vector<Listed> listedPrograms(const std::string& text)
{
    std::vector<Listed> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        std::string first, id, second, base;
        words >> first >> id >> second >> base;
        if (first == "program") {
            out.push_back({id, 0, second != "noreset"});
        } else if (first == "|" && !out.empty()) {
            ++out.back().statements;
        } else if (first == "variant") {
            for (const Listed& p : std::vector<Listed>(out))
                if (p.id == base)
                    out.push_back({id, p.statements, p.resetPalette});
        }
    }
    return out;
}

void expectCompiledAsListed(const std::string& name)
{
    const auto programs = compileDataFile(name);
    const std::vector<Listed> listed = listedPrograms(dataFileText(name));
    ASSERT_FALSE(listed.empty()) << name;
    ASSERT_EQ(programs.size(), listed.size()) << name;
    for (std::size_t i = 0; i < programs.size(); ++i) {
        EXPECT_EQ(programs[i].id, listed[i].id) << name;
        EXPECT_EQ(programs[i].statements, listed[i].statements) << programs[i].id;
        EXPECT_EQ(programs[i].resetPalette, listed[i].resetPalette) << programs[i].id;
    }
}

}  // namespace

TEST(StatementCompiler, BbiGivesTheDocumentedOperationList)
{
    const std::vector<Op> expected = {
        name(1, "C"),
        name(1, "M1"),
        name(5, "MA"),
        name(1, "C"),
        name(1, "M2"),
        name(5, "MA"),
        name(5, "+"),
        name(1, "C"),
        name(1, "M3"),
        name(5, "MA"),
        name(5, "+"),
        name(1, "C"),
        name(1, "M4"),
        name(5, "MA"),
        name(5, "+"),
        num(4.0f),
        name(5, "/"),
        name(0, "BBI"),
        output(0, "BBI", true, 0, 1.0f, 0),
        drop(),
    };
    const auto programs =
        compileFile("program P21\n| 1 | `BBI: (MA(C,M1)+MA(C,M2)+MA(C,M3)+MA(C,M4))/4` | palette | 1 | 0 |\nend\n");
    ASSERT_EQ(programs.size(), 1u);
    EXPECT_EQ(programs[0].statements, 1);
    EXPECT_TRUE(programs[0].resetPalette);
    EXPECT_EQ(show(programs[0].ops), show(expected));
    EXPECT_TRUE(programs[0].ops == expected);
}

TEST(StatementCompiler, PrecedenceAndAssociativity)
{
    struct Case {
        const char* expr;
        const char* ops;
    } cases[] = {
        {"A+B*C", R"(1:"A" 1:"B" 1:"C" 5:"*" 5:"+" )"},
        {"A*B+C", R"(1:"A" 1:"B" 5:"*" 1:"C" 5:"+" )"},
        {"A-B-C", R"(1:"A" 1:"B" 5:"-" 1:"C" 5:"-" )"},
        {"A/B*C", R"(1:"A" 1:"B" 5:"/" 1:"C" 5:"*" )"},
        {"(A-B)*2", R"(1:"A" 1:"B" 5:"-" 2:2 5:"*" )"},
        {"A+B<C", R"(1:"A" 1:"B" 5:"+" 1:"C" 5:"<" )"},
        {"A<B=C>=D", R"(1:"A" 1:"B" 5:"<" 1:"C" 1:"D" 5:">=" 5:"=" )"},
        {"A<>B", R"(1:"A" 1:"B" 5:"<>" )"},
        {"A!=B", R"(1:"A" 1:"B" 5:"!=" )"},
        {"A<=B", R"(1:"A" 1:"B" 5:"<=" )"},
        {"A=B AND C", R"(1:"A" 1:"B" 5:"=" 1:"C" 5:"AND" )"},
        {"C<O OR C=O AND C<REF(C,1)",
         R"(1:"C" 1:"O" 5:"<" 1:"C" 1:"O" 5:"=" 1:"C" 1:"C" 2:1 5:"REF" 5:"<" 5:"AND" 5:"OR" )"},
        {"x and y or z", R"(1:"x" 1:"y" 5:"and" 1:"z" 5:"or" )"},
        {"SMA(RSV,M1,1)", R"(1:"RSV" 1:"M1" 2:1 5:"SMA" )"},
        {"STRCMP('1A0001',CODE)", R"(3:"1A0001" 1:"CODE" 5:"STRCMP" )"},
        {"0.015*AVEDEV(TYP,N)", R"(2:0.015 1:"TYP" 1:"N" 5:"AVEDEV" 5:"*" )"},
        {"BI=-1", R"(1:"BI" 2:-1 5:"=" )"},
        {"-(A+B)*C", R"(1:"A" 1:"B" 5:"+" 5:"negate" 1:"C" 5:"*" )"},
        {"NOT(BARSTATUS=1)", R"(1:"BARSTATUS" 2:1 5:"=" 5:"NOT" )"},
        {"hhv(H,90)=H", R"(1:"H" 2:90 5:"hhv" 1:"H" 5:"=" )"},
        {"大笔H", R"(1:"大笔H" )"},
        {"F()", R"(5:"F" )"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(exprOps(c.expr), c.ops) << c.expr;
}

TEST(StatementCompiler, StatementForms)
{
    // named output
    EXPECT_EQ(show(compile("DIF: EMA(C,SHORT)", "palette", "1", "0")),
              show({name(1, "C"), name(1, "SHORT"), name(5, "EMA"), name(0, "DIF"), output(0, "DIF", true, 0, 1, 0),
                    drop()}));
    // variable
    EXPECT_EQ(show(compile("PH := REF(H,1)")), show({name(1, "H"), num(1), name(5, "REF"), name(0, "PH"), drop()}));
    // unnamed output with an explicit colour and a style followed by its word
    EXPECT_EQ(show(compile("0", "(0,0,255)", "1", "1 DOTLINE")),
              show({num(0), name(0, ""), output(0, "", false, 0xff0000u, 1, 1), drop()}));
    // unnamed draw statement, colour 0
    EXPECT_EQ(show(compile("drawkline(H,O,L,C)", "0 (palette when painted)", "1", "-11")),
              show({name(1, "H"), name(1, "O"), name(1, "L"), name(1, "C"), name(0, ""),
                    output(11, "", false, 0, 1, -11), drop()}));
    // named draw statement with its arguments in order
    EXPECT_EQ(show(compile("EXT: drawline(A,O,B,2,0)", "(255,255,0)", "3", "0")),
              show({name(1, "A"), name(1, "O"), name(1, "B"), num(2), num(0), name(0, "EXT"),
                    output(1, "EXT", false, 0x00ffffu, 3, 0), drop()}));
    EXPECT_EQ(show(compile("drawstick(H>PH,0,V,0.4,0)", "(255,61,61)", "1", "0")),
              show({name(1, "H"), name(1, "PH"), name(5, ">"), num(0), name(1, "V"), num(0.4f), num(0), name(0, ""),
                    output(2, "", false, 0x3d3dffu, 1, 0), drop()}));
}

TEST(StatementCompiler, DrawKindsAndArgumentCounts)
{
    struct Case {
        const char* call;
        int kind;
    } cases[] = {
        {"drawline(1,2,3,4,5)", 1},       {"drawstick(1,2,3,4,5)", 2}, {"drawnumber(1,2,3)", 3},
        {"drawtext(1,2,'a')", 5},         {"drawband(1,2,3,4)", 6},    {"drawicon(1,2,3)", 7},
        {"drawtext_fix(1,2,3,4,'a')", 9}, {"drawrect(1,2,3,4,5)", 10}, {"drawkline(1,2,3,4)", 11},
    };
    for (const Case& c : cases) {
        const auto ops = compile(c.call, "0", "1", "0");
        EXPECT_EQ(ops[ops.size() - 2].kind, c.kind) << c.call;
    }
    EXPECT_THROW(compile("drawline(1,2,3,4)", "0", "1", "0"), CompileError);
    EXPECT_THROW(compile("drawkline(H,O,L,C,V)", "0", "1", "0"), CompileError);
}

TEST(StatementCompiler, RefusesMalformedDataWithItsLineNumber)
{
    struct Case {
        const char* text;
        int line;
    } cases[] = {
        {"program P\n| 1 | `A: B+` | palette | 1 | 0 |\nend\n", 2},               // operand missing
        {"program P\n| 1 | `A: (B` | palette | 1 | 0 |\nend\n", 2},               // unclosed parenthesis
        {"program P\n| 1 | `A: B)` | palette | 1 | 0 |\nend\n", 2},               // stray parenthesis
        {"program P\n| 1 | `A: 'x` | palette | 1 | 0 |\nend\n", 2},               // unterminated string
        {"program P\n| 1 | `A: B # C` | palette | 1 | 0 |\nend\n", 2},            // unknown character
        {"program P\n| 1 | `A: B` | | | |\nend\n", 2},                            // drawn without attributes
        {"program P\n| 1 | `A := B` | palette | 1 | 0 |\nend\n", 2},              // variable with attributes
        {"program P\n| 1 | `A: B` | (256,0,0) | 1 | 0 |\nend\n", 2},              // colour out of range
        {"program P\n| 1 | `A: B` | red | 1 | 0 |\nend\n", 2},                    // unknown colour
        {"program P\n| 1 | `A: B` | palette | wide | 0 |\nend\n", 2},             // width not a number
        {"program P\n| 1 | `A: B` | palette | 1 | NODRAW |\nend\n", 2},           // style without its code
        {"program P\n| 1 | `A: 1+drawline(1,2,3,4,5)` | 0 | 1 | 0 |\nend\n", 2},  // draw inside an expression
        {"program P\n| 1 | `A := drawicon(1,2,3)` | | | |\nend\n", 2},            // draw assigned to a variable
        {"program P\n| 1 | `A: B` | palette | 1 | 0 |\n| 3 | `C: D` | palette | 1 | 0 |\nend\n", 3},  // numbering
        {"program P\n| 1 | A: B | palette | 1 | 0 |\nend\n", 2},                                      // no backticks
        {"program P\n| 1 | `A: B` | palette | 1 |\nend\n", 2},                                        // four cells
        {"# c\n\nprogram P\n| 1 | `A: B` | palette | 1 | 0 |\n", 4},                                  // no end
        {"program P\nend\n", 2},                                                                      // empty program
        {"| 1 | `A: B` | palette | 1 | 0 |\n", 1},                             // outside a program
        {"program P\n| 1 | `A: B` | palette | 1 | 0 |\nend\nprogram P\n", 4},  // defined twice
        {"program 1P\n", 1},                                                   // not an identifier
        {"program P fast\n", 1},                                               // unknown flag
        {"program P\nwhat\n", 2},                                              // stray text
        {"program P\n| 1 | `A: 1x` | palette | 1 | 0 |\nend\n", 2},            // malformed number
    };
    for (const Case& c : cases) {
        try {
            compileFile(c.text);
            ADD_FAILURE() << "accepted: " << c.text;
        } catch (const CompileError& e) {
            EXPECT_EQ(e.line, c.line) << c.text;
            EXPECT_EQ(std::string(e.what()).rfind("line " + std::to_string(c.line) + ": ", 0), 0u) << e.what();
        }
    }
}

TEST(StatementCompiler, NoResetFlagAndStatementCounts)
{
    const auto programs = compileFile(
        "# two programs\nprogram A noreset\n| 1 | `_TS := TIMESTAMP` | | | |\n| 2 | `drawkline(H,O,L,C)` | 0 | 1 | 0 "
        "|\nend\n"
        "program B\r\n| 1 | `X: 1` | palette | 1 | 0 |\r\nend\r\n");
    ASSERT_EQ(programs.size(), 2u);
    EXPECT_FALSE(programs[0].resetPalette);
    EXPECT_EQ(programs[0].statements, 2);
    EXPECT_EQ(programs[0].ops.size(), 3u + 7u);
    EXPECT_TRUE(programs[1].resetPalette);
    EXPECT_EQ(programs[1].ops.size(), 4u);
}

TEST(StatementCompiler, EmittedSourceEscapesTextsAndKeepsFloatsExact)
{
    const auto programs =
        compileFile("program Q\n| 1 | `T: STRCAT('a\"b\\c?',X)*0.015` | (1,2,3) | 1.5 | -1 NODRAW |\nend\n");
    const std::string src = formulagen::emitSource(programs, "sample", "formulas/sampleprograms.h");
    EXPECT_NE(src.find(R"("a\"b\\c\?")"), std::string::npos) << src;
    EXPECT_NE(src.find("0.0149999997f"), std::string::npos) << src;
    EXPECT_NE(src.find("{6, \"T\", 0.0f, 0, false, 197121u, 1.5f, -1}"), std::string::npos) << src;
    EXPECT_NE(src.find("return buildProgram(vm, ops_Q, 8, true);"), std::string::npos) << src;
    const std::string h = formulagen::emitHeader(programs, "sample");
    EXPECT_NE(h.find("FormulaContext* build_Q(FormulaVM* vm);"), std::string::npos) << h;
}

TEST(StatementCompiler, StandardDataCompiles)
{
    expectCompiledAsListed("standard.fml");
    // the base chart programs leave the palette index alone
    const auto programs = compileDataFile("standard.fml");
    ASSERT_GE(programs.size(), 5u);
    for (std::size_t i : {0, 1, 3, 4})
        EXPECT_FALSE(programs[i].resetPalette) << programs[i].id;
}

TEST(StatementCompiler, VariantsShareAProgramWithPresets)
{
    const auto programs = compileFile(
        "program R noreset\n| 1 | `B: O+K1*N1` | palette | 1 | 0 |\nend\n"
        "variant R1 of R K1=0.5 N1=10\nvariant R2 of R K1=-0.25 中证=3\n");
    ASSERT_EQ(programs.size(), 3u);
    EXPECT_EQ(programs[1].base, "R");
    EXPECT_TRUE(programs[1].ops.empty());
    EXPECT_EQ(programs[1].statements, 1);
    EXPECT_FALSE(programs[1].resetPalette);
    ASSERT_EQ(programs[2].presets.size(), 2u);
    EXPECT_EQ(programs[2].presets[0].name, "K1");
    EXPECT_EQ(programs[2].presets[0].value, -0.25f);
    EXPECT_EQ(programs[2].presets[1].name, "中证");
    const std::string src = formulagen::emitSource(programs, "s", "formulas/sprograms.h");
    EXPECT_NE(src.find("return buildProgram(vm, ops_R, 8, false, presets_R1, 2);"), std::string::npos) << src;
    EXPECT_NE(src.find("{\"R2\", build_R2, ops_R, 8, 1, false},"), std::string::npos) << src;
    EXPECT_NE(src.find("{\"N1\", 10.0f},"), std::string::npos) << src;

    const char* bad[] = {
        "variant V of R K=1\n",                                                      // unknown program
        "program R\n| 1 | `B: 1` | palette | 1 | 0 |\nend\nvariant V R K=1\n",       // no 'of'
        "program R\n| 1 | `B: 1` | palette | 1 | 0 |\nend\nvariant V of R\n",        // presets nothing
        "program R\n| 1 | `B: 1` | palette | 1 | 0 |\nend\nvariant V of R K=x\n",    // not a number
        "program R\n| 1 | `B: 1` | palette | 1 | 0 |\nend\nvariant R of R K=1\n",    // name taken
        "program R\n| 1 | `B: 1` | palette | 1 | 0 |\nend\nvariant V of R A+B=1\n",  // not a name
    };
    for (const char* text : bad) {
        try {
            compileFile(text);
            ADD_FAILURE() << "accepted: " << text;
        } catch (const CompileError& e) {
            EXPECT_EQ(e.line, std::string(text).rfind("variant", 0) == 0 ? 1 : 4) << text;
        }
    }
}

TEST(StatementCompiler, OwnDataCompiles)
{
    expectCompiledAsListed("own.fml");
    const auto programs = compileDataFile("own.fml");
    // negative literals and negation as the own programs write them
    const auto ardun = std::find_if(programs.begin(), programs.end(), [](const auto& p) { return p.id == "Ardun"; });
    ASSERT_NE(ardun, programs.end());
    std::vector<Op> jj;
    compileStatement("JJ: -(HH-J)", "(0,255,0)", "1", "0", 1, jj);
    EXPECT_TRUE(std::search(ardun->ops.begin(), ardun->ops.end(), jj.begin(), jj.end()) != ardun->ops.end());
    EXPECT_EQ(exprOps("IF(MACD2>0,1,-1)"), R"(1:"MACD2" 2:0 5:">" 2:1 2:-1 5:"IF" )");
    EXPECT_EQ(exprOps("(C-JJ)/JJ<-0.005"), R"(1:"C" 1:"JJ" 5:"-" 1:"JJ" 5:"/" 2:-0.005 5:"<" )");
}
