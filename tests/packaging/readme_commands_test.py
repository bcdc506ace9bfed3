#!/usr/bin/env python3
"""The commands the README shows work as written.

Fenced blocks marked `sh` hold commands a reader can run from the source tree without a
display, root or a web server; each is run with the programs of this build, in a copy of the
examples, and must succeed and write the files it names. The other blocks (starting the desktop
program, installing packages, the administrator's steps) are checked elsewhere: the package
check installs the packages and serves the README's lighttpd block. A tubra-cli or vesko-cli
command outside an `sh` block would go untested, so there is none; and every command the
README's table names is one the program knows.

    readme_commands_test.py README EXAMPLES_DIR NAME=PATH...
"""
import os
import re
import shlex
import shutil
import subprocess
import sys
import tempfile
import unittest

README = ""
EXAMPLES = ""
PROGRAMS = {}
CLI = ("tubra-cli", "vesko-cli")
OUTPUTS = (".pdf", ".png", ".svg", ".dxf", ".pcf", ".xlsx", ".csv", ".tsv")


def fences(text):
    """(info string, [lines]) of every fenced block."""
    return [(m.group(1).strip(), m.group(2).splitlines())
            for m in re.finditer(r"(?ms)^```([^\n]*)\n(.*?)^```", text)]


class ReadmeCommands(unittest.TestCase):
    def setUp(self):
        with open(README, encoding="utf-8") as f:
            self.text = f.read()

    def commands(self):
        for info, lines in fences(self.text):
            if info == "sh":
                for line in lines:
                    words = shlex.split(line, comments=True)
                    if words:
                        yield words

    def test_shell_blocks_run_as_written(self):
        ran = 0
        with tempfile.TemporaryDirectory() as tmp:
            shutil.copytree(EXAMPLES, os.path.join(tmp, "examples"),
                            ignore=shutil.ignore_patterns("*.cpp", "*.h", "CMakeLists.txt"))
            env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
            env["QT_QPA_PLATFORM"] = "offscreen"
            for words in self.commands():
                program = words[0]
                self.assertIn(program, CLI, "a command the test cannot run in an sh block: %s" % words)
                if program not in PROGRAMS:
                    continue
                if program == "tubra-cli" and words[1] in ("print", "render"):
                    if "\n  %s " % words[1] not in subprocess.run(
                            [PROGRAMS[program], "--help"], capture_output=True, text=True).stdout:
                        continue  # built without Qt
                with self.subTest(command=" ".join(words)):
                    r = subprocess.run([PROGRAMS[program]] + words[1:], cwd=tmp, env=env,
                                       capture_output=True, timeout=120)
                    self.assertEqual(r.returncode, 0, r.stderr.decode("utf-8", "replace"))
                    self.assertTrue(r.stdout or any(w.endswith(OUTPUTS) for w in words))
                    for w in words[2:]:
                        if w.endswith(OUTPUTS) and not w.startswith("examples/"):
                            self.assertGreater(os.path.getsize(os.path.join(tmp, w)), 0, w)
                    ran += 1
        self.assertGreaterEqual(ran, 1)

    def test_no_command_line_tool_outside_a_shell_block(self):
        for info, lines in fences(self.text):
            if info == "sh":
                continue
            for line in lines:
                self.assertFalse(line.strip().split(" ")[0] in CLI,
                                 "untested command outside an sh block: " + line)

    def test_the_table_names_real_commands(self):
        for program in CLI:
            if program not in PROGRAMS:
                continue
            help_text = subprocess.run([PROGRAMS[program], "--help"], capture_output=True,
                                       text=True).stdout
            known = set(re.findall(r"(?m)^  ([a-z][a-z-]*)\b", help_text))
            named = set()
            for row in re.findall(r"(?m)^\| `%s ([^`]*)`(.*)\|" % program, self.text):
                named.add(row[0].split()[0])
                named.update(re.findall(r"`([a-z][a-z-]+)`", row[0] + row[1].split("|")[0]))
            with self.subTest(program=program):
                self.assertTrue(named)
                self.assertLessEqual(named, known)


if __name__ == "__main__":
    README, EXAMPLES = sys.argv[1], sys.argv[2]
    PROGRAMS = dict(arg.split("=", 1) for arg in sys.argv[3:])
    unittest.main(argv=sys.argv[:1])
