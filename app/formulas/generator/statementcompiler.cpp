#include "statementcompiler.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <sstream>

namespace formulagen {

bool Op::operator==(const Op& o) const
{
    return op == o.op && name == o.name && number == o.number && kind == o.kind && palette == o.palette &&
           color == o.color && width == o.width && style == o.style;
}

CompileError::CompileError(int line_, const std::string& what)
    : std::runtime_error("line " + std::to_string(line_) + ": " + what), line(line_)
{}

namespace {

struct DrawKind {
    const char* name;
    int kind;
    int args;
};

const DrawKind kDrawKinds[] = {
    {"drawline", 1, 5}, {"drawstick", 2, 5},    {"drawnumber", 3, 3}, {"drawtext", 5, 3},   {"drawband", 6, 4},
    {"drawicon", 7, 3}, {"drawtext_fix", 9, 5}, {"drawrect", 10, 5},  {"drawkline", 11, 4},
};

bool equalsNoCase(const std::string& a, const char* b)
{
    std::size_t i = 0;
    for (; i < a.size() && b[i]; ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = char(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = char(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return i == a.size() && b[i] == 0;
}

const DrawKind* drawKindOf(const std::string& name)
{
    for (const DrawKind& d : kDrawKinds)
        if (equalsNoCase(name, d.name))
            return &d;
    return nullptr;
}

enum class Tok { Name, Number, String, Operator, LParen, RParen, Comma, Colon, Assign, End };

struct Token {
    Tok kind;
    std::string text;
};

bool isNameStart(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0x80;
}
bool isNameChar(unsigned char c)
{
    return isNameStart(c) || (c >= '0' && c <= '9');
}
bool isDigit(unsigned char c)
{
    return c >= '0' && c <= '9';
}

std::vector<Token> tokenize(const std::string& s, int line)
{
    std::vector<Token> out;
    std::size_t i = 0;
    while (i < s.size()) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (c == ' ' || c == '\t') {
            ++i;
        } else if (isNameStart(c)) {
            std::size_t j = i;
            while (j < s.size() && isNameChar(static_cast<unsigned char>(s[j])))
                ++j;
            out.push_back({Tok::Name, s.substr(i, j - i)});
            i = j;
        } else if (isDigit(c) || (c == '.' && i + 1 < s.size() && isDigit(static_cast<unsigned char>(s[i + 1])))) {
            std::size_t j = i;
            while (j < s.size() && isDigit(static_cast<unsigned char>(s[j])))
                ++j;
            if (j < s.size() && s[j] == '.') {
                ++j;
                while (j < s.size() && isDigit(static_cast<unsigned char>(s[j])))
                    ++j;
            }
            if (j < s.size() && isNameChar(static_cast<unsigned char>(s[j])))
                throw CompileError(line, "malformed number near '" + s.substr(i, j - i + 1) + "'");
            out.push_back({Tok::Number, s.substr(i, j - i)});
            i = j;
        } else if (c == '\'') {
            const std::size_t j = s.find('\'', i + 1);
            if (j == std::string::npos)
                throw CompileError(line, "unterminated string");
            out.push_back({Tok::String, s.substr(i + 1, j - i - 1)});
            i = j + 1;
        } else if (c == '(') {
            out.push_back({Tok::LParen, "("});
            ++i;
        } else if (c == ')') {
            out.push_back({Tok::RParen, ")"});
            ++i;
        } else if (c == ',') {
            out.push_back({Tok::Comma, ","});
            ++i;
        } else if (c == ':') {
            if (i + 1 < s.size() && s[i + 1] == '=') {
                out.push_back({Tok::Assign, ":="});
                i += 2;
            } else {
                out.push_back({Tok::Colon, ":"});
                ++i;
            }
        } else {
            static const char* const kOps[] = {"<=", ">=", "<>", "!=", "<", ">", "=", "+", "-", "*", "/"};
            bool matched = false;
            for (const char* op : kOps) {
                const std::size_t n = std::char_traits<char>::length(op);
                if (s.compare(i, n, op) == 0) {
                    out.push_back({Tok::Operator, op});
                    i += n;
                    matched = true;
                    break;
                }
            }
            if (!matched)
                throw CompileError(line, std::string("unexpected character '") + char(c) + "'");
        }
    }
    out.push_back({Tok::End, ""});
    return out;
}

// Binding strength of a binary operator token, 0 when the token is none.
int precedence(const Token& t)
{
    if (t.kind == Tok::Name) {
        if (equalsNoCase(t.text, "or"))
            return 1;
        if (equalsNoCase(t.text, "and"))
            return 2;
        return 0;
    }
    if (t.kind != Tok::Operator)
        return 0;
    const std::string& o = t.text;
    if (o == "=" || o == "<>" || o == "!=")
        return 3;
    if (o == "<" || o == "<=" || o == ">" || o == ">=")
        return 4;
    if (o == "+" || o == "-")
        return 5;
    return 6;  // * /
}

Op makeOp(int code, std::string name = std::string())
{
    Op op;
    op.op = code;
    op.name = std::move(name);
    return op;
}

float parseNumber(const std::string& text, bool negative, int line)
{
    char* end = nullptr;
    const float v = std::strtof(text.c_str(), &end);
    if (end != text.c_str() + text.size() || !std::isfinite(v))
        throw CompileError(line, "malformed number '" + text + "'");
    return negative ? -v : v;
}

// Precedence climbing that writes postfix operations as it goes.
class ExprParser {
public:
    ExprParser(const std::vector<Token>& toks, std::size_t pos, int line, std::vector<Op>& out)
        : toks_(toks), pos_(pos), line_(line), out_(out)
    {}

    void expr(int minPrec)
    {
        primary();
        for (;;) {
            const Token& t = toks_[pos_];
            const int p = precedence(t);
            if (p == 0 || p < minPrec)
                return;
            ++pos_;
            expr(p + 1);
            out_.push_back(makeOp(5, t.text));
        }
    }

    const Token& peek() const { return toks_[pos_]; }
    std::size_t pos() const { return pos_; }
    void expect(Tok kind, const char* what)
    {
        if (toks_[pos_].kind != kind)
            fail(std::string("expected ") + what);
        ++pos_;
    }
    [[noreturn]] void fail(const std::string& what) const
    {
        const Token& t = toks_[pos_];
        throw CompileError(line_, what + (t.kind == Tok::End ? " at the end" : " near '" + t.text + "'"));
    }

    // Comma-separated arguments up to the closing parenthesis; returns their number.
    int arguments()
    {
        expect(Tok::LParen, "'('");
        int n = 0;
        if (peek().kind == Tok::RParen) {
            ++pos_;
            return 0;
        }
        for (;;) {
            expr(1);
            ++n;
            if (peek().kind == Tok::Comma) {
                ++pos_;
                continue;
            }
            expect(Tok::RParen, "',' or ')'");
            return n;
        }
    }

private:
    void primary()
    {
        const Token& t = toks_[pos_];
        switch (t.kind) {
        case Tok::Number: {
            Op op = makeOp(2);
            op.number = parseNumber(t.text, false, line_);
            out_.push_back(op);
            ++pos_;
            return;
        }
        case Tok::String:
            out_.push_back(makeOp(3, t.text));
            ++pos_;
            return;
        case Tok::LParen:
            ++pos_;
            expr(1);
            expect(Tok::RParen, "')'");
            return;
        case Tok::Operator:
            if (t.text == "-") {
                const Token& next = toks_[pos_ + 1];
                if (next.kind == Tok::Number) {  // a negative literal
                    Op op = makeOp(2);
                    op.number = parseNumber(next.text, true, line_);
                    out_.push_back(op);
                    pos_ += 2;
                    return;
                }
                if (next.kind == Tok::LParen) {  // -( ... ) negates
                    ++pos_;
                    primary();
                    out_.push_back(makeOp(5, "negate"));
                    return;
                }
            }
            fail("expected an operand");
        case Tok::Name: {
            if (precedence(t) != 0)
                fail("expected an operand");
            if (toks_[pos_ + 1].kind == Tok::LParen) {
                if (drawKindOf(t.text))
                    fail("draw function inside an expression");
                const std::string name = t.text;
                ++pos_;
                arguments();
                out_.push_back(makeOp(5, name));
                return;
            }
            out_.push_back(makeOp(1, t.text));
            ++pos_;
            return;
        }
        default:
            fail("expected an operand");
        }
    }

    const std::vector<Token>& toks_;
    std::size_t pos_;
    int line_;
    std::vector<Op>& out_;
};

std::string trim(const std::string& s)
{
    std::size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r'))
        ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r'))
        --e;
    return s.substr(b, e - b);
}

// Reads a whole decimal integer with optional sign from s at i; advances i.
bool readInt(const std::string& s, std::size_t& i, long& v)
{
    const std::size_t start = i;
    if (i < s.size() && s[i] == '-')
        ++i;
    const std::size_t digits = i;
    while (i < s.size() && isDigit(static_cast<unsigned char>(s[i])))
        ++i;
    if (i == digits || i - digits > 9)
        return false;
    v = std::strtol(s.c_str() + start, nullptr, 10);
    return true;
}

void parseAttributes(const std::string& colourCell, const std::string& widthCell, const std::string& styleCell,
                     int line, Op& out)
{
    const std::string colour = trim(colourCell);
    if (colour == "palette") {
        out.palette = true;
    } else if (!colour.empty() && colour[0] == '(') {
        long rgb[3] = {0, 0, 0};
        std::size_t i = 1;
        for (int k = 0; k < 3; ++k) {
            while (i < colour.size() && colour[i] == ' ')
                ++i;
            if (!readInt(colour, i, rgb[k]) || rgb[k] < 0 || rgb[k] > 255)
                throw CompileError(line, "colour component out of 0..255 in '" + colour + "'");
            while (i < colour.size() && colour[i] == ' ')
                ++i;
            const char sep = k < 2 ? ',' : ')';
            if (i >= colour.size() || colour[i] != sep)
                throw CompileError(line, "malformed colour '" + colour + "'");
            ++i;
        }
        if (i != colour.size())
            throw CompileError(line, "malformed colour '" + colour + "'");
        out.color = uint32_t(rgb[0]) | uint32_t(rgb[1]) << 8 | uint32_t(rgb[2]) << 16;
    } else if (colour == "0" || colour.rfind("0 ", 0) == 0) {
        out.color = 0;
    } else {
        throw CompileError(line, "colour must be palette, 0 or (r,g,b), got '" + colour + "'");
    }

    const std::string width = trim(widthCell);
    char* end = nullptr;
    out.width = std::strtof(width.c_str(), &end);
    if (width.empty() || end != width.c_str() + width.size() || !std::isfinite(out.width) || out.width < 0)
        throw CompileError(line, "malformed width '" + width + "'");

    const std::string style = trim(styleCell);
    std::size_t i = 0;
    long v = 0;
    if (!readInt(style, i, v) || (i < style.size() && style[i] != ' '))
        throw CompileError(line, "style must start with an integer, got '" + style + "'");
    out.style = int(v);
}

}  // namespace

void compileStatement(const std::string& statement, const std::string& colour, const std::string& width,
                      const std::string& style, int line, std::vector<Op>& out)
{
    const std::vector<Token> toks = tokenize(statement, line);
    if (toks.size() == 1)
        throw CompileError(line, "empty statement");
    std::size_t pos = 0;
    std::string name;
    bool variable = false;
    if (toks[0].kind == Tok::Name && precedence(toks[0]) == 0 &&
        (toks[1].kind == Tok::Assign || toks[1].kind == Tok::Colon)) {
        name = toks[0].text;
        variable = toks[1].kind == Tok::Assign;
        pos = 2;
    }
    const bool hasAttributes = !trim(colour).empty() || !trim(width).empty() || !trim(style).empty();
    if (variable && hasAttributes)
        throw CompileError(line, "a variable ':=' takes no colour, width or style");
    if (!variable && !hasAttributes)
        throw CompileError(line, "a drawn output needs a colour, width and style");

    std::vector<Op> ops;
    ExprParser parser(toks, pos, line, ops);
    int kind = 0;
    const DrawKind* draw =
        toks[pos].kind == Tok::Name && toks[pos + 1].kind == Tok::LParen ? drawKindOf(toks[pos].text) : nullptr;
    if (draw) {
        if (variable)
            throw CompileError(line, "a draw function cannot be assigned to a variable");
        ExprParser args(toks, pos + 1, line, ops);
        const int n = args.arguments();
        if (n != draw->args)
            throw CompileError(line, std::string(draw->name) + " takes " + std::to_string(draw->args) +
                                         " arguments, got " + std::to_string(n));
        if (args.peek().kind != Tok::End)
            args.fail("unexpected text after the draw function");
        kind = draw->kind;
    } else {
        parser.expr(1);
        if (parser.peek().kind != Tok::End)
            parser.fail("unexpected token");
    }

    out.insert(out.end(), ops.begin(), ops.end());
    out.push_back(makeOp(0, name));
    if (!variable) {
        Op o = makeOp(6, name);
        o.kind = kind;
        parseAttributes(colour, width, style, line, o);
        out.push_back(o);
    }
    out.push_back(makeOp(4));
}

namespace {

// Splits a table row on '|' outside backticks; drops the cells before the
// first and after the last bar.
std::vector<std::string> splitRow(const std::string& row, int line)
{
    std::vector<std::string> cells;
    std::string cell;
    bool quoted = false;
    for (char c : row) {
        if (c == '`')
            quoted = !quoted;
        if (c == '|' && !quoted) {
            cells.push_back(cell);
            cell.clear();
        } else {
            cell += c;
        }
    }
    if (quoted)
        throw CompileError(line, "unbalanced backtick");
    if (!trim(cell).empty())
        throw CompileError(line, "text after the last '|'");
    cells.erase(cells.begin());  // before the leading bar (checked empty by the caller)
    return cells;
}

bool isIdentifier(const std::string& s)
{
    if (s.empty() || isDigit(static_cast<unsigned char>(s[0])))
        return false;
    for (char c : s)
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_'))
            return false;
    return true;
}

// variant <id> of <program> NAME=number ...
Program parseVariant(const std::string& s, int line, const std::vector<Program>& programs, std::set<std::string>& ids)
{
    std::istringstream words(s.substr(8));
    Program v;
    std::string of;
    words >> v.id >> of >> v.base;
    if (!isIdentifier(v.id))
        throw CompileError(line, "variant name must be an identifier");
    if (of != "of")
        throw CompileError(line, "expected 'variant <name> of <program>'");
    const Program* base = nullptr;
    for (const Program& p : programs)
        if (p.id == v.base && p.base.empty())
            base = &p;
    if (!base)
        throw CompileError(line, "variant of unknown program '" + v.base + "'");
    if (!ids.insert(v.id).second)
        throw CompileError(line, "program '" + v.id + "' defined twice");
    v.resetPalette = base->resetPalette;
    v.statements = base->statements;
    std::string item;
    while (words >> item) {
        const std::size_t eq = item.find('=');
        const std::vector<Token> name =
            eq == std::string::npos ? std::vector<Token>{} : tokenize(item.substr(0, eq), line);
        if (name.size() != 2 || name[0].kind != Tok::Name || precedence(name[0]) != 0)
            throw CompileError(line, "preset '" + item + "' is not NAME=number");
        std::string number = item.substr(eq + 1);
        const bool negative = !number.empty() && number[0] == '-';
        if (negative)
            number.erase(0, 1);
        if (number.empty() || !(isDigit(static_cast<unsigned char>(number[0])) || number[0] == '.'))
            throw CompileError(line, "preset '" + item + "' is not NAME=number");
        v.presets.push_back({name[0].text, parseNumber(number, negative, line)});
    }
    if (v.presets.empty())
        throw CompileError(line, "variant '" + v.id + "' presets nothing");
    return v;
}

}  // namespace

std::vector<Program> compileFile(const std::string& text)
{
    std::vector<Program> programs;
    std::set<std::string> ids;
    Program* current = nullptr;
    std::istringstream in(text);
    std::string raw;
    int line = 0;
    while (std::getline(in, raw)) {
        ++line;
        const std::string s = trim(raw);
        if (s.empty() || s[0] == '#')
            continue;
        if (s.rfind("program ", 0) == 0) {
            if (current)
                throw CompileError(line, "program inside program '" + current->id + "' (missing 'end')");
            std::istringstream words(s.substr(8));
            Program p;
            std::string flag;
            words >> p.id >> flag;
            if (!isIdentifier(p.id))
                throw CompileError(line, "program name must be an identifier");
            if (!ids.insert(p.id).second)
                throw CompileError(line, "program '" + p.id + "' defined twice");
            if (flag == "noreset")
                p.resetPalette = false;
            else if (!flag.empty())
                throw CompileError(line, "unknown program flag '" + flag + "'");
            std::string extra;
            if (words >> extra)
                throw CompileError(line, "unexpected '" + extra + "'");
            programs.push_back(std::move(p));
            current = &programs.back();
        } else if (s.rfind("variant ", 0) == 0) {
            if (current)
                throw CompileError(line, "variant inside program '" + current->id + "' (missing 'end')");
            programs.push_back(parseVariant(s, line, programs, ids));
        } else if (s == "end") {
            if (!current)
                throw CompileError(line, "'end' outside a program");
            if (current->statements == 0)
                throw CompileError(line, "program '" + current->id + "' has no statements");
            current = nullptr;
        } else if (s[0] == '|') {
            if (!current)
                throw CompileError(line, "statement outside a program");
            const std::vector<std::string> cells = splitRow(s, line);
            if (cells.size() != 5)
                throw CompileError(line, "a statement row has five cells: number, statement, colour, width, style");
            const std::string number = trim(cells[0]);
            if (number != std::to_string(current->statements + 1))
                throw CompileError(
                    line, "statement number " + number + ", expected " + std::to_string(current->statements + 1));
            const std::string stmt = trim(cells[1]);
            if (stmt.size() < 2 || stmt.front() != '`' || stmt.back() != '`')
                throw CompileError(line, "the statement is written between backticks");
            compileStatement(stmt.substr(1, stmt.size() - 2), cells[2], cells[3], cells[4], line, current->ops);
            ++current->statements;
        } else {
            throw CompileError(line, "unrecognised line");
        }
    }
    if (current)
        throw CompileError(line, "program '" + current->id + "' is not closed by 'end'");
    return programs;
}

namespace {

std::string cString(const std::string& s)
{
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\' || c == '?') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20 || c == 0x7f) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\%03o", c);
            out += buf;
        } else {
            out += char(c);
        }
    }
    return out + "\"";
}

std::string cFloat(float v)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.9g", double(v));
    std::string s = buf;
    if (s.find_first_of(".e") == std::string::npos)
        s += ".0";
    return s + "f";
}

}  // namespace

