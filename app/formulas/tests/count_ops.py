#!/usr/bin/env python3
# Counts statements and engine operations per program of a statement data file
# by token classes alone (independently of the generator); the build writes
# them into the table test_owncatalogue.cpp checks the generated programs by:
#   operand (name, number, text)      1      function call            1
#   binary operator (incl. AND, OR)   1      '-' before '(' (negate)  1
#   '-' before a number in operand position: part of the number (0)
#   draw function name                0      leading "NAME:" / "NAME :="  0
#   per statement: variable 2 (assign, drop), drawn 3 (assign, output, drop)
import re, sys

DRAW = {'drawline', 'drawstick', 'drawnumber', 'drawtext', 'drawband', 'drawicon', 'drawtext_fix', 'drawrect', 'drawkline'}
TOK = re.compile(r"\s*('[^']*'|\d+\.?\d*|\.\d+|[A-Za-z_\u0080-\uffff][A-Za-z0-9_\u0080-\uffff]*|<=|>=|<>|!=|:=|[-+*/<>=(),:])")

def count(stmt):
    toks = []
    pos = 0
    while pos < len(stmt):
        m = TOK.match(stmt, pos)
        if not m:
            if stmt[pos:].strip() == '':
                break
            raise SystemExit('cannot read: ' + stmt)
        toks.append(m.group(1)); pos = m.end()
    variable = len(toks) > 1 and toks[1] == ':='
    if len(toks) > 1 and toks[1] in (':', ':='):
        toks = toks[2:]
    n = 0
    prev = None  # None, 'operand' or 'operator'
    for i, t in enumerate(toks):
        nxt = toks[i + 1] if i + 1 < len(toks) else None
        if t in ('(', ','):
            prev = 'operator'; continue
        if t == ')':
            prev = 'operand'; continue
        if t == '-' and prev != 'operand':
            if nxt == '(':
                n += 1
            prev = 'operator'; continue
        if t in ('+', '-', '*', '/', '<', '>', '=', '<=', '>=', '<>', '!=') or t.upper() in ('AND', 'OR'):
            n += 1; prev = 'operator'; continue
        if nxt == '(':
            if t.lower() not in DRAW:
                n += 1
            prev = 'operator'; continue
        n += 1; prev = 'operand'
    return n + (2 if variable else 3)

args = sys.argv[1:]
out = sys.stdout
if args[:1] == ['-o']:  # the build writes the counts into a file the tests include
    out = open(args[1], 'w', encoding='utf-8'); args = args[2:]
for path in args:
    prog = None; stmts = 0; ops = 0; counted = {}
    for line in open(path, encoding='utf-8'):
        line = line.strip()
        if line.startswith('program '):
            prog = line.split()[1]; stmts = ops = 0
        elif line == 'end':
            counted[prog] = (stmts, ops)
            print('{"%s", %d, %d},' % (prog, stmts, ops), file=out); prog = None
        elif line.startswith('variant '):  # "variant NAME of BASE ...": BASE's statements
            name, base = line.split()[1], line.split()[3]
            print('{"%s", %d, %d},' % ((name,) + counted[base]), file=out)
        elif line.startswith('|') and prog:
            stmt = line.split('`')[1]
            stmts += 1; ops += count(stmt)
