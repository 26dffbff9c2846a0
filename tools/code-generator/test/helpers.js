'use strict';
// Shared helpers of the compiler tests: compile a formula and read the printed
// list back as records.

const assert = require('node:assert/strict');
const path = require('node:path');
const { codeGenerator } = require(path.join(__dirname, '..', 'code'));

// The records of a formula that must compile.
function records(source) {
    const text = codeGenerator(source);
    assert.ok(text.startsWith('[\r\n'), `expected a list for ${JSON.stringify(source)}, got:\n${text}`);
    return JSON.parse(text);
}

// The records without the SRC comments, each joined into one string
// ("MOV C", "OUT DATA MA5 2 0x0000ff 0").
function body(source) {
    return records(source).filter(r => r[0] !== 'SRC').map(r => r.join(' '));
}

// Only the operand and operator records, which show evaluation order.
function postfix(source) {
    return body(source).filter(r => /^(MOV|NUM|STR|CALL) /.test(r));
}

// The first line of the error text of a formula that must not compile.
function errorLine(source) {
    const text = codeGenerator(source);
    assert.ok(!text.startsWith('['), `expected an error for ${JSON.stringify(source)}, got:\n${text}`);
    return text.split('\r\n')[0];
}

module.exports = { codeGenerator, records, body, postfix, errorLine };
