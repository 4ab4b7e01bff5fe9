#!/usr/bin/env bash
# Start-up to the first shown window and peak memory, offscreen, Quillon against a
# minimal Qt Widgets window built in the same tree. Usage: bench/startup/run.sh [runs]
set -euo pipefail
cd "$(dirname "$0")/../.."
runs=${1:-15}
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLON_BUILD_TESTS=OFF -DQUILLON_BUILD_BENCH=ON >/dev/null
cmake --build build-bench -j"$(nproc)" --target quillon bench_minimal_window >/dev/null
export QT_QPA_PLATFORM=offscreen
appdir=$(mktemp -d)
printf '[Options]\r\nRouter IP=127.0.0.1\r\n' >"$appdir/settings.ini"
measure() { # name, command...
    local name=$1; shift
    local times=() mems=()
    for _ in $(seq "$runs"); do
        local t0=$EPOCHREALTIME mem
        mem=$( { /usr/bin/time -f '%M' "$@" >/dev/null 2>/dev/null; } 2>&1 | tail -n1)
        times+=("$(echo "$EPOCHREALTIME - $t0" | bc -l)"); mems+=("$mem")
    done
    local tmed mmax
    tmed=$(printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}')
    mmax=$(printf '%s\n' "${mems[@]}" | sort -n | tail -n1)
    echo "$name: median $(printf %.3f "$tmed") s, peak RSS $((mmax / 1024)) MB"
}
measure "minimal window" build-bench/bench/startup/bench_minimal_window
QUILLON_APPDIR="$appdir" QUILLON_EXIT_AFTER_SHOW=1 measure "quillon" build-bench/quillon
rm -rf "$appdir"
