#!/usr/bin/env bash
# The Exchange tab's estimate over 100,000 attenuations (target: at most 50 ns
# each), and the distance lookup against the router simulator's web pages on
# loopback beside three plain blocking HTTP GETs of the same pages from the
# same server in the same run (target: at most 1.5x). Prints "name: value" lines.
# The lookup is measured three times over: other load on the machine moves the
# medians more than anything in the program does.
#   ROUNDS=200 BUILD_DIR=... bench/exchange/run.sh
# A fresh BUILD_DIR is configured as Release; an existing one is reused as it is.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
build="${BUILD_DIR:-$root/build-bench}"
rounds="${ROUNDS:-200}"

if [ -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -DQUILLON_BUILD_BENCH=ON >/dev/null
else
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLON_BUILD_BENCH=ON -DQUILLON_BUILD_TESTS=OFF >/dev/null
fi
cmake --build "$build" -j2 --target bench_exchange quillon-routersim >/dev/null
grep -m1 '^CMAKE_BUILD_TYPE' "$build/CMakeCache.txt" | sed 's/^CMAKE_BUILD_TYPE:STRING=/build_type: /'

"$build/bench/exchange/bench_exchange" model 100000

log=$(mktemp)
"$build/tools/routersim/quillon-routersim" --port 0 --http-port 0 >"$log" 2>&1 &
sim=$!
trap 'kill "$sim" 2>/dev/null || true; rm -f "$log"' EXIT
web=""
for _ in $(seq 100); do
    web=$(sed -n 's|^web pages on http://127\.0\.0\.1:\([0-9]*\)$|\1|p' "$log")
    [ -n "$web" ] && break
    sleep 0.1
done
[ -n "$web" ] || { echo "the simulator did not serve web pages:"; cat "$log"; exit 1; }
for pass in 1 2 3; do
    echo "pass: $pass"
    "$build/bench/exchange/bench_exchange" lookup "$web" ZZ11AA "$rounds"
done
