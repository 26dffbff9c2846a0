#!/usr/bin/env python3
"""Every font size of the program's documents and scripts is a theme role
(theme/Theme.qml, by what it shows): no document gives a size as a number.
A size may still be a role and an offset ("Theme.quoteFontSize - 1")."""
import glob
import os
import re
import sys

qml = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
# A font size given to a property, a font literal or a font's field.
size = re.compile(r"(?:\b(?:pixelSize|pointSize|minimumPixelSize|minimumPointSize|font_pixelSize|font_size|textSize)"
                  r"|\w*FontSize)\s*(?::|=(?!=))\s*(?P<value>[^;}\n]*)")
# A number not part of a name, and not an offset from another size.
number = re.compile(r"(?<![\w.])\d+(?:\.\d+)?\b")
offset = re.compile(r"(?<=[\w)\]])\s*[-+*/]\s*\d+\b")
index = re.compile(r"\[[^\]]*\]")
faults = []
paths = glob.glob(os.path.join(qml, "**", "*.qml"), recursive=True) + glob.glob(os.path.join(qml, "**", "*.js"),
                                                                               recursive=True)
for path in sorted(paths):
    rel = os.path.relpath(path, qml)
    if rel.split(os.sep)[0] in ("tests", "theme"):
        continue
    with open(path, encoding="utf-8") as f:
        for n, line in enumerate(f, 1):
            code = line.split("//", 1)[0]
            for m in size.finditer(code):
                if "?" in code[:m.start()]:
                    continue  # the other branch of a choice, not a size given
                if number.search(offset.sub("", index.sub("", m.group("value")))):
                    faults.append(f"{rel}:{n}: a font size as a number; use a Theme role: {line.strip()}")
print("\n".join(faults) if faults else "every font size is a theme role")
sys.exit(1 if faults else 0)
