'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const { codeGenerator, body, postfix, errorLine } = require('./helpers');

const OUT = 'OUT DATA  1 0x000000 0';   // the default record of an unnamed output

test('the printed list is exact: CR LF, two-space indents, commas', () => {
    assert.equal(codeGenerator('MA5:MA(CLOSE,5),COLORRED,LINETHICK2;'),
        '[\r\n' +
        '  ["SRC","MA5:MA(CLOSE,5),COLORRED,LINETHICK2;"],\r\n' +
        '  ["MOV","C"],\r\n' +
        '  ["NUM","5"],\r\n' +
        '  ["CALL","MA"],\r\n' +
        '  ["OUT","DATA","MA5","2","0x0000ff","0"]\r\n' +
        ']');
    assert.equal(codeGenerator(''), '[\r\n]');
    assert.equal(codeGenerator(' { only a comment }\n// and another\n;'), '[\r\n]');
});

test('SRC holds the line a statement starts on', () => {
    assert.equal(codeGenerator('A:=1;\n  均价:MA(C,\n5);'),
        '[\r\n' +
        '  ["SRC","A:=1;"],\r\n' +
        '  ["NUM","1"],\r\n' +
        '  ["SAVE","A"],\r\n' +
        '  ["SRC","  均价:MA(C,"],\r\n' +
        '  ["MOV","C"],\r\n' +
        '  ["NUM","5"],\r\n' +
        '  ["CALL","MA"],\r\n' +
        '  ["OUT","DATA","均价","1","0x000000","0"]\r\n' +
        ']');
});

test('statements end in SAVE for := and in OUT otherwise', () => {
    assert.deepEqual(body('A:=CLOSE; B:A*2;'),
        ['MOV C', 'SAVE A', 'MOV A', 'NUM 2', 'CALL *', 'OUT DATA B 1 0x000000 0']);
    assert.deepEqual(body('CLOSE>OPEN'), ['MOV C', 'MOV O', 'CALL >', OUT]);
    assert.deepEqual(body("DRAWTEXT(C>O,L,'买')"), ['MOV C', 'MOV O', 'CALL >', 'MOV L', 'STR 买', 'OUT STRING  1 0x000000 0']);
    // Attributes of a variable are dropped.
    assert.deepEqual(body('A:=C,COLORRED,LINETHICK3,NODRAW'), ['MOV C', 'SAVE A']);
});

test('two number literals fold under + - * /, except where the result is no number', () => {
    const cases = [
        ['1+2', ['NUM 3']],
        ['7-10', ['NUM -3']],
        ['2.5*4', ['NUM 10']],
        ['1/4', ['NUM 0.25']],
        ['1e5+1', ['NUM 100001']],
        ['0.1+0.2', ['NUM 0.30000000000000004']],
        ['2*CLOSE', ['NUM 2', 'MOV C', 'CALL *']],
        ['(1+2)+3', ['NUM 3', 'NUM 3', 'CALL +']],
        ['1%2', ['NUM 1', 'NUM 2', 'CALL %']],
        ['1<2', ['NUM 1', 'NUM 2', 'CALL <']],
        ['1 AND 0', ['NUM 1', 'NUM 0', 'CALL AND']],
        ["'a'+1", ['STR a', 'NUM 1', 'CALL +']],
        // No Infinity or NaN: the division by zero stays for the engine.
        ['1/0', ['NUM 1', 'NUM 0', 'CALL /']],
        ['0/0.0', ['NUM 0', 'NUM 0.0', 'CALL /']],
        ['1e308*10', ['NUM 1e308', 'NUM 10', 'CALL *']],
    ];
    for (const [source, expected] of cases)
        assert.deepEqual(postfix(source), expected, source);
});

test('unary minus folds into literals or calls negate; unary plus adds nothing', () => {
    const cases = [
        ['-5', ['NUM -5']],
        ['-.5', ['NUM -.5']],
        ['-1e-5', ['NUM -1e-5']],
        ['-C', ['MOV C', 'CALL negate']],
        ['--5', ['NUM -5', 'CALL negate']],
        ['-(1+2)', ['NUM 3', 'CALL negate']],
        ['+C', ['MOV C']],
        ['+5', ['NUM 5']],
        ['C-+-5', ['MOV C', 'NUM -5', 'CALL -']],
        ['+-C', ['MOV C', 'CALL negate']],
    ];
    for (const [source, expected] of cases)
        assert.deepEqual(postfix(source), expected, source);
});

test('drawing functions set the OUT kind instead of calling', () => {
    const kinds = [
        ['STICKLINE', 'STICK'], ['DRAWLINE', 'LINE'], ['DRAWICON', 'ICON'], ['DRAWNUMBER', 'NUMBER'],
        ['DRAWTEXT', 'STRING'], ['DRAWTEXT_FIX', 'FIX_STRING'], ['DRAWBAND', 'BAND'],
        ['DRAWRECT', 'RECT'], ['DRAWKLINE', 'KLINE'], ['drawKline', 'KLINE'],
    ];
    for (const [fn, kind] of kinds)
        assert.deepEqual(body(`X:${fn}(H,1)`), ['MOV H', 'NUM 1', `OUT ${kind} X 1 0x000000 0`], fn);
    // The engine has no fixed-position number: refuse it with its line.
    assert.equal(errorLine('A:=1;\nDRAWNUMBER_FIX(C,0.5,0.5,1)'),
        'Line 2: DRAWNUMBER_FIX has no draw kind in the formula engine');
    assert.match(errorLine('drawnumber_fix(1,1,1,1)'), /^Line 1: drawnumber_fix has no draw kind/);
});

