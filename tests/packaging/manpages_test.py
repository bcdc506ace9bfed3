#!/usr/bin/env python3
"""The manual pages say what the programs' own --help says.

For every program given as NAME=PATH, `PATH --help` runs without a display and exits 0, and
docs/man/NAME.1 lists exactly the options of the help (the synopsis, OPTIONS and COMMANDS
sections), the same commands (for the command-line tools), and for the CGI program the same
KAVELUP_* variables in ENVIRONMENT. Every page formats without a warning from man.

    manpages_test.py MAN_DIR NAME=PATH...
"""
import os
import re
import subprocess
import sys
import unittest

MAN_DIR = ""
PROGRAMS = {}

# An option: -x or --word, not the hyphen inside a word ("tubra-cli", "pipe-name"), and the
# print flag /p.
OPTION = re.compile(r"(?<![\w/.-])(--?[A-Za-z][\w-]*|/p\b)")
# Every program answers --help; the command-line tools accept it without listing it.
ALWAYS = {"--help", "-h"}


def plain_roff(text):
    """The page's text with hyphens, quotes and font changes reduced to plain characters."""
    text = text.replace("\\-", "-").replace("\\(aq", "'")
    text = re.sub(r"\\\((lq|rq)", '"', text)
    return re.sub(r"\\f[BIRP]", "", text)


def sections(page):
    """Section name -> its lines."""
    result, name = {}, None
    for line in page.splitlines():
        m = re.match(r'\.SH\s+"?([^"]+)"?', line)
        if m:
            name = m.group(1).strip()
            result[name] = []
        elif name:
            result[name].append(line)
    return result


def tagged_items(lines):
    """The first word of each .TP item's tag line."""
    words = []
    for previous, line in zip(lines, lines[1:]):
        if previous.strip() == ".TP":
            tag = re.sub(r"^\.(B|I|BI|BR|IR|RB|RI)\s+", "", line).strip().strip('"')
            words.append(tag.split()[0] if tag else "")
    return words


def help_text(path):
    env = {k: v for k, v in os.environ.items()
           if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "GATEWAY_INTERFACE")}
    run = subprocess.run([path, "--help"], capture_output=True, env=env, timeout=60)
    return run.returncode, run.stdout.decode("utf-8"), run.stderr.decode("utf-8", "replace")


def help_commands(text):
    return {m.group(1) for m in re.finditer(r"^  ([a-z][a-z-]*)\b", text, re.M)}


class ManualPages(unittest.TestCase):
    def page(self, name):
        with open(os.path.join(MAN_DIR, name + ".1"), encoding="utf-8") as f:
            return plain_roff(f.read())

    def test_help_runs_without_a_display(self):
        for name, path in PROGRAMS.items():
            with self.subTest(program=name):
                code, out, err = help_text(path)
                self.assertEqual(code, 0, err)
                self.assertGreater(len(out.splitlines()), 1, out)
                self.assertEqual(err, "")

    def test_options_are_those_of_the_help(self):
        for name, path in PROGRAMS.items():
            with self.subTest(program=name):
                _, out, _ = help_text(path)
                listed = set(OPTION.findall(out))
                parts = sections(self.page(name))
                documented = set()
                for part in ("SYNOPSIS", "OPTIONS", "COMMANDS"):
                    documented |= set(OPTION.findall("\n".join(parts.get(part, []))))
                self.assertIn("--help", documented)
                self.assertEqual(sorted(listed - documented), [], "in --help, not in the page")
                self.assertEqual(sorted(documented - listed - ALWAYS), [], "in the page, not in --help")

    def test_commands_are_those_of_the_help(self):
        for name, path in PROGRAMS.items():
            _, out, _ = help_text(path)
            commands = help_commands(out)
            if not name.endswith("-cli"):
                continue
            with self.subTest(program=name):
                self.assertGreater(len(commands), 3, out)
                documented = set(tagged_items(sections(self.page(name)).get("COMMANDS", [])))
                self.assertEqual(documented, commands)

    def test_cgi_environment_is_that_of_the_help(self):
        if "kavelup.cgi" not in PROGRAMS:
            self.skipTest("kavelup.cgi is not part of this build")
        _, out, _ = help_text(PROGRAMS["kavelup.cgi"])
        listed = set(re.findall(r"\bKAVELUP_[A-Z_]+", out))
        documented = set(tagged_items(sections(self.page("kavelup.cgi")).get("ENVIRONMENT", [])))
        self.assertGreaterEqual(len(listed), 7)
        self.assertEqual(documented, listed)

    def test_cgi_under_a_web_server_answers_as_cgi(self):
        # Under a server, arguments come from the query string (kavelup.cgi?--help): the
        # answer stays an HTTP response.
        if "kavelup.cgi" not in PROGRAMS:
            self.skipTest("kavelup.cgi is not part of this build")
        env = dict(os.environ, GATEWAY_INTERFACE="CGI/1.1", REQUEST_METHOD="GET",
                   QUERY_STRING="--help")
        run = subprocess.run([PROGRAMS["kavelup.cgi"], "--help"], capture_output=True, env=env,
                             timeout=60)
        self.assertEqual(run.returncode, 0)
        self.assertTrue(run.stdout.startswith(b"Status: 200"), run.stdout[:200])

    def test_pages_format_without_warnings(self):
        for name in PROGRAMS:
            with self.subTest(page=name):
                env = dict(os.environ, LC_ALL="C.UTF-8", MANROFFSEQ="", MANWIDTH="80")
                run = subprocess.run(["man", "--warnings", "-E", "UTF-8", "-l", "-Tutf8", "-Z",
                                      os.path.join(MAN_DIR, name + ".1")],
                                     capture_output=True, env=env, timeout=60)
                self.assertEqual(run.returncode, 0)
                self.assertEqual(run.stderr.decode("utf-8", "replace"), "")
                # The NAME line is what apropos and whatis show: "name \- what it does".
                page = self.page(name)
                self.assertRegex(sections(page)["NAME"][0], "^" + re.escape(name) + r" - \S")


if __name__ == "__main__":
    MAN_DIR = sys.argv[1]
    PROGRAMS = dict(arg.split("=", 1) for arg in sys.argv[2:])
    unittest.main(argv=sys.argv[:1])
