#!/usr/bin/env bash
# Builds and runs the telnet engine benchmarks; prints one "name: value" line per figure.
#   (a) the ten-line statistics script against the router simulator on loopback,
#       beside the same login and two reads driven by expect and telnet;
#   (b) a 100 KB and a 1 MB reply through echo removal, waiting and explode.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
build="${BUILD_DIR:-$root/build-bench}"
runs="${RUNS:-50}"

for peer in expect telnet; do
    command -v "$peer" >/dev/null || { echo "telnet: skipped, $peer is not installed (bash scripts/deps.sh installs it)"; exit 0; }
done
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLON_BUILD_BENCH=ON -DQUILLON_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target bench_telnet quillon-routersim >/dev/null

source "$root/bench/simulator.sh"

engine=$("$build/bench/telnet/bench_telnet" stats "$port" "$runs")
expected=$(expect "$here/login_and_reads.exp" "$port" "$runs")
echo "$engine"
echo "$expected"
awk -v a="${engine##* }" -v b="${expected##* }" 'BEGIN { printf "engine_over_expect: %.3f (target <= 0.5)\n", a / b }'
"$build/bench/telnet/bench_telnet" reply
# The same with glibc keeping freed memory instead of handing big blocks back
# to the system: in a virtual machine, first touches of fresh pages cost more
# than the copying itself and only the 1 MB run pays them.
echo "with a steady heap:"
MALLOC_MMAP_THRESHOLD_=67108864 MALLOC_TRIM_THRESHOLD_=268435456 MALLOC_TOP_PAD_=67108864 \
    "$build/bench/telnet/bench_telnet" reply | sed 's/^/  /'
