#!/usr/bin/env bash
# The margin-threshold read (login and five environment reads, parsed) through
# the session core against the router simulator on loopback, beside a plain
# socket sending the same login and reads to the same simulator in the same
# run (the floor), in both command sets. Prints "name: value" lines.
#   RUNS=100 BUILD_DIR=... bench/threshold/run.sh
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
build="${BUILD_DIR:-$root/build-bench}"
runs="${RUNS:-100}"

if [ -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -DQUILLON_BUILD_BENCH=ON >/dev/null
else
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLON_BUILD_BENCH=ON -DQUILLON_BUILD_TESTS=OFF >/dev/null
fi
cmake --build "$build" -j2 --target bench_threshold quillon-routersim >/dev/null
grep -m1 '^CMAKE_BUILD_TYPE' "$build/CMakeCache.txt" | sed 's/^CMAKE_BUILD_TYPE:STRING=/build_type: /'

source "$root/bench/simulator.sh"

"$build/bench/threshold/bench_threshold" "$port" "$runs"
"$build/bench/threshold/bench_threshold" "$port" "$runs" compat