std::string emitHeader(const std::vector<Program>& programs, const std::string& space)
{
    std::ostringstream o;
    o << "// Generated by formulagen from the statement data; do not edit.\n"
      << "#pragma once\n\n#include \"formulas/programops.h\"\n\n"
      << "namespace formula {\nnamespace " << space << " {\n\n";
    for (const Program& p : programs)
        o << "FormulaContext* build_" << p.id << "(FormulaVM* vm);\n";
    o << "\nextern const ProgramInfo programs[];\nextern const std::size_t programCount;\n\n"
      << "}  // namespace " << space << "\n}  // namespace formula\n";
    return o.str();
}

std::string emitSource(const std::vector<Program>& programs, const std::string& space, const std::string& header)
{
    std::ostringstream o;
    o << "// Generated by formulagen from the statement data; do not edit.\n"
      << "#include \"" << header << "\"\n\n"
      << "namespace formula {\nnamespace " << space << " {\nnamespace {\n\n";
    for (const Program& p : programs) {
        if (!p.base.empty()) {
            o << "const ProgramPreset presets_" << p.id << "[] = {\n";
            for (const Preset& v : p.presets)
                o << "    {" << cString(v.name) << ", " << cFloat(v.value) << "},\n";
            o << "};\n\n";
            continue;
        }
        o << "const ProgramOp ops_" << p.id << "[] = {\n";
        for (const Op& op : p.ops) {
            o << "    {" << op.op << ", " << (op.op == 2 || op.op == 4 ? std::string("nullptr") : cString(op.name))
              << ", " << cFloat(op.number) << ", " << op.kind << ", " << (op.palette ? "true" : "false") << ", "
              << op.color << "u, " << cFloat(op.width) << ", " << op.style << "},\n";
        }
        o << "};\n\n";
    }
    o << "}  // namespace\n\n";
    auto opsOf = [&programs](const Program& p) -> const Program& {
        for (const Program& b : programs)
            if (!p.base.empty() && b.id == p.base)
                return b;
        return p;
    };
    for (const Program& p : programs) {
        const Program& ops = opsOf(p);
        o << "FormulaContext* build_" << p.id << "(FormulaVM* vm)\n{\n    return buildProgram(vm, ops_" << ops.id
          << ", " << ops.ops.size() << ", " << (p.resetPalette ? "true" : "false");
        if (!p.base.empty())
            o << ", presets_" << p.id << ", " << p.presets.size();
        o << ");\n}\n\n";
    }
    o << "const ProgramInfo programs[] = {\n";
    for (const Program& p : programs) {
        const Program& ops = opsOf(p);
        o << "    {\"" << p.id << "\", build_" << p.id << ", ops_" << ops.id << ", " << ops.ops.size() << ", "
          << p.statements << ", " << (p.resetPalette ? "true" : "false") << "},\n";
    }
    o << "};\n\nconst std::size_t programCount = " << programs.size() << ";\n\n"
      << "}  // namespace " << space << "\n}  // namespace formula\n";
    return o.str();
}

}  // namespace formulagen
