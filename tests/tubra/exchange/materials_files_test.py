#!/usr/bin/env python3
"""Material lists as files, read back with openpyxl (Debian's python3-openpyxl) and csv:
`tubra-cli materials` writes the same rows as JSON, CSV and workbook; `vesko-cli materials`
adds up the drawings of directories, a drawing counted once, and its workbook and CSV hold
the sums of the single lists; outputs that would replace a drawing are refused.

    materials_files_test.py TUBRA_CLI VESKO_CLI EXAMPLES_DIR
"""

import collections
import csv
import io
import json
import os
import shutil
import subprocess
import sys
import tempfile

import openpyxl

TUBRA, VESKO, EXAMPLES = sys.argv[1], sys.argv[2], sys.argv[3]
SAMPLES = ["pipeline.hcd", "report.hcd", "symbol-atlas.hcd"]
COLUMNS = ["类别", "名称", "材料", "规格", "长度(米)", "数量", "单位"]
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
    return condition


def run(cli, *args, expect=0):
    p = subprocess.run([cli, *args], capture_output=True)
    check(p.returncode == expect, f"{os.path.basename(cli)} {' '.join(args)}: exit {p.returncode}, "
                                  f"stderr {p.stderr.decode(errors='replace')!r}")
    return p


def key(group, name, material, size):
    return (group, name, material or "", size or "")


def json_rows(path):
    j = json.loads(run(TUBRA, "materials", path, "--json").stdout)
    return {key(r["group"], r["name"], r["material"], r["size"]): (r.get("metres"), r["count"])
            for r in j["rows"]}, j["totals"]


def workbook_rows(path):
    ws = openpyxl.load_workbook(path).active
    rows = list(ws.iter_rows(values_only=True))
    check(list(rows[0]) == COLUMNS, f"{path}: header {rows[0]}")
    check(ws.freeze_panes == "A2", f"{path}: header not frozen")
    items, totals = {}, {}
    for r in rows[1:]:
        if r[1] == "合计":
            totals[r[0]] = (r[4], r[5])
        else:
            check(isinstance(r[5], (int, float)), f"{path}: count {r[5]!r} is no number")
            check(r[4] is None or round(r[4], 3) == r[4], f"{path}: length {r[4]!r} not in metres to the mm")
            items[key(*r[:4])] = (r[4], r[5])
    return items, totals


def csv_rows(path):
    raw = open(path, "rb").read()
    check(raw.startswith(b"\xef\xbb\xbf"), f"{path}: no byte-order mark")
    rows = list(csv.reader(io.StringIO(raw.decode("utf-8-sig"), newline="")))
    check(rows[0] == COLUMNS, f"{path}: header {rows[0]}")
    return {key(*r[:4]): (float(r[4]) if r[4] else None, int(r[5])) for r in rows[1:]}


def same(a, b, what):
    check(a.keys() == b.keys(), f"{what}: rows differ {sorted(set(a) ^ set(b))[:5]}")
    for k in a.keys() & b.keys():
        (ma, ca), (mb, cb) = a[k], b[k]
        check(ca == cb and (ma is None) == (mb is None) and (ma is None or abs(ma - mb) < 0.0005),
              f"{what}: {k}: {a[k]} != {b[k]}")


with tempfile.TemporaryDirectory() as tmp:
    # One drawing: JSON, CSV and workbook agree.
    singles = {}
    for name in SAMPLES:
        source = os.path.join(EXAMPLES, name)
        rows, totals = json_rows(source)
        singles[name] = rows
        check(totals["segments"] == sum(c for (g, *_), (m, c) in rows.items() if g == "管子"),
              f"{name}: segments")
        run(TUBRA, "materials", source, "--csv", os.path.join(tmp, "one.csv"))
        run(TUBRA, "materials", source, "--xlsx", os.path.join(tmp, "one.xlsx"))
        same(rows, csv_rows(os.path.join(tmp, "one.csv")), f"{name} csv")
        items, _ = workbook_rows(os.path.join(tmp, "one.xlsx"))
        same(rows, items, f"{name} xlsx")

    # Two directories; the pipeline is in both and also named twice: it counts twice (two
    # files), the directory given twice does not.
    a, b = os.path.join(tmp, "a"), os.path.join(tmp, "b")
    os.makedirs(a)
    os.makedirs(b)
    for name in SAMPLES:
        shutil.copy(os.path.join(EXAMPLES, name), a)
    shutil.copy(os.path.join(EXAMPLES, "pipeline.hcd"), b)
    expected = collections.defaultdict(lambda: [0.0, 0])
    for name in SAMPLES + ["pipeline.hcd"]:
        for k, (m, c) in singles[name].items():
            expected[k][0] += m or 0.0
            expected[k][1] += c
    expected = {k: (m if k[0] == "管子" else None, c) for k, (m, c) in expected.items()}

    book = os.path.join(tmp, "sum.xlsx")
    run(VESKO, "materials", a, b, a, book)
    items, totals = workbook_rows(book)
    same(expected, items, "vesko sum xlsx")
    for group in ("管子", "弯头", "三通", "阀门", "管件", "支架", "焊缝"):
        want = sum(c for k, (m, c) in expected.items() if k[0] == group)
        check(totals.get(group, (None, -1))[1] == want, f"vesko total {group}: {totals.get(group)} != {want}")
    check(abs(totals["管子"][0] - sum(m for k, (m, c) in expected.items() if k[0] == "管子")) < 0.002,
          f"vesko total length {totals['管子']}")
    run(VESKO, "materials", a, b, a, os.path.join(tmp, "sum.csv"))
    same(expected, csv_rows(os.path.join(tmp, "sum.csv")), "vesko sum csv")

    # Refused: a drawing as output, another extension; an unreadable directory fails.
    drawing = os.path.join(a, "pipeline.hcd")
    before = open(drawing, "rb").read()
    run(VESKO, "materials", a, os.path.join(a, "pipeline.hcd"), expect=2)
    run(VESKO, "materials", a, os.path.join(tmp, "sum.txt"), expect=2)
    run(TUBRA, "materials", drawing, "--csv", drawing, expect=2)
    run(TUBRA, "materials", drawing, "--xlsx", os.path.join(tmp, "x.csv"), expect=2)
    check(open(drawing, "rb").read() == before, "a drawing was overwritten")
    run(VESKO, "materials", os.path.join(tmp, "none"), os.path.join(tmp, "none.xlsx"), expect=1)

for f in failures:
    print("FAIL:", f)
print(f"{len(failures)} failures")
sys.exit(1 if failures else 0)
