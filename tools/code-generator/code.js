'use strict';
// Offline formula compiler: turns indicator formula text into the printed
// postfix instruction list that the built-in indicator programs are written
// from. A scanner feeds a recursive-descent parser; FormulaCodeGenerator walks
// the resulting tree one statement at a time.

// ---------------------------------------------------------------- scanner

const TokenType = {
    EOF: 'EOF',
    Identifier: 'Identifier',
    Punctuator: 'Punctuator',
    Number: 'Numeric',
    String: 'String',
};

const TWO_CHAR_PUNCTUATORS = new Set(['&&', '||', '==', '!=', '<=', '>=', '=>', ':=', '<>']);
const ONE_CHAR_PUNCTUATORS = new Set('()<>=!+-*%&|^/:;,'.split(''));

const UNICODE_SPACE = /\p{Zs}/u;
const UNICODE_ID_START = /\p{ID_Start}/u;
const UNICODE_ID_CONTINUE = /\p{ID_Continue}/u;

class FormulaError extends Error {
    constructor(description, line, column, index) {
        super(`Line ${line}: ${description}`);
        this.description = description;
        this.line = line;
        this.column = column;
        this.index = index;
    }
}

function isLineBreak(c) {
    return c === 0x0A || c === 0x0D || c === 0x2028 || c === 0x2029;
}

function isWhiteSpace(c) {
    return c === 0x20 || c === 0x09 || c === 0x0B || c === 0x0C || c === 0xA0 ||
        (c >= 0x1680 && UNICODE_SPACE.test(String.fromCharCode(c)));
}

function isDigit(c) {
    return c >= 0x30 && c <= 0x39;
}

function isHexDigit(c) {
    return isDigit(c) || (c >= 0x41 && c <= 0x46) || (c >= 0x61 && c <= 0x66);
}

function isSurrogate(c) {
    return c >= 0xD800 && c <= 0xDFFF;
}

function isIdentifierStart(c) {
    if (c < 0x80)
        return (c >= 0x41 && c <= 0x5A) || (c >= 0x61 && c <= 0x7A) || c === 0x24 || c === 0x5F;
    return !isSurrogate(c) && UNICODE_ID_START.test(String.fromCharCode(c));
}

function isIdentifierPart(c) {
    if (c < 0x80)
        return isIdentifierStart(c) || isDigit(c);
    if (c === 0x200C || c === 0x200D)
        return true;
    return !isSurrogate(c) && UNICODE_ID_CONTINUE.test(String.fromCharCode(c));
}

class Scanner {
    constructor(source) {
        this.source = source;
        this.index = 0;
        this.line = 1;
        this.lineStart = 0;
    }

    error(index) {
        const at = index === undefined ? this.index : index;
        return new FormulaError('Unexpected token ILLEGAL', this.line, at - this.lineStart + 1, at);
    }

    // Consumes one line break (CR LF counts as one) at the current index.
    skipLineBreak() {
        const c = this.source.charCodeAt(this.index);
        ++this.index;
        if (c === 0x0D && this.source.charCodeAt(this.index) === 0x0A)
            ++this.index;
        ++this.line;
        this.lineStart = this.index;
    }

    skipSpaceAndComments() {
        const src = this.source;
        while (this.index < src.length) {
            const c = src.charCodeAt(this.index);
            if (isWhiteSpace(c)) {
                ++this.index;
            } else if (isLineBreak(c)) {
                this.skipLineBreak();
            } else if (c === 0x2F && src.charCodeAt(this.index + 1) === 0x2F) {
                this.index += 2;
                while (this.index < src.length && !isLineBreak(src.charCodeAt(this.index)))
                    ++this.index;
            } else if (c === 0x7B) {
                const open = this.index, openLine = this.line, openLineStart = this.lineStart;
                ++this.index;
                for (;;) {
                    if (this.index >= src.length) {
                        this.line = openLine;
                        this.lineStart = openLineStart;
                        throw this.error(open);
                    }
                    const d = src.charCodeAt(this.index);
                    if (d === 0x7D) {
                        ++this.index;
                        break;
                    }
                    if (isLineBreak(d))
                        this.skipLineBreak();
                    else
                        ++this.index;
                }
            } else {
                break;
            }
        }
    }

    token(type, value, start) {
        return {
            type, value,
            raw: this.source.slice(start, this.index),
            line: this.line,
            column: start - this.lineStart + 1,
            index: start,
        };
    }

