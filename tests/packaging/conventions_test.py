#!/usr/bin/env python3
"""What a user of any of the programs can count on at the command line.

Every program answers -h/--help and -V/--version the same way and in the same layout; the two
command-line tools say the same thing in the same words for the same mistake and suggest the
command that was meant; the desktop programs without a display say so in Chinese and end with
status 1.

    conventions_test.py EXAMPLES_DIR NAME=PATH...
"""
import json
import os
import re
import subprocess
import sys
import tempfile
import unittest

EXAMPLES = ""
PROGRAMS = {}
DESKTOP = ("tubra", "vesko")


def run(args, display=False, env_extra=None, cwd=None):
    env = {k: v for k, v in os.environ.items()
           if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "GATEWAY_INTERFACE")}
    if display:
        env["QT_QPA_PLATFORM"] = "offscreen"
    env.update(env_extra or {})
    r = subprocess.run(args, capture_output=True, env=env, timeout=60, cwd=cwd)
    return r.returncode, r.stdout.decode("utf-8", "replace"), r.stderr.decode("utf-8", "replace")


def need(*names):
    missing = [n for n in names if n not in PROGRAMS]
    if missing:
        raise unittest.SkipTest("not part of this build: " + ", ".join(missing))


class HelpAndVersion(unittest.TestCase):
    def test_every_program_answers_both_spellings_alike(self):
        versions = set()
        for name, path in PROGRAMS.items():
            with self.subTest(program=name):
                short, long_ = run([path, "-h"]), run([path, "--help"])
                self.assertEqual(short, long_)
                self.assertEqual(short[0], 0, short[2])
                v, version = run([path, "-V"]), run([path, "--version"])
                self.assertEqual(v, version)
                self.assertEqual(v[0], 0, v[2])
                m = re.fullmatch(re.escape(name) + r" (\d+\.\d+\.\d+)\n", v[1])
                self.assertIsNotNone(m, v[1])
                versions.add(m.group(1))
        self.assertEqual(len(versions), 1, versions)

    def test_every_help_has_the_same_layout_in_chinese(self):
        for name, path in PROGRAMS.items():
            with self.subTest(program=name):
                out = run([path, "--help"])[1]
                lines = out.splitlines()
                self.assertTrue(lines[0].startswith("用法: " + name), lines[0])
                self.assertIn("      %s -h|--help" % name, lines)
                self.assertIn("      %s -V|--version" % name, lines)
                self.assertIn("通用选项:", lines)
                self.assertTrue(any(l.startswith("退出状态: 0 ") for l in lines), out)
                self.assertEqual(lines[-1], "详细说明: man " + name)
                self.assertNotRegex(out, r"\busage\b|\bthis text\b")
                # Entries start their texts in one column.
                columns = set()
                for line in lines:
                    m = re.match(r"^  (\S.*?\S)  +(\S)", line)
                    if m:
                        prefix = line[:m.start(2)]
                        columns.add(sum(2 if ord(c) > 0x2e7f else 1 for c in prefix))
                self.assertEqual(columns, {28}, out)


