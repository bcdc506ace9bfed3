#!/usr/bin/env python3
"""The CAD files of `tubra-cli export --dxf`, read back with ezdxf (Debian's python3-ezdxf):
each loads and passes ezdxf's audit, holds the texts of the drawing (pipe lengths, labels,
title block, characteristic table) in UTF-8, one circle per weld on the weld layer, the eleven
layers by name and switched as the drawing's layer settings and the print say, everything
inside the sheet and the frame at its real size. What `tubra-cli print` prints (its PDF read
back with pdftotext) lies on layers that are on, what the switches hide on layers that are off;
the dimension lines are there; nothing is white paint; carets survive. Wrong command lines and
outputs are refused.

    dxf_export_test.py TUBRA_CLI EXAMPLES_DIR
"""

import json
import os
import subprocess
import sys
import tempfile

import ezdxf
from ezdxf import bbox

CLI, EXAMPLES = sys.argv[1], sys.argv[2]
LAYERS = ["主线", "支线", "标注线", "标注文字", "阀门", "管件", "焊缝", "图框", "其它", "斜管", "流向"]
# The switch each layer follows; None: shown in every print (the frame follows the print's own
# frame switch, which is on).
SWITCHES = ["ZhuXianLayer", "ZhiXianLayer", "DimLineLayer", "DimTextLayer", "FaMenLayer",
            "GuanJianLayer", "GuanJianLayer", None, "QiTaLayer", None, None]
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
    return condition


def run(*args, expect=0):
    p = subprocess.run([CLI, *args], capture_output=True)
    check(p.returncode == expect, f"tubra-cli {' '.join(args)}: exit {p.returncode}, "
                                  f"stderr {p.stderr.decode(errors='replace')!r}")
    return p


def drawn_texts(drawing):
    """The texts the sheet shows whole on one line: what the painters draw of each kind."""
    texts = set()
    for o in drawing["objects"]:
        t, kind = o["DistTxt"], o["MainType"]
        if not t.strip() or "\r" in t or "\n" in t:
            continue
        if kind == 2 and o["EndDir"] < 6 and not t.startswith(("^", "0")):
            texts.add(t)  # a pipe's length
        elif kind in (8, 29, 30, 31, 37) and not t.startswith(" "):
            texts.add(t)  # labels of welds, valves, fittings, supports, site marks
        elif kind == 36:
            texts.add(t)
    texts.update(v for v in drawing["title"]["values"] if v.strip())
    texts.update(v for v in drawing["characteristic"] if v.strip())
    return texts