    next() {
        this.skipSpaceAndComments();
        const src = this.source;
        const start = this.index;
        if (start >= src.length)
            return this.token(TokenType.EOF, '', start);
        const c = src.charCodeAt(start);
        if (isIdentifierStart(c))
            return this.scanIdentifier(start);
        if (isDigit(c) || (c === 0x2E && isDigit(src.charCodeAt(start + 1))))
            return this.scanNumber(start);
        if (c === 0x22 || c === 0x27)
            return this.scanString(start, c);
        const two = src.substr(start, 2);
        if (TWO_CHAR_PUNCTUATORS.has(two)) {
            this.index += 2;
            return this.token(TokenType.Punctuator, two, start);
        }
        if (ONE_CHAR_PUNCTUATORS.has(src[start])) {
            ++this.index;
            return this.token(TokenType.Punctuator, src[start], start);
        }
        throw this.error();
    }

    scanIdentifier(start) {
        const src = this.source;
        ++this.index;
        while (this.index < src.length) {
            const c = src.charCodeAt(this.index);
            if (c === 0x5C || isSurrogate(c))
                throw this.error();
            if (!isIdentifierPart(c))
                break;
            ++this.index;
        }
        const name = src.slice(start, this.index);
        // Only the upper-case spellings are the logical operators.
        if (name === 'AND' || name === 'OR')
            return this.token(TokenType.Punctuator, name, start);
        return this.token(TokenType.Identifier, name, start);
    }

    scanDigits() {
        while (isDigit(this.source.charCodeAt(this.index)))
            ++this.index;
    }

    scanNumber(start) {
        const src = this.source;
        this.scanDigits();
        if (src.charCodeAt(this.index) === 0x2E) {
            ++this.index;
            this.scanDigits();
        }
        const e = src.charCodeAt(this.index);
        if (e === 0x65 || e === 0x45) {
            ++this.index;
            const sign = src.charCodeAt(this.index);
            if (sign === 0x2B || sign === 0x2D)
                ++this.index;
            if (!isDigit(src.charCodeAt(this.index)))
                throw this.error();
            this.scanDigits();
        }
        // 5MA, 1e5x and 0x1F are not numbers.
        const after = src.charCodeAt(this.index);
        if (this.index < src.length && (isIdentifierStart(after) || after === 0x5C || isSurrogate(after)))
            throw this.error();
        const raw = src.slice(start, this.index);
        return this.token(TokenType.Number, Number(raw), start);
    }

    scanString(start, quote) {
        const src = this.source;
        ++this.index;
        for (;;) {
            if (this.index >= src.length)
                throw this.error(start);
            const c = src.charCodeAt(this.index);
            if (c === 0x5C || isLineBreak(c))
                throw this.error(start);
            ++this.index;
            if (c === quote)
                break;
        }
        return this.token(TokenType.String, src.slice(start + 1, this.index - 1), start);
    }
}

// ----------------------------------------------------------------- parser

const Syntax = {
    ExpressionStatement: 'ExpressionStatement',
    EmptyStatement: 'EmptyStatement',
    Sequence: 'SequenceExpression',
    Assignment: 'AssignmentExpression',
    Binary: 'BinaryExpression',
    Logical: 'LogicalExpression',
    Unary: 'UnaryExpression',
    Call: 'CallExpression',
    Identifier: 'Identifier',
    Literal: 'Literal',
};

// Binary operators, loosest first; every level is left-associative.
const PRECEDENCE = new Map([
    ['||', 1], ['OR', 1],
    ['&&', 2], ['AND', 2],
    ['|', 3],
    ['^', 4],
    ['&', 5],
    ['==', 6], ['=', 6], ['!=', 6], ['<>', 6],
    ['<', 7], ['>', 7], ['<=', 7], ['>=', 7],
    ['+', 9], ['-', 9],
    ['*', 11], ['/', 11], ['%', 11],
]);
const LOGICAL_OPERATORS = new Set(['||', '&&', 'AND', 'OR']);

class Parser {
    constructor(source) {
        this.scanner = new Scanner(source);
        this.lookahead = this.scanner.next();
    }

    next() {
        const token = this.lookahead;
        this.lookahead = this.scanner.next();
        return token;
    }

    isPunctuator(value) {
        return this.lookahead.type === TokenType.Punctuator && this.lookahead.value === value;
    }

