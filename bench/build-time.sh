#!/usr/bin/env bash
# Processor time (user + system, every compiler and linker included) of building from nothing:
# first what scripts/run builds (tubra and tubra-cli), configured as scripts/run configures, then
# the rest of what `cmake --build` builds (every library, program, test and benchmark) in the
# same tree. The compiler cache is off, so every file is compiled.
#
#   bench/build-time.sh [BUILD_DIR] [JOBS]      (default: a new folder under /tmp, 2 jobs)
#
# Prints one line per step: processor seconds, wall-clock seconds, build steps.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-$(mktemp -d /tmp/tubra-build-time.XXXXXX)}
jobs=${2:-2}
rm -rf "$dir"
mkdir -p "$dir"
export CCACHE_DISABLE=1

# measure NAME COMMAND...: runs the command under GNU time.
measure() {
  local name=$1
  shift
  /usr/bin/time -f "%U %S %e" -o "$dir/time.$name" "$@" >"$dir/log.$name" 2>&1 ||
    { tail -n 30 "$dir/log.$name" >&2; exit 1; }
  read -r user sys wall <"$dir/time.$name"
  steps=$(grep -c '^\[[0-9]*/[0-9]*\]' "$dir/log.$name" || true)
  printf '%-10s cpu %8.1f s   wall %7.1f s   steps %4d\n' "$name" "$(awk "BEGIN{print $user + $sys}")" "$wall" "$steps"
}

measure configure cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTUBRA_SKIP_DIRS= \
  -DTUBRA_WITH_QT=ON
measure run cmake --build "$dir" -j "$jobs" --target tubra tubra-cli
measure rest cmake --build "$dir" -j "$jobs"
