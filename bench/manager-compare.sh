#!/usr/bin/env bash
# Lists a directory of generated drawings with vesko-cli and counts the lines holding
# "TeXingBiao" in the same files with grep -c, warm cache, alternating, several runs each;
# prints the medians and their ratio.
#
#   bench/manager-compare.sh [DIR] [COUNT]
#
#   DIR     default /tmp/vesko-bench-2000 (made with manager-make-drawings when missing)
#   COUNT   default 2000
#   BUILD   build directory (default build)
#   RUNS    runs of each (default 9)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD:-build}
dir=${1:-/tmp/vesko-bench-2000}
count=${2:-2000}
runs=${RUNS:-9}
cli="$build/src/manager/cli/vesko-cli"
make="$build/bench/manager-make-drawings"
for p in "$cli" "$make"; do
  [[ -x "$p" ]] || cmake --build "$build" --target vesko-cli manager-make-drawings >/dev/null
done
last=$(printf "%s/pipe-%05d.hcd" "$dir" "$count")
[[ -f "$last" ]] || "$make" "$dir" "$count"

files=("$dir"/*.hcd)
echo "directory: $dir (${#files[@]} files, $(du -sh "$dir" | cut -f1))"
cat "${files[@]}" >/dev/null  # warm the page cache

now() { date +%s%N; }
grep_times=()
vesko_times=()
for ((i = 0; i < runs; i++)); do
  t0=$(now); grep -c TeXingBiao "${files[@]}" >/dev/null; t1=$(now)
  grep_times+=($(((t1 - t0) / 1000)))
  t0=$(now); "$cli" list "$dir" --tsv >/dev/null; t1=$(now)
  vesko_times+=($(((t1 - t0) / 1000)))
done
median() { printf "%s\n" "$@" | sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }
g=$(median "${grep_times[@]}")
v=$(median "${vesko_times[@]}")
awk -v g="$g" -v v="$v" -v runs="$runs" 'BEGIN {
  printf "grep -c TeXingBiao:      median %.1f ms of %d runs\n", g / 1000, runs
  printf "vesko-cli list --tsv:    median %.1f ms of %d runs\n", v / 1000, runs
  printf "ratio vesko-cli / grep:  %.2f\n", v / g
}'
