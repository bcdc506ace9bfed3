#!/usr/bin/env python3
"""The CAD files of `tubra-cli export --dxf`, read back with ezdxf (Debian's python3-ezdxf):
each loads and passes ezdxf's audit, holds the texts of the drawing (pipe lengths, labels,
title block, characteristic table) in UTF-8, one circle per weld on the weld layer, the nine
layers by name and switched as the drawing's layer settings say, everything inside the sheet
and the frame at its real size; wrong command lines and outputs are refused.

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
LAYERS = ["主线", "支线", "标注线", "标注文字", "阀门", "管件", "焊缝", "图框", "其它"]
SWITCHES = ["ZhuXianLayer", "ZhiXianLayer", "DimLineLayer", "DimTextLayer", "FaMenLayer",
            "GuanJianLayer", "GuanJianLayer", "TuKuangLayer", "QiTaLayer"]
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

    # The nine layers, on and off as the drawing's switches say.
    settings = drawing["settings"]
    for layer, switch in zip(LAYERS, SWITCHES):
        if not check(layer in doc.layers, f"{name}: no layer {layer}"):
            continue
        check(doc.layers.get(layer).is_on() == bool(settings[switch]),
              f"{name}: layer {layer} on={doc.layers.get(layer).is_on()}, {switch}={settings[switch]}")
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


for sample, page in (("pipeline.hcd", (290, 205)), ("report.hcd", (290, 205)),
                     ("symbol-atlas.hcd", (410, 290))):
    check_file(sample, os.path.join(EXAMPLES, sample), page)

with tempfile.TemporaryDirectory() as tmp:
    # The same drawing on an A3 sheet, with the valve and dimension-text layers hidden.
    data = open(os.path.join(EXAMPLES, "pipeline.hcd"), "rb").read()
    for key, value in ((b"PageSize", b"1"), (b"FaMenLayer", b"0"), (b"DimTextLayer", b"0")):
        start = data.index(b"\t " + key)
        end = data.index(b"\n", start)
        data = data[:start] + b"\t " + key + b"    " + value + data[end:]
    a3 = os.path.join(tmp, "a3.hcd")
    open(a3, "wb").write(data)
    check_file("A3 with hidden layers", a3, (410, 290))

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
