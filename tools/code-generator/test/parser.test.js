'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const { body, postfix, errorLine } = require('./helpers');

test('binary operators bind by level and associate to the left', () => {
    const cases = [
        ['A OR B AND C', 'A B C AND OR'],
        ['A AND B OR C', 'A B AND C OR'],
        ['A || B && C', 'A B C && ||'],
        ['A && B || C', 'A B && C ||'],
        ['A AND B = C', 'A B C = AND'],
        ['A = B < C', 'A B C < ='],
        ['A < B = C', 'A B < C ='],
        ['A <> B + C', 'A B C + <>'],
        ['A == B != C', 'A B == C !='],
        ['A < B >= C', 'A B < C >='],
        ['A > B + C', 'A B C + >'],
        ['A + B * C', 'A B C * +'],
        ['A * B + C', 'A B * C +'],
        ['A - B - C', 'A B - C -'],
        ['A / B / C', 'A B / C /'],
        ['A % B * C', 'A B % C *'],
        ['(A + B) * C', 'A B + C *'],
        ['A > B AND C <= D OR E', 'A B > C D <= AND E OR'],
        ['-A * B', 'A negate B *'],
        ['- -A', 'A negate negate'],
        ['-A(B)', 'B A negate'],
        ['F(A, B + C, G(D))', 'A B C + D G F'],
        ['F()', 'F'],
    ];
    for (const [source, expected] of cases) {
        const got = postfix(source).map(r => r.split(' ')[1]).join(' ');
        assert.equal(got, expected, source);
    }
});

test('|, ^ and & sit between AND and the comparisons', () => {
    // The generator rejects the loosest of these operators first, which
    // shows which one the parser put at the root.
    const cases = [
        ['A ^ B | C', '|'], ['A | B ^ C', '|'],
        ['A & B ^ C', '^'], ['A ^ B & C', '^'],
        ['A = B & C', '&'], ['A & B = C', '&'],
    ];
    for (const [source, root] of cases)
        assert.match(errorLine(source), new RegExp(`^Line 1: Operator \\${root} `), source);
});

test('assignments are right-associative and take only a name on the left', () => {
    assert.deepEqual(body('A:B:C'), ['MOV C', 'OUT DATA B 1 0x000000 0']);
    assert.deepEqual(body('A:B:=C'), ['MOV C', 'SAVE B']);
    assert.deepEqual(body('(A):1'), ['NUM 1', 'OUT DATA A 1 0x000000 0']);
    for (const source of ['1:2', 'A+B:C', 'F(X):=1', '-A:1', "'A':1", 'A:1+B:2'])
        assert.equal(errorLine(source), 'Line 1: Invalid left-hand side in assignment', source);
    // "=" compares.
    assert.deepEqual(postfix('A=1'), ['MOV A', 'NUM 1', 'CALL =']);
});

test('unexpected tokens are named with their text and line', () => {
    const cases = [
        [')', 'Line 1: Unexpected token )'],
        ['A+)', 'Line 1: Unexpected token )'],
        ['F(1;', 'Line 1: Unexpected token ;'],
        ['F(1 2)', 'Line 1: Unexpected token 2'],
        ["(A 'x')", "Line 1: Unexpected token 'x'"],
        ['A => B', 'Line 1: Unexpected token =>'],
        ['!A', 'Line 1: Unexpected token !'],
        ['A:=;', 'Line 1: Unexpected token ;'],
        ['A:=C;\nB:(C\n+)', 'Line 3: Unexpected token )'],
        ['A+', 'Line 1: Unexpected end of input'],
        ['MA(C,\n', 'Line 2: Unexpected end of input'],
    ];
    for (const [source, expected] of cases)
        assert.equal(errorLine(source), expected, JSON.stringify(source));
});

test('statements end at ";" or where the next one starts', () => {
    assert.deepEqual(postfix(';;A;;\nB\nC;'), ['MOV A', 'MOV B', 'MOV C']);
    assert.equal(body(';;;').length, 0);
});
