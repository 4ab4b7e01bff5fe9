#!/usr/bin/env bash
# Builds the line history benchmark in Release beside the sources and prints its figures.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${BENCH_BUILD_DIR:-$root/build-bench}"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLON_BUILD_BENCH=ON -DQUILLON_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target bench_history >/dev/null
QT_QPA_PLATFORM=offscreen "$build/bench/history/bench_history" "$@"
