#!/usr/bin/env bash
# quillon-cli against the router simulator on loopback; prints "name: value" lines.
#   (a) "quillon-cli stats", process start to exit, beside expect + telnet doing the
#       same login and reads, one process per run, in the same run;
#   (b) resident memory of "quillon-cli monitor" over 10,000 readings on simulated time.
#   RUNS=30 READINGS=10000 BUILD_DIR=... bench/cli/run.sh
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
build="${BUILD_DIR:-$root/build-bench}"
runs="${RUNS:-30}"
readings="${READINGS:-10000}"

for peer in expect telnet; do
    command -v "$peer" >/dev/null || { echo "cli: skipped, $peer is not installed (bash scripts/deps.sh installs it)"; exit 0; }
done
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLON_BUILD_TESTS=OFF >/dev/null
fi
cmake --build "$build" -j2 --target quillon-cli quillon-routersim >/dev/null
grep -m1 '^CMAKE_BUILD_TYPE' "$build/CMakeCache.txt" | sed 's/^CMAKE_BUILD_TYPE:STRING=/build_type: /'

source "$root/bench/simulator.sh"
work=$(mktemp -d)
trap 'kill "$sim" 2>/dev/null || true; rm -rf "$work"' EXIT
echo Gravo >"$work/pw"
cli=("$build/app/cli/quillon-cli" --dir "$work" --router 127.0.0.1 --port "$port" --user root --password-file "$work/pw")

ms_per_run() { # command... : mean wall time of RUNS runs after one warm-up
    "$@" >/dev/null
    local start end
    start=$(date +%s%N)
    for _ in $(seq "$runs"); do "$@" >/dev/null; done
    end=$(date +%s%N)
    echo "scale=3; ($end - $start) / 1000000 / $runs" | bc
}
a=$(ms_per_run "${cli[@]}" stats)
b=$(ms_per_run expect "$here/stats_once.exp" "$port")
echo "cli_stats_ms_per_run: $a"
echo "expect_stats_ms_per_run: $b"
awk -v a="$a" -v b="$b" 'BEGIN { printf "cli_over_expect: %.3f (target <= 0.5)\n", a / b }'

# (b) Readings every simulated minute, 60,000 simulated seconds a real second: the
# monitor reads as fast as the router answers. Pings once a simulated hour.
printf '[Options]\r\nPing IP=127.0.0.1\r\nPing Interval=3600\r\nMaximum failed pings=0\r\nStatsCheck=1\r\nStatsCheck Interval=1\r\nSave stats to text=1\r\nSave stats to CSV=1\r\n' >"$work/settings.ini"
rm -f "$work/stats.txt"
QUILLON_TIME_SCALE=60000 "${cli[@]}" monitor >/dev/null 2>"$work/monitor.err" &
mon=$!
trap 'kill "$sim" "$mon" 2>/dev/null || true; rm -rf "$work"' EXIT
rss() { awk '/^VmRSS:/ { print $2 }' "/proc/$mon/status"; }
count() { [ -f "$work/stats.txt" ] && wc -l <"$work/stats.txt" || echo 0; }
at100="" athalf=""
started=$(date +%s)
while kill -0 "$mon" 2>/dev/null; do
    n=$(count)
    if [ -z "$at100" ] && [ "$n" -ge 100 ]; then at100=$(rss); fi
    if [ -z "$athalf" ] && [ "$n" -ge $((readings / 2)) ]; then athalf=$(rss); fi
    [ "$n" -ge "$readings" ] && break
    sleep 0.2
done
end=$(rss)
elapsed=$(( $(date +%s) - started ))
kill -TERM "$mon"
wait "$mon" && status=0 || status=$?
echo "monitor_readings: $(count) in ${elapsed} s"
echo "monitor_rss_kb_after_100: $at100"
echo "monitor_rss_kb_after_$((readings / 2)): $athalf"
echo "monitor_rss_kb_after_$readings: $end"
awk -v a="$at100" -v b="$end" 'BEGIN { printf "monitor_rss_growth_kb: %d (target <= 1024; below 20480 in all)\n", b - a }'
echo "monitor_exit_status_on_sigterm: $status"
