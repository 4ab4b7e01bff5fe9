#!/usr/bin/env bash
# The Exchange tab's estimate over 100,000 attenuations (target: at most 50 ns
# each), and the distance lookup against the router simulator's web pages on
# loopback beside three plain blocking HTTP GETs of the same pages from the
# same server in the same run (target: at most 1.5x). Prints "name: value" lines.
# Cold: the first lookup in each of COLD fresh processes (medians over them).
# Warm: later lookups, measured three times over: other load on the machine
# moves the medians more than anything in the program does.
#   COLD=15 ROUNDS=200 BUILD_DIR=... bench/exchange/run.sh
# A fresh BUILD_DIR is configured as Release; an existing one is reused as it is.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
build="${BUILD_DIR:-$root/build-bench}"
rounds="${ROUNDS:-200}"
cold="${COLD:-15}"

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
bench="$build/bench/exchange/bench_exchange"
coldlog=$(mktemp)
trap 'kill "$sim" 2>/dev/null || true; rm -f "$log" "$coldlog"' EXIT
for _ in $(seq "$cold"); do
    "$bench" cold "$web" ZZ11AA >>"$coldlog"
done
# The median of one figure over the cold processes.
coldmedian() { sed -n "s/^$1: //p" "$coldlog" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
echo "cold: $cold processes"
for name in cold_lookup_ms cold_lookup_object_ms second_lookup_ms cold_plain_gets_ms cold_plain_gets_one_connection_ms; do
    echo "${name}_median: $(coldmedian $name)"
    echo "${name}_min: $(sed -n "s/^$name: //p" "$coldlog" | sort -n | head -1)"
done
awk -v a="$(coldmedian cold_lookup_ms)" -v b="$(coldmedian cold_plain_gets_ms)" -v c="$(coldmedian cold_plain_gets_one_connection_ms)" \
    'BEGIN { printf "ratio_cold_lookup_to_plain_median: %.2f\nratio_cold_lookup_to_plain_one_connection_median: %.2f\n", a / b, a / c }'
for pass in 1 2 3; do
    echo "pass: $pass"
    "$bench" lookup "$web" ZZ11AA "$rounds"
done
