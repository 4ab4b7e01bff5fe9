#!/usr/bin/env bash
# FullPing's echo to 127.0.0.1 against the system's ping in the same run: 200
# echoes each, median round trip. Target: ours at most 1.0x ping's.
# Usage: bench/ping/run.sh [echoes] [rounds]
set -euo pipefail
cd "$(dirname "$0")/../.."
count=${1:-200}
rounds=${2:-3}
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLON_BUILD_TESTS=OFF -DQUILLON_BUILD_BENCH=ON >/dev/null
cmake --build build-bench -j2 --target bench_ping >/dev/null

command -v ping >/dev/null || { echo "ping: skipped, iputils-ping is not installed (bash scripts/deps.sh installs it)"; exit 0; }
status=0
build-bench/bench/ping/bench_ping 1 >/dev/null 2>&1 || status=$?
if [ "$status" -eq 2 ]; then
    echo "ping: skipped, no ICMP socket (needs root or net.ipv4.ping_group_range to include this user)"
    exit 0
fi

median() { sort -n | awk '{a[NR]=$1} END {if (NR%2) print a[(NR+1)/2]; else print (a[NR/2]+a[NR/2+1])/2}'; }

for round in $(seq "$rounds"); do
    read -r ours ours_min ours_mean wall replies < <(build-bench/bench/ping/bench_ping "$count")
    read -r spaced _ _ _ _ < <(build-bench/bench/ping/bench_ping "$count" 2000)
    # Per-echo times are needed for a median, so ping runs without -q; the
    # summary line is the same as with -q.
    out=$(ping -c "$count" -i 0.002 127.0.0.1)
    theirs=$(grep -o 'time=[0-9.]*' <<<"$out" | cut -d= -f2 | median)
    summary=$(grep 'rtt min/avg' <<<"$out" | sed 's/.*= //')
    ratio=$(echo "$ours / $theirs" | bc -l)
    printf 'round %d: FullPing median %.4f ms (min %.4f, mean %.4f, %d replies, %.0f us/echo wall; %.4f ms spaced 2 ms like ping); ping median %.4f ms (min/avg/max/mdev %s); ratio %.2f\n' \
        "$round" "$ours" "$ours_min" "$ours_mean" "$replies" "$wall" "$spaced" "$theirs" "$summary" "$ratio"
done
