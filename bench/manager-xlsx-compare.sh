#!/usr/bin/env bash
# Exports the list of a directory of generated drawings with vesko-cli as text (export-tsv, the
# baseline) and as an Excel workbook (export-xlsx), warm cache, alternating, several runs each;
# prints the medians, their ratio, and the peak memory of one run of each.
#
#   bench/manager-xlsx-compare.sh [DIR] [COUNT]
#
#   DIR     default /tmp/vesko-bench-20000 (made with manager-make-drawings when missing)
#   COUNT   default 20000
#   BUILD   build directory (default build)
#   RUNS    runs of each (default 7)
#   MODE    "--report" for report-list mode (default: list mode)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD:-build}
dir=${1:-/tmp/vesko-bench-20000}
count=${2:-20000}
runs=${RUNS:-7}
mode=${MODE:-}
cli="$build/src/manager/cli/vesko-cli"
make="$build/bench/manager-make-drawings"
for p in "$cli" "$make"; do
  [[ -x "$p" ]] || cmake --build "$build" --target vesko-cli manager-make-drawings >/dev/null
done
last=$(printf "%s/pipe-%05d.hcd" "$dir" "$count")
[[ -f "$last" ]] || "$make" "$dir" "$count" 3

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
files=("$dir"/*.hcd)
echo "directory: $dir (${#files[@]} files, $(du -sh "$dir" | cut -f1))${mode:+, $mode}"
cat "${files[@]}" >/dev/null  # warm the page cache

now() { date +%s%N; }
tsv_times=()
xlsx_times=()
for ((i = 0; i < runs; i++)); do
  t0=$(now); "$cli" export-tsv "$dir" "$out/list.txt" $mode; t1=$(now)
  tsv_times+=($(((t1 - t0) / 1000)))
  t0=$(now); "$cli" export-xlsx "$dir" "$out/list.xlsx" $mode; t1=$(now)
  xlsx_times+=($(((t1 - t0) / 1000)))
done
peak() { /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -1; }
tsv_kb=$(peak "$cli" export-tsv "$dir" "$out/list.txt" $mode)
xlsx_kb=$(peak "$cli" export-xlsx "$dir" "$out/list.xlsx" $mode)
median() { printf "%s\n" "$@" | sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }
t=$(median "${tsv_times[@]}")
x=$(median "${xlsx_times[@]}")
awk -v t="$t" -v x="$x" -v runs="$runs" -v tk="$tsv_kb" -v xk="$xlsx_kb" \
    -v ts="$(stat -c %s "$out/list.txt")" -v xs="$(stat -c %s "$out/list.xlsx")" 'BEGIN {
  printf "vesko-cli export-tsv:     median %.0f ms of %d runs, peak %.0f MB, file %.1f MB\n", t / 1000, runs, tk / 1024, ts / 1e6
  printf "vesko-cli export-xlsx:    median %.0f ms of %d runs, peak %.0f MB, file %.1f MB\n", x / 1000, runs, xk / 1024, xs / 1e6
  printf "ratio xlsx / tsv:         %.2f\n", x / t
}'
