#!/usr/bin/env bash
# Exports the list of a directory of generated drawings with vesko-cli as text (export-tsv, the
# baseline) and as an Excel workbook (export-xlsx), warm cache, alternating, several runs each;
# prints the medians of wall and CPU time, their ratios, and the peak memory of the last run.
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

# Wall time, CPU time (user + system) and peak memory of one run.
measure() { /usr/bin/time -f "%e %U %S %M" "$@" 2>&1 >/dev/null | tail -1; }
tsv_wall=(); tsv_cpu=(); xlsx_wall=(); xlsx_cpu=()
for ((i = 0; i < runs; i++)); do
  read -r w u s tsv_kb < <(measure "$cli" export-tsv "$dir" "$out/list.txt" $mode)
  tsv_wall+=("$w"); tsv_cpu+=("$(awk -v u="$u" -v s="$s" 'BEGIN { print u + s }')")
  read -r w u s xlsx_kb < <(measure "$cli" export-xlsx "$dir" "$out/list.xlsx" $mode)
  xlsx_wall+=("$w"); xlsx_cpu+=("$(awk -v u="$u" -v s="$s" 'BEGIN { print u + s }')")
done
median() { printf "%s\n" "$@" | sort -g | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }
tw=$(median "${tsv_wall[@]}"); tc=$(median "${tsv_cpu[@]}")
xw=$(median "${xlsx_wall[@]}"); xc=$(median "${xlsx_cpu[@]}")
awk -v tw="$tw" -v tc="$tc" -v xw="$xw" -v xc="$xc" -v runs="$runs" -v tk="$tsv_kb" -v xk="$xlsx_kb" \
    -v ts="$(stat -c %s "$out/list.txt")" -v xs="$(stat -c %s "$out/list.xlsx")" 'BEGIN {
  printf "medians of %d runs          wall      CPU   peak   file\n", runs
  printf "vesko-cli export-tsv:     %6.2f s %6.2f s %4.0f MB %4.1f MB\n", tw, tc, tk / 1024, ts / 1e6
  printf "vesko-cli export-xlsx:    %6.2f s %6.2f s %4.0f MB %4.1f MB\n", xw, xc, xk / 1024, xs / 1e6
  printf "ratio xlsx / tsv:         %6.2f   %6s\n", xw / tw, (tc > 0 ? sprintf("%.2f", xc / tc) : "-")
}'
