#!/usr/bin/env python3
"""The naming rule of .clang-tidy on names.cpp: exactly the names marked "reported" break it.

    names_test.py CLANG_TIDY SOURCE_DIR
"""
import re
import subprocess
import sys

tidy, root = sys.argv[1], sys.argv[2]
source = f"{root}/tests/naming/names.cpp"
expected = set()
for line in open(source, encoding="utf-8"):
    if "// reported" in line:
        expected.add(re.search(r"(\w+)\(", line).group(1))
run = subprocess.run([tidy, f"--config-file={root}/.clang-tidy", "--quiet", source, "--", "-std=c++20"],
                     capture_output=True, text=True)
reported = set(re.findall(r"invalid case style for \w+ '(\w+)'", run.stdout))
if "error:" in run.stdout:
    sys.exit("clang-tidy could not read the file:\n" + run.stdout)
if reported != expected:
    sys.exit(f"reported but not expected: {sorted(reported - expected)}\n"
             f"expected but not reported: {sorted(expected - reported)}")
print(f"{len(expected)} names reported, as expected")
