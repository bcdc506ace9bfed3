#!/usr/bin/env python3
"""The workbooks of vesko-cli read back with openpyxl and compared cell by cell with the text
exports of the same directory: the list (both modes) against export-tsv, the census workbook
against the census file, the length-check workbook against check-lengths' output.

    xlsx_exports_test.py VESKO_CLI VESKO_TEST_DIRECTORY
"""

import csv
import io
import os
import re
import subprocess
import sys
import tempfile
import unicodedata

import openpyxl
from openpyxl.utils import get_column_letter

CLI, MAKE_DIRECTORY = sys.argv[1], sys.argv[2]
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
    return condition


def run(*args, expect=0):
    p = subprocess.run([CLI, *args], capture_output=True)
    check(p.returncode == expect, f"vesko-cli {' '.join(args)}: exit {p.returncode}, "
                                  f"stderr {p.stderr.decode(errors='replace')!r}")
    return p


def gbk(data):
    return data.decode("gbk", errors="replace")


# A spreadsheet reads "_x0001_" in a cell as the character U+0001 (how a workbook holds the
# characters XML cannot); openpyxl leaves that to its caller.
def unescape(text):
    return re.sub(r"_x([0-9A-Fa-f]{4})_", lambda m: chr(int(m.group(1), 16)), text)


def width(text):
    return sum(2 if unicodedata.east_asian_width(c) in "WF" else 1 for c in text)


PLAIN_NUMBER = re.compile(r"^-?(0|[1-9][0-9]*)(\.[0-9]+)?$")


def decimals_of(text):
    return len(text.split(".")[1]) if "." in text else 0


def number_format(decimals):
    return "0" if decimals == 0 else "0." + "0" * decimals


def compare_sheet(name, path, header, rows, numeric, title=None):
    """`header` and `rows` are the text export's cells; `numeric` the columns that hold numbers."""
    wb = openpyxl.load_workbook(path)
    check(len(wb.worksheets) == 1, f"{name}: {len(wb.worksheets)} sheets")
    ws = wb.worksheets[0]
    columns = len(header)
    check(ws.max_row == len(rows) + 1, f"{name}: {ws.max_row} rows for {len(rows) + 1}")
    check(ws.max_column == columns, f"{name}: {ws.max_column} columns for {columns}")
    if title is not None:
        check(wb.properties.title == title, f"{name}: title {wb.properties.title!r}")

    # The header: bold, frozen, under a filter over every row and column.
    for c, text in enumerate(header, 1):
        cell = ws.cell(1, c)
        check((cell.value or "") == text, f"{name}: header {c} {cell.value!r} != {text!r}")
        if text:
            check(cell.font.b, f"{name}: header {c} not bold")
    check(ws.freeze_panes == "A2", f"{name}: frozen at {ws.freeze_panes}")
    last = f"{get_column_letter(columns)}{len(rows) + 1}"
    check(ws.auto_filter.ref == f"A1:{last}", f"{name}: filter {ws.auto_filter.ref} != A1:{last}")

    numbers = 0
    for r, expected in enumerate(rows, 2):
        check(len(expected) == columns, f"{name}: text row {r} has {len(expected)} cells")
        for c, text in enumerate(expected, 1):
            cell = ws.cell(r, c)
            where = f"{name}: {cell.coordinate} (text {text!r})"
            if cell.font.b:
                failures.append(f"{where}: bold")
            if text == "":
                check(cell.value is None, f"{where}: {cell.value!r} for an empty cell")
            elif cell.data_type == "n":
                numbers += 1
                check(c - 1 in numeric, f"{where}: a number outside the numeric columns")
                check(PLAIN_NUMBER.match(text.strip()) is not None, f"{where}: {cell.value!r} is no number")
                if check(isinstance(cell.value, (int, float)), f"{where}: {cell.value!r}"):
                    check(cell.value == float(text), f"{where}: {cell.value!r}")
                check(cell.number_format == number_format(decimals_of(text.strip())),
                      f"{where}: format {cell.number_format!r}")
            else:
                check(cell.data_type == "s" and unescape(cell.value) == text,
                      f"{where}: {cell.data_type} {cell.value!r}")
                # What looks like a number in a numeric column must be one (within 15 digits).
                plain = PLAIN_NUMBER.match(text.strip())
                digits = len(text.strip().lstrip("-").replace(".", ""))
                check(not (c - 1 in numeric and plain and digits <= 15),
                      f"{where}: a number stored as text")

    # Widths: at least the widest text (East Asian wide characters counting two), with room for
    # the header's filter button, and not absurd.
    for c in range(1, columns + 1):
        texts = [row[c - 1] for row in rows if row[c - 1]]
        need = max([width(t) for t in texts] + [width(header[c - 1]) + 2 if header[c - 1] else 0])
        got = ws.column_dimensions[get_column_letter(c)].width
        check(got is not None and min(need, 80) <= got <= max(need, 4) * 2 + 6,
              f"{name}: column {c} width {got} for content {need}")
    return numbers


def tsv_rows(data):
    lines = gbk(data).split("\r\n")
    check(lines[-1] == "", "text export does not end in CR LF")
    rows = []
    for line in lines[:-1]:
        cells = line.split("\t")
        check(cells[-1] == "", "text export line does not end in TAB")
        rows.append(cells[:-1])
    return rows