    unexpected(token) {
        const description = token.type === TokenType.EOF ? 'Unexpected end of input' : `Unexpected token ${token.raw}`;
        return new FormulaError(description, token.line, token.column, token.index);
    }

    expect(value) {
        if (!this.isPunctuator(value))
            throw this.unexpected(this.lookahead);
        this.next();
    }

    node(type, at, fields) {
        return Object.assign({ type, line: at.line, column: at.column, index: at.index }, fields);
    }

    atEnd() {
        return this.lookahead.type === TokenType.EOF;
    }

    parseStatement() {
        const start = this.lookahead;
        if (this.isPunctuator(';')) {
            this.next();
            return this.node(Syntax.EmptyStatement, start, {});
        }
        const expression = this.parseExpression();
        if (this.isPunctuator(';'))
            this.next();
        return this.node(Syntax.ExpressionStatement, start, { expression });
    }

    parseExpression() {
        const start = this.lookahead;
        const first = this.parseAssignment();
        if (!this.isPunctuator(','))
            return first;
        const expressions = [first];
        while (this.isPunctuator(',')) {
            this.next();
            expressions.push(this.parseAssignment());
        }
        return this.node(Syntax.Sequence, start, { expressions });
    }

    parseAssignment() {
        const start = this.lookahead;
        const left = this.parseBinary(1);
        if (!this.isPunctuator(':') && !this.isPunctuator(':='))
            return left;
        const operator = this.lookahead;
        if (left.type !== Syntax.Identifier)
            throw new FormulaError('Invalid left-hand side in assignment', operator.line, operator.column, operator.index);
        this.next();
        const right = this.parseAssignment();
        return this.node(Syntax.Assignment, start, { operator: operator.value, left, right });
    }

    parseBinary(minPrecedence) {
        const start = this.lookahead;
        let left = this.parseUnary();
        for (;;) {
            const token = this.lookahead;
            const precedence = token.type === TokenType.Punctuator ? PRECEDENCE.get(token.value) : undefined;
            if (precedence === undefined || precedence < minPrecedence)
                return left;
            this.next();
            const right = this.parseBinary(precedence + 1);
            const type = LOGICAL_OPERATORS.has(token.value) ? Syntax.Logical : Syntax.Binary;
            const operatorAt = { line: token.line, column: token.column, index: token.index };
            left = this.node(type, start, { operator: token.value, operatorAt, left, right });
        }
    }

    parseUnary() {
        if (this.isPunctuator('+') || this.isPunctuator('-')) {
            const token = this.next();
            const argument = this.parseUnary();
            return this.node(Syntax.Unary, token, { operator: token.value, argument });
        }
        return this.parsePrimary();
    }

    parsePrimary() {
        const token = this.lookahead;
        switch (token.type) {
        case TokenType.Identifier: {
            this.next();
            let node = this.node(Syntax.Identifier, token, { name: token.value });
            while (this.isPunctuator('('))
                node = this.node(Syntax.Call, token, { callee: node, arguments: this.parseArguments() });
            return node;
        }
        case TokenType.Number:
        case TokenType.String:
            this.next();
            return this.node(Syntax.Literal, token, { value: token.value, raw: token.raw });
        case TokenType.Punctuator:
            if (token.value === '(') {
                this.next();
                const expression = this.parseExpression();
                this.expect(')');
                return expression;
            }
            break;
        default:
            break;
        }
        throw this.unexpected(token);
    }

    parseArguments() {
        this.expect('(');
        const args = [];
        if (this.isPunctuator(')')) {
            this.next();
            return args;
        }
        for (;;) {
            args.push(this.parseAssignment());
            if (!this.isPunctuator(','))
                break;
            this.next();
        }
        this.expect(')');
        return args;
    }
}

// -------------------------------------------------------------- generator

const DRAW_FUNCTIONS = new Map([
    ['STICKLINE', 'STICK'],
    ['DRAWLINE', 'LINE'],
    ['DRAWICON', 'ICON'],
    ['DRAWNUMBER', 'NUMBER'],
    ['DRAWNUMBER_FIX', 'FIX_NUMBER'],
    ['DRAWTEXT', 'STRING'],
    ['DRAWTEXT_FIX', 'FIX_STRING'],
    ['DRAWBAND', 'BAND'],
    ['DRAWRECT', 'RECT'],
    ['DRAWKLINE', 'KLINE'],
]);

