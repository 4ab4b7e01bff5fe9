#!/usr/bin/env bash
# One monitored bandwidth reading (script, parsing, period records, and once
# with and once without the log append, which waits for the disk) through the
# session core against the router simulator on loopback,
# beside a plain socket client running the same commands against the same
# simulator in the same run (the floor); and the period records' update with
# a year of hourly history in memory. Prints "name: value" lines.
#   RUNS=40 BUILD_DIR=... bench/bandwidth/run.sh
# A fresh BUILD_DIR is configured as Release; an existing one is reused as it is.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
build="${BUILD_DIR:-$root/build-bench}"
runs="${RUNS:-40}"

if [ -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -DQUILLON_BUILD_BENCH=ON >/dev/null
else
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLON_BUILD_BENCH=ON -DQUILLON_BUILD_TESTS=OFF >/dev/null
fi
cmake --build "$build" -j2 --target bench_bandwidth quillon-routersim >/dev/null
grep -m1 '^CMAKE_BUILD_TYPE' "$build/CMakeCache.txt" | sed 's/^CMAKE_BUILD_TYPE:STRING=/build_type: /'

source "$root/bench/simulator.sh"

"$build/bench/bandwidth/bench_bandwidth" "$port" "$runs"
