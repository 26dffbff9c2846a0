'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const { spawnSync } = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');

const CLI = path.join(__dirname, '..', 'cli.js');
const LIST = '[\r\n  ["SRC","X:1+2"],\r\n  ["NUM","3"],\r\n  ["OUT","DATA","X","1","0x000000","0"]\r\n]\r\n';

function run(args, input) {
    return spawnSync(process.execPath, [CLI, ...args], { input, encoding: 'utf8' });
}

test('the command line compiles standard input or a file', () => {
    let r = run([], 'X:1+2');
    assert.equal(r.status, 0, r.stderr);
    assert.equal(r.stdout, LIST);
    assert.equal(run(['-'], 'X:1+2').stdout, LIST);

    const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'codegen-'));
    try {
        const file = path.join(dir, 'f.txt');
        fs.writeFileSync(file, '\ufeffX:1+2');   // a byte-order mark is not part of the formula
        r = run([file]);
        assert.equal(r.status, 0, r.stderr);
        assert.equal(r.stdout, LIST);
        r = run([path.join(dir, 'missing.txt')]);
        assert.equal(r.status, 1);
        assert.match(r.stderr, /^cannot read /);
    } finally {
        fs.rmSync(dir, { recursive: true, force: true });
    }
});

test('the command line reports an error on standard error with status 1', () => {
    const r = run([], 'X:1+');
    assert.equal(r.status, 1);
    assert.equal(r.stdout, '');
    assert.match(r.stderr, /^Line 1: Unexpected end of input\r\n/);
});
