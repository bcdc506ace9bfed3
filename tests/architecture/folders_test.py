#!/usr/bin/env python3
"""The folders of src/ and the arrows between them, as the includes make them, against the
picture docs/architecture.md draws: the same folders, no cycle, and the same arrows once the
arrows implied by others are left out.

    folders_test.py SOURCE_DIR
"""
import os
import re
import sys

root = sys.argv[1]
src = os.path.join(root, "src")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def folders_and_includes():
    folders, edges = set(), {}
    sources = {}
    for here, _, files in os.walk(src):
        code = [f for f in files if f.endswith((".h", ".cpp"))]
        if code:
            folder = os.path.relpath(here, src)
            folders.add(folder)
            sources[folder] = [os.path.join(here, f) for f in code]
    for folder, paths in sources.items():
        for path in paths:
            for line in open(path, encoding="utf-8", errors="replace"):
                m = INCLUDE.match(line)
                if not m:
                    continue
                target = os.path.dirname(m.group(1))
                if target in folders and target != folder:
                    edges.setdefault(folder, set()).add(target)
    return folders, edges


def reachable(edges, start, skip_edge=None):
    seen, stack = set(), [start]
    while stack:
        node = stack.pop()
        for nxt in edges.get(node, ()):
            if (node, nxt) == skip_edge or nxt in seen:
                continue
            seen.add(nxt)
            stack.append(nxt)
    return seen


def cycle(edges):
    for a in edges:
        if a in reachable(edges, a):
            return a
    return None


def reduced(edges):
    out = {}
    for a, targets in edges.items():
        for b in targets:
            if b not in reachable(edges, a, skip_edge=(a, b)):
                out.setdefault(a, set()).add(b)
    return out


def drawn():
    text = open(os.path.join(root, "docs", "architecture.md"), encoding="utf-8").read()
    m = re.search(r"```text\n# folder -> [^\n]*\n(.*?)```", text, re.S)
    if not m:
        sys.exit("docs/architecture.md draws no folder graph (a ```text block starting '# folder ->')")
    folders, edges = set(), {}
    for line in m.group(1).splitlines():
        line = line.split("#")[0].strip()
        if not line:
            continue
        left, _, right = line.partition("->")
        a = left.strip()
        folders.add(a)
        for b in (x.strip() for x in right.split(",")):
            if b:
                folders.add(b)
                edges.setdefault(a, set()).add(b)
    return folders, edges


def lines(edges):
    return sorted(f"{a} -> {b}" for a, bs in edges.items() for b in bs)


actual_folders, included = folders_and_includes()
drawn_folders, drawn_edges = drawn()
problems = []
if cycle(included):
    problems.append(f"the includes go round in a circle through {cycle(included)}")
if cycle(drawn_edges):
    problems.append(f"the drawn arrows go round in a circle through {cycle(drawn_edges)}")
for f in sorted(actual_folders - drawn_folders):
    problems.append(f"folder {f} is not drawn")
for f in sorted(drawn_folders - actual_folders):
    problems.append(f"folder {f} is drawn but has no sources")
if not problems:
    actual = set(lines(reduced(included)))
    expected = set(lines(reduced(drawn_edges)))
    for e in sorted(actual - expected):
        problems.append(f"included but not drawn: {e}")
    for e in sorted(expected - actual):
        problems.append(f"drawn but not included: {e}")
if problems:
    sys.exit("docs/architecture.md and the includes differ:\n  " + "\n  ".join(problems))
print(f"{len(actual_folders)} folders, {len(lines(reduced(included)))} arrows, as drawn")
