#!/usr/bin/env bash
# Builds the chart benchmark in Release beside the sources and prints its figures.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${BENCH_BUILD_DIR:-$root/build-bench}"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLON_BUILD_BENCH=ON -DQUILLON_BUILD_TESTS=OFF >/dev/null
if ! ninja -C "$build" -t query bench_charts >/dev/null 2>&1; then
    echo "charts: skipped, Qt Charts is not installed (bash scripts/deps.sh installs it)"
    exit 0
fi
cmake --build "$build" -j2 --target bench_charts >/dev/null
QT_QPA_PLATFORM=offscreen "$build/bench/charts/bench_charts"