def main():
    with tempfile.TemporaryDirectory(prefix="vesko-xlsx-") as tmp:
        drawings = os.path.join(tmp, "drawings")
        subprocess.run([MAKE_DIRECTORY, drawings], check=True, capture_output=True)
        out = lambda name: os.path.join(tmp, name)  # noqa: E731

        # The list, in list mode and in report-list mode.
        list_numeric = {0, 5, 6, 12, 21}
        for mode, extra, columns in (("list", [], 21), ("report list", ["--report"], 39)):
            tag = mode.replace(" ", "-")
            run("export-tsv", drawings, out(tag + ".txt"), *extra)
            run("export-xlsx", drawings, out(tag + ".xlsx"), *extra)
            with open(out(tag + ".txt"), "rb") as f:
                rows = tsv_rows(f.read())
            check(len(rows) == 30 and len(rows[0]) == columns, f"{mode}: {len(rows)} text rows")
            numbers = compare_sheet(mode, out(tag + ".xlsx"), rows[0], rows[1:], list_numeric, "管线列表")
            # Row numbers, pressures, temperatures and lengths of most of the 30 drawings, and the
            # grades of those with reports.
            check(numbers >= 100 + (5 if extra else 0), f"{mode}: only {numbers} number cells")

        # The census: the same lines as the import file, the device line as the header.
        run("export-census", drawings, out("census.csv"), "--device", "常减压,装置")
        run("export-census", drawings, out("census.xlsx"), "--device", "常减压,装置")
        with open(out("census.csv"), "rb") as f:
            text = gbk(f.read())
        check(text.endswith("\r\n"), "census file does not end in CR LF")
        lines = list(csv.reader(io.StringIO(text, newline="")))
        check(all(len(l) == 24 for l in lines), "census lines of other than 24 fields")
        check(lines[0][0] == "常减压,装置" and lines[0][23] == "常减压,装置", f"device line {lines[0]}")
        numbers = compare_sheet("census", out("census.xlsx"), lines[0], lines[1:], {0, 6, 7, 8, 11, 12},
                                "普查登记导入数据")
        check(numbers >= 4 * 30, f"census: only {numbers} number cells")
        # The export command picks the workbook by the extension, in any case.
        run("export-census", drawings, out("upper.XLSX"))
        with open(out("upper.XLSX"), "rb") as f:
            check(f.read(2) == b"PK", "census to .XLSX is no workbook")

        # The length check: check-lengths prints the rows and then the window's title.
        p = run("check-lengths", drawings, "--xlsx", out("lengths.xlsx"))
        printed = p.stdout.decode().split("\n")
        check(printed[-1] == "", "check-lengths output does not end in a line end")
        title, rows = printed[-2], [l.split("\t") for l in printed[:-2]]
        check(len(rows) >= 5, f"only {len(rows)} lengths disagree")
        numbers = compare_sheet("length check", out("lengths.xlsx"), ["序号", "表中长度(米)", "校核长度(米)"],
                                rows, {0, 1, 2}, title)
        check(numbers >= 2 * len(rows), f"length check: only {numbers} number cells")

        # Refusals: a workbook's name ends in .xlsx, so a drawing is never replaced; an empty
        # census is not written; a workbook that cannot be written says why.
        target = os.path.join(drawings, "edge-a.hcd")
        with open(target, "rb") as f:
            before = f.read()
        p = run("export-xlsx", drawings, target, expect=2)
        check("应以 .xlsx 结尾" in p.stderr.decode(), f"stderr {p.stderr.decode()!r}")
        run("check-lengths", drawings, "--xlsx", os.path.join(drawings, "new.HCD"), expect=2)
        with open(target, "rb") as f:
            check(f.read() == before, "a drawing was replaced")
        check(not os.path.exists(os.path.join(drawings, "new.HCD")), "a drawing was written")
        empty = out("empty")
        os.mkdir(empty)
        p = run("export-census", empty, out("empty.xlsx"), expect=1)
        check(p.stderr.decode() == "vesko-cli: 列表中无管道信息，导出操作取消！\n", f"stderr {p.stderr.decode()!r}")
        check(not os.path.exists(out("empty.xlsx")), "an empty census was written")
        p = run("export-xlsx", drawings, out("missing/list.xlsx"), expect=1)
        check(p.stderr.decode() == f"vesko-cli: 无法保存文件 {out('missing/list.xlsx')}: 文件或目录不存在\n",
              f"stderr {p.stderr.decode()!r}")
        # An empty list is a header under its filter.
        run("export-xlsx", empty, out("empty-list.xlsx"))
        compare_sheet("empty list", out("empty-list.xlsx"), tsv_rows(run("list", empty, "--tsv").stdout)[0], [],
                      list_numeric)
        check(sorted(os.listdir(tmp)) == sorted(
            ["drawings", "empty", "list.txt", "list.xlsx", "report-list.txt", "report-list.xlsx", "census.csv",
             "census.xlsx", "upper.XLSX", "lengths.xlsx", "empty-list.xlsx"]), f"files {sorted(os.listdir(tmp))}")

    for f in failures[:40]:
        print("FAIL:", f)
    if len(failures) > 40:
        print(f"... and {len(failures) - 40} more")
    print(f"{len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
