#!/usr/bin/env bash
# PTR lookups against dnsmasq on loopback: OrbDNS in-process against a minimal
# blocking UDP query/response loop, in the same run. Target: ours at most 2x.
# Usage: bench/dnsptr/run.sh [lookups] [rounds]
set -euo pipefail
cd "$(dirname "$0")/../.."
count=${1:-2000}
rounds=${2:-5}
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLON_BUILD_TESTS=OFF -DQUILLON_BUILD_BENCH=ON >/dev/null
cmake --build build-bench -j2 --target bench_dnsptr >/dev/null
port=$(python3 -c 'import socket; s=socket.socket(socket.AF_INET, socket.SOCK_DGRAM); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
dnsmasq -k --conf-file=/dev/null --no-resolv --no-hosts --bind-interfaces --listen-address=127.0.0.1 \
    --port="$port" --ptr-record=2.3.77.10.in-addr.arpa,target.example --pid-file= --user="$(id -un)" &
server=$!
trap 'kill "$server" 2>/dev/null; wait "$server" 2>/dev/null || true' EXIT
for _ in $(seq 50); do
    dig +short +time=1 +tries=1 -p "$port" -x 10.77.3.2 @127.0.0.1 | grep -q target && break
    sleep 0.1
done
read -r ours minimal evloop answer < <(build-bench/bench/dnsptr/bench_dnsptr "$port" 10.77.3.2 "$count" "$rounds")
printf 'PTR lookup of 10.77.3.2 (%s), %d lookups x %d rounds: OrbDNS %.2f us; minimal blocking UDP loop %.2f us (ratio %.2f); the same loop waiting in the Qt event loop %.2f us (ratio %.2f)\n' \
    "$answer" "$count" "$rounds" "$ours" "$minimal" "$(echo "$ours / $minimal" | bc -l)" "$evloop" "$(echo "$ours / $evloop" | bc -l)"
