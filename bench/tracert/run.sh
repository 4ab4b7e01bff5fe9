#!/usr/bin/env bash
# The trace route against traceroute on the same namespace chains, in the same run:
#  - 3 hops: ours in-process (and as a whole process) vs `traceroute -I -n -q 1`. Target: at most 1.0x.
#  - 10 hops, hop 5 silent, 3 probes of 2.4 s: ours vs `traceroute -I -n -q 3 -w 2.4` (fixed wait);
#    traceroute's default adaptive wait is printed too. Target: at most 1.0x the fixed-wait run.
# Needs root (network namespaces). Usage: bench/tracert/run.sh [rounds]
set -euo pipefail
cd "$(dirname "$0")/../.."
rounds=${1:-20}
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLON_BUILD_TESTS=OFF -DQUILLON_BUILD_BENCH=ON >/dev/null
cmake --build build-bench -j2 --target bench_tracert >/dev/null
bin=$PWD/build-bench/bench/tracert/bench_tracert
lab=$PWD/tests/support/netlab.sh
p=qb$$
trap 'bash "$lab" down "$p"s; bash "$lab" down "$p"l' EXIT
bash "$lab" chain "${p}s" 3
bash "$lab" chain "${p}l" 10 5

median() { sort -n | awk '{a[NR]=$1} END {if (NR%2) print a[(NR+1)/2]; else print (a[NR/2]+a[NR/2+1])/2}'; }
# Wall milliseconds of a command, N times, inside a namespace (the namespace switch is not counted).
walls() {
    local ns=$1 n=$2; shift 2
    ip netns exec "$ns" bash -c 'n=$1; shift; for i in $(seq "$n"); do
        s=$(date +%s%N); "$@" >/dev/null; e=$(date +%s%N); echo "scale=3; ($e - $s) / 1000000" | bc; done' _ "$n" "$@"
}

read -r ours ours_min hops < <(ip netns exec "${p}s-c" "$bin" 10.77.3.2 "$rounds")
ours_proc=$(walls "${p}s-c" "$rounds" "$bin" 10.77.3.2 1 | median)
theirs=$(walls "${p}s-c" "$rounds" traceroute -I -n -q 1 10.77.3.2 | median)
printf '3 hops (%d found): ours %.3f ms in-process (min %.3f), %.3f ms as a process; traceroute -I -n -q 1 %.3f ms; ratio %.4f in-process, %.2f process\n' \
    "$hops" "$ours" "$ours_min" "$ours_proc" "$theirs" "$(echo "$ours / $theirs" | bc -l)" "$(echo "$ours_proc / $theirs" | bc -l)"

slow=3
read -r ours _ hops < <(ip netns exec "${p}l-c" "$bin" 10.77.10.2 "$slow" 3 2400)
fixed=$(walls "${p}l-c" "$slow" traceroute -I -n -q 3 -w 2.4 10.77.10.2 | median)
adaptive=$(walls "${p}l-c" "$slow" traceroute -I -n -q 3 10.77.10.2 | median)
printf '10 hops, hop 5 silent (%d found): ours %.1f ms; traceroute -I -n -q 3 -w 2.4 %.1f ms (ratio %.2f); traceroute -I -n -q 3 with its adaptive wait %.1f ms\n' \
    "$hops" "$ours" "$fixed" "$(echo "$ours / $fixed" | bc -l)" "$adaptive"