test('operators without an engine function are errors with their line', () => {
    assert.equal(errorLine('A:=1;\nB:C\n^2'), 'Line 3: Operator ^ has no counterpart in the formula engine');
    assert.equal(errorLine('X:A|B'), 'Line 1: Operator | has no counterpart in the formula engine');
    assert.equal(errorLine('X:1&2'), 'Line 1: Operator & has no counterpart in the formula engine');
});

test('attribute words set colour, thickness and style', () => {
    const cases = [
        ['COLORWHITE', '1 0xffffff 0'], ['COLORRED', '1 0x0000ff 0'], ['COLORGREEN', '1 0x00ff00 0'],
        ['COLORBLUE', '1 0xff0000 0'], ['COLORYELLOW', '1 0x00ffff 0'], ['COLORMAGENTA', '1 0xff00ff 0'],
        ['COLORCYAN', '1 0xffff00 0'], ['colorRed', '1 0x0000ff 0'],
        ['COLORFF8000', '1 0xFF8000 0'], ['color00ff7f', '1 0x00ff7f 0'],
        ['COLORFF80', '1 0x000000 0'], ['COLORFF80000', '1 0x000000 0'], ['COLORGG0000', '1 0x000000 0'],
        ['LINETHICK1', '1 0x000000 0'], ['LINETHICK5', '5 0x000000 0'], ['LINETHICK9', '9 0x000000 0'],
        ['linethick3', '3 0x000000 0'], ['LINETHICK0', '1 0x000000 0'], ['LINETHICK10', '1 0x000000 0'],
        ['NODRAW', '1 0x000000 -1'], ['nodraw', '1 0x000000 -1'], ['DOTLINE', '1 0x000000 1'],
        ['COLORSTICK', '1 0x000000 2'], ['STICK', '1 0x000000 3'], ['VOLSTICK', '1 0x000000 4'],
        ['LINESTICK', '1 0x000000 5'], ['CROSSDOT', '1 0x000000 6'], ['CIRCLEDOT', '1 0x000000 7'],
        ['POINTDOT', '1 0x000000 8'],
        // Whole words for NODRAW and DOTLINE, prefixes for the others.
        ['NODRAWS', '1 0x000000 0'], ['DOTLINES', '1 0x000000 0'], ['STICKS', '1 0x000000 3'],
        ['volstick2', '1 0x000000 4'], ['POINTDOTX', '1 0x000000 8'], ['UNKNOWN', '1 0x000000 0'],
    ];
    for (const [word, fields] of cases)
        assert.deepEqual(body(`X:C,${word}`), ['MOV C', `OUT DATA X ${fields}`], word);
    assert.deepEqual(body('X:C,COLORRED,LINETHICK2,DOTLINE,COLORBLUE'), ['MOV C', 'OUT DATA X 2 0xff0000 1']);
});

test('a leading bare name in a list is the output value', () => {
    assert.deepEqual(body('CLOSE,COLORRED'), ['MOV C', 'OUT DATA  1 0x0000ff 0']);
    assert.deepEqual(body('VOL,VOLSTICK'), ['MOV V', 'OUT DATA  1 0x000000 4']);
    assert.deepEqual(body('X:C,FOO,COLORRED'), ['MOV C', 'OUT DATA X 1 0x0000ff 0']);
    assert.deepEqual(body('0,COLORBLUE,DOTLINE'), ['NUM 0', 'OUT DATA  1 0xff0000 1']);
});

test('names: aliases in exact upper case only, others upper-cased', () => {
    const cases = [
        ['CLOSE', 'C'], ['OPEN', 'O'], ['HIGH', 'H'], ['LOW', 'L'], ['VOL', 'V'], ['AMOUNT', 'AMT'],
        ['close', 'CLOSE'], ['Close', 'CLOSE'], ['vol', 'VOL'], ['ma5', 'MA5'], ['ZSTJJ', 'ZSTJJ'],
        // Only A-Z fold, as the engine compares names.
        ['café', 'CAFé'], ['straße', 'STRAßE'],
    ];
    for (const [name, mov] of cases)
        assert.deepEqual(postfix(name), [`MOV ${mov}`], name);
    // Call names and output names stay as written.
    assert.deepEqual(body('ma5:ma(close,5)'), ['MOV CLOSE', 'NUM 5', 'CALL ma', 'OUT DATA ma5 1 0x000000 0']);
});

test('errors return the message and detail, never a partial list', () => {
    const text = codeGenerator('A:C;\nB:MA(C,#)');
    assert.equal(text, 'Line 2: Unexpected token ILLEGAL\r\nIndex 12, line 2, column 8\r\nB:MA(C,#)\r\n       ^');
    assert.match(errorLine('F(1)(2)'), /^Line 1: Only a name can be called/);
    // Statements are checked in source order.
    assert.match(errorLine('A:1^2;\n)'), /^Line 1: Operator \^/);
    const deep = '('.repeat(200000) + '1' + ')'.repeat(200000);
    assert.equal(errorLine(deep), 'Formula nested too deeply to compile');
});
