#!/usr/bin/env bash
# Builds the JPEG benchmark in Release and prints its figures.
set -euo pipefail
cd "$(dirname "$0")/../.."
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLON_BUILD_BENCH=ON -DQUILLON_BUILD_TESTS=OFF >/dev/null
if ! ninja -C build-bench -t query bench_jpeg >/dev/null 2>&1; then
    echo "jpeg: skipped, libjpeg is not installed (bash scripts/deps.sh installs it)"
    exit 0
fi
cmake --build build-bench -j2 --target bench_jpeg >/dev/null
./build-bench/bench/jpeg/bench_jpeg
