#!/usr/bin/env bash
# The upload parse against busboy on the same bodies: (a) one 100 MB file, (b) 1,000 small
# fields, temporary files on tmpfs (/dev/shm). Installs busboy into bench/upload-node/ with npm
# when it is missing, builds bench_upload, writes the bodies once, runs both, prints the table.
#
#   BUILD=build-upload   build directory (configured with -DTUBRA_WITH_BENCH=ON)
#   SECONDS_PER_CASE=5   busboy's measuring time per body; bench_upload repeats 5 times
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD:-build-upload}
seconds=${SECONDS_PER_CASE:-5}
node_dir=bench/upload-node

[[ -d "$node_dir/node_modules/busboy" ]] ||
  npm ci --prefix "$node_dir" --no-audit --no-fund --silent
cmake --build "$build" --target bench_upload >/dev/null

work=$(mktemp -d /dev/shm/kavelup-compare-XXXXXX)
trap 'rm -rf "$work"' EXIT
"$build/bench/bench_upload" --write-bodies "$work"

KAVELUP_BENCH_BODIES="$work" "$build/bench/bench_upload" \
  --benchmark_filter='BM_Upload' --benchmark_repetitions=5 \
  --benchmark_report_aggregates_only=true --benchmark_format=json >"$work/kavelup.json"
node "$node_dir/busboy-bench.js" "$work" "$seconds" >"$work/busboy.json"

python3 - "$work/kavelup.json" "$work/busboy.json" <<'PY'
import json, sys
ours = json.load(open(sys.argv[1]))
peer = json.load(open(sys.argv[2]))
unit = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}
def median(name, key):
    for b in ours["benchmarks"]:
        if b["name"].startswith(name) and b.get("aggregate_name") == "median":
            return b[key] * unit[b["time_unit"]]
    raise SystemExit("no median for " + name)
rows = [("(a) one 100 MB file", "BM_UploadBigFile", "big"),
        ("(b) 1,000 small fields", "BM_UploadSmallFields", "fields")]
modes = {"request": "64 KiB copies (as from a request)", "buffer": "one Buffer (no copy)"}
print("busboy %s; medians of the time per body; GB/s = body bytes / wall-clock time;" % peer["busboy"])
print("CPU = processor time of every thread, kernel included")
print()
print("%-23s %9s %6s %7s   %-33s %9s %6s %7s %6s" % (
    "body", "KavelUP", "GB/s", "CPU", "busboy, body handed over as", "busboy", "GB/s", "CPU",
    "ratio"))
for label, bench, case in rows:
    k, kc = median(bench, "real_time"), median(bench, "cpu_time")
    for mode in ("request", "buffer"):
        p = next(r for r in peer["results"] if r["case"] == case and r["mode"] == mode)
        size = p["bytes"]
        print("%-23s %6.2f ms %6.2f %4.2f ms   %-33s %6.2f ms %6.2f %4.2f ms %5.1fx" % (
            label if mode == "request" else "", k, size / k / 1e6, kc, modes[mode],
            p["median_ms"], size / p["median_ms"] / 1e6, p["median_cpu_ms"],
            p["median_ms"] / k))
PY