// Colour values are written blue, green, red.
const COLOR_WORDS = new Map([
    ['COLORWHITE', '0xffffff'],
    ['COLORRED', '0x0000ff'],
    ['COLORGREEN', '0x00ff00'],
    ['COLORBLUE', '0xff0000'],
    ['COLORYELLOW', '0x00ffff'],
    ['COLORMAGENTA', '0xff00ff'],
    ['COLORCYAN', '0xffff00'],
]);

const WHOLE_WORD_STYLES = new Map([['NODRAW', '-1'], ['DOTLINE', '1']]);
const PREFIX_STYLES = [
    ['COLORSTICK', '2'], ['STICK', '3'], ['VOLSTICK', '4'], ['LINESTICK', '5'],
    ['CROSSDOT', '6'], ['CIRCLEDOT', '7'], ['POINTDOT', '8'],
];

const NAME_ALIASES = new Map([
    ['CLOSE', 'C'], ['OPEN', 'O'], ['HIGH', 'H'], ['LOW', 'L'], ['VOL', 'V'], ['AMOUNT', 'AMT'],
]);

// Operators the engine has no function for.
const UNSUPPORTED_OPERATORS = new Set(['^', '|', '&']);
const FOLDED_OPERATORS = {
    '+': (a, b) => a + b,
    '-': (a, b) => a - b,
    '*': (a, b) => a * b,
    '/': (a, b) => a / b,
};

const OUT_KIND = 1, OUT_NAME = 2, OUT_THICKNESS = 3, OUT_COLOR = 4, OUT_STYLE = 5;

// Only A-Z fold: the engine compares names with ASCII case folding, so a name
// must keep every other character exactly as it will be saved.
function asciiUpper(text) {
    return text.replace(/[a-z]+/g, s => s.toUpperCase());
}

function isNumberLiteral(node) {
    return node.type === Syntax.Literal && typeof node.value === 'number';
}

// The OUT field an attribute word sets and its value, or null for other words.
function attributeOf(name) {
    const word = asciiUpper(name);
    if (COLOR_WORDS.has(word))
        return [OUT_COLOR, COLOR_WORDS.get(word)];
    if (word.length === 11 && word.startsWith('COLOR')) {
        const digits = name.slice(5);
        if ([...digits].every(ch => isHexDigit(ch.charCodeAt(0))))
            return [OUT_COLOR, '0x' + digits];
    }
    if (/^LINETHICK[1-9]$/.test(word))
        return [OUT_THICKNESS, word.slice(9)];
    if (WHOLE_WORD_STYLES.has(word))
        return [OUT_STYLE, WHOLE_WORD_STYLES.get(word)];
    for (const [prefix, style] of PREFIX_STYLES) {
        if (word.startsWith(prefix))
            return [OUT_STYLE, style];
    }
    return null;
}

// The generator method that walks each kind of expression node.
const NODE_HANDLERS = {
    [Syntax.Literal]: 'literal',
    [Syntax.Identifier]: 'identifier',
    [Syntax.Binary]: 'binary',
    [Syntax.Logical]: 'binary',
    [Syntax.Unary]: 'unary',
    [Syntax.Call]: 'call',
    [Syntax.Assignment]: 'assignment',
    [Syntax.Sequence]: 'sequence',
};

class FormulaCodeGenerator {
    constructor(lines) {
        this.lines = lines;
        this.records = [];
        this.pending = null;
    }

    error(at, description) {
        return new FormulaError(description, at.line, at.column, at.index);
    }

    // Appends one statement's records: SRC, its operands and operators, and
    // the final SAVE or OUT record.
    statement(statement) {
        if (statement.type === Syntax.EmptyStatement)
            return;
        if (statement.type !== Syntax.ExpressionStatement)
            throw this.error(statement, `Unexpected ${statement.type}`);
        this.records.push(['SRC', this.lines[statement.line - 1]]);
        this.pending = ['OUT', 'DATA', '', '1', '0x000000', '0'];
        this.walk(statement.expression);
        this.records.push(this.pending);
    }

    walk(node) {
        const handler = NODE_HANDLERS[node.type];
        if (handler === undefined)
            throw this.error(node, `Unexpected ${node.type}`);
        this[handler](node);
    }

