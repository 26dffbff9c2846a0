'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const { records, body, postfix, errorLine } = require('./helpers');

test('white space of every kind separates tokens', () => {
    const spaces = ' \t\v\f\u00a0\u1680\u2003\u202f\u205f\u3000';
    assert.deepEqual(postfix(`A${spaces}+${spaces}B`), ['MOV A', 'MOV B', 'CALL +']);
});

test('every line break kind counts one line', () => {
    const source = 'A\rB\r\nC\nD\u2028E\u2029F';
    const src = records(source).filter(r => r[0] === 'SRC').map(r => r[1]);
    assert.deepEqual(src, ['A', 'B', 'C', 'D', 'E', 'F']);
    assert.equal(errorLine(source + '\n)'), 'Line 7: Unexpected token )');
});

test('both comment forms are skipped and braces span lines', () => {
    assert.deepEqual(postfix('A // B ) #\n{ C )\n # } + D'), ['MOV A', 'MOV D', 'CALL +']);
    assert.equal(errorLine('{ one\r\ntwo\rthree }\n)'), 'Line 4: Unexpected token )');
    assert.equal(errorLine('A;\n{ never closed'), 'Line 2: Unexpected token ILLEGAL');
});

test('identifiers take Chinese letters, $ and _', () => {
    assert.deepEqual(body('均线:MA(收盘价,5)'), ['MOV 收盘价', 'NUM 5', 'CALL MA', 'OUT DATA 均线 1 0x000000 0']);
    assert.deepEqual(postfix('$a_1+_B2'), ['MOV $A_1', 'MOV _B2', 'CALL +']);
});

test('AND and OR are operators only in upper case', () => {
    assert.deepEqual(postfix('A AND B OR C'), ['MOV A', 'MOV B', 'CALL AND', 'MOV C', 'CALL OR']);
    // Lower case "and" is a name, so the text is three statements.
    assert.deepEqual(postfix('A and B'), ['MOV A', 'MOV AND', 'MOV B']);
    assert.deepEqual(postfix('ANDX+ORB'), ['MOV ANDX', 'MOV ORB', 'CALL +']);
});

test('numbers keep the text they were written with', () => {
    for (const raw of ['7', '2.50', '.5', '1.', '1e5', '1E5', '1e+5', '1e-5', '1.5e-3', '007']) {
        assert.deepEqual(postfix(raw), [`NUM ${raw}`], raw);
    }
});

test('malformed numbers, strings and characters are ILLEGAL', () => {
    const cases = [
        '5MA', '1e', '1e+', '1.5e5x', '0x1F', '3$', '2\\',   // numbers
        "'a\\b'", "'ab\ncd'", '"abc', "'abc\"",           // strings
        '#', 'A.B', '[1]', '}', '@', '~A', 'A\\u0041', 'A\u{20000}', '\u{20000}',
    ];
    for (const source of cases)
        assert.equal(errorLine(source), 'Line 1: Unexpected token ILLEGAL', JSON.stringify(source));
    assert.equal(errorLine('A:=C;\n  B:#'), 'Line 2: Unexpected token ILLEGAL');
});

test('strings in either quote keep their content', () => {
    assert.deepEqual(postfix(`'1A0001'+"买入 信号"`), ['STR 1A0001', 'STR 买入 信号', 'CALL +']);
});
