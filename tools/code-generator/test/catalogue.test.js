'use strict';
// Four built-in programs written in the formula language must compile to the
// operations the catalogue pushes for them (op 1 push name, 2 push number,
// 5 call, 0 assign, 6 output with its draw kind, 4 drop). They are checked
// against operations derived by hand from the catalogue's statement tables,
// and against the arrays the catalogue generator writes from its statement
// data when CODEGEN_FORMULAGEN names that generator. Colours and other output
// attributes differ by design and are left out.
const test = require('node:test');
const assert = require('node:assert/strict');
const { spawnSync } = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { records } = require('./helpers');

const DRAW_KINDS = {
    DATA: 0, LINE: 1, STICK: 2, NUMBER: 3, STRING: 5, BAND: 6, ICON: 7, FIX_STRING: 9, RECT: 10, KLINE: 11,
};

// One string of engine operations per statement.
function engineOps(source) {
    const statements = [];
    for (const r of records(source)) {
        switch (r[0]) {
        case 'SRC': statements.push([]); break;
        case 'MOV': statements.at(-1).push(`1:${r[1]}`); break;
        case 'NUM': statements.at(-1).push(`2:${Math.fround(Number(r[1]))}`); break;
        case 'STR': statements.at(-1).push(`3:${r[1]}`); break;
        case 'CALL': statements.at(-1).push(`5:${r[1]}`); break;
        case 'SAVE': statements.at(-1).push(`0:${r[1]}`, '4'); break;
        case 'OUT': statements.at(-1).push(`0:${r[2]}`, `6:${DRAW_KINDS[r[1]]}`, '4'); break;
        default: assert.fail(`unknown record ${r[0]}`);
        }
    }
    return statements.map(s => s.join(' '));
}

const PROGRAMS = {
    MACD: {
        id: 'P7',
        source: `0,COLORBLUE,DOTLINE;
DIF:EMA(CLOSE,SHORT)-EMA(CLOSE,LONG);
DEA:EMA(DIF,MID);
MACD:(DIF-DEA)*2,COLORSTICK;`,
        ops: [
            '2:0 0: 6:0 4',
            '1:C 1:SHORT 5:EMA 1:C 1:LONG 5:EMA 5:- 0:DIF 6:0 4',
            '1:DIF 1:MID 5:EMA 0:DEA 6:0 4',
            '1:DIF 1:DEA 5:- 2:2 5:* 0:MACD 6:0 4',
        ],
    },
    KDJ: {
        id: 'P10',
        source: `RSV:=(CLOSE-LLV(LOW,N))/(HHV(HIGH,N)-LLV(LOW,N))*100;
K:SMA(RSV,M1,1);
D:SMA(K,M2,1);
J:3*K-2*D;`,
        ops: [
            '1:C 1:L 1:N 5:LLV 5:- 1:H 1:N 5:HHV 1:L 1:N 5:LLV 5:- 5:/ 2:100 5:* 0:RSV 4',
            '1:RSV 1:M1 2:1 5:SMA 0:K 6:0 4',
            '1:K 1:M2 2:1 5:SMA 0:D 6:0 4',
            '2:3 1:K 5:* 2:2 1:D 5:* 5:- 0:J 6:0 4',
        ],
    },
    RSI: {
        id: 'P11',
        source: `LC:=REF(CLOSE,1);
TMP1:=MAX(CLOSE-LC,0);
TMP2:=ABS(CLOSE-LC);
RSI1:SMA(TMP1,N1,1)/SMA(TMP2,N1,1)*100;
RSI2:SMA(TMP1,N2,1)/SMA(TMP2,N2,1)*100;
RSI3:SMA(TMP1,N3,1)/SMA(TMP2,N3,1)*100;`,
        ops: [
            '1:C 2:1 5:REF 0:LC 4',
            '1:C 1:LC 5:- 2:0 5:MAX 0:TMP1 4',
            '1:C 1:LC 5:- 5:ABS 0:TMP2 4',
            '1:TMP1 1:N1 2:1 5:SMA 1:TMP2 1:N1 2:1 5:SMA 5:/ 2:100 5:* 0:RSI1 6:0 4',
            '1:TMP1 1:N2 2:1 5:SMA 1:TMP2 1:N2 2:1 5:SMA 5:/ 2:100 5:* 0:RSI2 6:0 4',
            '1:TMP1 1:N3 2:1 5:SMA 1:TMP2 1:N3 2:1 5:SMA 5:/ 2:100 5:* 0:RSI3 6:0 4',
        ],
    },
    BOLL: {
        id: 'P8',
        source: `DRAWKLINE(HIGH,OPEN,LOW,CLOSE);
BOLL:MA(CLOSE,M);
UB:BOLL+2*STD(CLOSE,M);
LB:BOLL-2*STD(CLOSE,M);`,
        ops: [
            '1:H 1:O 1:L 1:C 0: 6:11 4',
            '1:C 1:M 5:MA 0:BOLL 6:0 4',
            '1:BOLL 2:2 1:C 1:M 5:STD 5:* 5:+ 0:UB 6:0 4',
            '1:BOLL 2:2 1:C 1:M 5:STD 5:* 5:- 0:LB 6:0 4',
        ],
    },
};

