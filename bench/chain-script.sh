#!/bin/bash
# chain-script.sh N: a session script drawing a chain of N pipe segments with automatic welds,
# as bench_edit_script plays it (100 drawing units east each, in rows of 200), on stdout.
set -euo pipefail
n=${1:?usage: chain-script.sh SEGMENTS}
awk -v n="$n" 'BEGIN {
  print "new 0"; print "key T"; print "command 2709"
  x = 0; y = 0
  for (i = 0; i < n; i++) {
    printf "click %.4f %.4f\ndialog Distanc=100 DistTxt=%d\n", x, y, 1000 + i
    x += 86.60254; y -= 50
    printf "click %.4f %.4f\n", x, y
    if ((i + 1) % 200 == 0) { x = 0; y = y - 3000 + 200 * 50 }
  }
}'