def check_file(name, source, page):
    with tempfile.TemporaryDirectory() as tmp:
        out = os.path.join(tmp, "sheet.dxf")
        run("export", source, "--dxf", out)
        drawing = json.loads(run("json", source).stdout)
        raw = open(out, "rb").read()
        check(raw.decode("utf-8") is not None, f"{name}: not UTF-8")
        doc = ezdxf.readfile(out)
    check(doc.dxfversion >= "AC1015", f"{name}: version {doc.dxfversion}")
    auditor = doc.audit()
    check(not auditor.has_errors, f"{name}: audit errors {[e.message for e in auditor.errors]}")
    msp = doc.modelspace()

    # Texts, whole and in UTF-8.
    found = {e.plain_text() for e in msp.query("TEXT")} | {e.plain_text() for e in msp.query("MTEXT")}
    missing = sorted(drawn_texts(drawing) - found)
    check(not missing, f"{name}: texts missing {missing[:10]}")
    check(any(t.startswith("管") for t in found), f"{name}: no characteristic-table labels")

    # One circle per weld, on the weld layer.
    welds = sum(1 for o in drawing["objects"] if o["MainType"] == 8)
    circles = msp.query("CIRCLE")
    check(len(circles) == welds, f"{name}: {len(circles)} circles for {welds} welds")
    check(all(c.dxf.layer == "焊缝" for c in circles), f"{name}: circles off the weld layer")

    # The eleven layers, on and off as the drawing's switches and the print say.
    settings = drawing["settings"]
    for layer, switch in zip(LAYERS, SWITCHES):
        if not check(layer in doc.layers, f"{name}: no layer {layer}"):
            continue
        shown = switch is None or bool(settings[switch])
        check(doc.layers.get(layer).is_on() == shown,
              f"{name}: layer {layer} on={doc.layers.get(layer).is_on()}, {switch}")
    used = {e.dxf.layer for e in msp}
    check(used <= set(LAYERS), f"{name}: entities on layers {used - set(LAYERS)}")

    # The sheet in millimetres from (0, 0); the frame 10 mm inside it.
    w, h = page
    check(tuple(doc.header["$EXTMIN"])[:2] == (0, 0), f"{name}: EXTMIN {doc.header['$EXTMIN']}")
    check(tuple(doc.header["$EXTMAX"])[:2] == (w, h), f"{name}: EXTMAX {doc.header['$EXTMAX']}")
    check(doc.header["$INSUNITS"] == 4, f"{name}: units {doc.header['$INSUNITS']}")
    frame = bbox.extents(msp.query('LINE[layer=="图框"]'))
    check(abs(frame.extmin.x - 10) < 0.01 and abs(frame.extmax.x - (w - 10)) < 0.01 and
          abs(frame.extmax.y - (h - 10)) < 0.01 and abs(frame.extmin.y - 9.8) < 0.01,
          f"{name}: frame from {frame.extmin} to {frame.extmax}")
    everything = bbox.extents(msp.query("LINE LWPOLYLINE CIRCLE SPLINE HATCH SOLID"))
    check(everything.extmin.x >= 0 and everything.extmin.y >= 0 and
          everything.extmax.x <= w and everything.extmax.y <= h,
          f"{name}: figures from {everything.extmin} to {everything.extmax}")

    # Paper, not paint: nothing white (a white patch on a dark CAD screen, a black one printed),
    # nothing in the selection's grey; the dimension lines are written, to their own layer.
    for e in msp:
        colour = e.dxf.get("true_color")
        check(colour not in (0xFFFFFF, 0x969696), f"{name}: {e.dxftype()} in colour {colour}")
    check(len(msp.query('LINE[layer=="标注线"]')) > 0, f"{name}: no dimension lines")
    return doc


def printed_texts(source):
    """The texts `tubra-cli print` puts on the page, as pdftotext reads them back: without
    blanks (a text the PDF shows is somewhere in this), and the words one by one."""
    with tempfile.TemporaryDirectory() as tmp:
        pdf = os.path.join(tmp, "sheet.pdf")
        run("print", source, "-o", pdf)
        text = subprocess.run(["pdftotext", "-raw", pdf, "-"], capture_output=True,
                              check=True).stdout.decode()
    return "".join(text.split()), set(text.split())


def check_against_print(name, source):
    """What the print shows lies on layers that are on, and what lies on layers that are off
    is not printed (unless the same text is also printed elsewhere)."""
    with tempfile.TemporaryDirectory() as tmp:
        out = os.path.join(tmp, "sheet.dxf")
        run("export", source, "--dxf", out)
        doc = ezdxf.readfile(out)
    paper, words = printed_texts(source)
    shown, hidden = set(), set()
    for e in doc.modelspace().query("TEXT"):
        t = "".join(e.plain_text().split())
        if not t:
            continue
        (shown if doc.layers.get(e.dxf.layer).is_on() else hidden).add((t, e.dxf.rotation % 360))
    # Horizontal texts come back whole; pdftotext reads turned ones in pieces.
    missing = sorted(t for t, angle in shown if angle == 0 and t not in paper)
    check(not missing, f"{name}: shown in the file, not printed: {missing[:8]}")
    extra = sorted(t for t, angle in hidden - shown if angle == 0 and t in words and
                   t not in {s for s, _ in shown})
    check(not extra, f"{name}: printed, but on layers that are off: {extra[:8]}")
    return doc


