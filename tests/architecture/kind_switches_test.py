#!/usr/bin/env python3
"""Every switch over the kinds of drawing objects, their symbols, their dialogs or the tools
names every case, so that the compiler (-Wswitch) points at each one when a kind is added: no
switch over them has a `default:`, and none switches over the stored integer (`MainType`,
`SubType`) instead of the kind.

    kind_switches_test.py SOURCE_DIR
"""
import os
import re
import sys

root = sys.argv[1]
KIND_SUBJECT = re.compile(
    r"\bswitch\s*\(\s*("
    r"[\w.>()-]*\bkind\(\)"               # o.kind()
    r"|[\w.>-]*\bMainType|[\w.>-]*\bSubType"  # the stored integers
    r"|static_cast<(?:model::)?(?:ObjectKind|SymbolCode)>\([^)]*\)"
    r"|[\w.>-]*\bdialog|[\w.>-]*\btool\.kind|[\w.>-]*\btool_\.kind"
    r")\s*\)")


def body(text, start):
    """The text of the braces that open at or after `start`."""
    i = text.index("{", start)
    depth = 0
    for j in range(i, len(text)):
        if text[j] == "{":
            depth += 1
        elif text[j] == "}":
            depth -= 1
            if depth == 0:
                return text[i + 1:j]
    return text[i + 1:]


def own_cases(block):
    """`block` without the bodies of switches nested in it."""
    out, i = [], 0
    for m in re.finditer(r"\bswitch\s*\(", block):
        if m.start() < i:
            continue
        out.append(block[i:m.start()])
        inner_start = block.index("{", m.end())
        inner = body(block, m.end())
        i = inner_start + len(inner) + 2
    out.append(block[i:])
    return "".join(out)


problems = []
for top in ("src/tubra", "src/manager"):
    for here, _, files in os.walk(os.path.join(root, top)):
        for name in files:
            if not name.endswith((".cpp", ".h")):
                continue
            path = os.path.join(here, name)
            text = open(path, encoding="utf-8", errors="replace").read()
            for m in KIND_SUBJECT.finditer(text):
                line = text.count("\n", 0, m.start()) + 1
                where = f"{os.path.relpath(path, root)}:{line}"
                subject = m.group(1)
                if re.search(r"\b(MainType|SubType)$", subject):
                    problems.append(f"{where}: switch over the stored {subject}, not over the kind")
                    continue
                if re.search(r"\bdefault\s*:", own_cases(body(text, m.end()))):
                    problems.append(f"{where}: switch over {subject} with a default")
if problems:
    sys.exit("switches that would not be told of a new kind:\n  " + "\n  ".join(problems))
print("every switch over kinds names every case")
