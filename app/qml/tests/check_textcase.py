#!/usr/bin/env python3
"""Every QML test is rooted in TextCase and compares Chinese texts with
compareText (tryCompareText), whose failure prints both texts readably
(compare() and tryCompare() print "?"). TextCase's compare() also refuses
Chinese at run time, for the texts that come from a table's rows."""
import glob
import os
import re
import sys

here = os.path.dirname(os.path.abspath(__file__))
plain_compare = re.compile(r"(?<![\w.])(compare|tryCompare)\(")
chinese = re.compile(r"[\u4e00-\u9fff]")
faults = []
for path in sorted(glob.glob(os.path.join(here, "tst_*.qml"))):
    name = os.path.basename(path)
    with open(path, encoding="utf-8") as f:
        lines = f.read().splitlines()
    if not any(re.match(r"\s*TextCase\s*\{", line) for line in lines):
        faults.append(f"{name}: no TextCase")
    for n, line in enumerate(lines, 1):
        if re.match(r"\s*TestCase\s*\{", line):
            faults.append(f"{name}:{n}: a plain TestCase; use TextCase")
        if plain_compare.search(line) and chinese.search(line):
            faults.append(f"{name}:{n}: compare() or tryCompare() on Chinese text; use compareText() or tryCompareText()")
print("\n".join(faults) if faults else "every QML test compares texts readably")
sys.exit(1 if faults else 0)