test('MACD, KDJ, RSI and BOLL compile to the catalogue\'s operations', () => {
    for (const [name, program] of Object.entries(PROGRAMS))
        assert.deepEqual(engineOps(program.source), program.ops, name);
});

test('the MACD zero line and bars keep their styles', () => {
    const outs = records(PROGRAMS.MACD.source).filter(r => r[0] === 'OUT').map(r => r[5]);
    assert.deepEqual(outs, ['1', '0', '0', '2']);
});

// The operation arrays of a generated catalogue source, by program id:
//   const ProgramOp ops_P7[] = {
//       {1, "C", 0.0f, 0, false, 0u, 0.0f, 0},
const OP_LINE = /^\s*\{(\d+), (nullptr|"((?:[^"\\]|\\.)*)"), ([^,]+)f, (-?\d+), (?:true|false), \d+u, [^,]+f, -?\d+\},$/;

function generatedPrograms(sourceText) {
    const programs = new Map();
    let current = null;
    for (const line of sourceText.split('\n')) {
        const head = /^const ProgramOp ops_(\w+)\[\] = \{$/.exec(line);
        if (head) {
            current = [];
            programs.set(head[1], current);
        } else if (current && line === '};') {
            current = null;
        } else if (current) {
            const m = OP_LINE.exec(line);
            assert.ok(m, `unreadable operation line: ${line}`);
            const op = Number(m[1]);
            if (op === 1 || op === 5)
                current.push(`${op}:${m[3].replace(/\\(.)/g, '$1')}`);
            else if (op === 2)
                current.push(`2:${Math.fround(Number(m[4]))}`);
        }
    }
    return programs;
}

const FORMULAGEN = process.env.CODEGEN_FORMULAGEN;
const STATEMENT_DATA = path.join(__dirname, '..', '..', '..', 'app', 'formulas', 'standard.fml');

test('name, number and call operations equal the catalogue generator\'s',
    { skip: !FORMULAGEN && 'CODEGEN_FORMULAGEN is not set' }, () => {
        const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'codegen-catalogue-'));
        try {
            const header = path.join(dir, 'standardprograms.h');
            const source = path.join(dir, 'standardprograms.cpp');
            const r = spawnSync(FORMULAGEN, [STATEMENT_DATA, 'standard', header, source, 'formulas/standardprograms.h'],
                { encoding: 'utf8' });
            assert.equal(r.status, 0, `${FORMULAGEN} failed: ${r.error ? r.error.message : r.stderr}`);
            const programs = generatedPrograms(fs.readFileSync(source, 'utf8'));
            for (const [name, program] of Object.entries(PROGRAMS)) {
                assert.ok(programs.has(program.id), `no program ${program.id} (${name}) in the catalogue`);
                const ours = engineOps(program.source).join(' ').split(' ').filter(op => /^[125]:/.test(op));
                assert.deepEqual(ours, programs.get(program.id), name);
            }
        } finally {
            fs.rmSync(dir, { recursive: true, force: true });
        }
    });
