#!/bin/bash
# time-commands.sh RUNS NAME COMMAND [NAME COMMAND ...]: runs the commands RUNS times each, in
# turns (so that a change in the machine's load meets all of them alike), and prints for each
# the median wall-clock time, the median processor time (user + system of the command and its
# children) and both as ratios to the first command; with BYTES=n in the environment also n
# bytes over the median wall-clock time, in MB/s. Commands run through sh -c.
set -euo pipefail
if [ $# -lt 3 ] || [ $(( ($# - 1) % 2 )) -ne 0 ]; then
  echo "usage: $0 RUNS NAME COMMAND [NAME COMMAND ...]" >&2
  exit 2
fi
runs=$1; shift
names=(); commands=()
while [ $# -ge 2 ]; do names+=("$1"); commands+=("$2"); shift 2; done
dir=$(mktemp -d); trap 'rm -rf "$dir"' EXIT
for ((i = 0; i < runs; i++)); do
  for k in "${!commands[@]}"; do
    TIMEFORMAT='%3R %3U %3S'
    if ! { time sh -c "${commands[$k]}" >/dev/null 2>"$dir/err"; } 2>>"$dir/$k"; then
      echo "failed: ${commands[$k]}" >&2; cat "$dir/err" >&2; exit 1
    fi
  done
done
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
printf '%-30s %10s %10s %8s %8s %8s\n' command "wall s" "cpu s" "wall x" "cpu x" "MB/s"
for k in "${!commands[@]}"; do
  wall=$(awk '{ print $1 }' "$dir/$k" | median)
  cpu=$(awk '{ print $2 + $3 }' "$dir/$k" | median)
  if [ "$k" -eq 0 ]; then base_wall=$wall; base_cpu=$cpu; fi
  awk -v n="${names[$k]}" -v w="$wall" -v c="$cpu" -v bw="$base_wall" -v bc="$base_cpu" -v b="${BYTES:-0}" 'BEGIN {
    printf "%-30s %10.3f %10.3f %8.2f %8.2f %8s\n", n, w, c, (bw > 0 ? w / bw : 0), (bc > 0 ? c / bc : 0),
           (b > 0 && w > 0 ? sprintf("%.0f", b / w / 1e6) : "-") }'
done