    literal(node) {
        if (typeof node.value === 'number')
            this.records.push(['NUM', node.raw]);
        else
            this.records.push(['STR', node.value]);
    }

    identifier(node) {
        this.records.push(['MOV', NAME_ALIASES.get(node.name) || asciiUpper(node.name)]);
    }

    binary(node) {
        const op = node.operator;
        if (UNSUPPORTED_OPERATORS.has(op))
            throw this.error(node.operatorAt, `Operator ${op} has no counterpart in the formula engine`);
        const fold = FOLDED_OPERATORS[op];
        if (fold && isNumberLiteral(node.left) && isNumberLiteral(node.right)) {
            // A division by zero or an overflow would print Infinity or NaN,
            // which the engine never takes as a number; leave those to run time.
            const value = fold(node.left.value, node.right.value);
            if (Number.isFinite(value)) {
                this.records.push(['NUM', String(value)]);
                return;
            }
        }
        this.walk(node.left);
        this.walk(node.right);
        this.records.push(['CALL', op.toUpperCase()]);
    }

    unary(node) {
        // Unary plus changes nothing; the engine's "+" takes two operands.
        if (node.operator === '+') {
            this.walk(node.argument);
        } else if (isNumberLiteral(node.argument)) {
            this.records.push(['NUM', '-' + node.argument.raw]);
        } else {
            this.walk(node.argument);
            this.records.push(['CALL', 'negate']);
        }
    }

    call(node) {
        if (node.callee.type !== Syntax.Identifier)
            throw this.error(node, 'Only a name can be called');
        const name = node.callee.name;
        const kind = DRAW_FUNCTIONS.get(asciiUpper(name));
        if (kind === 'FIX_NUMBER')
            throw this.error(node, `${name} has no draw kind in the formula engine`);
        for (const argument of node.arguments)
            this.walk(argument);
        if (kind === undefined)
            this.records.push(['CALL', name]);
        else if (this.pending[0] === 'OUT')
            this.pending[OUT_KIND] = kind;
    }

    assignment(node) {
        if (node.operator === ':=')
            this.pending = ['SAVE', node.left.name];
        else if (this.pending[0] === 'OUT')
            this.pending[OUT_NAME] = node.left.name;
        this.walk(node.right);
    }

    sequence(node) {
        node.expressions.forEach((element, i) => {
            if (element.type !== Syntax.Identifier) {
                this.walk(element);
                return;
            }
            const attribute = attributeOf(element.name);
            if (attribute) {
                if (this.pending[0] === 'OUT')
                    this.pending[attribute[0]] = attribute[1];
            } else if (i === 0) {
                // The value of an unnamed output such as "CLOSE,COLORRED":
                // dropping it would leave the output nothing to draw.
                this.walk(element);
            }
        });
    }
}

// ------------------------------------------------------------------ entry

const LINE_BREAKS = /\r\n|[\r\n\u2028\u2029]/;

function errorDetail(error, lines) {
    if (!(error instanceof FormulaError))
        return error instanceof Error ? error.name : typeof error;
    const text = lines[error.line - 1] || '';
    const caret = ' '.repeat(Math.max(0, error.column - 1)) + '^';
    return `Index ${error.index}, line ${error.line}, column ${error.column}\r\n${text}\r\n${caret}`;
}

// Generates each statement as soon as it is parsed, so errors come in source
// order and no tree outlives its statement.
function compile(source) {
    const parser = new Parser(source);
    const generator = new FormulaCodeGenerator(source.split(LINE_BREAKS));
    while (!parser.atEnd())
        generator.statement(parser.parseStatement());
    return generator.records;
}

function formatRecords(records) {
    if (records.length === 0)
        return '[\r\n]';
    return '[\r\n' + records.map(r => '  ' + JSON.stringify(r)).join(',\r\n') + '\r\n]';
}

// Returns the printed instruction list, or on any error the error's message,
// a line break and where it happened; never a partial list.
function codeGenerator(source) {
    const text = typeof source === 'string' ? source : String(source);
    try {
        return formatRecords(compile(text));
    } catch (error) {
        // Nesting deeper than the call stack surfaces as a RangeError.
        const message = error instanceof RangeError ? 'Formula nested too deeply to compile'
            : error instanceof Error ? error.message : String(error);
        return message + '\r\n' + errorDetail(error, text.split(LINE_BREAKS));
    }
}

module.exports = { codeGenerator, FormulaCodeGenerator };
