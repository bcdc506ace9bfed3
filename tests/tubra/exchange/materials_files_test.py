#!/usr/bin/env python3
"""Material lists as files, read back with openpyxl (Debian's python3-openpyxl) and csv:
`tubra-cli materials` writes the same rows as JSON, CSV and workbook, with one rounding;
`vesko-cli materials` adds up the drawings of directories, a drawing counted once however it
is named, and its workbook and CSV hold the sums of the single lists; CSV cells that would run
as formulas come back as the drawing's texts; outputs that would replace a drawing are refused;
workbooks are named *.xlsx, keep file names GBK cannot hold, and a failed one is one line.

    materials_files_test.py TUBRA_CLI VESKO_CLI EXAMPLES_DIR
"""

import collections
import csv
import io
import json
import os
import re
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

TRIGGERS = ("=", "+", "-", "@", "\t", "\r")


def spreadsheet_cells(path):
    """The CSV's cells as a spreadsheet program takes them: read with the csv module, and a
    leading ' before a character that would start a formula dropped (the program shows the rest
    as text). A cell that still starts with such a character would run as a formula."""
    raw = open(path, "rb").read().decode("utf-8-sig")
    rows = list(csv.reader(io.StringIO(raw, newline="")))
    shown = []
    for row in rows:
        for cell in row:
            check(not cell.startswith(TRIGGERS) or cell.lstrip("-").replace(".", "", 1).isdigit(),
                  f"{path}: cell {cell!r} would run as a formula")
        shown.append([c[1:] if c.startswith("'") and c[1:2] in TRIGGERS else c for c in row])
    return shown


with tempfile.TemporaryDirectory() as tmp:
    # Materials that spreadsheets would run, from a drawing of another party: the CSV keeps
    # them as texts, and a reader that knows the rule gets them back as they were.
    data = open(os.path.join(EXAMPLES, "pipeline.hcd"), "rb").read()
    hostile = ["=1+1", '=HYPERLINK("http://example.com","x")', "+SUM(A1)", "-2+3", "@A1"]
    lines = data.split(b"\n")
    found = 0
    for i, line in enumerate(lines):
        if line.startswith(b"\tCaiLiao") and line.split()[1:] and found < len(hostile):
            lines[i] = b"\tCaiLiao    " + hostile[found].encode()
            found += 1
        # One pipe 3600.5 mm long: the same metres in every form.
        if line.startswith(b"\tDistTxt    3600"):
            lines[i] = b"\tDistTxt    3600.5"
    check(found == len(hostile), "the sample has too few materials")
    source = os.path.join(tmp, "hostile.hcd")
    open(source, "wb").write(b"\n".join(lines))
    out = os.path.join(tmp, "hostile.csv")
    run(TUBRA, "materials", source, "--csv", out)
    materials = {row[2] for row in spreadsheet_cells(out)[1:]}
    check(set(hostile) <= materials, f"materials read back: {sorted(materials)}")
    vesko_dir = os.path.join(tmp, "dA")
    os.makedirs(vesko_dir)
    shutil.copy(source, vesko_dir)
    run(VESKO, "materials", vesko_dir, os.path.join(tmp, "sum.csv"))
    check(set(hostile) <= {row[2] for row in spreadsheet_cells(os.path.join(tmp, "sum.csv"))[1:]},
          "vesko csv: materials")

    # One rounding: the length of every row is the same in the table, CSV, JSON and workbook.
    rows, _ = json_rows(source)
    run(TUBRA, "materials", source, "--xlsx", os.path.join(tmp, "hostile.xlsx"))
    book, _ = workbook_rows(os.path.join(tmp, "hostile.xlsx"))
    table = run(TUBRA, "materials", source).stdout.decode().splitlines()[1:]
    shown = {key(*r.split("\t")[:4]): float(r.split("\t")[4]) for r in table if r.split("\t")[4]}
    from_csv = {key(*r[:4]): float(r[4]) for r in spreadsheet_cells(out)[1:] if r[4]}
    check(3.601 in from_csv.values(), f"3600.5 mm: {sorted(from_csv.values())}")
    for k, (m, c) in rows.items():
        if m is None:
            continue
        check(book[k][0] == m and shown[k] == m and from_csv[k] == m,
              f"{k}: json {m}, xlsx {book[k][0]}, table {shown.get(k)}, csv {from_csv.get(k)}")

    # A directory named twice, by two spellings: each drawing counted once.
    run(VESKO, "materials", vesko_dir, os.path.join(tmp, ".", "dA"), os.path.join(tmp, "twice.xlsx"))
    twice, _ = workbook_rows(os.path.join(tmp, "twice.xlsx"))
    once, _ = workbook_rows(os.path.join(tmp, "hostile.xlsx"))
    check(twice == once, f"dA and ./dA: {sorted(twice.items())[:3]} != {sorted(once.items())[:3]}")

    # File names GBK has no character for stay as they are in the workbook list.
    names = ["한국.hcd", "管线😀.hcd"]
    listed = os.path.join(tmp, "names")
    os.makedirs(listed)
    for n in names:
        shutil.copy(os.path.join(EXAMPLES, "pipeline.hcd"), os.path.join(listed, n))
    list_book = os.path.join(tmp, "list.xlsx")
    run(VESKO, "export-xlsx", listed, list_book)
    ws = openpyxl.load_workbook(list_book).active
    column = [c.value for c in next(ws.iter_cols(min_col=19, max_col=19))]
    check(sorted(column[1:]) == sorted(names), f"file names in the list workbook: {column}")

    # One rule for workbook names, and one Chinese line when a workbook cannot be written.
    run(VESKO, "export-xlsx", listed, os.path.join(tmp, "list.txt"), expect=2)
    check(not os.path.exists(os.path.join(tmp, "list.txt")), "a workbook under another name")
    run(VESKO, "check-lengths", listed, "--xlsx", os.path.join(tmp, "lengths.txt"), expect=2)

    def small_files():
        import resource
        import signal
        signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
        resource.setrlimit(resource.RLIMIT_FSIZE, (2048, 2048))

    for cli, args in ((VESKO, ["export-xlsx", listed, os.path.join(tmp, "big.xlsx")]),
                      (TUBRA, ["materials", source, "--xlsx", os.path.join(tmp, "big.xlsx")])):
        p = subprocess.run([cli, *args], capture_output=True, preexec_fn=small_files)
        err = p.stderr.decode(errors="replace").splitlines()
        check(p.returncode == 1 and len(err) == 1 and "[ERROR]" not in err[0] and
              re.search("[\u4e00-\u9fff]", err[0]) is not None,
              f"{os.path.basename(cli)} {args[0]} on a full disk: exit {p.returncode}, {err}")
        check(not os.path.exists(os.path.join(tmp, "big.xlsx")), "a cut workbook left")

for f in failures:
    print("FAIL:", f)
print(f"{len(failures)} failures")
sys.exit(1 if failures else 0)