class CommandLineTools(unittest.TestCase):
    def setUp(self):
        need("tubra-cli", "vesko-cli")
        self.tubra, self.vesko = PROGRAMS["tubra-cli"], PROGRAMS["vesko-cli"]
        self.drawing = os.path.join(EXAMPLES, "pipeline.hcd")

    def test_a_mistyped_command_is_named_and_the_nearest_suggested(self):
        for path, name, typed, meant in ((self.tubra, "tubra-cli", "inf", "info"),
                                         (self.vesko, "vesko-cli", "lst", "list"),
                                         (self.vesko, "vesko-cli", "exprot-xlsx", "export-xlsx")):
            with self.subTest(program=name, typed=typed):
                code, out, err = run([path, typed, self.drawing])
                self.assertEqual(code, 2)
                self.assertEqual(out, "")
                self.assertEqual(err, "%s: 未知的命令 '%s'\n您是不是要用 %s？\n全部命令见 %s --help\n"
                                 % (name, typed, meant, name))
        code, _, err = run([self.tubra, "frobnicate"])
        self.assertEqual(code, 2)
        self.assertNotIn("您是不是要用", err)

    def test_the_same_mistake_is_said_in_the_same_words(self):
        # A missing and an extra argument, in both tools: what is wrong, then the usage.
        cases = [(self.tubra, "tubra-cli", ["json"], "缺少参数", "json FILE"),
                 (self.vesko, "vesko-cli", ["list"], "缺少参数", "list "),
                 (self.tubra, "tubra-cli", ["json", self.drawing, "x"], "多余的参数: x", "json FILE"),
                 (self.vesko, "vesko-cli", ["list", EXAMPLES, "x"], "多余的参数: x", "list ")]
        for path, name, args, message, usage in cases:
            with self.subTest(args=args):
                code, _, err = run([path] + args)
                self.assertEqual(code, 2)
                lines = err.splitlines()
                self.assertEqual(lines[0], "%s: %s" % (name, message))
                self.assertTrue(lines[1].startswith("用法: %s %s" % (name, usage)), err)

    def test_report_values_are_named(self):
        if "  print " not in run([self.tubra, "--help"])[1]:
            self.skipTest("tubra-cli is built without Qt")
        with tempfile.TemporaryDirectory() as tmp:
            for command in (["print", self.drawing, "--report", "99", "-o", os.path.join(tmp, "x.pdf")],
                            ["render", self.drawing, os.path.join(tmp, "x.png"), "--report", "99"]):
                with self.subTest(command=command[0]):
                    code, _, err = run([self.tubra] + command, display=True)
                    self.assertEqual(code, 2)
                    self.assertIn("--report 的值应为 full、online，或报告页号 0 到 17、22 到 26、28：99", err)
            # The output named without -o: what to write instead.
            out = os.path.join(tmp, "out.pdf")
            code, _, err = run([self.tubra, "print", self.drawing, out], display=True)
            self.assertEqual(code, 2)
            self.assertIn("输出文件要用 -o 指定，例如 tubra-cli print %s -o %s" % (self.drawing, out), err)
            code, _, err = run([self.tubra, "print", self.drawing], display=True)
            self.assertEqual(code, 2)
            self.assertIn("缺少 -o", err)
            self.assertFalse(os.path.exists(out))

    def test_info_speaks_chinese_and_has_a_stable_json_form(self):
        code, out, err = run([self.tubra, "info", self.drawing])
        self.assertEqual(code, 0, err)
        for label in ("文件: ", "对象: ", "管长: ", "轴测角: ", "图纸: A4 (PageSize 0)", "管道特性表:", "标题框:"):
            self.assertIn(label, out)
        self.assertNotRegex(out, r"(?m)^(file|objects|pipe length|axis angles):")
        code, out, err = run([self.tubra, "info", "--json", self.drawing])
        self.assertEqual(code, 0, err)
        info = json.loads(out)
        self.assertEqual(list(info), ["file", "objects", "kinds", "pipeLengthMm", "pipesNotCounted", "xAxisAngle", "yAxisAngle",
                                      "pageSize", "paper", "zoom", "characteristic", "title"])
        self.assertEqual((info["pageSize"], info["paper"]), (0, "A4"))
        self.assertEqual(sum(k["count"] for k in info["kinds"]), info["objects"])
        self.assertEqual(len(info["characteristic"]), 18)
        self.assertEqual(info["characteristic"][0]["label"], "管线名称")
        self.assertEqual([t["row"] for t in info["title"]], list(range(1, 8)))
        self.assertEqual(info["title"][5]["label"], "图纸名称:")

        # A3 is named as such.
        with tempfile.TemporaryDirectory() as tmp:
            with open(self.drawing, "rb") as f:
                data = f.read()
            a3 = re.sub(rb"(?m)^(\s*PageSize\s+)0", rb"\g<1>1", data, count=1)
            self.assertNotEqual(a3, data)
            path = os.path.join(tmp, "a3.hcd")
            with open(path, "wb") as f:
                f.write(a3)
            self.assertEqual(json.loads(run([self.tubra, "info", "--json", path])[1])["paper"], "A3")

    def test_vesko_cli_lists_one_drawing_or_asks_for_a_directory(self):
        code, out, err = run([self.vesko, "list", "--json", self.drawing])
        self.assertEqual(code, 0, err)
        one = json.loads(out)
        self.assertEqual(one["count"], 1)
        whole = json.loads(run([self.vesko, "list", "--json", EXAMPLES])[1])
        row = next(r for r in whole["rows"] if "pipeline.hcd" in r)
        self.assertEqual(one["rows"][0][1:], row[1:])  # the same columns; numbered 1
        self.assertEqual(one["rows"][0][0], "1")
        self.assertIn("pipeline.hcd", one["rows"][0])
        code, out, err = run([self.vesko, "list", os.path.join(EXAMPLES, "CMakeLists.txt")])
        self.assertEqual(code, 2)
        self.assertIn("list 需要一个目录或一个图形文件 (*.hcd)", err)
        code, _, err = run([self.vesko, "list", os.path.join(EXAMPLES, "missing.hcd")])
        self.assertEqual(code, 1)
        self.assertIn("无法打开文件", err)


class DesktopWithoutDisplay(unittest.TestCase):
    def test_the_desktop_programs_say_there_is_no_display(self):
        need(*DESKTOP)
        for name, other in (("tubra", "tubra-cli"), ("vesko", "vesko-cli")):
            for env in ({}, {"DISPLAY": ":97"}):  # none named, and one that is not there
                with self.subTest(program=name, env=env):
                    code, out, err = run([PROGRAMS[name]], env_extra=env)
                    self.assertEqual(code, 1, err)
                    self.assertIn(name + ": 没有找到图形显示", err)
                    self.assertIn(other, err)
                    self.assertNotIn("Reinstalling", err)
        # Printing needs no display.
        with tempfile.TemporaryDirectory() as home:
            code, _, err = run([PROGRAMS["tubra"], "/p", os.path.join(home, "missing.hcd")],
                               env_extra={"HOME": home})
            self.assertEqual(code, 1)
            self.assertNotIn("没有找到图形显示", err)


if __name__ == "__main__":
    EXAMPLES = sys.argv[1]
    PROGRAMS = dict(arg.split("=", 1) for arg in sys.argv[2:])
    unittest.main(argv=sys.argv[:1])
