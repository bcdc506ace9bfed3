#!/usr/bin/env python3
"""What a program links, read from its symbols: the drawing program holds nothing of the
manager, and the manager nothing of the drawing view or the report's pages. The folder graph
cannot show this: a library links whatever its objects reach, so one virtual function defined
beside the painting pulls the whole painter into a program that only reads report data.

    symbols_test.py PROGRAM FORBIDDEN...

Fails, naming a few of them, when PROGRAM defines a symbol that starts with a FORBIDDEN prefix
(demangled, such as tubra::view::).
"""
import subprocess
import sys

program, forbidden = sys.argv[1], sys.argv[2:]
out = subprocess.run(["nm", "-C", "--defined-only", program], check=True, capture_output=True,
                     text=True).stdout
found = {}
for line in out.splitlines():
    parts = line.split(" ", 2)
    if len(parts) < 3:
        continue
    name = parts[2]
#Typeinfo and vtables name their class after a prefix of their own.
    for lead in ("typeinfo for ", "typeinfo name for ", "vtable for ", "guard variable for "):
        if name.startswith(lead):
            name = name[len(lead):]
    for prefix in forbidden:
        if name.startswith(prefix):
            found.setdefault(prefix, []).append(name)
if found:
    lines = []
    for prefix, names in found.items():
        lines.append(f"{len(names)} symbols of {prefix}, such as:")
        lines += [f"    {n}" for n in sorted(names)[:5]]
    sys.exit(f"{program} links what it should not:\n  " + "\n  ".join(lines))
print(f"{program}: none of {', '.join(forbidden)}")
