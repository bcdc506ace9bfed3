#!/bin/bash
# resave-end-to-end.sh RUNS FILE NAME PROGRAM [NAME PROGRAM ...]: `PROGRAM resave FILE OUT`
# RUNS times for each program, in turns with `dd … conv=fsync` of the same bytes (the floor the
# disk sets), after one run of each that is not counted. Prints for each the least, median and
# most wall-clock time, the median processor time (user + system), MB/s of the file over the
# median wall-clock time, and the largest peak memory (maximum resident set) against the file's
# size. The outputs are compared with `cmp` against the first program's; a difference fails.
set -euo pipefail
if [ $# -lt 4 ] || [ $(( ($# - 2) % 2 )) -ne 0 ]; then
  echo "usage: $0 RUNS FILE NAME PROGRAM [NAME PROGRAM ...]" >&2
  exit 2
fi
runs=$1; file=$2; shift 2
names=("dd conv=fsync"); commands=("dd if='$file' of=\"\$out\" bs=1M conv=fsync status=none")
while [ $# -ge 2 ]; do names+=("$1"); commands+=("'$2' resave '$file' \"\$out\""); shift 2; done
bytes=$(stat -c %s "$file")
dir=$(mktemp -d "$(dirname "$file")/.resave-XXXXXX"); trap 'rm -rf "$dir"' EXIT
echo "load average at the start: $(cut -d' ' -f1-3 /proc/loadavg)"
for ((i = -1; i < runs; i++)); do
  for k in "${!commands[@]}"; do
    out="$dir/out$k.hcd"
    TIMEFORMAT='%3R %3U %3S'
    if ! { time /usr/bin/time -f '%M' -o "$dir/m" sh -c "out='$out'; ${commands[$k]}" 2>"$dir/err"; } 2>"$dir/t"; then
      echo "failed: ${commands[$k]}" >&2; cat "$dir/err" >&2; exit 1
    fi
    [ "$i" -ge 0 ] && echo "$(cat "$dir/t") $(cat "$dir/m")" >>"$dir/$k"
  done
done
echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
for k in "${!commands[@]}"; do
  [ "$k" -ge 2 ] && { cmp "$dir/out1.hcd" "$dir/out$k.hcd" || { echo "output of ${names[$k]} differs" >&2; exit 1; }; }
done
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
printf '%-16s %8s %8s %8s %8s %7s %9s %6s\n' command "least s" "median s" "most s" "cpu s" "MB/s" "peak MB" "x file"
for k in "${!commands[@]}"; do
  least=$(awk '{ print $1 }' "$dir/$k" | sort -n | head -1)
  most=$(awk '{ print $1 }' "$dir/$k" | sort -n | tail -1)
  wall=$(awk '{ print $1 }' "$dir/$k" | median)
  cpu=$(awk '{ print $2 + $3 }' "$dir/$k" | median)
  peak=$(awk '{ print $4 }' "$dir/$k" | sort -n | tail -1)
  awk -v n="${names[$k]}" -v l="$least" -v w="$wall" -v m="$most" -v c="$cpu" -v p="$peak" -v b="$bytes" 'BEGIN {
    printf "%-16s %8.3f %8.3f %8.3f %8.3f %7.0f %9.1f %6.2f\n", n, l, w, m, c, b / w / 1e6, p / 1024, p * 1024 / b }'
done