def with_values(path, tmp, name, values, title=None):
    """A copy of the drawing at `path` with the settings `values` (key -> bytes) and the first
    characteristic-table value `title`."""
    data = open(path, "rb").read()
    for key, value in values.items():
        start = data.index(b"\t " + key)
        end = data.index(b"\n", start)
        data = data[:start] + b"\t " + key + b"    " + value + data[end:]
    if title is not None:
        start = data.index(b"TeXingBiao{\n") + len(b"TeXingBiao{\n")
        end = data.index(b"\n", start)
        data = data[:start] + title + data[end:]
    out = os.path.join(tmp, name)
    open(out, "wb").write(data)
    return out


for sample, page in (("pipeline.hcd", (290, 205)), ("report.hcd", (290, 205)),
                     ("symbol-atlas.hcd", (410, 290))):
    check_file(sample, os.path.join(EXAMPLES, sample), page)

with tempfile.TemporaryDirectory() as tmp:
    pipeline = os.path.join(EXAMPLES, "pipeline.hcd")
    # The same drawing on an A3 sheet, with the valve and dimension-text layers hidden.
    a3 = with_values(pipeline, tmp, "a3.hcd",
                     {b"PageSize": b"1", b"FaMenLayer": b"0", b"DimTextLayer": b"0"})
    data = open(a3, "rb").read()
    check_file("A3 with hidden layers", a3, (410, 290))

    # Against the print: the sample as it is, and with the frame, other, pipe and text
    # switches off (the frame, the axis marker and the flow arrows still print).
    check_against_print("pipeline.hcd", pipeline)
    off = with_values(pipeline, tmp, "off.hcd",
                      {b"TuKuangLayer": b"0", b"QiTaLayer": b"0", b"ZhuXianLayer": b"0",
                       b"DimTextLayer": b"0"}, "Q=50m^3/h".encode())
    doc = check_against_print("switches off", off)
    msp = doc.modelspace()
    frame = [e for e in msp if e.dxf.layer == "图框"]
    check(len(frame) >= 99 and doc.layers.get("图框").is_on(), f"frame: {len(frame)} entities")
    marker = {e.plain_text() for e in msp.query("TEXT") if doc.layers.get(e.dxf.layer).is_on()}
    check({"上", "北", "东"} <= marker, f"the axis marker's labels: {sorted(marker)[:10]}")
    check(len(msp.query('*[layer=="流向"]')) > 0 and doc.layers.get("流向").is_on(), "flow arrows")
    # A caret is the text's own, not a control character: "^ " in the file.
    with tempfile.TemporaryDirectory() as tmp2:
        out = os.path.join(tmp2, "caret.dxf")
        run("export", off, "--dxf", out)
        written = open(out, encoding="utf-8").read()
    check("Q=50m^ 3/h" in written and "Q=50m^3/h" not in written, "caret not escaped")

    # A black sheet with white pens prints black on white: so does the file (colour 7).
    dark = with_values(pipeline, tmp, "dark.hcd",
                       {b"BeiJingColor": b"0", b"ZhuXianColor": b"16777215",
                        b"ZhiXianColor": b"16777215", b"TextColor": b"16777215"})
    check_file("black background", dark, (290, 205))

    # Refused: another extension, the input itself, a drawing; nothing is written.
    source = os.path.join(EXAMPLES, "pipeline.hcd")
    run("export", source, "--dxf", os.path.join(tmp, "sheet.pdf"), expect=2)
    run("export", a3, "--dxf", a3, expect=2)
    copy = os.path.join(tmp, "copy.hcd.dxf")
    os.symlink(a3, copy)
    run("export", source, "--dxf", copy, expect=2)
    check(open(a3, "rb").read() == data, "a drawing was overwritten")
    run("export", os.path.join(tmp, "none.hcd"), "--dxf", os.path.join(tmp, "x.dxf"), expect=1)
    check(not os.path.exists(os.path.join(tmp, "x.dxf")), "an output for a missing drawing")
    run("export", source, "--dxf", os.path.join(tmp, "no-such-dir", "x.dxf"), expect=1)

for f in failures:
    print("FAIL:", f)
print(f"{len(failures)} failures")
sys.exit(1 if failures else 0)
